// Shading terms one by one: a flat patch drawn by the real effect through DrawObject from inputs
// of our own (images of one colour, a known normal, the eye at known angles), every pixel read
// back against the term's formula as the effect's comments give it; and the terrain's colour,
// which the content builder bakes, against its design. A term a few levels off everywhere, which
// the whole pictures let pass, fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "camera/camera.h"
#include "content/loading.h"
#include "content/materials.h"
#include "content/mesh.h"
#include "gfx/device.h"
#include "render/effect_names.h"
#include "render/frame.h"
#include "tests/support/support.h"
#include "tools/contentgen/contentgen.h"

namespace {

using Vec = D3DXVECTOR3;                          // points, directions, and colours r, g, b in 0..1
const UINT Side = 48;                             // the square target, in pixels
const Vec Sun(0.408248f, 0.816497f, -0.408248f);  // towards the sun
const float Tolerance = 1.0f;                     // levels of 255: the rounding to 8 bits, and a little
const DWORD Black = 0xFF000000, White = 0xFFFFFFFF, Level = 0xFF8080FF;  // Level: a normal straight up
const Vec None(0, 0, 0), Full(1, 1, 1);

float Sat(float x) { return std::min(1.0f, std::max(0.0f, x)); }
float Channel(DWORD argb, int shift) { return (argb >> shift & 255) / 255.0f; }
Vec Colour(DWORD argb) { return Vec(Channel(argb, 16), Channel(argb, 8), Channel(argb, 0)); }
Vec Unit(Vec v) { return *D3DXVec3Normalize(&v, &v); }
template <class T>
T Mix(const T& a, const T& b, float t) { return a + (b - a) * t; }

// The fixed sun: ambient 0.35, the rest by N.L; the Blinn-Phong highlight.
float Light(const Vec& n) { return 0.35f + 0.65f * std::max(0.0f, D3DXVec3Dot(&n, &Sun)); }
float Highlight(const Vec& n, const Vec& toEye, float power)
{
    const Vec half = Unit(toEye + Sun);
    return std::pow(std::max(0.0f, D3DXVec3Dot(&n, &half)), power);
}

// The patch (2 x 2 about its origin, face up, U along +x, V along +z) turned about x by tilt
// (its normal towards +z), then raised to height.
D3DXMATRIX Placed(float height, float tilt = 0)
{
    D3DXMATRIX turn, lift;
    return *D3DXMatrixRotationX(&turn, tilt) * *D3DXMatrixTranslation(&lift, 0, height, 0);
}
Vec From(float degrees)  // from -z at this elevation, 4 units away
{
    return Vec(0, std::sin(D3DXToRadian(degrees)), -std::cos(D3DXToRadian(degrees))) * 4;
}
Vec Mirror(float distance) { return Vec(-Sun.x, Sun.y, -Sun.z) * distance; }  // the sun's mirror image

using Expected = std::function<Vec(const Vec& at, const Vec& toEye, const Vec& normal)>;

class Shading : public testing::Test {
protected:
    RenderTarget target;
    ID3DXMesh* patch = nullptr;
    std::vector<IUnknown*> made;  // released after the test

    void SetUp() override
    {
        if (!EnsureViewer()) return;
        ASSERT_NE(DefaultEffect, nullptr) << "the effect did not load: no shading to check";  // the body is skipped
        D3DXCreateTexture(Device, Side, Side, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                          &target.texture);
        target.texture->GetSurfaceLevel(0, &target.surface);
        D3DXCreateMesh(2, 4, D3DXMESH_MANAGED, TangentFrameLayout, Device, &patch);
        made = {target.texture, target.surface, patch};
        struct { Vec position; D3DXVECTOR2 uv; Vec normal, tangent, binormal; } * v;
        patch->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
        for (int i = 0; i < 4; ++i) {
            const float x = i == 1 || i == 2 ? 1.0f : -1.0f, z = i >= 2 ? 1.0f : -1.0f;
            *v++ = {{x, 0, z}, {x, z}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}};
        }
        patch->UnlockVertexBuffer();
        WORD* index;
        patch->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
        for (WORD corner : {0, 3, 2, 0, 2, 1}) *index++ = corner;
        patch->UnlockIndexBuffer();
    }
    // The viewer's frames go on as before: its baked terrain colour, its kept images drawn again.
    void TearDown() override
    {
        for (IUnknown* object : made) object->Release();
        if (!DefaultEffect) return;
        DefaultEffect->SetTexture(DefaultFx::Terrain2.name, Terrain2Texture);
        ForgetKeptImages(*TheRenderer);
    }

