// The island. One tile is drawn four times, translated by 15 world units, so the height is a
// function on a 15-unit torus: opposite tile edges match and the four copies join into one
// island around the world origin with a lagoon (the turtle's) between a hill (the brown
// dinosaur's) and a rocky headland (the orange dinosaur's).
#include "contentgen.h"

#include <cmath>

namespace {

constexpr float Period = 15.0f;     // world units between tile copies
constexpr float TileHalf = 25.0f;   // model units: the tile spans [-25, 25]
constexpr float ScaleXZ = 0.3f;     // model to world, horizontal
constexpr float ScaleY = 0.15f;     // model to world, vertical
constexpr float OffsetY = 0.4f;     // world height of model y = 0
constexpr int Cells = 100;          // grid cells per tile side: 0.15 world units apart

float Wrap(float d) { return d - Period * std::floor(d / Period + 0.5f); }

float Dist(float x, float z, float cx, float cz)
{
    const float dx = Wrap(x - cx), dz = Wrap(z - cz);
    return std::sqrt(dx * dx + dz * dz);
}

// Smooth bump of compact support (radius under half the period, so no seam).
float Bump(float r, float radius)
{
    if (r >= radius) return 0;
    const float t = 1 - (r / radius) * (r / radius);
    return t * t * t;
}

// Where the models stand (world units), fixed by the scene layout.
struct Pad {
    float x, z;        // centre
    float fx, fz;      // unit facing, horizontal
    float slope;       // rise per unit along the facing
    float y;           // height at the centre
    float halfSide, halfLong, blend;
};
const Pad OrangePad = {1.2f, 0.0f, 0.0f, 1.0f, 0.0f, 0.54f, 0.46f, 0.95f, 0.35f};
// Facing (-1, 0.1, -1.5): the body pitches up by 0.1 per 1.803 horizontal units.
const Pad BrownPad = {-5.1f, 3.9f, -0.5547f, -0.8321f, 0.05547f, 2.1f, 0.55f, 0.9f, 1.0f};

// 1 inside the rectangle under the model, falling to 0 over `blend` outside it.
float PadWeight(const Pad& p, float x, float z, float& padHeight)
{
    const float dx = Wrap(x - p.x), dz = Wrap(z - p.z);
    const float along = dx * p.fx + dz * p.fz, side = dx * p.fz - dz * p.fx;
    padHeight = p.y + p.slope * along;
    const float ox = std::fmax(std::fabs(side) - p.halfSide, 0.0f);
    const float oz = std::fmax(std::fabs(along) - p.halfLong, 0.0f);
    return 1 - Smoothstep(0, p.blend, std::sqrt(ox * ox + oz * oz));
}

// Distance to the segment a-b (short, so the wrap is taken relative to a).
float SegmentDist(float x, float z, float ax, float az, float bx, float bz)
{
    const float px = Wrap(x - ax), pz = Wrap(z - az), dx = bx - ax, dz = bz - az;
    const float t = Clamp01((px * dx + pz * dz) / (dx * dx + dz * dz));
    const float ex = px - t * dx, ez = pz - t * dz;
    return std::sqrt(ex * ex + ez * ez);
}

float IslandShape(float x, float z)
{
    const float body = 5.0f * Bump(Dist(x, z, -3.0f, 2.5f), 7.4f);
    const float hill = 5.0f * Bump(Dist(x, z, -7.3f, 4.3f), 3.4f);
    const float headland = 2.8f * Bump(SegmentDist(x, z, 1.0f, 3.4f, 1.9f, -1.6f), 2.4f);
    return -2.4f + body + hill + headland;
}

float Roughness(float x, float z, float base)
{
    const float cells = 5;  // noise cells per period
    const float n = PeriodicFbm(x / Period * cells, z / Period * cells, int(cells), 5, 77);
    const float land = Smoothstep(-1.2f, 0.8f, base);
    return n * (0.25f + 0.55f * land);
}

float SmoothMin(float a, float b, float k)
{
    const float h = std::fmax(k - std::fabs(a - b), 0.0f) / k;
    return std::fmin(a, b) - h * h * k * 0.25f;
}

}  // namespace

float TerrainHeight(float x, float z)
{
    const float base = IslandShape(x, z);
    float h = base + Roughness(x, z, base);
    // The lagoon: a bowl deep enough for the turtle, open to the south-east sea.
    auto carve = [](float r, float flat) { return r < flat ? 0.0f : (r - flat) * (r - flat); };
    // Steeper on its east side, where the orange dinosaur's ledge drops into it.
    const float ex = Wrap(x + 0.1f), ez = Wrap(z - 0.5f), east = ex > 0 ? 2.2f : 1.0f;
    const float bowl = -1.15f + 0.45f * carve(std::sqrt(ex * ex * east * east + ez * ez), 0.8f);
    const float channel = -0.9f + 0.6f * carve(Dist(x, z, -0.8f, -1.4f), 0.4f);
    h = SmoothMin(h, std::fmin(bowl, channel), 0.6f);
    for (const Pad* p : {&OrangePad, &BrownPad}) {
        float padHeight = 0;
        const float w = PadWeight(*p, x, z, padHeight);
        h += (padHeight - h) * w;
    }
    return h;
}

Vec3 TerrainNormalWorld(float x, float z)
{
    const float e = 0.05f;
    const float dx = (TerrainHeight(x + e, z) - TerrainHeight(x - e, z)) / (2 * e);
    const float dz = (TerrainHeight(x, z + e) - TerrainHeight(x, z - e)) / (2 * e);
    return Normalize({-dx, 1, -dz});
}

Mesh BuildTerrain()
{
    Mesh m;
    auto toWorld = [](float p) { return ScaleXZ * p + Period / 2; };
    AddGrid(m, Cells, Cells, {0, 0, 1, 1}, 0, false, [&](float u, float v) {
        const float px = -TileHalf + 2 * TileHalf * u, pz = -TileHalf + 2 * TileHalf * v;
        return Vec3{px, (TerrainHeight(toWorld(px), toWorld(pz)) - OffsetY) / ScaleY, pz};
    });
    // Normals of the model-space surface: the tile's scale is not uniform, so a world
    // normal n becomes n x Scaling(0.3, 0.15, 0.3) (model slopes are twice the world's).
    for (const Vec3& p : m.positions) {
        const Vec3 n = TerrainNormalWorld(toWorld(p.x), toWorld(p.z));
        m.normals.push_back(Normalize({n.x * ScaleXZ, n.y * ScaleY, n.z * ScaleXZ}));
    }
    return m;
}
