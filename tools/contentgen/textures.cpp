// Every texture, drawn from tiling noise, gradients and cell patterns. Images that a shader
// repeats (terrain layers, water maps, skins along their length) tile seamlessly.
#include "contentgen.h"
#include "shaders/terrain_layers.fxh"

#include <algorithm>
#include <cmath>

namespace {

constexpr float Pi = 3.14159265f;

template <class F>
Image Draw(int w, int h, F colour)
{
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.At(x, y) = colour((x + 0.5f) / w, (y + 0.5f) / h);
    return img;
}

// Tiling fbm over the unit square with `cells` lattice cells per side, mapped to [0, 1].
float Fbm01(float u, float v, int cells, int octaves, uint32_t seed, float gain = 0.5f)
{
    return Clamp01(0.5f + 0.5f * PeriodicFbm(u * cells, v * cells, cells, octaves, seed, gain));
}

// Distances to the nearest and second-nearest jittered cell points, wrapping every `cells`.
struct Cell { float f1, f2; uint32_t id; };
Cell Worley(float x, float y, int cells, uint32_t seed)
{
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    Cell best{9, 9, 0};
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int cx = ix + dx, cy = iy + dy;
            const uint32_t h = Hash(uint32_t((cx % cells + cells) % cells), uint32_t((cy % cells + cells) % cells), seed);
            const float px = cx + (h & 0xFF) / 255.0f * 0.8f + 0.1f, py = cy + ((h >> 8) & 0xFF) / 255.0f * 0.8f + 0.1f;
            const float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < best.f1) {
                best = {d, best.f1, h};
            } else if (d < best.f2) {
                best.f2 = d;
            }
        }
    return best;
}

