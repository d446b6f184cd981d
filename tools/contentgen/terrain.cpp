// The island. One tile is drawn four times, translated by 15 world units, so the height is a
// function on a 15-unit torus: opposite tile edges match and the four copies join into one
// island around the world origin with a lagoon (the turtle's) between a hill (the brown
// dinosaur's) and a rocky headland (the orange dinosaur's).
#include "contentgen.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

// The tile is a restricted quadtree of square cells over a lattice of 2^FineLevels cells per
// side (0.117 world units apart): a cell is split while its two flat triangles stray from the
// terrain by more than the tolerance there, and neighbouring cells differ by one level at most.
// Fine cells where shapes, the waterline and the models' pads need them, large ones on the deep
// floor, which is only seen through the water; and few triangles of a few pixels, which llvmpipe
// shades many times over.
constexpr int FineLevels = 7;
constexpr int Fine = 1 << FineLevels;
constexpr int CoarsestCell = Fine / 8;  // the floor's cells still follow its hills

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

namespace {

// How far a cell's triangles may stray from the terrain, in world units of height and in the
// normal (which the lighting and the slope's rock follow): little on land and near the
// waterline, where shapes, shore and foam follow the mesh; more on the floor below.
struct Tolerance {
    float height, normal;
};
Tolerance ToleranceAt(float worldY) { return worldY > -0.4f ? Tolerance{0.02f, 0.06f} : Tolerance{0.15f, 0.5f}; }

// Linear across the cell's triangle that holds (u, v): the one below the diagonal from
// (1, 0) to (0, 1), or the one above it.
template <class T>
T OnTriangles(T c00, T c10, T c01, T c11, float u, float v)
{
    if (u + v <= 1) return c00 + (c10 - c00) * u + (c01 - c00) * v;
    return c11 + (c01 - c11) * (1 - u) + (c10 - c11) * (1 - v);
}

// Leaf cells of the quadtree, kept as each lattice cell's leaf side; lattice indices wrap,
// because the tile repeats and its opposite edges must be cut alike.
struct Quadtree {
    std::vector<float> height;  // world heights and normals at the (Fine + 1)^2 lattice points
    std::vector<Vec3> normal;
    std::vector<int> side = std::vector<int>(Fine * Fine, Fine);

    float H(int i, int j) const { return height[size_t(j) * (Fine + 1) + i]; }
    Vec3 N(int i, int j) const { return normal[size_t(j) * (Fine + 1) + i]; }
    int& Side(int i, int j) { return side[size_t((j + Fine) % Fine) * Fine + (i + Fine) % Fine]; }

    void SetLeaf(int x, int z, int s)
    {
        for (int j = z; j < z + s; ++j)
            for (int i = x; i < x + s; ++i) Side(i, j) = s;
    }
    // The cell's two triangles against the terrain at every lattice point inside.
    bool Flat(int x, int z, int s) const
    {
        for (int j = 0; j <= s; ++j)
            for (int i = 0; i <= s; ++i) {
                const float u = float(i) / s, v = float(j) / s, h = H(x + i, z + j);
                const Tolerance limit = ToleranceAt(h);
                const float flat = OnTriangles(H(x, z), H(x + s, z), H(x, z + s), H(x + s, z + s), u, v);
                const Vec3 d = OnTriangles(N(x, z), N(x + s, z), N(x, z + s), N(x + s, z + s), u, v) - N(x + i, z + j);
                if (std::fabs(flat - h) > limit.height || std::sqrt(Dot(d, d)) > limit.normal) return false;
            }
        return true;
    }
    void Refine(int x, int z, int s)
    {
        if (s > 1 && (s > CoarsestCell || !Flat(x, z, s))) {
            for (int k = 0; k < 4; ++k) Refine(x + (k & 1) * s / 2, z + (k >> 1) * s / 2, s / 2);
        } else {
            SetLeaf(x, z, s);
        }
    }
    // Splits leaves until every neighbour across an edge is at most one level finer.
    void Balance()
    {
        for (bool split = true; split;) {
            split = false;
            for (int z = 0; z < Fine; ++z)
                for (int x = 0; x < Fine; ++x) {
                    const int s = Side(x, z);
                    if (x % s || z % s || s == 1 || !TooFineBeside(x, z, s)) continue;
                    for (int k = 0; k < 4; ++k) SetLeaf(x + (k & 1) * s / 2, z + (k >> 1) * s / 2, s / 2);
                    split = true;
                }
        }
    }
    bool TooFineBeside(int x, int z, int s)
    {
        for (int t = 0; t < s; ++t)
            if (Side(x - 1, z + t) < s / 2 || Side(x + s, z + t) < s / 2 || Side(x + t, z - 1) < s / 2 ||
                Side(x + t, z + s) < s / 2)
                return true;
        return false;
    }
    // A lattice point that is a corner of one of the four leaves around it.
    bool Corner(int i, int j)
    {
        for (int c = 0; c < 4; ++c) {
            const int s = Side(i - (c & 1), j - (c >> 1));
            if (i % s == 0 && j % s == 0) return true;
        }
        return false;
    }
};

}  // namespace

