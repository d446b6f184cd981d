// The compiled effects on the real device, checked by reading the pixels back.
#include "content/content_paths.h"
#include "render/effect_names.h"
#include "tests/fxc/drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

constexpr int Size = 64;
constexpr D3DCOLOR ClearColor = 0xFF102030;
using namespace DefaultFx;

int Red(DWORD p) { return int(p >> 16 & 255); }
int Green(DWORD p) { return int(p >> 8 & 255); }
int Blue(DWORD p) { return int(p & 255); }

// A square in clip space at depth 0.5 with normal n.
std::vector<PlainVertex> ClipSquare(float half, D3DXVECTOR3 n)
{
    std::vector<PlainVertex> v;
    for (int i = 0; i < 4; ++i)
        v.push_back({i & 1 ? half : -half, i & 2 ? half : -half, 0.5f, n.x, n.y, n.z, float(i & 1), float(i >> 1)});
    return v;
}

// A horizontal square at world height y, wider than the height camera's 32 x 32 view.
std::vector<PlainVertex> GroundSquare(float y)
{
    std::vector<PlainVertex> v;
    for (int i = 0; i < 4; ++i) v.push_back({i & 1 ? 20.f : -20.f, y, i & 2 ? 20.f : -20.f, 0, 1, 0, 0, 0});
    return v;
}

// The documented code: v = saturate((y + 8) / 16), red = floor(255 v), green = frac(255 v).
void EncodeHeight(float y, int& red, int& green)
{
    const double v = std::min(1.0, std::max(0.0, (y + 8.0) / 16.0)) * 255.0;
    red = int(std::floor(v));
    green = int(std::lround((v - std::floor(v)) * 255.0));
}

double DecodeHeight(DWORD pixel) { return 16.0 * (Red(pixel) + Green(pixel) / 255.0) / 255.0 - 8.0; }

class Effects : public testing::Test {
protected:
    IDirect3DDevice9* d = SharedTestDevice();
    Target target;
    ID3DXEffect* fx = nullptr;
    std::vector<IDirect3DTexture9*> textures;

    void SetUp() override
    {
        ASSERT_NE(d, nullptr);
        fx = LoadEffect(ContentPath::DefaultEffect);
        ASSERT_NE(fx, nullptr);
        target = MakeTarget(d, Size, Size);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    }
    void TearDown() override
    {
        if (fx) fx->Release();
        for (IDirect3DTexture9* t : textures) t->Release();
        ReleaseTarget(target);
    }
    IDirect3DTexture9* Solid(DWORD colour) { return textures.emplace_back(SolidTexture(d, colour)); }
    // White texture, no specular, identity World and ViewProj.
    void PlainWhite()
    {
        const D3DXMATRIX identity = Identity();
        const D3DXVECTOR4 noSpecular(0, 0, 0, 0);
        fx->SetTexture(Texture.name, Solid(0xFFFFFFFF));
        fx->SetVector(SpecColor.name, &noSpecular);
        fx->SetMatrix(World.name, &identity);
        fx->SetMatrix(ViewProj.name, &identity);
    }
    // What the sun lights on a white surface with normal n.
    float Lit(const D3DXVECTOR3& n)
    {
        D3DXVECTOR3 sun;
        float ambient = 0;
        fx->GetValue("SunDirection", &sun, 12);
        fx->GetFloat("AmbientLight", &ambient);
        return ambient + (1 - ambient) * std::max(0.0f, D3DXVec3Dot(&n, &sun));
    }
    template <typename Draw>
    DWORD Centre(const char* technique, Draw draw)
    {
        BeginTarget(d, target, ClearColor);
        WithTechnique(fx, technique, draw);
        return ReadPixels(d, target.surface)[Size * Size / 2 + Size / 2];
    }
    void DrawHeight(float y)
    {
        const D3DXMATRIX world = Identity(), viewProj = HeightViewProjection();
        fx->SetMatrix(World.name, &world);
        fx->SetMatrix(ViewProj.name, &viewProj);
        WithTechnique(fx, TechniqueHeight, [&] { DrawPlain(GroundSquare(y), QuadIndices); });
    }
};

}  // namespace

