// The effect compiler: well-formed sources load in D3DX with the declared names, types, values
// and states; malformed ones give a located message; mangled ones never crash it.
#include "fxc.h"
#include "tests/fxc/drawing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char* const WellFormed = R"(
float Scale : register(vs, c8) = 2.5;
float2 Offset : register(vs, c9) = {0.25, -0.5};
float3 Eye : SOMEWHERE : register(c10) = float3(1, 2, 3);
float4 Tint : register(ps, c0) = {0.1, 0.2, 0.3, 0.4};
float4x4 Transform : register(vs, c0);
texture Picture;
sampler2D PictureSampler : register(s2) = sampler_state
{
    Texture = <Picture>; MinFilter = Point; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Mirror; MaxAnisotropy = 3;
};

technique First
{
    pass A
    {
        ZEnable = False; ZWriteEnable = False; ZFunc = Greater; CullMode = CW;
        AlphaBlendEnable = True; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = RevSubtract;
        AlphaTestEnable = True; AlphaRef = 7; AlphaFunc = GreaterEqual; ColorWriteEnable = 5;
        FillMode = Wireframe; StencilEnable = True;
        VertexShader = asm
        {
            vs_3_0
            dcl_position v0
            dcl_position o0
            dcl_texcoord0 o1
            dp4 o0.x, v0, c0      // Transform
            dp4 o0.y, v0, c1
            dp4 o0.z, v0, c2
            dp4 o0.w, v0, c3
            mul r0.xy, v0, c8.x   // Scale
            add o1.xy, r0, c9     // Offset
            mov o1.zw, c10.xyxy   // Eye
        };
        PixelShader = asm
        {
            ps_3_0
            dcl_texcoord0 v0.xy
            dcl_2d s2
            texld r0, v0, s2
            mul oC0, r0, c0       // Tint
        };
    }
    pass B { CullMode = None; MinFilter[5] = Anisotropic; AddressW[5] = Border; }
}
technique Second { pass { ZEnable = True; } }
)";

ID3DXEffect* CreateFromSource(const char* text, const char* path)
{
    CompileResult result = CompileEffectSource(text, "test.fx");
    EXPECT_TRUE(result.ok) << result.error;
    FILE* file = std::fopen(path, "wb");
    if (!file) return nullptr;
    std::fwrite(result.binary.data(), 1, result.binary.size(), file);
    std::fclose(file);
    return LoadEffect(path);
}

void ExpectParams(ID3DXEffect* effect)
{
    struct {
        const char* name;
        D3DXPARAMETER_CLASS cls;
        D3DXPARAMETER_TYPE type;
        UINT rows, cols, bytes;
    } const expected[] = {
        {"Scale", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 4},       {"Offset", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, 8},
        {"Eye", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, 12},        {"Tint", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, 16},
        {"Transform", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4, 64}, {"Picture", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, 8},
        {"PictureSampler", D3DXPC_OBJECT, D3DXPT_SAMPLER2D, 0, 0, 0},
    };
    D3DXEFFECT_DESC desc;
    ASSERT_EQ(effect->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Parameters, 7u);
    EXPECT_EQ(desc.Techniques, 2u);
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        D3DXPARAMETER_DESC p;
        ASSERT_EQ(effect->GetParameterDesc(effect->GetParameterByName(nullptr, e.name), &p), D3D_OK);
        EXPECT_EQ(p.Class, e.cls);
        EXPECT_EQ(p.Type, e.type);
        EXPECT_EQ(p.Rows, e.rows);
        EXPECT_EQ(p.Columns, e.cols);
        if (e.type != D3DXPT_TEXTURE) {
            EXPECT_EQ(p.Bytes, e.bytes);  // an object's size is the host's pointer size
        }
    }
    D3DXPARAMETER_DESC eye;
    effect->GetParameterDesc(effect->GetParameterByName(nullptr, "Eye"), &eye);
    EXPECT_STREQ(eye.Semantic, "SOMEWHERE");
}

void ExpectInitialValues(ID3DXEffect* effect)
{
    float scale = 0;
    effect->GetFloat("Scale", &scale);
    EXPECT_EQ(scale, 2.5f);
    float eye[3] = {};
    effect->GetValue("Eye", eye, sizeof eye);
    EXPECT_EQ(eye[0], 1.0f);
    EXPECT_EQ(eye[2], 3.0f);
    D3DXVECTOR4 tint;
    effect->GetVector("Tint", &tint);
    EXPECT_EQ(tint, D3DXVECTOR4(0.1f, 0.2f, 0.3f, 0.4f));
}

void ExpectTechniques(ID3DXEffect* effect)
{
    D3DXTECHNIQUE_DESC first, second;
    ASSERT_EQ(effect->GetTechniqueDesc(effect->GetTechniqueByName("First"), &first), D3D_OK);
    ASSERT_EQ(effect->GetTechniqueDesc(effect->GetTechniqueByName("Second"), &second), D3D_OK);
    EXPECT_EQ(first.Passes, 2u);
    EXPECT_EQ(second.Passes, 1u);
    D3DXPASS_DESC pass;
    effect->GetPassDesc(effect->GetPass("First", 0), &pass);
    EXPECT_STREQ(pass.Name, "A");
}