    IDirect3DTexture9* Uniform(DWORD argb)  // 16 x 16 of one colour, every mip level too
    {
        IDirect3DTexture9* texture = nullptr;
        D3DXCreateTexture(Device, 16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
        D3DXFillTexture(texture, [](D3DXVECTOR4* out, const D3DXVECTOR2*, const D3DXVECTOR2*, void* colour) {
            const D3DXCOLOR c(*static_cast<DWORD*>(colour));
            *out = D3DXVECTOR4(c.r, c.g, c.b, c.a);
        }, &argb);
        made.push_back(texture);
        return texture;
    }

    // Draws the patch alone on black, as the passes draw every object, then compares each pixel
    // whose ray meets the patch away from its rim with the formula; lift raises the patch's plane
    // (the water's displacement).
    void Check(const Material& material, const D3DXMATRIX& world, const Vec& eye, const char* what,
               const Expected& expected, float lift = 0)
    {
        // Looking at the origin, where the patch fills most of the view.
        const FlyingCamera camera(eye, std::atan2(eye.x, -eye.z), -std::asin(eye.y / D3DXVec3Length(&eye)));
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, 2 * std::atan(1.2f / D3DXVec3Length(&eye)), 1, 0.1f, 100);
        BindRenderTarget(*TheRenderer, &target);
        Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, Black, 1.0f, 0);
        SetCameraParameters(camera, projection, false);
        const D3DXVECTOR4 size(Side, Side, 0, 0);
        DefaultEffect->SetVector(DefaultFx::SourceSize.name, &size);
        Device->BeginScene();
        DrawObject(RenderObject{world, patch, const_cast<Material*>(&material), PassMain, 1}, nullptr);
        Device->EndScene();
        BindRenderTarget(*TheRenderer, nullptr);
        const std::vector<DWORD> pixels = ReadPixels(Device, target.surface);
        ASSERT_EQ(pixels.size(), size_t(Side * Side)) << what;

        const D3DVIEWPORT9 viewport = {0, 0, Side, Side, 0, 1};
        const Vec normal(world._21, world._22, world._23);  // the patch's y axis: Placed only turns and moves it
        Vec ends[2], at;
        float worst = 0;
        int checked = 0, worstAt = 0;
        for (UINT i = 0; i < pixels.size(); ++i) {
            for (int end = 0; end < 2; ++end) {  // in the patch's own space; pixel centres lie on whole coordinates
                const Vec screen(float(i % Side), float(i / Side), float(end));
                D3DXVec3Unproject(&ends[end], &screen, &viewport, &projection, &camera.view, &world);
            }
            const Vec inPatch = Mix(ends[0], ends[1], (lift - ends[0].y) / (ends[1].y - ends[0].y));
            if (std::abs(inPatch.x) > 0.9f || std::abs(inPatch.z) > 0.9f) continue;
            D3DXVec3TransformCoord(&at, &inPatch, &world);
            const Vec want = expected(at, Unit(eye - at), normal), got = Colour(pixels[i]);
            for (float off : {Sat(want.x) - got.x, Sat(want.y) - got.y, Sat(want.z) - got.z})
                if (std::abs(off) * 255 > worst) worst = std::abs(off) * 255, worstAt = i;
            ++checked;
        }
        EXPECT_GT(checked, 200) << what;
        EXPECT_LE(worst, Tolerance) << what << ": pixel " << worstAt % Side << ", " << worstAt / Side << " is 0x"
                                    << std::hex << pixels[worstAt] << std::dec << ", " << worst << " levels off";
    }
};

