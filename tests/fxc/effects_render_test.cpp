// The compiled effects on the real device, checked by reading the pixels back.
#include "device.h"
#include "render/effect_names.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

constexpr int Size = 64;
constexpr D3DCOLOR ClearColor = 0xFF102030;

int Red(uint32_t p) { return int(p >> 16 & 255); }
int Green(uint32_t p) { return int(p >> 8 & 255); }
int Blue(uint32_t p) { return int(p & 255); }

struct Fixture {
    TestDevice& d = SharedDevice();
    Target target;
    ID3DXEffect* effect = nullptr;

    explicit Fixture(const char* path)
    {
        if (!d.device) return;
        target = MakeTarget(d, Size);
        effect = LoadEffect(d, path);
        d.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    }
    ~Fixture()
    {
        if (effect) effect->Release();
        ReleaseTarget(target);
    }
};

// A square in the z = depth plane of clip space, normal `n`, centred on (cx, cy).
std::vector<PlainVertex> ClipSquare(float cx, float cy, float half, D3DXVECTOR3 n)
{
    std::vector<PlainVertex> v;
    for (int i = 0; i < 4; ++i) {
        float x = cx + (i & 1 ? half : -half), y = cy + (i & 2 ? half : -half);
        v.push_back({x, y, 0.5f, n.x, n.y, n.z, float(i & 1), float(i >> 1)});
    }
    return v;
}

const std::vector<uint16_t> SquareIndices = {0, 1, 2, 2, 1, 3};

// A horizontal square at world height y covering the height camera's 32 x 32 view.
std::vector<PlainVertex> GroundSquare(float y)
{
    std::vector<PlainVertex> v;
    for (int i = 0; i < 4; ++i) v.push_back({i & 1 ? 20.f : -20.f, y, i & 2 ? 20.f : -20.f, 0, 1, 0, 0, 0});
    return v;
}

std::vector<TangentVertex> WaterSquare()
{
    std::vector<TangentVertex> v;
    for (int i = 0; i < 4; ++i)
        v.push_back({i & 1 ? 20.f : -20.f, 0, i & 2 ? 20.f : -20.f, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0});
    return v;
}

// The documented code: v = saturate((y + 8) / 16), red = floor(255 v), green = frac(255 v).
void EncodeHeight(float y, int& red, int& green)
{
    double v = std::min(1.0, std::max(0.0, (y + 8.0) / 16.0)) * 255.0;
    red = int(std::floor(v));
    green = int(std::lround((v - std::floor(v)) * 255.0));
}

double DecodeHeight(uint32_t pixel) { return 16.0 * (Red(pixel) + Green(pixel) / 255.0) / 255.0 - 8.0; }

void DrawHeight(Fixture& f, float y)
{
    D3DXMATRIX world = Identity(), viewProj = HeightViewProjection();
    f.effect->SetMatrix(DefaultFx::World.name, &world);
    f.effect->SetMatrix(DefaultFx::ViewProj.name, &viewProj);
    WithTechnique(f.effect, DefaultFx::TechniqueHeight, [&] { DrawPlain(f.d, GroundSquare(y), SquareIndices); });
}

}  // namespace

