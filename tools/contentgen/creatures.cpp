// The animals, modelled as tubes swept along spines plus ellipsoids. Every model faces
// local -Z with +Y up; the dinosaur's feet and the tiger's paws stand at y = 0.
#include "contentgen.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float Pi = 3.14159265f;

struct Ring { Vec3 c; float rx, ry; };

Ring Lerp(const Ring& a, const Ring& b, float t)
{
    return {a.c + (b.c - a.c) * t, a.rx + (b.rx - a.rx) * t, a.ry + (b.ry - a.ry) * t};
}

// Catmull-Rom through the rings (or straight segments when `linear`), t in [0, 1].
Ring SampleSpine(const std::vector<Ring>& k, float t, bool linear)
{
    const int n = int(k.size()) - 1;
    const float s = t * n;
    const int i = std::min(int(s), n - 1);
    const float f = s - i;
    if (linear) return Lerp(k[i], k[i + 1], f);
    const Ring& p0 = k[std::max(i - 1, 0)];
    const Ring &p1 = k[i], &p2 = k[i + 1];
    const Ring& p3 = k[std::min(i + 2, n)];
    auto cr = [f](float a, float b, float c, float d) {
        return 0.5f * (2 * b + (c - a) * f + (2 * a - 5 * b + 4 * c - d) * f * f +
                       (3 * b - a - 3 * c + d) * f * f * f);
    };
    return {{cr(p0.c.x, p1.c.x, p2.c.x, p3.c.x), cr(p0.c.y, p1.c.y, p2.c.y, p3.c.y),
             cr(p0.c.z, p1.c.z, p2.c.z, p3.c.z)},
            std::max(cr(p0.rx, p1.rx, p2.rx, p3.rx), 0.0f), std::max(cr(p0.ry, p1.ry, p2.ry, p3.ry), 0.0f)};
}

struct Tube {
    std::vector<Ring> rings;
    Vec3 up;              // reference for the cross-section's "top" (texture u = 0)
    bool linear = false;  // straight segments (legs), else a smooth spine
};

// Texture u runs around the tube from the top (u0) over the belly (middle) and back.
Vec3 TubePoint(const Tube& t, float u, float v)
{
    const float e = 1e-3f;
    const Ring r = SampleSpine(t.rings, v, t.linear);
    const Ring a = SampleSpine(t.rings, std::max(v - e, 0.0f), t.linear);
    const Ring b = SampleSpine(t.rings, std::min(v + e, 1.0f), t.linear);
    // Where rings share a centre (a flat sole) the frame keeps the tube's overall direction.
    Vec3 d = b.c - a.c;
    if (Dot(d, d) < 1e-12f) d = t.rings.back().c - t.rings.front().c;
    const Vec3 tangent = Normalize(d);
    const Vec3 side = Normalize(Cross(t.up, tangent));
    const Vec3 top = Cross(tangent, side);
    const float angle = 2 * Pi * u;
    return r.c + top * (r.ry * std::cos(angle)) + side * (r.rx * std::sin(angle));
}

template <class F>
bool UxVIsOutward(F at, Vec3 inside)
{
    const float e = 1e-3f;
    const Vec3 p = at(0.3f, 0.5f);
    const Vec3 n = Cross(at(0.3f + e, 0.5f) - p, at(0.3f, 0.5f + e) - p);
    return Dot(n, p - inside) > 0;
}

void AddTube(Mesh& m, const Tube& t, int around, int along, UvRect uv, uint32_t attr)
{
    auto at = [&t](float u, float v) { return TubePoint(t, u, v); };
    const Vec3 centre = SampleSpine(t.rings, 0.5f, t.linear).c;
    AddGrid(m, around, along, uv, attr, UxVIsOutward(at, centre), at);
}

void AddEllipsoid(Mesh& m, Vec3 c, Vec3 r, Vec3 front, int around, int along, UvRect uv, uint32_t attr)
{
    // u = 0.5 faces `front`, so the middle of the texture rectangle lands there.
    const Vec3 f = Normalize(front);
    const Vec3 s = Normalize(Cross({0, 1, 0}, f)), up = Cross(f, s);
    auto at = [=](float u, float v) {
        const float a = 2 * Pi * u, th = Pi * v;
        const Vec3 d = (f * -std::cos(a) + s * std::sin(a)) * std::sin(th) + up * std::cos(th);
        return c + Vec3{d.x * r.x, d.y * r.y, d.z * r.z};
    };
    AddGrid(m, around, along, uv, attr, UxVIsOutward(at, c), at);
}

