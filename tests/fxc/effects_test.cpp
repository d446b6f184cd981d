// The compiled effects as the viewer uses them, on the real device: every name resolves with its
// type, passes set the states the frame relies on, and the pixels read back are the documented ones.
#include "content/content_paths.h"
#include "render/effect_names.h"
#include "tests/fxc/drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

constexpr D3DCOLOR ClearColor = 0xFF102030;
using namespace DefaultFx;

// Channel 2 is red, 1 green, 0 blue.
int Byte(DWORD p, int channel) { return int(p >> (8 * channel) & 255); }

// A horizontal square at world height y, wider than the height camera's 32 x 32 view.
std::vector<PlainVertex> GroundSquare(float y)
{
    std::vector<PlainVertex> v;
    for (int i = 0; i < 4; ++i) v.push_back({i & 1 ? 20.f : -20.f, y, i & 2 ? 20.f : -20.f, 0, 1, 0, 0, 0});
    return v;
}

class Effects : public EffectTest {
protected:
    // White texture, no specular, identity World and ViewProj.
    void PlainWhite()
    {
        const D3DXVECTOR4 noSpecular(0, 0, 0, 0);
        fx->SetTexture(Texture.name, Solid(0xFFFFFFFF));
        fx->SetVector(SpecColor.name, &noSpecular);
        Matrices(Identity(), Identity());
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
        Matrices(Identity(), HeightViewProjection());
        WithTechnique(fx, TechniqueHeight, [&] { DrawMesh(GroundSquare(y), QuadIndices); });
    }
};

template <size_t P, size_t T>
void ExpectNames(const char* path, const EffectParam (&params)[P], const char* const (&techniques)[T])
{
    // Class, type, rows, columns of each ParamType in its order.
    const UINT shapes[][4] = {{D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0}, {D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1},
                              {D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4},   {D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3},
                              {D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4}};
    ID3DXEffect* effect = LoadEffect(path);
    ASSERT_NE(effect, nullptr) << path;
    for (const EffectParam& param : params) {
        D3DXPARAMETER_DESC desc = {};
        EXPECT_EQ(effect->GetParameterDesc(effect->GetParameterByName(nullptr, param.name), &desc), D3D_OK) << param.name;
        const UINT* want = shapes[int(param.type)];
        EXPECT_TRUE(UINT(desc.Class) == want[0] && UINT(desc.Type) == want[1] && desc.Rows == want[2] &&
                    desc.Columns == want[3])
            << param.name << ": class " << desc.Class << ", type " << desc.Type << ", " << desc.Rows << " x "
            << desc.Columns;
    }
    for (const char* technique : techniques) {
        UINT passes = 0;
        EXPECT_EQ(effect->SetTechnique(technique), D3D_OK) << technique;
        EXPECT_EQ(effect->Begin(&passes, 0), D3D_OK) << technique;
        EXPECT_GE(passes, 1u) << technique;
        EXPECT_EQ(effect->BeginPass(0), D3D_OK) << technique;
        effect->EndPass();
        effect->End();
    }
    effect->Release();
}

}  // namespace

TEST_F(Effects, EveryNameTheViewerSetsResolvesWithItsType)
{
    ExpectNames(ContentPath::DefaultEffect, DefaultFx::Params, DefaultFx::Techniques);
    ExpectNames(ContentPath::PostProcessEffect, PostFx::Params, PostFx::Techniques);
}

// Material techniques leave the frame's culling and clip plane alone; Water runs after the
// sprite copy, so it sets everything it depends on itself.
TEST_F(Effects, EachPassSetsTheStatesTheFrameReliesOn)
{
    using States = std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>>;
    const States material = {{D3DRS_ALPHABLENDENABLE, 0}, {D3DRS_ZENABLE, 1}, {D3DRS_ZWRITEENABLE, 1},
                             {D3DRS_CULLMODE, D3DCULL_CW}, {D3DRS_CLIPPLANEENABLE, 1}};
    const std::pair<const char*, States> cases[] = {
        {TechniqueDefault, material}, {TechniqueTerrain, material}, {TechniqueNormalMapped, material},
        {TechniqueHeight, material},
        {TechniqueWater,
         {{D3DRS_ALPHABLENDENABLE, 0}, {D3DRS_ALPHATESTENABLE, 0}, {D3DRS_ZENABLE, 1}, {D3DRS_CULLMODE, D3DCULL_NONE}}}};
    // What a sprite copy and the reflection pass leave behind.
    const States before = {{D3DRS_ALPHABLENDENABLE, 1}, {D3DRS_ALPHATESTENABLE, 1}, {D3DRS_CLIPPLANEENABLE, 1},
                           {D3DRS_ZENABLE, 0}, {D3DRS_ZWRITEENABLE, 0}, {D3DRS_CULLMODE, D3DCULL_CW}};
    for (const auto& [technique, states] : cases) {
        for (const auto& [state, value] : before) d->SetRenderState(state, value);
        WithTechnique(fx, technique, [&] {
            for (const auto& [state, value] : states) {
                DWORD actual = 0xDEAD;
                d->GetRenderState(state, &actual);
                EXPECT_EQ(actual, value) << technique << ", render state " << state;
            }
        });
    }
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
}

