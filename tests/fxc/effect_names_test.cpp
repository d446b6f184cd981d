// The compiled effects offer every technique and parameter the viewer sets, with its type.
#include "device.h"
#include "render/effect_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void ExpectType(ID3DXEffect* effect, const EffectParam& param)
{
    SCOPED_TRACE(param.name);
    D3DXHANDLE handle = effect->GetParameterByName(nullptr, param.name);
    ASSERT_NE(handle, nullptr);
    D3DXPARAMETER_DESC desc;
    ASSERT_EQ(effect->GetParameterDesc(handle, &desc), D3D_OK);
    EXPECT_STREQ(desc.Name, param.name);
    const float values[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    switch (param.type) {
    case ParamType::Texture:
        EXPECT_EQ(desc.Class, D3DXPC_OBJECT);
        EXPECT_EQ(desc.Type, D3DXPT_TEXTURE);
        EXPECT_EQ(effect->SetTexture(handle, nullptr), D3D_OK);
        break;
    case ParamType::Float:
        EXPECT_EQ(desc.Class, D3DXPC_SCALAR);
        EXPECT_EQ(desc.Type, D3DXPT_FLOAT);
        EXPECT_EQ(effect->SetFloat(handle, 0.5f), D3D_OK);
        break;
    case ParamType::Vector4:
        EXPECT_EQ(desc.Class, D3DXPC_VECTOR);
        EXPECT_EQ(desc.Columns, 4u);
        EXPECT_EQ(effect->SetVector(handle, reinterpret_cast<const D3DXVECTOR4*>(values)), D3D_OK);
        break;
    case ParamType::Float3:
        EXPECT_EQ(desc.Class, D3DXPC_VECTOR);
        EXPECT_EQ(desc.Columns, 3u);
        EXPECT_EQ(desc.Bytes, 12u);
        EXPECT_EQ(effect->SetValue(handle, values, 12), D3D_OK);
        break;
    case ParamType::Matrix:
        EXPECT_EQ(desc.Class, D3DXPC_MATRIX_ROWS);
        EXPECT_EQ(desc.Rows, 4u);
        EXPECT_EQ(desc.Columns, 4u);
        EXPECT_EQ(effect->SetMatrix(handle, reinterpret_cast<const D3DXMATRIX*>(values)), D3D_OK);
        break;
    }
    if (param.type != ParamType::Texture) {
        EXPECT_EQ(desc.Type, D3DXPT_FLOAT);
    }
}

// Each technique can be selected by its name and its first pass applied.
void ExpectTechnique(ID3DXEffect* effect, const char* name)
{
    SCOPED_TRACE(name);
    D3DXHANDLE technique = effect->GetTechniqueByName(name);
    ASSERT_NE(technique, nullptr);
    EXPECT_EQ(effect->SetTechnique(name), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_GE(passes, 1u);
    EXPECT_EQ(effect->BeginPass(0), D3D_OK);
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->End(), D3D_OK);
}

}  // namespace

TEST(EffectNames, DefaultEffectOffersEveryNameWithItsType)
{
    TestDevice& d = SharedDevice();
    ASSERT_NE(d.device, nullptr);
    ID3DXEffect* effect = LoadEffect(d, "Content/Shaders/Default.fx");
    ASSERT_NE(effect, nullptr);
    for (const EffectParam& param : DefaultFx::Params) ExpectType(effect, param);
    for (const char* technique : DefaultFx::Techniques) ExpectTechnique(effect, technique);
    effect->Release();
}

TEST(EffectNames, PostProcessEffectOffersEveryNameWithItsType)
{
    TestDevice& d = SharedDevice();
    ASSERT_NE(d.device, nullptr);
    ID3DXEffect* effect = LoadEffect(d, "Content/Shaders/PostProcess.fx");
    ASSERT_NE(effect, nullptr);
    for (const EffectParam& param : PostFx::Params) ExpectType(effect, param);
    for (const char* technique : PostFx::Techniques) ExpectTechnique(effect, technique);
    effect->Release();
}