// A normal map texel tilted along +U must tilt the lit normal along the BINORMAL element (dP/dU),
// one tilted along +V along the TANGENT element (dP/dV): swapped frames light differently.
TEST(Effects, NormalMappedFollowsTheTangentFrame)
{
    Fixture f("Content/Shaders/Default.fx");
    ASSERT_NE(f.effect, nullptr);
    IDirect3DTexture9* white = MakeSolidTexture(f.d, 0xFFFFFFFF);
    D3DXMATRIX identity = Identity();
    D3DXVECTOR4 noSpecular(0, 0, 0, 0);
    f.effect->SetTexture(DefaultFx::Texture.name, white);
    f.effect->SetVector(DefaultFx::SpecColor.name, &noSpecular);
    f.effect->SetMatrix(DefaultFx::World.name, &identity);
    f.effect->SetMatrix(DefaultFx::ViewProj.name, &identity);
    D3DXVECTOR3 sun;
    float ambient = 0;
    f.effect->GetValue("SunDirection", &sun, 12);
    f.effect->GetFloat("AmbientLight", &ambient);
    // Frame: U = +x (binormal element), V = +y (tangent element), normal = -z.
    const D3DXVECTOR3 u(1, 0, 0), v(0, 1, 0), n(0, 0, -1);
    const D3DXVECTOR3 tangentSpace[] = {{0.6f, 0, 0.8f}, {-0.6f, 0, 0.8f}, {0, 0.6f, 0.8f}, {0, -0.6f, 0.8f}};
    for (const D3DXVECTOR3& t : tangentSpace) {
        uint32_t texel = 0xFF000000 | uint32_t(std::lround((t.x * 0.5 + 0.5) * 255)) << 16 |
                         uint32_t(std::lround((t.y * 0.5 + 0.5) * 255)) << 8 | uint32_t(std::lround((t.z * 0.5 + 0.5) * 255));
        IDirect3DTexture9* map = MakeSolidTexture(f.d, texel);
        f.effect->SetTexture(DefaultFx::NormalHeightMap.name, map);
        std::vector<TangentVertex> quad;
        for (int i = 0; i < 4; ++i)
            quad.push_back({i & 1 ? 1.f : -1.f, i & 2 ? 1.f : -1.f, 0.5f, 0, 0, n.x, n.y, n.z, v.x, v.y, v.z, u.x, u.y, u.z});
        BeginTarget(f.d, f.target, ClearColor);
        WithTechnique(f.effect, DefaultFx::TechniqueNormalMapped, [&] { DrawTangent(f.d, quad, SquareIndices); });
        uint32_t p = ReadTarget(f.d, f.target)[Size * Size / 2 + Size / 2];
        D3DXVECTOR3 world = u * t.x + v * t.y + n * t.z;
        D3DXVec3Normalize(&world, &world);
        float light = ambient + (1 - ambient) * std::max(0.0f, D3DXVec3Dot(&world, &sun));
        EXPECT_NEAR(Red(p), 255 * light, 3) << "tangent-space normal " << t.x << "," << t.y << "," << t.z;
        map->Release();
    }
    white->Release();
}

TEST(Effects, DefaultOfAWhiteTextureWithoutSpecularIsAmbientPlusSun)
{
    Fixture f("Content/Shaders/Default.fx");
    ASSERT_NE(f.effect, nullptr);
    IDirect3DTexture9* white = MakeSolidTexture(f.d, 0xFFFFFFFF);
    D3DXMATRIX identity = Identity();
    D3DXVECTOR4 noSpecular(0, 0, 0, 0);
    float eye[3] = {0, 0, -5};
    f.effect->SetTexture(DefaultFx::Texture.name, white);
    f.effect->SetVector(DefaultFx::SpecColor.name, &noSpecular);
    f.effect->SetFloat(DefaultFx::SpecPower.name, 25);
    f.effect->SetValue(DefaultFx::CameraPosition.name, eye, 12);
    f.effect->SetMatrix(DefaultFx::World.name, &identity);
    f.effect->SetMatrix(DefaultFx::ViewProj.name, &identity);
    D3DXVECTOR3 sun;
    float ambient = 0;
    f.effect->GetValue("SunDirection", &sun, 12);
    f.effect->GetFloat("AmbientLight", &ambient);
    const D3DXVECTOR3 normals[] = {{0, 1, 0}, {0, -1, 0}, {0.6f, 0, -0.8f}};
    for (const D3DXVECTOR3& n : normals) {
        BeginTarget(f.d, f.target, ClearColor);
        WithTechnique(f.effect, DefaultFx::TechniqueDefault, [&] { DrawPlain(f.d, ClipSquare(0, 0, 1, n), SquareIndices); });
        uint32_t p = ReadTarget(f.d, f.target)[Size * Size / 2 + Size / 2];
        float light = ambient + (1 - ambient) * std::max(0.0f, D3DXVec3Dot(&n, &sun));
        int expected = int(std::lround(255 * light));
        EXPECT_NEAR(Red(p), expected, 1) << "normal " << n.x << "," << n.y << "," << n.z;
        EXPECT_NEAR(Green(p), expected, 1);
        EXPECT_NEAR(Blue(p), expected, 1);
    }
    white->Release();
}