// Applying pass A puts every named state on the device: the operation numbers are right.
void ExpectStatesApplied(ID3DXEffect* effect, IDirect3DDevice9* device)
{
    effect->SetTechnique("First");
    ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {
        {D3DRS_ZENABLE, 0}, {D3DRS_ZWRITEENABLE, 0}, {D3DRS_ZFUNC, D3DCMP_GREATER}, {D3DRS_CULLMODE, D3DCULL_CW},
        {D3DRS_ALPHABLENDENABLE, 1}, {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT}, {D3DRS_ALPHATESTENABLE, 1}, {D3DRS_ALPHAREF, 7},
        {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL}, {D3DRS_COLORWRITEENABLE, 5}, {D3DRS_FILLMODE, D3DFILL_WIREFRAME},
        {D3DRS_STENCILENABLE, 1},
    };
    for (const auto& state : states) {
        DWORD value = 0xDEAD;
        device->GetRenderState(state.first, &value);
        EXPECT_EQ(value, state.second) << "render state " << state.first;
    }
    const std::pair<D3DSAMPLERSTATETYPE, DWORD> samplerStates[] = {
        {D3DSAMP_MINFILTER, D3DTEXF_POINT}, {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}, {D3DSAMP_MIPFILTER, D3DTEXF_NONE},
        {D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP}, {D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR}, {D3DSAMP_MAXANISOTROPY, 3},
    };
    for (const auto& state : samplerStates) {
        DWORD value = 0xDEAD;
        device->GetSamplerState(2, state.first, &value);  // the sampler's register(s2)
        EXPECT_EQ(value, state.second) << "sampler state " << state.first;
    }
    effect->EndPass();
    ASSERT_EQ(effect->BeginPass(1), D3D_OK);
    DWORD filter = 0, address = 0;
    device->GetSamplerState(5, D3DSAMP_MINFILTER, &filter);
    device->GetSamplerState(5, D3DSAMP_ADDRESSW, &address);
    EXPECT_EQ(filter, DWORD(D3DTEXF_ANISOTROPIC));
    EXPECT_EQ(address, DWORD(D3DTADDRESS_BORDER));
    effect->EndPass();
    effect->End();
}

// Each shader's constant table names only what it reads: the pixel shader has no "Transform".
void ExpectConstantTables(ID3DXEffect* effect)
{
    D3DXPASS_DESC pass;
    effect->GetPassDesc(effect->GetPass("First", 0), &pass);
    ID3DXConstantTable* vs = nullptr;
    ID3DXConstantTable* ps = nullptr;
    ASSERT_EQ(D3DXGetShaderConstantTable(pass.pVertexShaderFunction, &vs), D3D_OK);
    ASSERT_EQ(D3DXGetShaderConstantTable(pass.pPixelShaderFunction, &ps), D3D_OK);
    D3DXCONSTANTTABLE_DESC vsDesc, psDesc;
    vs->GetDesc(&vsDesc);
    ps->GetDesc(&psDesc);
    EXPECT_EQ(vsDesc.Constants, 4u);  // Transform, Scale, Offset, Eye
    EXPECT_EQ(psDesc.Constants, 2u);  // Tint, PictureSampler
    D3DXCONSTANT_DESC c;
    UINT count = 1;
    ASSERT_EQ(vs->GetConstantDesc(vs->GetConstantByName(nullptr, "Transform"), &c, &count), D3D_OK);
    EXPECT_EQ(c.RegisterSet, D3DXRS_FLOAT4);
    EXPECT_EQ(c.RegisterIndex, 0u);
    EXPECT_EQ(c.RegisterCount, 4u);
    EXPECT_EQ(c.Class, D3DXPC_MATRIX_COLUMNS);
    ASSERT_EQ(ps->GetConstantDesc(ps->GetConstantByName(nullptr, "PictureSampler"), &c, &count), D3D_OK);
    EXPECT_EQ(c.RegisterSet, D3DXRS_SAMPLER);
    EXPECT_EQ(c.RegisterIndex, 2u);
    EXPECT_EQ(ps->GetConstantByName(nullptr, "Transform"), nullptr);
    vs->Release();
    ps->Release();
}

}  // namespace

TEST(Compiler, WellFormedSourceRoundTripsThroughD3DX)
{
    IDirect3DDevice9* device = SharedTestDevice();
    ASSERT_NE(device, nullptr);
    ID3DXEffect* effect = CreateFromSource(WellFormed, "fxc_roundtrip.fx");
    ASSERT_NE(effect, nullptr);
    ExpectParams(effect);
    ExpectInitialValues(effect);
    ExpectTechniques(effect);
    ExpectStatesApplied(effect, device);
    ExpectConstantTables(effect);
    effect->Release();
}

TEST(Compiler, OutputIsDeterministic)
{
    CompileResult a = CompileEffectSource(WellFormed, "a.fx");
    CompileResult b = CompileEffectSource(WellFormed, "b.fx");
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.binary, b.binary);
}
