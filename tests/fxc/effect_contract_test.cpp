// The compiled effects as the viewer uses them: every name it sets resolves with its type, each
// technique's pass sets the states the frame relies on, and none reads the target it draws into.
#include "content/content_paths.h"
#include "render/effect_names.h"
#include "tests/fxc/drawing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Shape {
    D3DXPARAMETER_CLASS cls;
    D3DXPARAMETER_TYPE type;
    UINT rows, columns;
};

Shape ShapeOf(ParamType type)
{
    switch (type) {
    case ParamType::Texture: return {D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0};
    case ParamType::Float: return {D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1};
    case ParamType::Vector4: return {D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4};
    case ParamType::Float3: return {D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3};
    case ParamType::Matrix: return {D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4};
    }
    return {};
}

template <size_t P, size_t T>
void ExpectNames(const char* path, const EffectParam (&params)[P], const char* const (&techniques)[T])
{
    ID3DXEffect* effect = LoadEffect(path);
    ASSERT_NE(effect, nullptr) << path;
    for (const EffectParam& param : params) {
        D3DXPARAMETER_DESC desc = {};
        EXPECT_EQ(effect->GetParameterDesc(effect->GetParameterByName(nullptr, param.name), &desc), D3D_OK) << param.name;
        const Shape want = ShapeOf(param.type);
        EXPECT_EQ(desc.Class, want.cls) << param.name;
        EXPECT_EQ(desc.Type, want.type) << param.name;
        EXPECT_EQ(desc.Rows, want.rows) << param.name;
        EXPECT_EQ(desc.Columns, want.columns) << param.name;
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

// One quad in the middle of clip space, in the layout the technique takes.
void DrawProbe(const char* technique)
{
    const bool tangent = std::string(technique) == DefaultFx::TechniqueNormalMapped;
    std::vector<TangentVertex> frame;
    std::vector<PlainVertex> plain;
    for (int i = 0; i < 4; ++i) {
        const float x = i & 1 ? 1.f : -1.f, y = i & 2 ? 1.f : -1.f, u = float(i & 1), v = float(i >> 1);
        frame.push_back({x, y, 0.5f, u, v, 0, 0, -1, 0, 1, 0, 1, 0, 0});
        plain.push_back({x, y, 0.5f, 0, 0.6f, -0.8f, u, v});
    }
    tangent ? DrawTangent(frame, QuadIndices) : DrawPlain(plain, QuadIndices);
}

}  // namespace

TEST(EffectContract, EveryNameTheViewerSetsResolvesWithItsType)
{
    ASSERT_NE(SharedTestDevice(), nullptr);
    ExpectNames(ContentPath::DefaultEffect, DefaultFx::Params, DefaultFx::Techniques);
    ExpectNames(ContentPath::PostProcessEffect, PostFx::Params, PostFx::Techniques);
}

// Material techniques leave the frame's culling and clip plane alone; Water runs after the
// sprite copy, so it sets everything it depends on itself.
TEST(EffectContract, EachPassSetsTheStatesTheFrameReliesOn)
{
    IDirect3DDevice9* device = SharedTestDevice();
    ASSERT_NE(device, nullptr);
    ID3DXEffect* effect = LoadEffect(ContentPath::DefaultEffect);
    ASSERT_NE(effect, nullptr);
    using States = std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>>;
    const States material = {{D3DRS_ALPHABLENDENABLE, 0}, {D3DRS_ZENABLE, 1}, {D3DRS_ZWRITEENABLE, 1},
                             {D3DRS_CULLMODE, D3DCULL_CW}, {D3DRS_CLIPPLANEENABLE, 1}};
    const std::pair<const char*, States> cases[] = {
        {DefaultFx::TechniqueDefault, material}, {DefaultFx::TechniqueTerrain, material},
        {DefaultFx::TechniqueNormalMapped, material}, {DefaultFx::TechniqueHeight, material},
        {DefaultFx::TechniqueWater,
         {{D3DRS_ALPHABLENDENABLE, 0}, {D3DRS_ALPHATESTENABLE, 0}, {D3DRS_ZENABLE, 1}, {D3DRS_CULLMODE, D3DCULL_NONE}}}};
    for (const auto& [technique, states] : cases) {
        // What a sprite copy and the reflection pass leave behind.
        for (auto state : {D3DRS_ALPHABLENDENABLE, D3DRS_ALPHATESTENABLE, D3DRS_CLIPPLANEENABLE})
            device->SetRenderState(state, TRUE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        WithTechnique(effect, technique, [&] {
            for (const auto& [state, value] : states) {
                DWORD actual = 0xDEAD;
                device->GetRenderState(state, &actual);
                EXPECT_EQ(actual, value) << technique << ", render state " << state;
            }
        });
    }
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    effect->Release();
}

// Two different images bound to a target's parameter change nothing the technique draws in the
// pass that renders into that target.
TEST(EffectContract, NoTechniqueReadsTheTargetItsPassDraws)
{
    IDirect3DDevice9* device = SharedTestDevice();
    ASSERT_NE(device, nullptr);
    ID3DXEffect* effect = LoadEffect(ContentPath::DefaultEffect);
    ASSERT_NE(effect, nullptr);
    Target target = MakeTarget(device, 32, 32);
    IDirect3DTexture9* red = SolidTexture(device, 0xFFFF0000);
    IDirect3DTexture9* blue = SolidTexture(device, 0xFF0000FF);
    IDirect3DTexture9* grey = SolidTexture(device, 0xFF808080);
    D3DXMATRIX identity = Identity();
    effect->SetMatrix(DefaultFx::World.name, &identity);
    effect->SetMatrix(DefaultFx::ViewProj.name, &identity);
    for (const EffectParam& p : DefaultFx::Params)
        if (p.type == ParamType::Texture) effect->SetTexture(p.name, grey);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    auto drawWith = [&](const char* technique, const char* param, IDirect3DTexture9* texture) {
        effect->SetTexture(param, texture);
        BeginTarget(device, target, 0xFF000000);
        WithTechnique(effect, technique, [&] { DrawProbe(technique); });
        effect->SetTexture(param, grey);
        return ReadPixels(device, target.surface);
    };
    using namespace DefaultFx;
    const std::pair<const char*, const char*> forbidden[] = {
        {TechniqueDefault, WaterReflection.name},      {TechniqueDefault, WaterRefraction.name},
        {TechniqueTerrain, WaterReflection.name},      {TechniqueTerrain, WaterRefraction.name},
        {TechniqueNormalMapped, WaterReflection.name}, {TechniqueNormalMapped, WaterRefraction.name},
        {TechniqueHeight, TerrainHeight.name}};
    for (const auto& [technique, param] : forbidden) {
        const std::vector<DWORD> withRed = drawWith(technique, param, red);
        EXPECT_NE(withRed[16 * 32 + 16], 0xFF000000u) << technique << " drew nothing";
        EXPECT_EQ(withRed, drawWith(technique, param, blue)) << technique << " reads " << param;
    }
    // The probe does see a texture the technique reads.
    EXPECT_NE(drawWith(TechniqueDefault, Texture.name, red), drawWith(TechniqueDefault, Texture.name, blue));
    effect->Release();
    for (IDirect3DTexture9* t : {red, blue, grey}) t->Release();
    ReleaseTarget(target);
}
