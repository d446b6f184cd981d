// The terrain's colour, baked: nothing in it changes while the viewer runs (the tiles stay put and
// the light is applied per vertex), so the Terrain technique reads it from one texture instead of
// mixing the palette at every pixel of every frame.
#include "contentgen.h"
#include "shaders/terrain_layers.fxh"

#include <algorithm>
#include <cmath>

namespace {

constexpr int BakeSide = 2048;         // texels over one 15-unit tile: 137 a unit, sharp close up
constexpr float LayerRepeats = 5.0f;   // the layer fields repeat every 3 world units, whole times a tile

float Ramp(float x, float scale, float offset) { return Clamp01(scale * x + offset); }

// One channel (at shift) of the image at u, v in image widths, bilinear and wrapping, as a
// sampler with linear filters reads it.
float Bilinear(const Image& img, float u, float v, int shift)
{
    const float x = u * img.width - 0.5f, y = v * img.height - 0.5f;
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    auto at = [&](int i, int j) {
        const uint32_t p = img.At((i % img.width + img.width) % img.width, (j % img.height + img.height) % img.height);
        return float(p >> shift & 0xFF) / 255.0f;
    };
    const float top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * fx;
    const float bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * fx;
    return top + (bottom - top) * fy;
}

LayerFields FieldsAt(const Image& sandAndGrass, const Image& rockAndSnow, float u, float v)
{
    return {Bilinear(sandAndGrass, u, v, 16), Bilinear(sandAndGrass, u, v, 8), Bilinear(sandAndGrass, u, v, 0),
            Bilinear(rockAndSnow, u, v, 16),  Bilinear(rockAndSnow, u, v, 8),  Bilinear(rockAndSnow, u, v, 0),
            Bilinear(rockAndSnow, u, v, 24)};
}

// What a vertex carries into the bake: the world height and the world normal's height.
struct Carried { float height, normalY; };

Carried CarriedBy(const Mesh& tile, uint32_t vertex)
{
    const Vec3 p = tile.positions[vertex], n = tile.normals[vertex];
    // The tile is scaled unevenly: its world normal is the model normal divided by the scale.
    const Vec3 world = Normalize({n.x / ScaleXZ, n.y / ScaleY, n.z / ScaleXZ});
    return {ScaleY * p.y + OffsetY, world.y};
}

// Texel coordinates of a model point: texel i's centre is at model x = -25 + 50 (i + 0.5) / side.
float TexelOf(float model) { return (model + TileHalf) / (2 * TileHalf) * BakeSide - 0.5f; }

// Fills every texel whose centre lies in the triangle with the values interpolated there.
void RasterizeFace(const Mesh& tile, const uint32_t* face, std::vector<Carried>& out)
{
    float x[3], z[3];
    Carried c[3];
    for (int k = 0; k < 3; ++k) {
        x[k] = TexelOf(tile.positions[face[k]].x), z[k] = TexelOf(tile.positions[face[k]].z);
        c[k] = CarriedBy(tile, face[k]);
    }
    const float area = (x[1] - x[0]) * (z[2] - z[0]) - (x[2] - x[0]) * (z[1] - z[0]);
    if (area == 0) return;
    const int i0 = std::max(0, int(std::ceil(std::min({x[0], x[1], x[2]})))), i1 = std::min(BakeSide - 1, int(std::max({x[0], x[1], x[2]})));
    const int j0 = std::max(0, int(std::ceil(std::min({z[0], z[1], z[2]})))), j1 = std::min(BakeSide - 1, int(std::max({z[0], z[1], z[2]})));
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            const float w1 = ((i - x[0]) * (z[2] - z[0]) - (x[2] - x[0]) * (j - z[0])) / area;
            const float w2 = ((x[1] - x[0]) * (j - z[0]) - (i - x[0]) * (z[1] - z[0])) / area, w0 = 1 - w1 - w2;
            if (w0 < -1e-5f || w1 < -1e-5f || w2 < -1e-5f) continue;
            out[size_t(j) * BakeSide + i] = {w0 * c[0].height + w1 * c[1].height + w2 * c[2].height,
                                             w0 * c[0].normalY + w1 * c[1].normalY + w2 * c[2].normalY};
        }
}

}  // namespace

Rgb TerrainColour(float y, float normalY, const LayerFields& f)
{
    const Rgb sand = Mix({SAND_DARK}, {SAND_LIGHT}, f.sand);
    const Rgb grass = Mix(Mix({GRASS_DARK}, {GRASS_LIGHT}, f.grass), {GRASS_PATCH}, GRASS_PATCH_SHARE * f.patches);
    const Rgb rock = Scale(Mix(Mix({ROCK_DARK}, {ROCK_LIGHT}, f.rock), {ROCK_LICHEN}, ROCK_LICHEN_SHARE * f.lichen),
                           ROCK_IN_CRACK + (1 - ROCK_IN_CRACK) * f.cracks);
    const Rgb snow = Mix({SNOW_DARK}, {SNOW_LIGHT}, f.snow);
    Rgb c = Mix(sand, grass, Ramp(y, 4, -1.2f));  // by height: sand, grass, rock, snow
    c = Mix(c, rock, Ramp(y, 1.6f, -3.8f));
    c = Mix(c, snow, Ramp(y, 2, -6.4f));
    c = Mix(c, rock, Ramp(normalY, -4, 2.6f));   // rock on steep slopes
    return Scale(c, 1 - 0.45f * Ramp(y, -4, 0));  // wet and darker under water
}

// Texel (i, j) is model (x, z) as TexelOf maps them, world (15 u, 15 v) on the tile at the origin's
// north-east, so the Terrain technique reads it at world x, z over 15, wrapping.
Image TerrainColourImage(const Mesh& tile)
{
    std::vector<Carried> carried(size_t(BakeSide) * BakeSide, Carried{0, 1});
    for (size_t f = 0; f + 2 < tile.indices.size(); f += 3) RasterizeFace(tile, &tile.indices[f], carried);
    const Image sandAndGrass = SandAndGrassFields(), rockAndSnow = RockAndSnowFields();
    Image img(BakeSide, BakeSide);
    for (int j = 0; j < BakeSide; ++j)
        for (int i = 0; i < BakeSide; ++i) {
            const float u = (i + 0.5f) / BakeSide * LayerRepeats, v = (j + 0.5f) / BakeSide * LayerRepeats;
            const Carried& c = carried[size_t(j) * BakeSide + i];
            img.At(i, j) = Pack(TerrainColour(c.height, c.normalY, FieldsAt(sandAndGrass, rockAndSnow, u, v)));
        }
    return img;
}