Mesh BuildTerrain()
{
    auto toWorld = [](float p) { return ScaleXZ * p + Period / 2; };
    auto model = [](int i) { return -TileHalf + 2 * TileHalf * float(i) / Fine; };
    Quadtree tree;
    for (int j = 0; j <= Fine; ++j)
        for (int i = 0; i <= Fine; ++i) {
            tree.height.push_back(TerrainHeight(toWorld(model(i)), toWorld(model(j))));
            tree.normal.push_back(TerrainNormalWorld(toWorld(model(i)), toWorld(model(j))));
        }
    tree.Refine(0, 0, Fine);
    tree.Balance();

    Mesh m;
    std::vector<int> index(size_t(Fine + 1) * (Fine + 1), -1);
    auto vertex = [&](int i, int j) {
        int& at = index[size_t(j) * (Fine + 1) + i];
        if (at < 0) {
            at = int(m.positions.size());
            m.positions.push_back({model(i), (tree.H(i, j) - OffsetY) / ScaleY, model(j)});
            m.uvs.push_back({float(i) / Fine, float(j) / Fine});
        }
        return uint32_t(at);
    };
    // Front faces have Cross(b - a, c - a) pointing up.
    auto triangle = [&](int ai, int aj, int bi, int bj, int ci, int cj) {
        if ((bj - aj) * (ci - ai) - (bi - ai) * (cj - aj) < 0) std::swap(bi, ci), std::swap(bj, cj);
        m.indices.insert(m.indices.end(), {vertex(ai, aj), vertex(bi, bj), vertex(ci, cj)});
        m.attributes.push_back(0);
    };
    for (int z = 0; z < Fine; ++z)
        for (int x = 0; x < Fine; ++x) {
            const int s = tree.Side(x, z), h = s / 2;
            if (x % s || z % s) continue;
            // Around the cell, with the midpoints of edges whose neighbour is finer.
            const int ring[8][2] = {{x, z}, {x + h, z}, {x + s, z}, {x + s, z + h},
                                    {x + s, z + s}, {x + h, z + s}, {x, z + s}, {x, z + h}};
            std::vector<int> corners;
            for (int k = 0; k < 8; ++k)
                if (k % 2 == 0 || (s > 1 && tree.Corner(ring[k][0], ring[k][1]))) corners.push_back(k);
            if (corners.size() == 4) {
                triangle(x, z, x, z + s, x + s, z);
                triangle(x + s, z, x, z + s, x + s, z + s);
                continue;
            }
            for (size_t k = 0; k < corners.size(); ++k) {
                const int* p = ring[corners[k]];
                const int* q = ring[corners[(k + 1) % corners.size()]];
                triangle(x + h, z + h, p[0], p[1], q[0], q[1]);
            }
        }
    // Normals of the model-space surface: the tile's scale is not uniform, so a world
    // normal n becomes n x Scaling(0.3, 0.15, 0.3) (model slopes are twice the world's).
    for (const Vec3& p : m.positions) {
        const Vec3 n = TerrainNormalWorld(toWorld(p.x), toWorld(p.z));
        m.normals.push_back(Normalize({n.x * ScaleXZ, n.y * ScaleY, n.z * ScaleXZ}));
    }
    return m;
}
