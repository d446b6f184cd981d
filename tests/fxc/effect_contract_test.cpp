// What the frame relies on from the techniques: the states each pass sets or leaves alone, and
// no technique reading the target its own pass draws into.
#include "device.h"
#include "render/effect_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const MaterialTechniques[] = {DefaultFx::TechniqueDefault, DefaultFx::TechniqueTerrain,
                                          DefaultFx::TechniqueNormalMapped, DefaultFx::TechniqueHeight};

DWORD RenderState(IDirect3DDevice9* device, D3DRENDERSTATETYPE state)
{
    DWORD value = 0xDEAD;
    device->GetRenderState(state, &value);
    return value;
}

// The states a sprite copy leaves behind: blending and alpha testing on, depth off.
void SpriteLikeStates(IDirect3DDevice9* device)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
}

// One quad for every vertex layout the techniques take, drawn in the middle of clip space.
void DrawProbe(TestDevice& d, const char* technique)
{
    std::vector<uint16_t> indices = {0, 1, 2, 2, 1, 3};
    if (std::string(technique) == DefaultFx::TechniqueNormalMapped || std::string(technique) == DefaultFx::TechniqueWater) {
        std::vector<TangentVertex> quad;
        for (int i = 0; i < 4; ++i)
            quad.push_back({i & 1 ? 1.f : -1.f, i & 2 ? 1.f : -1.f, 0.5f, float(i & 1), float(i >> 1), 0, 0, -1, 0, 1, 0, 1, 0, 0});
        DrawTangent(d, quad, indices);
        return;
    }
    std::vector<PlainVertex> quad;
    for (int i = 0; i < 4; ++i)
        quad.push_back({i & 1 ? 1.f : -1.f, i & 2 ? 1.f : -1.f, 0.5f, 0, 0.6f, -0.8f, float(i & 1), float(i >> 1)});
    DrawPlain(d, quad, indices);
}

std::vector<uint32_t> DrawWith(TestDevice& d, ID3DXEffect* effect, const Target& target, const char* technique,
                               const char* probed, IDirect3DTexture9* texture)
{
    effect->SetTexture(probed, texture);
    BeginTarget(d, target, 0xFF000000);
    WithTechnique(effect, technique, [&] { DrawProbe(d, technique); });
    return ReadTarget(d, target);
}

}  // namespace

TEST(EffectContract, MaterialTechniquesSetDepthAndBlendingButNotCullingOrClipping)
{
    TestDevice& d = SharedDevice();
    ASSERT_NE(d.device, nullptr);
    ID3DXEffect* effect = LoadEffect(d, "Content/Shaders/Default.fx");
    ASSERT_NE(effect, nullptr);
    for (const char* technique : MaterialTechniques) {
        SCOPED_TRACE(technique);
        SpriteLikeStates(d.device);
        effect->SetTechnique(technique);
        effect->Begin(nullptr, 0);
        effect->BeginPass(0);
        EXPECT_EQ(RenderState(d.device, D3DRS_ALPHABLENDENABLE), 0u);
        EXPECT_EQ(RenderState(d.device, D3DRS_ZENABLE), 1u);
        EXPECT_EQ(RenderState(d.device, D3DRS_ZWRITEENABLE), 1u);
        EXPECT_EQ(RenderState(d.device, D3DRS_CULLMODE), DWORD(D3DCULL_CW)) << "the frame's cull mode stays";
        EXPECT_EQ(RenderState(d.device, D3DRS_CLIPPLANEENABLE), 1u) << "the frame's clip plane stays";
        effect->EndPass();
        effect->End();
    }
    d.device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    effect->Release();
}

// Water runs after the sprite copy: it sets everything it depends on itself.
TEST(EffectContract, WaterSetsItsOwnStatesAfterTheCopy)
{
    TestDevice& d = SharedDevice();
    ASSERT_NE(d.device, nullptr);
    ID3DXEffect* effect = LoadEffect(d, "Content/Shaders/Default.fx");
    ASSERT_NE(effect, nullptr);
    SpriteLikeStates(d.device);
    d.device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    effect->SetTechnique(DefaultFx::TechniqueWater);
    effect->Begin(nullptr, 0);
    effect->BeginPass(0);
    EXPECT_EQ(RenderState(d.device, D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(RenderState(d.device, D3DRS_ALPHATESTENABLE), 0u);
    EXPECT_EQ(RenderState(d.device, D3DRS_ZENABLE), 1u);
    EXPECT_EQ(RenderState(d.device, D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    effect->EndPass();
    effect->End();
    effect->Release();
}

// Binding two different images to a target's parameter changes nothing a technique draws in
// the pass that renders into that target.
TEST(EffectContract, NoTechniqueReadsTheTargetItsPassDraws)
{
    TestDevice& d = SharedDevice();
    ASSERT_NE(d.device, nullptr);
    ID3DXEffect* effect = LoadEffect(d, "Content/Shaders/Default.fx");
    ASSERT_NE(effect, nullptr);
    Target target = MakeTarget(d, 32);
    IDirect3DTexture9* red = MakeSolidTexture(d, 0xFFFF0000);
    IDirect3DTexture9* blue = MakeSolidTexture(d, 0xFF0000FF);
    IDirect3DTexture9* grey = MakeSolidTexture(d, 0xFF808080);
    D3DXMATRIX identity = Identity();
    effect->SetMatrix(DefaultFx::World.name, &identity);
    effect->SetMatrix(DefaultFx::ViewProj.name, &identity);
    for (const EffectParam& p : DefaultFx::Params)
        if (p.type == ParamType::Texture) effect->SetTexture(p.name, grey);
    d.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const std::pair<const char*, const char*> forbidden[] = {
        {DefaultFx::TechniqueDefault, DefaultFx::WaterReflection.name},
        {DefaultFx::TechniqueDefault, DefaultFx::WaterRefraction.name},
        {DefaultFx::TechniqueTerrain, DefaultFx::WaterReflection.name},
        {DefaultFx::TechniqueTerrain, DefaultFx::WaterRefraction.name},
        {DefaultFx::TechniqueNormalMapped, DefaultFx::WaterReflection.name},
        {DefaultFx::TechniqueNormalMapped, DefaultFx::WaterRefraction.name},
        {DefaultFx::TechniqueHeight, DefaultFx::TerrainHeight.name},
    };
    for (const auto& [technique, param] : forbidden) {
        std::vector<uint32_t> withRed = DrawWith(d, effect, target, technique, param, red);
        std::vector<uint32_t> withBlue = DrawWith(d, effect, target, technique, param, blue);
        EXPECT_NE(withRed[16 * 32 + 16], 0xFF000000u) << technique << " drew nothing";
        EXPECT_EQ(withRed, withBlue) << technique << " reads " << param;
        effect->SetTexture(param, grey);
    }
    // The probe does see a texture the technique reads.
    EXPECT_NE(DrawWith(d, effect, target, DefaultFx::TechniqueDefault, DefaultFx::Texture.name, red),
              DrawWith(d, effect, target, DefaultFx::TechniqueDefault, DefaultFx::Texture.name, blue));
    for (const EffectParam& p : DefaultFx::Params)
        if (p.type == ParamType::Texture) effect->SetTexture(p.name, nullptr);
    for (IDirect3DTexture9* t : {red, blue, grey}) t->Release();
    ReleaseTarget(target);
    effect->Release();
}
