// The content builder's shared records: meshes, images, noise and the scene facts the
// terrain is shaped around.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Vec2 { float x, y; };
struct Vec3 { float x, y, z; };

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Normalize(Vec3 v);

// One indexed triangle mesh. Front faces have Cross(b - a, c - a) pointing outwards
// (clockwise seen from outside in Direct3D's left-handed space).
struct Mesh {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;  // empty: the file carries none
    std::vector<Vec2> uvs;
    std::vector<uint32_t> indices;     // three per face
    std::vector<uint32_t> attributes;  // one per face
    int materialCount = 1;
};

// Appends a grid surface of (cols+1) x (rows+1) vertices; at(u, v) gives the point for
// u, v in [0, 1] and uv maps onto the texture rectangle. Faces are wound so that
// Cross(dP/du, dP/dv) is the front when outwardUxV, else its opposite.
struct UvRect { float u0, v0, u1, v1; };
template <class F>
void AddGrid(Mesh& m, int cols, int rows, UvRect uv, uint32_t attr, bool outwardUxV, F at)
{
    const uint32_t base = static_cast<uint32_t>(m.positions.size());
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c) {
            const float u = float(c) / cols, v = float(r) / rows;
            m.positions.push_back(at(u, v));
            m.uvs.push_back({uv.u0 + (uv.u1 - uv.u0) * u, uv.v0 + (uv.v1 - uv.v0) * v});
        }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const uint32_t i00 = base + r * (cols + 1) + c, i10 = i00 + 1;
            const uint32_t i01 = i00 + cols + 1, i11 = i01 + 1;
            if (outwardUxV)
                m.indices.insert(m.indices.end(), {i00, i10, i01, i10, i11, i01});
            else
                m.indices.insert(m.indices.end(), {i00, i01, i10, i10, i01, i11});
            m.attributes.insert(m.attributes.end(), {attr, attr});
        }
}

// Smooth vertex normals from the faces (area weighted); shared seam vertices are not merged.
void ComputeNormals(Mesh& m);

// Drops faces with two corners at one point (where a tube or sphere closes) and the
// vertices no face uses any more: D3DX would give those vertices no normal.
void RemoveDegenerateFaces(Mesh& m);

// Binary .x file (32-bit floats) that D3DXLoadMeshFromXA reads, several times faster than the
// same mesh as text; materials get plain white.
std::vector<uint8_t> MeshToX(const Mesh& m);

// 32-bit image, pixels as 0xAARRGGBB, rows top to bottom.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    Image(int w, int h) : width(w), height(h), pixels(size_t(w) * h, 0xFF000000u) {}
    uint32_t& At(int x, int y) { return pixels[size_t(y) * width + x]; }
    uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};
struct Rgb { float r, g, b; };
uint32_t Pack(Rgb c, float alpha = 1.0f);
Rgb Mix(Rgb a, Rgb b, float t);
Rgb Scale(Rgb c, float s);

std::vector<uint8_t> EncodeDds(const Image& img);  // A8R8G8B8 with a full mip chain
std::vector<uint8_t> EncodePng(const Image& img);  // RGBA
std::vector<uint8_t> EncodeBmp(const Image& img);  // 24-bit, alpha dropped

// Tiling noise in [-1, 1]: gradient noise whose lattice wraps every `period` cells,
// sampled at x, y in cells. Fbm sums octaves with doubling periods.
float PeriodicNoise(float x, float y, int period, uint32_t seed);
float PeriodicFbm(float x, float y, int period, int octaves, uint32_t seed, float gain = 0.5f);
uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0);
float Smoothstep(float e0, float e1, float x);
float Clamp01(float x);

// The terrain tile as the scene places it (world = model x Scale, then moved by the tile's offset).
constexpr float Period = 15.0f;     // world units between tile copies
constexpr float TileHalf = 25.0f;   // model units: the tile spans [-25, 25]
constexpr float ScaleXZ = 0.3f;     // model to world, horizontal
constexpr float ScaleY = 0.15f;     // model to world, vertical
constexpr float OffsetY = 0.4f;     // world height of model y = 0

// Heights of the terrain in world units, periodic over the 15-unit tile.
float TerrainHeight(float worldX, float worldZ);
Vec3 TerrainNormalWorld(float worldX, float worldZ);

Mesh BuildTerrain();
Mesh BuildWater();
Mesh BuildSky();
Mesh BuildDino();
Mesh BuildTurtle(bool variant);
Mesh BuildTiger();

// Image builders, one per texture file.
Image SandImage();
Image SnowImage();
Image GrassImage();
// The terrain layers' noise fields in channels (shaders/terrain_layers.fxh says which).
Image SandAndGrassFields();
Image RockAndSnowFields();

// The terrain's colour under the light: its layers mixed by height and slope, darker under water.
// The fields pick each layer's shade, 0 to 1.
struct LayerFields { float sand, grass, patches, rock, lichen, cracks, snow; };
Rgb TerrainColour(float height, float normalY, const LayerFields& fields);
// That colour over one tile, from the tile mesh's own heights and normals as its vertices carry them.
Image TerrainColourImage(const Mesh& tile);
Image TerrainHeightImage();
Image TurtleImage(bool variant);
Image CoralWaterImage();
Image WaterNormalHeightImage();
Image WaterHeightImage();
Image DinoSkinImage(bool orange);
Image DinoBumpImage();
Image SkyImage();
Image StarsImage();
Image CloudsImage();
Image TigerImage();