// Tangent-space normal map from a tiling height function: R along +U, G along +V, B out of
// the surface, height in alpha.
template <class H>
Image NormalMap(int size, float strength, H height)
{
    std::vector<float> h(size_t(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) h[size_t(y) * size + x] = height((x + 0.5f) / size, (y + 0.5f) / size);
    auto at = [&](int x, int y) { return h[size_t((y + size) % size) * size + (x + size) % size]; };
    Image img(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float du = (at(x + 1, y) - at(x - 1, y)) * 0.5f * size, dv = (at(x, y + 1) - at(x, y - 1)) * 0.5f * size;
            const Vec3 n = Normalize({-du * strength, -dv * strength, 1});
            img.At(x, y) = Pack({n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f}, Clamp01(at(x, y)));
        }
    return img;
}

// Rolling waves: integer frequencies keep the pattern tiling.
float WaterWaves(float u, float v)
{
    float h = 0.5f;
    h += 0.16f * std::sin(2 * Pi * (3 * u + 1 * v));
    h += 0.10f * std::sin(2 * Pi * (-2 * u + 4 * v) + 1.3f);
    h += 0.06f * std::sin(2 * Pi * (7 * u - 3 * v) + 0.4f);
    h += 0.16f * PeriodicFbm(u * 6, v * 6, 6, 4, 901);
    return Clamp01(h);
}

// The dinosaur atlas (see the mesh): skin in u < 0.75, around the body; the right quarter
// holds the back plates (top) and the eye (bottom).
enum class DinoRegion { Skin, Plate, Eye };
DinoRegion RegionOf(float u, float v)
{
    if (u < 0.75f) return DinoRegion::Skin;
    return v < 0.5f ? DinoRegion::Plate : DinoRegion::Eye;
}

// Scale pattern: 1 in a scale's middle, 0 on the grooves between scales.
float Scales(float u, float v)
{
    const Cell c = Worley(u / 0.75f * 48, v * 64, 48, 31);
    return Smoothstep(0.0f, 0.18f, c.f2 - c.f1);
}

float SkinHeight(float u, float v)
{
    switch (RegionOf(u, v)) {
    case DinoRegion::Skin: return 0.35f + 0.45f * Scales(u, v) + 0.2f * Fbm01(u / 0.75f, v, 8, 3, 32);
    case DinoRegion::Plate: return 0.5f + 0.3f * std::sin((u - 0.75f) * 4 * 2 * Pi * 3) * (1 - v * 2);
    default: {
        const float du = (u - 0.875f) / 0.125f, dv = (v - 0.75f) / 0.25f;
        return Clamp01(1 - 0.5f * (du * du + dv * dv));
    }
    }
}

struct SkinPalette { Rgb back, belly, stripe, plate, plateTip; };

uint32_t SkinColour(const SkinPalette& p, float u, float v)
{
    if (RegionOf(u, v) == DinoRegion::Plate) {
        const float t = v * 2;  // 0 at the plate's root, 1 at its tip
        Rgb c = Mix(p.plate, p.plateTip, Smoothstep(0.3f, 1.0f, t));
        return Pack(Scale(c, 0.85f + 0.15f * Fbm01(u, v, 8, 3, 41)));
    }
    if (RegionOf(u, v) == DinoRegion::Eye) {
        const float d = std::hypot((u - 0.875f) / 0.125f, (v - 0.75f) / 0.25f);
        const float slit = std::fabs(u - 0.875f) / 0.125f;
        Rgb c = Mix({0.95f, 0.72f, 0.15f}, {0.55f, 0.3f, 0.05f}, Clamp01(d * 1.4f));
        if (slit < 0.12f && d < 0.7f) c = {0.02f, 0.02f, 0.02f};
        if (d > 0.85f) c = {0.12f, 0.1f, 0.06f};
        return Pack(c);
    }
    const float s = u / 0.75f;  // around the body: 0 and 1 on the spine, 0.5 on the belly
    const float belly = 1 - Smoothstep(0.1f, 0.28f, std::fabs(s - 0.5f));
    const float wobble = PeriodicFbm(s * 4, v * 4, 4, 3, 51);
    const float stripe = Smoothstep(0.35f, 0.6f, std::sin(2 * Pi * 18 * v + 3 * wobble)) * (1 - belly);
    Rgb c = Mix(Mix(p.back, p.stripe, stripe * 0.8f), p.belly, belly);
    const float scales = Scales(u, v), mottle = Fbm01(s, v, 10, 4, 52);
    return Pack(Scale(c, 0.72f + 0.2f * scales + 0.2f * mottle));
}

// The terrain layers' noise fields; their colours are in shaders/terrain_layers.fxh.
float SandField(float u, float v)
{
    const float grain = Fbm01(u, v, 64, 3, 1), dunes = Fbm01(u, v, 4, 4, 2);
    const float ripple = 0.5f + 0.5f * std::sin(2 * Pi * (12 * v + 2 * u) + 6 * dunes);
    return 0.5f * grain + 0.3f * dunes + 0.2f * ripple;
}

float GrassField(float u, float v) { return 0.6f * Fbm01(u, v, 96, 2, 11) + 0.4f * Fbm01(u, v, 6, 4, 12); }
float GrassPatches(float u, float v) { return Smoothstep(0.62f, 0.8f, Fbm01(u, v, 5, 3, 13)); }

float SnowField(float u, float v) { return 0.7f * Fbm01(u, v, 6, 5, 41) + 0.3f * Fbm01(u, v, 128, 1, 42); }

// Side of the pictures the viewer loads but draws nothing with (the grass, the snow, the star sky
// and the clouds): kept small, as they load faster.
constexpr int UndrawnSide = 256;

}  // namespace

Image SandImage()
{
    return Draw(512, 512, [](float u, float v) { return Pack(Mix({SAND_DARK}, {SAND_LIGHT}, SandField(u, v))); });
}

// Not drawn: the baked colour holds the snow.
Image SnowImage()
{
    return Draw(UndrawnSide, UndrawnSide, [](float u, float v) { return Pack(Mix({SNOW_DARK}, {SNOW_LIGHT}, SnowField(u, v))); });
}

Image SandAndGrassFields()
{
    return Draw(512, 512, [](float u, float v) { return Pack({SandField(u, v), GrassField(u, v), GrassPatches(u, v)}); });
}