// A thin two-sided kite standing on the back: base at b, tip at height h, length l along z.
void AddPlate(Mesh& m, Vec3 b, float h, float l, UvRect uv, uint32_t attr)
{
    for (int side = -1; side <= 1; side += 2) {
        const float x = b.x + 0.006f * side;
        auto at = [=](float u, float v) {
            const float z = b.z + l * (u - 0.5f) * (1 - v * 0.85f);
            return Vec3{x, b.y + h * v, z + 0.25f * l * v};
        };
        AddGrid(m, 1, 2, uv, attr, UxVIsOutward(at, {b.x - side, b.y, b.z}), at);
    }
}

// Dinosaur texture atlas: skin bands on the left three quarters, plates and eye on the right.
UvRect SkinBand(float v0, float v1) { return {0.0f, v0, 0.75f, v1}; }
const UvRect PlateRect = {0.75f, 0.0f, 1.0f, 0.5f};
const UvRect EyeRect = {0.75f, 0.5f, 1.0f, 1.0f};

enum DinoPart : uint32_t { Body, Head, Tail, LegFL, LegFR, LegBL, LegBR, Eyes, Plates };

Tube DinoLeg(float x, float z, float thigh)
{
    return {{{{x, 0.50f, z}, thigh, thigh},
             {{x * 1.05f, 0.27f, z + 0.025f}, 0.055f, 0.058f},
             {{x, 0.07f, z}, 0.047f, 0.047f},
             {{x, 0.0f, z}, 0.05f, 0.05f},  // flat sole: straight down from the ankle
             {{x, 0.0f, z}, 0.0f, 0.0f}},
            {0, 0, -1}, true};
}

float BackTop(float z) { return 0.56f + 0.19f * std::sqrt(std::max(1 - (z / 0.42f) * (z / 0.42f), 0.0f)); }

}  // namespace

Mesh BuildDino()
{
    Mesh m;
    m.materialCount = 9;
    const Vec3 up{0, 1, 0};
    AddTube(m, {{{{0, 0.54f, -0.44f}, 0, 0}, {{0, 0.55f, -0.36f}, 0.12f, 0.13f}, {{0, 0.57f, -0.18f}, 0.17f, 0.19f},
                 {{0, 0.58f, 0.02f}, 0.18f, 0.2f}, {{0, 0.56f, 0.22f}, 0.16f, 0.17f}, {{0, 0.55f, 0.38f}, 0.1f, 0.11f},
                 {{0, 0.55f, 0.44f}, 0, 0}}, up},
            24, 24, SkinBand(0.0f, 0.4f), Body);
    AddTube(m, {{{{0, 0.58f, -0.26f}, 0.1f, 0.11f}, {{0, 0.67f, -0.48f}, 0.07f, 0.075f}, {{0, 0.76f, -0.62f}, 0.075f, 0.08f},
                 {{0, 0.75f, -0.74f}, 0.06f, 0.055f}, {{0, 0.71f, -0.84f}, 0.035f, 0.03f}, {{0, 0.705f, -0.87f}, 0, 0}}, up},
            16, 20, SkinBand(0.4f, 0.6f), Head);
    AddTube(m, {{{{0, 0.57f, 0.26f}, 0.13f, 0.14f}, {{0, 0.53f, 0.5f}, 0.085f, 0.09f}, {{0, 0.46f, 0.7f}, 0.05f, 0.05f},
                 {{0, 0.41f, 0.87f}, 0.02f, 0.02f}, {{0, 0.40f, 0.93f}, 0, 0}}, up},
            16, 20, SkinBand(0.6f, 0.8f), Tail);
    const float legX = 0.085f, front = -0.2f, back = 0.22f;
    AddTube(m, DinoLeg(-legX, front, 0.07f), 12, 8, SkinBand(0.8f, 1.0f), LegFL);
    AddTube(m, DinoLeg(legX, front, 0.07f), 12, 8, SkinBand(0.8f, 1.0f), LegFR);
    AddTube(m, DinoLeg(-legX, back, 0.085f), 12, 8, SkinBand(0.8f, 1.0f), LegBL);
    AddTube(m, DinoLeg(legX, back, 0.085f), 12, 8, SkinBand(0.8f, 1.0f), LegBR);
    for (float side : {-1.0f, 1.0f})
        AddEllipsoid(m, {0.055f * side, 0.785f, -0.655f}, {0.022f, 0.022f, 0.022f}, {side, 0, -0.4f}, 10, 8,
                     EyeRect, Eyes);
    for (int i = 0; i < 7; ++i) {
        const float z = -0.3f + 0.12f * i, h = 0.09f + 0.07f * std::sin(Pi * (i + 0.5f) / 7);
        AddPlate(m, {0.012f * ((i & 1) ? 1 : -1), BackTop(z) - 0.03f, z}, h, 0.12f, PlateRect, Plates);
    }
    return m;
}