// World and ViewProj both asymmetric: a transposed upload would draw the square elsewhere.
TEST(Effects, SetMatrixTransformsRowVectors)
{
    Fixture f("Content/Shaders/Default.fx");
    ASSERT_NE(f.effect, nullptr);
    IDirect3DTexture9* white = MakeSolidTexture(f.d, 0xFFFFFFFF);
    D3DXMATRIX world, viewProj;
    D3DXMatrixTranslation(&world, 0.5f, 0.25f, 0);
    D3DXMatrixRotationZ(&viewProj, D3DX_PI / 2);
    f.effect->SetTexture(DefaultFx::Texture.name, white);
    f.effect->SetMatrix(DefaultFx::World.name, &world);
    f.effect->SetMatrix(DefaultFx::ViewProj.name, &viewProj);
    BeginTarget(f.d, f.target, ClearColor);
    WithTechnique(f.effect, DefaultFx::TechniqueDefault,
                  [&] { DrawPlain(f.d, ClipSquare(0, 0, 0.1f, {0, 1, 0}), SquareIndices); });
    std::vector<uint32_t> pixels = ReadTarget(f.d, f.target);
    auto pixelAt = [&](D3DXVECTOR3 clip) {
        int x = int((clip.x + 1) / 2 * Size), y = int((1 - clip.y) / 2 * Size);
        return pixels[static_cast<size_t>(y * Size + x)];
    };
    D3DXMATRIX rowVector = world * viewProj, transposed;
    D3DXMatrixTranspose(&transposed, &rowVector);
    D3DXVECTOR3 origin(0, 0, 0.5f), expected, wrong;
    D3DXVec3TransformCoord(&expected, &origin, &rowVector);
    D3DXVec3TransformCoord(&wrong, &origin, &transposed);
    D3DXVECTOR3 apart = expected - wrong;
    ASSERT_GT(D3DXVec3Length(&apart), 0.4f);
    EXPECT_NE(pixelAt(expected), ClearColor) << "the square is at p * World * ViewProj";
    EXPECT_EQ(pixelAt(wrong), ClearColor);
    white->Release();
}