// Not drawn: the baked colour holds the grass.
Image GrassImage()
{
    return Draw(UndrawnSide, UndrawnSide, [](float u, float v) {
        return Pack(Mix(Mix({GRASS_DARK}, {GRASS_LIGHT}, GrassField(u, v)), {GRASS_PATCH}, GRASS_PATCH_SHARE * GrassPatches(u, v)));
    });
}

// Weathered stone: warped cells for fractured blocks, strata bands and lichen-like stains.
Image RockAndSnowFields()
{
    return Draw(512, 512, [](float u, float v) {
        const float wu = u + 0.06f * PeriodicFbm(u * 4, v * 4, 4, 3, 23);
        const float wv = v + 0.06f * PeriodicFbm(u * 4 + 17, v * 4, 4, 3, 24);
        const Cell c = Worley(wu * 6, wv * 6, 6, 21);
        const float grain = Fbm01(u, v, 48, 3, 22), ridges = Fbm01(u, v, 8, 5, 25, 0.6f);
        const float strata = 0.5f + 0.5f * std::sin(2 * Pi * (6 * v + 2 * u) + 5 * ridges);
        const float tone = (c.id & 0xFF) / 255.0f;
        const float rock = 0.35f * grain + 0.35f * ridges + 0.15f * tone + 0.15f * strata;
        const float lichen = Smoothstep(0.6f, 0.8f, Fbm01(u, v, 6, 4, 26));
        return Pack({rock, lichen, Smoothstep(0.0f, 0.05f, c.f2 - c.f1)}, SnowField(u, v));
    });
}

// The tile's heights seen from above (+X right, +Z up), -2.5 to 4.5 world units as black to white.
Image TerrainHeightImage()
{
    return Draw(256, 256, [](float u, float v) {
        const float h = TerrainHeight(15.0f * u, 15.0f * (1 - v));
        const float g = Clamp01((h + 2.5f) / 7.0f);
        return Pack({g, g, g});
    });
}

// Upper half: the shell (top dome from v = 0 to 0.25, plastron below); lower half: skin.
Image TurtleImage(bool variant)
{
    const Rgb shellDark = variant ? Rgb{0.22f, 0.2f, 0.12f} : Rgb{0.2f, 0.26f, 0.12f};
    const Rgb shellLight = variant ? Rgb{0.62f, 0.45f, 0.22f} : Rgb{0.5f, 0.5f, 0.24f};
    return Draw(512, 512, [=](float u, float v) {
        if (v < 0.25f) {
            const float ring = v < 0.09f ? 0 : (v < 0.2f ? 1 : 2);
            const int sectors = ring == 0 ? 5 : (ring == 1 ? 8 : 24);
            const float sector = u * sectors - std::floor(u * sectors);
            const float edge = std::min({sector, 1 - sector}) * 4;
            const float ringPos = ring == 0 ? v / 0.09f : (ring == 1 ? (v - 0.09f) / 0.11f : (v - 0.2f) / 0.05f);
            const float seam = Smoothstep(0.0f, 0.12f, std::min({edge, ringPos * 2, (1 - ringPos) * 2}));
            const float streak = Fbm01(u, v, 16, 4, 61);
            Rgb c = Mix(shellDark, shellLight, 0.35f + 0.45f * streak * (1 - ringPos * 0.5f));
            return Pack(Scale(c, 0.45f + 0.55f * seam));
        }
        if (v < 0.5f) {
            const float f = Fbm01(u, v, 8, 3, 62);
            return Pack(Mix({0.85f, 0.78f, 0.5f}, {0.7f, 0.62f, 0.36f}, f));
        }
        const Cell c = Worley(u * 24, v * 24, 24, 63);
        const float scale = Smoothstep(0.0f, 0.15f, c.f2 - c.f1), spot = Fbm01(u, v, 12, 3, 64);
        Rgb col = Mix({0.32f, 0.34f, 0.28f}, {0.62f, 0.6f, 0.48f}, 0.4f * scale + 0.4f * spot);
        return Pack(col);
    });
}