// A normal-map texel tilted along +U must tilt the lit normal along the BINORMAL element (dP/dU),
// one tilted along +V along the TANGENT element (dP/dV): swapped frames light differently.
TEST_F(Effects, NormalMappedFollowsTheTangentFrame)
{
    PlainWhite();
    const D3DXVECTOR3 u(1, 0, 0), v(0, 1, 0), n(0, 0, -1);
    std::vector<TangentVertex> quad;
    for (const PlainVertex& p : ClipSquare(1, n)) quad.push_back({p.x, p.y, p.z, 0, 0, n.x, n.y, n.z, 0, 1, 0, 1, 0, 0});
    for (const D3DXVECTOR3 t : {D3DXVECTOR3(0.6f, 0, 0.8f), D3DXVECTOR3(-0.6f, 0, 0.8f), D3DXVECTOR3(0, 0.6f, 0.8f),
                                D3DXVECTOR3(0, -0.6f, 0.8f)}) {
        auto byte = [](float c) { return DWORD(std::lround((c * 0.5 + 0.5) * 255)); };
        fx->SetTexture(NormalHeightMap.name, Solid(0xFF000000 | byte(t.x) << 16 | byte(t.y) << 8 | byte(t.z)));
        D3DXVECTOR3 world = u * t.x + v * t.y + n * t.z;
        D3DXVec3Normalize(&world, &world);
        const DWORD p = Centre(TechniqueNormalMapped, [&] { DrawTangent(quad, QuadIndices); });
        EXPECT_NEAR(Red(p), 255 * Lit(world), 3) << "tangent-space normal " << t.x << "," << t.y << "," << t.z;
    }
}

TEST_F(Effects, DefaultOfAWhiteTextureWithoutSpecularIsAmbientPlusSun)
{
    PlainWhite();
    const float eye[3] = {0, 0, -5};
    fx->SetFloat(SpecPower.name, 25);
    fx->SetValue(CameraPosition.name, eye, 12);
    for (const D3DXVECTOR3 n : {D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, -1, 0), D3DXVECTOR3(0.6f, 0, -0.8f)}) {
        const DWORD p = Centre(TechniqueDefault, [&] { DrawPlain(ClipSquare(1, n), QuadIndices); });
        const int expected = int(std::lround(255 * Lit(n)));
        for (int channel : {Red(p), Green(p), Blue(p)}) EXPECT_NEAR(channel, expected, 1) << n.x << "," << n.y << "," << n.z;
    }
}

// World and ViewProj both asymmetric: a transposed upload would draw the square elsewhere.
TEST_F(Effects, SetMatrixTransformsRowVectors)
{
    PlainWhite();
    D3DXMATRIX world, viewProj;
    D3DXMatrixTranslation(&world, 0.5f, 0.25f, 0);
    D3DXMatrixRotationZ(&viewProj, D3DX_PI / 2);
    fx->SetMatrix(World.name, &world);
    fx->SetMatrix(ViewProj.name, &viewProj);
    Centre(TechniqueDefault, [&] { DrawPlain(ClipSquare(0.1f, {0, 1, 0}), QuadIndices); });
    const std::vector<DWORD> pixels = ReadPixels(d, target.surface);
    auto pixelAt = [&](D3DXVECTOR3 clip) {
        return pixels[size_t(int((1 - clip.y) / 2 * Size) * Size + int((clip.x + 1) / 2 * Size))];
    };
    D3DXMATRIX rowVector = world * viewProj, transposed;
    D3DXMatrixTranspose(&transposed, &rowVector);
    D3DXVECTOR3 origin(0, 0, 0.5f), expected, wrong;
    D3DXVec3TransformCoord(&expected, &origin, &rowVector);
    D3DXVec3TransformCoord(&wrong, &origin, &transposed);
    const D3DXVECTOR3 apart = expected - wrong;
    ASSERT_GT(D3DXVec3Length(&apart), 0.4f);
    EXPECT_NE(pixelAt(expected), ClearColor) << "the square is at p * World * ViewProj";
    EXPECT_EQ(pixelAt(wrong), ClearColor);
}