// The viewer's copy order (sprite Begin, effect Begin and BeginPass, sprite Draw, EndPass, End,
// sprite End) plus a sprite Flush inside the pass, without which the pass never reaches the quad.
TEST(Effects, CopyReproducesTheSpritesTextureExactly)
{
    Fixture f("Content/Shaders/PostProcess.fx");
    ASSERT_NE(f.effect, nullptr);
    std::mt19937 random(7);
    std::vector<uint32_t> pattern(Size * Size);
    for (uint32_t& p : pattern) p = 0xFF000000 | (random() & 0xFFFFFF);
    IDirect3DTexture9* source = MakeTexture(f.d, Size, Size, pattern);
    ID3DXSprite* sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(f.d.device, &sprite), D3D_OK);
    BeginTarget(f.d, f.target, ClearColor);
    f.d.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    f.effect->SetTechnique(f.effect->GetTechniqueByName(PostFx::TechniqueCopy));
    sprite->Begin(D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_SORT_TEXTURE);
    f.effect->Begin(nullptr, 0);
    f.effect->BeginPass(0);
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, 1, 1, 1);
    sprite->SetTransform(&scale);
    sprite->Draw(source, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    // The sprite batches its quads until Flush or End; drawn only at its End, after the effect's
    // End has restored the device state, the quad would miss the pass's shader and samplers.
    sprite->Flush();
    f.effect->EndPass();
    f.effect->End();
    sprite->End();
    f.d.device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    std::vector<uint32_t> pixels = ReadTarget(f.d, f.target);
    int differing = 0;
    for (size_t i = 0; i < pixels.size(); ++i) differing += (pixels[i] & 0xFFFFFF) != (pattern[i] & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
    sprite->Release();
    source->Release();
}

TEST(Effects, HeightWritesTheDocumentedCode)
{
    Fixture f("Content/Shaders/Default.fx");
    ASSERT_NE(f.effect, nullptr);
    BeginTarget(f.d, f.target, 0xFF000000);
    EXPECT_EQ(DecodeHeight(ReadTarget(f.d, f.target)[0]), -8.0) << "the cleared target is the deepest height";
    const float heights[] = {-1.5f, -0.3f, -0.01f, 0.0f, 0.7f, 2.25f, 4.0f, -30.0f};
    for (float y : heights) {
        BeginTarget(f.d, f.target, 0xFF000000);
        DrawHeight(f, y);
        uint32_t p = ReadTarget(f.d, f.target)[Size * Size / 2 + Size / 2];
        int red, green;
        EncodeHeight(y, red, green);
        EXPECT_EQ(Red(p), red) << "height " << y;
        EXPECT_NEAR(Green(p), green, 1) << "height " << y;
        EXPECT_EQ(Blue(p), 0);
        EXPECT_EQ(p >> 24, 255u);
        EXPECT_NEAR(DecodeHeight(p), std::max(y, -8.0f), 16.0 / 65025) << "height " << y;
    }
}

// The water reads the height image back: foam = saturate(1 - 4 * depth of the terrain below the
// surface). With black reflection and refraction, white foam and no specular, that is the pixel.
TEST(Effects, WaterDecodesTheHeightImage)
{
    Fixture f("Content/Shaders/Default.fx");
    ASSERT_NE(f.effect, nullptr);
    Target heights = MakeTarget(f.d, Size);
    IDirect3DTexture9* black = MakeSolidTexture(f.d, 0xFF000000);
    IDirect3DTexture9* white = MakeSolidTexture(f.d, 0xFFFFFFFF);
    IDirect3DTexture9* flat = MakeSolidTexture(f.d, 0xFF8080FF);
    IDirect3DTexture9* middle = MakeSolidTexture(f.d, 0xFF808080);
    D3DXMATRIX viewProj = HeightViewProjection(), world = Identity();
    D3DXVECTOR4 noSpecular(0, 0, 0, 0), size(Size, Size, 0, 0);
    float eye[3] = {0, 100, 0};
    const float terrain[] = {-0.3f, -0.2f, -0.125f, -0.05f, 0.1f};
    for (float y : terrain) {
        BeginTarget(f.d, heights, 0xFF000000);
        DrawHeight(f, y);
        BeginTarget(f.d, f.target, ClearColor);
        f.effect->SetTexture(DefaultFx::TerrainHeight.name, heights.texture);
        f.effect->SetMatrix(DefaultFx::HeightViewProj.name, &viewProj);
        f.effect->SetMatrix(DefaultFx::ViewProj.name, &viewProj);
        f.effect->SetMatrix(DefaultFx::World.name, &world);
        f.effect->SetValue(DefaultFx::CameraPosition.name, eye, 12);
        f.effect->SetVector(DefaultFx::SourceSize.name, &size);
        f.effect->SetVector(DefaultFx::SpecColor.name, &noSpecular);
        f.effect->SetTexture(DefaultFx::WaterReflection.name, black);
        f.effect->SetTexture(DefaultFx::WaterRefraction.name, black);
        f.effect->SetTexture(DefaultFx::FoamTexture.name, white);
        f.effect->SetTexture(DefaultFx::Texture.name, white);
        f.effect->SetTexture(DefaultFx::NormalHeightMap.name, flat);
        f.effect->SetTexture(DefaultFx::DisplacementMap.name, middle);
        WithTechnique(f.effect, DefaultFx::TechniqueWater, [&] { DrawTangent(f.d, WaterSquare(), SquareIndices); });
        uint32_t p = ReadTarget(f.d, f.target)[Size * Size / 2 + Size / 2];
        double foam = std::min(1.0, std::max(0.0, 1.0 + 4.0 * y));
        EXPECT_NEAR(Red(p), 255 * foam, 3) << "terrain at " << y;
    }
    f.effect->SetTexture(DefaultFx::TerrainHeight.name, nullptr);
    for (IDirect3DTexture9* t : {black, white, flat, middle}) t->Release();
    ReleaseTarget(heights);
}