// The height image's code of y: v = (y + 8) / 16, red floor(255 v) / 255, green frac(255 v).
DWORD HeightCode(float y)
{
    const float v = Sat((y + 8) / 16) * 255;
    return Black | int(v) << 16 | std::min(255, int((v - int(v)) * 255 + 0.5f)) << 8;
}
float HeightOf(DWORD code) { return 16 * (Channel(code, 16) + Channel(code, 8) / 255) - 8; }

}  // namespace

// Reflection white over a black scene shows the Fresnel curve, F = 0.02 + 0.98 (1 - N.V)^5, N the
// sum of two wave samples with x and z flattened to 0.6; a black reflection over a white scene
// the tint and F's remainder; black over black the highlight, or the foam where the ground lies
// less than a quarter unit under the surface, as bright as 0.86 plus 0.055 per unit of the waves.
TEST_F(Shading, TheWaterFollowsFresnelTintHighlightAndFoam)
{
    REQUIRE_VIEWER();
    const DWORD away = 0xFF80C0FF, toward = 0xFF8040FF, sideways = 0xFFC080FF, calm = 0x008080FF, half = 0x808080FF;
    const struct {
        const char* what;
        Vec eye;
        DWORD waves;  // the normal's x, z, y in red, green, blue; the wave height in alpha
        DWORD reflection, scene, tint;
        BYTE displacement;  // 0 lowers the surface by 0.05, 255 raises it as much
        float ground;       // the terrain's height under the water
        bool highlight;     // the water's own specular colour and power, or none
    } cases[] = {
        {"Fresnel from above", From(90), Level, White, Black, White, 128, -8, false},
        {"Fresnel at 35 degrees", From(35), Level, White, Black, White, 128, -8, false},
        {"Fresnel at 12 degrees", From(12), Level, White, Black, White, 128, -8, false},
        {"Fresnel, waves facing away", From(20), away, White, Black, White, 128, -8, false},
        {"Fresnel, waves facing the eye", From(20), toward, White, Black, White, 128, -8, false},
        {"Fresnel, waves turned sideways", From(20), sideways, White, Black, White, 128, -8, false},
        {"tint from above", From(90), Level, Black, White, 0xFF3C8CDC, 128, -8, false},
        {"tint at 25 degrees", From(25), Level, Black, White, 0xFF3C8CDC, 128, -8, false},
        {"highlight at the sun's mirror image", Mirror(2.5f), Level, Black, Black, White, 128, -8, true},
        {"highlight, waves turned sideways", Mirror(2.5f), sideways, Black, Black, White, 128, -8, true},
        {"foam at the surface, calm", From(60), calm, Black, Black, White, 128, 0, false},
        {"foam at the surface, highest waves", From(60), Level, Black, Black, White, 128, 0, false},
        {"foam an eighth under the surface", From(60), half, Black, Black, White, 128, -0.125f, false},
        {"foam under the raised surface", From(60), half, Black, Black, White, 255, -0.125f, false},
        {"foam over the water's colour", From(60), half, Black, White, 0xFF808080, 0, -0.1f, false},
    };
    for (const auto& c : cases) {
        const Material water(DefaultFx::TechniqueWater, Uniform(c.tint), Uniform(Black | c.displacement << 16),
                             Uniform(c.waves), c.highlight ? WaterMaterial->specPower : 1,
                             c.highlight ? WaterMaterial->specColor : D3DXVECTOR4(0, 0, 0, 1));
        DefaultEffect->SetTexture(DefaultFx::WaterReflection.name, Uniform(c.reflection));
        DefaultEffect->SetTexture(DefaultFx::WaterRefraction.name, Uniform(c.scene));
        DefaultEffect->SetTexture(DefaultFx::TerrainHeight.name, Uniform(HeightCode(c.ground)));
        const float surface = 0.1f * c.displacement / 255 - 0.05f;
        const Vec n = Unit(Vec(0.6f * (2 * Channel(c.waves, 16) - 1), 2 * Channel(c.waves, 0) - 1,
                               0.6f * (2 * Channel(c.waves, 8) - 1)));
        const Vec tint = Colour(c.tint), scene = Colour(c.scene);
        Check(water, Placed(0), c.eye, c.what, [&](const Vec&, const Vec& toEye, const Vec&) {
            const float f = 0.02f + 0.98f * std::pow(1 - Sat(D3DXVec3Dot(&n, &toEye)), 5.0f);
            const Vec below = Colour(c.reflection) * f + Vec(scene.x * tint.x, scene.y * tint.y, scene.z * tint.z) * (1 - f);
            const float foam = Sat(4 * (HeightOf(HeightCode(c.ground)) - surface) + 1) * (0.86f + 0.11f * Channel(c.waves, 24));
            return Mix(below, Full, foam) + (c.highlight ? Vec(0.62f, 0.62f, 0.32f) * Highlight(n, toEye, 25) : None);
        }, surface);
    }
}