// The viewer's copy order (sprite Begin, effect Begin and BeginPass, sprite Draw, EndPass, End,
// sprite End) plus a sprite Flush inside the pass, without which the pass never reaches the quad.
TEST_F(Effects, CopyReproducesTheSpritesTextureExactly)
{
    ID3DXEffect* post = LoadEffect(ContentPath::PostProcessEffect);
    ASSERT_NE(post, nullptr);
    std::mt19937 random(7);
    std::vector<DWORD> pattern(Size * Size);
    for (DWORD& p : pattern) p = 0xFF000000 | (random() & 0xFFFFFF);
    textures.push_back(MakeTexture(d, Size, Size, pattern));
    ID3DXSprite* sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(d, &sprite), D3D_OK);
    BeginTarget(d, target, ClearColor);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    sprite->Begin(D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_SORT_TEXTURE);
    WithTechnique(post, PostFx::TechniqueCopy, [&] {
        sprite->Draw(textures.back(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
        sprite->Flush();  // drawn at End, after the effect's End, the quad would miss the pass
    });
    sprite->End();
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    const std::vector<DWORD> pixels = ReadPixels(d, target.surface);
    int differing = 0;
    for (size_t i = 0; i < pixels.size(); ++i) differing += (pixels[i] & 0xFFFFFF) != (pattern[i] & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
    sprite->Release();
    post->Release();
}

TEST_F(Effects, HeightWritesTheDocumentedCode)
{
    BeginTarget(d, target, 0xFF000000);
    EXPECT_EQ(DecodeHeight(ReadPixels(d, target.surface)[0]), -8.0) << "the cleared target is the deepest height";
    for (float y : {-1.5f, -0.3f, -0.01f, 0.0f, 0.7f, 2.25f, 4.0f, -30.0f}) {
        BeginTarget(d, target, 0xFF000000);
        DrawHeight(y);
        const DWORD p = ReadPixels(d, target.surface)[Size * Size / 2 + Size / 2];
        int red, green;
        EncodeHeight(y, red, green);
        EXPECT_EQ(Red(p), red) << "height " << y;
        EXPECT_NEAR(Green(p), green, 1) << "height " << y;
        EXPECT_EQ(p & 0xFF0000FF, 0xFF000000u) << "height " << y;
        EXPECT_NEAR(DecodeHeight(p), std::max(y, -8.0f), 16.0 / 65025) << "height " << y;
    }
}

// The water reads the height image back: foam = saturate(1 - 4 * depth of the terrain below the
// surface). With black reflection and refraction, white foam and no specular, that is the pixel.
TEST_F(Effects, WaterDecodesTheHeightImage)
{
    Target heights = MakeTarget(d, Size, Size);
    const D3DXMATRIX viewProj = HeightViewProjection(), world = Identity();
    const D3DXVECTOR4 noSpecular(0, 0, 0, 0), size(Size, Size, 0, 0);
    const float eye[3] = {0, 100, 0};
    const std::pair<const char*, DWORD> bound[] = {
        {WaterReflection.name, 0xFF000000}, {WaterRefraction.name, 0xFF000000}, {FoamTexture.name, 0xFFFFFFFF},
        {Texture.name, 0xFFFFFFFF}, {NormalHeightMap.name, 0xFF8080FF}, {DisplacementMap.name, 0xFF808080}};
    std::vector<TangentVertex> water;
    for (const PlainVertex& p : GroundSquare(0)) water.push_back({p.x, 0, p.z, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0});
    for (float y : {-0.3f, -0.2f, -0.125f, -0.05f, 0.1f}) {
        BeginTarget(d, heights, 0xFF000000);
        DrawHeight(y);
        fx->SetTexture(TerrainHeight.name, heights.texture);
        fx->SetMatrix(HeightViewProj.name, &viewProj);
        fx->SetMatrix(ViewProj.name, &viewProj);
        fx->SetMatrix(World.name, &world);
        fx->SetValue(CameraPosition.name, eye, 12);
        fx->SetVector(SourceSize.name, &size);
        fx->SetVector(SpecColor.name, &noSpecular);
        for (const auto& [name, colour] : bound) fx->SetTexture(name, Solid(colour));
        const DWORD p = Centre(TechniqueWater, [&] { DrawTangent(water, QuadIndices); });
        EXPECT_NEAR(Red(p), 255 * std::min(1.0, std::max(0.0, 1.0 + 4.0 * y)), 3) << "terrain at " << y;
    }
    fx->SetTexture(TerrainHeight.name, nullptr);
    ReleaseTarget(heights);
}
