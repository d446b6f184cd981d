// The terrain's four layers: each one's colour mixes two palette colours by a noise field, grass
// and rock mix in a third colour by a second field, and rock darkens in its cracks. The content
// builder mixes them by height and slope into the baked colour (terrain2.dds), which the Terrain
// technique lights; the sand, grass and snow pictures (WhiteSand.dds, terrain1.bmp,
// terrain3.bmp) are drawn from the same palette.
// Read by tools/contentgen (C++) and by effects: #define lines only.
#define SAND_DARK 0.86, 0.80, 0.66
#define SAND_LIGHT 0.97, 0.94, 0.85
#define GRASS_DARK 0.17, 0.33, 0.09
#define GRASS_LIGHT 0.42, 0.58, 0.18
#define GRASS_PATCH 0.50, 0.48, 0.22
#define GRASS_PATCH_SHARE 0.5
#define ROCK_DARK 0.33, 0.31, 0.29
#define ROCK_LIGHT 0.62, 0.59, 0.54
#define ROCK_LICHEN 0.42, 0.44, 0.30
#define ROCK_LICHEN_SHARE 0.35
#define ROCK_IN_CRACK 0.68
#define SNOW_DARK 0.78, 0.83, 0.92
#define SNOW_LIGHT 0.98, 0.98, 1.00