// A sea turtle for scale 0.005: shell about 100 units long, head and flippers around it.
Mesh BuildTurtle(bool variant)
{
    Mesh m;
    const float shellLen = variant ? 56.0f : 50.0f, shellWide = variant ? 46.0f : 40.0f;
    const UvRect shell = {0, 0, 1, 0.5f}, skin = {0, 0.5f, 1, 1};
    // Shell: a dome over a flat plastron (both from one ellipsoid, squashed below).
    auto dome = [&](float u, float v) {
        const float a = 2 * Pi * u, th = Pi * v;
        const float ry = th < Pi / 2 ? (variant ? 30.0f : 26.0f) : 9.0f;
        return Vec3{shellWide * std::sin(a) * std::sin(th), ry * std::cos(th), -shellLen * std::cos(a) * std::sin(th)};
    };
    AddGrid(m, 32, 16, shell, 0, UxVIsOutward(dome, {0, 0, 0}), dome);
    AddTube(m, {{{{0, 0, -40}, 11, 10}, {{0, 3, -58}, 10, 9}, {{0, 5, -70}, 11, 9.5f}, {{0, 4, -80}, 7, 6}, {{0, 4, -83}, 0, 0}},
                {0, 1, 0}},
            12, 12, skin, 0);
    AddEllipsoid(m, {0, -2, 52}, {6, 4, 12}, {0, 0, 1}, 8, 6, skin, 0);
    for (float side : {-1.0f, 1.0f}) {
        AddTube(m, {{{{side * 30, -3, -22}, 8, 3}, {{side * 55, -4, -30}, 10, 2.5f}, {{side * 75, -5, -22}, 6, 1.5f},
                     {{side * 82, -5, -16}, 0, 0}}, {0, 1, 0}},
                10, 10, skin, 0);
        AddTube(m, {{{{side * 28, -3, 30}, 7, 3}, {{side * 42, -4, 40}, 8, 2}, {{side * 50, -4, 48}, 0, 0}}, {0, 1, 0}},
                10, 8, skin, 0);
    }
    ComputeNormals(m);
    return m;
}

// A small striped cat: loaded by the viewer but not placed in the scene.
Mesh BuildTiger()
{
    Mesh m;
    const Vec3 up{0, 1, 0};
    AddTube(m, {{{{0, 0.5f, -0.5f}, 0, 0}, {{0, 0.5f, -0.42f}, 0.14f, 0.15f}, {{0, 0.52f, 0}, 0.15f, 0.16f},
                 {{0, 0.52f, 0.4f}, 0.13f, 0.14f}, {{0, 0.52f, 0.48f}, 0, 0}}, up},
            16, 12, {0, 0, 1, 0.5f}, 0);
    AddEllipsoid(m, {0, 0.66f, -0.58f}, {0.12f, 0.11f, 0.12f}, {0, 0, -1}, 14, 10, {0, 0.5f, 0.5f, 1}, 0);
    AddTube(m, {{{{0, 0.56f, 0.42f}, 0.04f, 0.04f}, {{0, 0.7f, 0.7f}, 0.035f, 0.035f}, {{0, 0.8f, 0.85f}, 0.03f, 0.03f},
                 {{0, 0.8f, 0.9f}, 0, 0}}, up},
            8, 10, {0.5f, 0.5f, 1, 1}, 0);
    for (float x : {-0.08f, 0.08f})
        for (float z : {-0.3f, 0.3f})
            AddTube(m, {{{{x, 0.45f, z}, 0.05f, 0.05f}, {{x, 0.02f, z}, 0.04f, 0.04f}, {{x, 0.0f, z}, 0.045f, 0.045f},
                         {{x, 0.0f, z}, 0, 0}}, {0, 0, -1}, true},
                    8, 4, {0.5f, 0.5f, 1, 1}, 0);
    ComputeNormals(m);
    return m;
}