namespace {

// The terrain's palette as designed.
const Vec SandDark(0.86f, 0.80f, 0.66f), SandLight(0.97f, 0.94f, 0.85f), GrassDark(0.17f, 0.33f, 0.09f),
    GrassLight(0.42f, 0.58f, 0.18f), GrassPatch(0.50f, 0.48f, 0.22f), RockDark(0.33f, 0.31f, 0.29f),
    RockLight(0.62f, 0.59f, 0.54f), Lichen(0.42f, 0.44f, 0.30f), SnowDark(0.78f, 0.83f, 0.92f),
    SnowLight(0.98f, 0.98f, 1.00f);

Vec DesignedColour(float y, float normalY, const LayerFields& f)
{
    const Vec sand = Mix(SandDark, SandLight, f.sand);
    const Vec grass = Mix(Mix(GrassDark, GrassLight, f.grass), GrassPatch, 0.5f * f.patches);
    const Vec rock = Mix(Mix(RockDark, RockLight, f.rock), Lichen, 0.35f * f.lichen) * Mix(0.68f, 1.0f, f.cracks);
    const Vec snow = Mix(SnowDark, SnowLight, f.snow);
    Vec c = Mix(sand, grass, Sat(4 * y - 1.2f));
    c = Mix(c, rock, Sat(1.6f * y - 3.8f));
    c = Mix(c, snow, Sat(2 * y - 6.4f));
    c = Mix(c, rock, Sat(2.6f - 4 * normalY));
    return c * (1 - 0.45f * Sat(-4 * y));  // wet and darker under water
}

}  // namespace

// The colour the content builder bakes: each layer's colours at the ends of its fields, each
// height ramp half way, the slope's rock and the wet darkening, each within a level.
TEST(TerrainColour, MixesItsLayersByHeightAndSlope)
{
    const float flat = 1, halfRock = 0.525f;  // the normal's height
    const struct {
        const char* what;
        float height, normalY;
        LayerFields fields;  // sand, grass, patches, rock, lichen, cracks, snow
    } cases[] = {
        {"light sand", 0.1f, flat, {1, 0, 0, 0, 0, 0, 0}},
        {"sand to dark grass, half way", 0.425f, flat, {0.5f, 0, 0, 0, 0, 0, 0}},
        {"dark grass with patches", 0.8f, flat, {0, 0, 1, 0, 0, 0, 0}},
        {"dark grass to dark rock, half way", 2.6875f, flat, {0, 0, 0, 0, 0, 1, 0}},
        {"light rock with lichen in a crack", 3.0f, flat, {0, 0, 0, 1, 1, 0, 0}},
        {"light rock to dark snow, half way", 3.45f, flat, {0, 0, 0, 1, 0, 1, 0}},
        {"light snow", 3.8f, flat, {0, 0, 0, 1, 0, 1, 1}},
        {"wet sand", -0.125f, flat, {0.5f, 0, 0, 0, 0, 0, 0}},
        {"sand deep under water", -0.5f, flat, {0.5f, 0, 0, 0, 0, 0, 0}},
        {"a slope, half rock", 0.1f, halfRock, {0.5f, 0, 0, 0.5f, 0.5f, 1, 0}},
        {"a cliff, all rock", 0.1f, 0.17f, {0.5f, 0, 0, 0.5f, 0.5f, 1, 0}},
    };
    for (const auto& c : cases) {
        const Rgb got = TerrainColour(c.height, c.normalY, c.fields);
        const Vec want = DesignedColour(c.height, c.normalY, c.fields);
        for (float off : {got.r - want.x, got.g - want.y, got.b - want.z}) EXPECT_LE(std::abs(off) * 255, Tolerance) << c.what;
    }
}