Image CoralWaterImage()
{
    return Draw(256, 256, [](float u, float v) {
        const float f = Fbm01(u, v, 4, 4, 71);
        return Pack(Mix({0.05f, 0.55f, 0.68f}, {0.18f, 0.78f, 0.82f}, f));
    });
}

Image WaterNormalHeightImage() { return NormalMap(256, 0.08f, WaterWaves); }

Image WaterHeightImage()
{
    return Draw(256, 256, [](float u, float v) {
        const float h = WaterWaves(u, v);
        return Pack({h, h, h});
    });
}

Image DinoSkinImage(bool orange)
{
    const SkinPalette brown = {{0.36f, 0.25f, 0.15f}, {0.74f, 0.63f, 0.45f}, {0.17f, 0.11f, 0.07f},
                               {0.72f, 0.64f, 0.5f}, {0.45f, 0.22f, 0.12f}};
    const SkinPalette amber = {{0.88f, 0.45f, 0.1f}, {0.98f, 0.86f, 0.6f}, {0.36f, 0.13f, 0.05f},
                               {0.95f, 0.8f, 0.45f}, {0.75f, 0.18f, 0.08f}};
    const SkinPalette& p = orange ? amber : brown;
    return Draw(512, 512, [&p](float u, float v) { return SkinColour(p, u, v); });
}

Image DinoBumpImage() { return NormalMap(512, 0.006f, SkinHeight); }

Image SkyImage()
{
    return Draw(512, 256, [](float u, float v) {
        const float up = 1 - v;  // 1 at the zenith row
        Rgb c = Mix({0.85f, 0.88f, 0.9f}, {0.16f, 0.38f, 0.78f}, std::pow(up, 0.6f));
        const float sun = std::exp(-((u - 0.3f) * (u - 0.3f) * 40 + (v - 0.75f) * (v - 0.75f) * 60));
        c = Mix(c, {1.0f, 0.93f, 0.75f}, Clamp01(sun));
        return Pack(c);
    });
}

Image StarsImage()
{
    const int side = UndrawnSide;
    Image img = Draw(side, side, [](float u, float v) {
        const float haze = Fbm01(u, v, 4, 4, 81);
        return Pack(Mix({0.0f, 0.0f, 0.03f}, {0.05f, 0.04f, 0.12f}, haze * haze));
    });
    for (uint32_t i = 0; i < 900; ++i) {
        const uint32_t h = Hash(i, 82);
        const int x = int(h % side), y = int((h >> 9) % side);
        const float b = 0.35f + 0.65f * ((h >> 18) & 0xFF) / 255.0f;
        const Rgb tint = (h >> 26) & 1 ? Rgb{b, b * 0.9f, b * 0.75f} : Rgb{b * 0.85f, b * 0.9f, b};
        img.At(x, y) = Pack(tint);
        if (b > 0.9f)
            for (int d : {-1, 1}) {
                img.At((x + d + side) % side, y) = Pack(Scale(tint, 0.45f));
                img.At(x, (y + d + side) % side) = Pack(Scale(tint, 0.45f));
            }
    }
    return img;
}

Image CloudsImage()
{
    return Draw(UndrawnSide, UndrawnSide, [](float u, float v) {
        const float f = Fbm01(u, v, 5, 6, 91, 0.55f);
        const float cover = Smoothstep(0.45f, 0.75f, f);
        const float shade = 0.75f + 0.25f * Smoothstep(0.5f, 0.9f, f);
        return Pack({shade, shade, shade * 1.02f}, cover);
    });
}

Image TigerImage()
{
    return Draw(256, 256, [](float u, float v) {
        const float wobble = PeriodicFbm(u * 4, v * 4, 4, 3, 101);
        const float stripe = Smoothstep(0.55f, 0.75f, std::sin(2 * Pi * 10 * v + 4 * wobble));
        const float belly = 1 - Smoothstep(0.12f, 0.25f, std::fabs(u - 0.5f));
        Rgb c = Mix({0.9f, 0.5f, 0.12f}, {0.96f, 0.92f, 0.84f}, belly);
        return Pack(Mix(c, {0.08f, 0.06f, 0.05f}, stripe * (1 - belly * 0.7f)));
    });
}