// Two different images bound to a target's parameter change nothing the technique draws in the
// pass that renders into that target.
TEST_F(Effects, NoTechniqueReadsTheTargetItsPassDraws)
{
    IDirect3DTexture9 *red = Solid(0xFFFF0000), *blue = Solid(0xFF0000FF), *grey = Solid(0xFF808080);
    Matrices(Identity(), Identity());
    for (const EffectParam& p : Params)
        if (p.type == ParamType::Texture) fx->SetTexture(p.name, grey);
    // One quad filling clip space, in the layout the technique takes.
    const std::vector<PlainVertex> plain = ClipSquare(1, {0, 0.6f, -0.8f});
    const std::vector<TangentVertex> framed = WithFrame(ClipSquare(1, {0, 0, -1}), {0, 1, 0}, {1, 0, 0});
    auto drawWith = [&](const char* technique, const char* param, IDirect3DTexture9* texture) {
        fx->SetTexture(param, texture);
        BeginTarget(d, target, 0xFF000000);
        WithTechnique(fx, technique, [&] {
            std::string(technique) == TechniqueNormalMapped ? DrawMesh(framed, QuadIndices)
                                                            : DrawMesh(plain, QuadIndices);
        });
        fx->SetTexture(param, grey);
        return ReadPixels(d, target.surface);
    };
    const std::pair<const char*, const char*> forbidden[] = {
        {TechniqueDefault, WaterReflection.name},      {TechniqueDefault, WaterRefraction.name},
        {TechniqueTerrain, WaterReflection.name},      {TechniqueTerrain, WaterRefraction.name},
        {TechniqueNormalMapped, WaterReflection.name}, {TechniqueNormalMapped, WaterRefraction.name},
        {TechniqueHeight, TerrainHeight.name}};
    for (const auto& [technique, param] : forbidden) {
        const std::vector<DWORD> withRed = drawWith(technique, param, red);
        EXPECT_NE(withRed[Size * Size / 2 + Size / 2], 0xFF000000u) << technique << " drew nothing";
        EXPECT_EQ(withRed, drawWith(technique, param, blue)) << technique << " reads " << param;
    }
    // The probe does see a texture the technique reads.
    EXPECT_NE(drawWith(TechniqueDefault, Texture.name, red), drawWith(TechniqueDefault, Texture.name, blue));
}

// A normal-map texel tilted along +U must tilt the lit normal along the BINORMAL element (dP/dU),
// one tilted along +V along the TANGENT element (dP/dV): swapped frames light differently.
TEST_F(Effects, NormalMappedFollowsTheTangentFrame)
{
    PlainWhite();
    const D3DXVECTOR3 u(1, 0, 0), v(0, 1, 0), n(0, 0, -1);
    const std::vector<TangentVertex> quad = WithFrame(ClipSquare(1, n), v, u);
    for (const D3DXVECTOR3 t : {D3DXVECTOR3(0.6f, 0, 0.8f), D3DXVECTOR3(-0.6f, 0, 0.8f), D3DXVECTOR3(0, 0.6f, 0.8f),
                                D3DXVECTOR3(0, -0.6f, 0.8f)}) {
        auto byte = [](float c) { return DWORD(std::lround((c * 0.5 + 0.5) * 255)); };
        fx->SetTexture(NormalHeightMap.name, Solid(0xFF000000 | byte(t.x) << 16 | byte(t.y) << 8 | byte(t.z)));
        D3DXVECTOR3 world = u * t.x + v * t.y + n * t.z;
        D3DXVec3Normalize(&world, &world);
        const DWORD p = Centre(TechniqueNormalMapped, [&] { DrawMesh(quad, QuadIndices); });
        EXPECT_NEAR(Byte(p, 2), 255 * Lit(world), 3) << "tangent-space normal " << t.x << "," << t.y << "," << t.z;
    }
}

TEST_F(Effects, DefaultOfAWhiteTextureWithoutSpecularIsAmbientPlusSun)
{
    PlainWhite();
    const float eye[3] = {0, 0, -5};
    fx->SetFloat(SpecPower.name, 25);
    fx->SetValue(CameraPosition.name, eye, 12);
    for (const D3DXVECTOR3 n : {D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, -1, 0), D3DXVECTOR3(0.6f, 0, -0.8f)}) {
        const DWORD p = Centre(TechniqueDefault, [&] { DrawMesh(ClipSquare(1, n), QuadIndices); });
        for (int channel : {0, 1, 2})
            EXPECT_NEAR(Byte(p, channel), std::lround(255 * Lit(n)), 1) << n.x << "," << n.y << "," << n.z;
    }
}