// The Terrain technique shows the baked colour lit per vertex: ambient, the sun, a fifth of the
// highlight.
TEST_F(Shading, TheTerrainIsItsBakedColourLitPerVertex)
{
    REQUIRE_VIEWER();
    const Vec south(0, 3, -3), north(0, 3, 3);
    const struct {
        const char* what;
        float tilt;  // of the patch, as Placed takes it
        Vec eye;
        bool highlight;  // white at power 20, or none
    } cases[] = {
        {"a steep slope in the shade", D3DXToRadian(80), north, false},
        {"facing the sun", -0.4636f, south, false},
        {"the highlight", 0, Mirror(30), true},
    };
    const DWORD baked = 0xFFB48C5A;
    for (const auto& c : cases) {
        const Material terrain(DefaultFx::TechniqueTerrain, Uniform(White), nullptr, nullptr, 20,
                               D3DXVECTOR4(1, 1, 1, 1) * (c.highlight ? 1.0f : 0.0f));
        DefaultEffect->SetTexture(DefaultFx::Terrain2.name, Uniform(baked));
        Check(terrain, Placed(0.5f, c.tilt), c.eye, c.what, [&](const Vec&, const Vec& toEye, const Vec& n) {
            return Colour(baked) * Light(n) + (c.highlight ? Full * 0.2f * Highlight(n, toEye, 20) : None);
        });
    }
}

// The bump map's red along U (+x), green along V (+z), blue along the normal; lit per pixel.
TEST_F(Shading, NormalMappedSkinIsLitByItsBumpMap)
{
    REQUIRE_VIEWER();
    const struct {
        const char* what;
        DWORD bump;
        Vec eye;
        bool highlight;  // a quarter of white at power 15, or none
    } cases[] = {
        {"level", Level, From(90), false},
        {"bumped along U", 0xFFCC80E6, From(50), false},
        {"bumped along V", 0xFF80CCE6, From(50), false},
        {"bumped away from the sun", 0xFF1AC69E, From(50), false},
        {"the highlight", Level, Mirror(2.5f), true},
        {"the highlight, bumped", 0xFF9870F0, Mirror(2.5f), true},
    };
    const DWORD skin = 0xFFC89664;
    for (const auto& c : cases) {
        const Material material(DefaultFx::TechniqueNormalMapped, Uniform(skin), nullptr, Uniform(c.bump), 15,
                                D3DXVECTOR4(0.25f, 0.25f, 0.25f, 1) * (c.highlight ? 1.0f : 0.0f));
        const Vec n = Unit(Vec(2 * Channel(c.bump, 16) - 1, 2 * Channel(c.bump, 0) - 1, 2 * Channel(c.bump, 8) - 1));
        Check(material, Placed(0), c.eye, c.what, [&](const Vec&, const Vec& toEye, const Vec&) {
            return Colour(skin) * Light(n) + (c.highlight ? Full * 0.25f * Highlight(n, toEye, 15) : None);
        });
    }
}