// World and ViewProj both asymmetric: a transposed upload would draw the square elsewhere.
TEST_F(Effects, SetMatrixTransformsRowVectors)
{
    PlainWhite();
    D3DXMATRIX world, viewProj;
    D3DXMatrixTranslation(&world, 0.5f, 0.25f, 0);
    D3DXMatrixRotationZ(&viewProj, D3DX_PI / 2);
    Matrices(world, viewProj);
    Centre(TechniqueDefault, [&] { DrawMesh(ClipSquare(0.1f, {0, 1, 0}), QuadIndices); });
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

TEST_F(Effects, CopyReproducesTheSpritesTextureExactly)
{
    ID3DXEffect* post = LoadEffect(ContentPath::PostProcessEffect);
    ASSERT_NE(post, nullptr);
    std::mt19937 random(7);
    std::vector<DWORD> pattern(Size * Size);
    for (DWORD& p : pattern) p = 0xFF000000 | (random() & 0xFFFFFF);
    BeginTarget(d, target, ClearColor);
    SpriteCopy(post, Own(MakeTexture(d, Size, Size, pattern)));
    const std::vector<DWORD> pixels = ReadPixels(d, target.surface);
    int differing = 0;
    for (size_t i = 0; i < pixels.size(); ++i) differing += (pixels[i] & 0xFFFFFF) != (pattern[i] & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
    post->Release();
}

// The documented code: v = saturate((y + 8) / 16), red = floor(255 v), green = frac(255 v).
TEST_F(Effects, HeightWritesTheDocumentedCode)
{
    auto decode = [](DWORD p) { return 16.0 * (Byte(p, 2) + Byte(p, 1) / 255.0) / 255.0 - 8.0; };
    BeginTarget(d, target, 0xFF000000);
    EXPECT_EQ(decode(ReadPixels(d, target.surface)[0]), -8.0) << "the cleared target is the deepest height";
    for (float y : {-1.5f, -0.3f, -0.01f, 0.0f, 0.7f, 2.25f, 4.0f, -30.0f}) {
        BeginTarget(d, target, 0xFF000000);
        DrawHeight(y);
        const DWORD p = ReadPixels(d, target.surface)[Size * Size / 2 + Size / 2];
        const double v = std::min(1.0, std::max(0.0, (y + 8.0) / 16.0)) * 255.0;
        EXPECT_EQ(Byte(p, 2), int(std::floor(v))) << "height " << y;
        EXPECT_NEAR(Byte(p, 1), std::lround((v - std::floor(v)) * 255.0), 1) << "height " << y;
        EXPECT_EQ(p & 0xFF0000FF, 0xFF000000u) << "height " << y;
        EXPECT_NEAR(decode(p), std::max(y, -8.0f), 16.0 / 65025) << "height " << y;
    }
}

// The water reads the height image back: foam = saturate(1 - 4 * depth of the terrain below the
// surface). With black reflection and refraction and no specular, the pixel is the foam times its
// brightness, which the terrain 0.1 above the surface shows at full foam.
TEST_F(Effects, WaterDecodesTheHeightImage)
{
    Target heights = MakeTarget(d, Size, Size);
    const D3DXMATRIX viewProj = HeightViewProjection();
    const D3DXVECTOR4 noSpecular(0, 0, 0, 0), size(Size, Size, 0, 0);
    const float eye[3] = {0, 100, 0};
    const std::pair<const char*, DWORD> bound[] = {
        {WaterReflection.name, 0xFF000000}, {WaterRefraction.name, 0xFF000000}, {FoamTexture.name, 0xFFFFFFFF},
        {Texture.name, 0xFFFFFFFF}, {NormalHeightMap.name, 0xFF8080FF}, {DisplacementMap.name, 0xFF808080}};
    const std::vector<TangentVertex> water = WithFrame(GroundSquare(0), {0, 0, 1}, {1, 0, 0});
    std::vector<int> red;
    for (float y : {0.1f, -0.3f, -0.2f, -0.125f, -0.05f}) {
        BeginTarget(d, heights, 0xFF000000);
        DrawHeight(y);
        fx->SetTexture(TerrainHeight.name, heights.texture);
        fx->SetMatrix(HeightViewProj.name, &viewProj);
        fx->SetValue(CameraPosition.name, eye, 12);
        fx->SetVector(SourceSize.name, &size);
        fx->SetVector(SpecColor.name, &noSpecular);
        for (const auto& [name, colour] : bound) fx->SetTexture(name, Solid(colour));
        red.push_back(Byte(Centre(TechniqueWater, [&] { DrawMesh(water, QuadIndices); }), 2));
        EXPECT_NEAR(red.back(), red.front() * std::min(1.0, std::max(0.0, 1.0 + 4.0 * y)), 3) << "terrain at " << y;
    }
    EXPECT_GT(red.front(), 200) << "foam is nearly white";
    fx->SetTexture(TerrainHeight.name, nullptr);
    ReleaseTarget(heights);
}
