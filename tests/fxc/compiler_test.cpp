// The effect compiler: a well-formed source through D3DX (names, types, initial values, techniques,
// pass states, constant tables); malformed ones reported at their place, by fxc.exe too; mangled
// ones never crash or hang it.
#include "fxc.h"
#include "gfx/device.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

const char* const WellFormed = R"(
float Scale : register(vs, c8) = 2.5;
float2 offset : register(vs, c9) = {0.25, -0.5};
float3 Eye : SOMEWHERE : register(c10) = float3(1, 2, 3);
float4 Tint : register(ps, c0) = {0.1, 0.2, 0.3, 0.4};
float4x4 Transform : register(vs, c0) = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
texture2D Picture;
sampler2D PictureSampler : register(s2) = sampler_state {
    Texture = <Picture>; MinFilter = Point; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Mirror; MaxAnisotropy = 3; };
technique First {
    pass A {
        ZEnable = False; ZWriteEnable = False; ZFunc = Greater; CullMode = CW;
        AlphaBlendEnable = True; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = RevSubtract;
        AlphaTestEnable = True; AlphaRef = 7; AlphaFunc = GreaterEqual; ColorWriteEnable = 5;
        FillMode = Wireframe; StencilEnable = True;
        VertexShader = asm { vs_3_0
            dcl_position v0
            dcl_position o0
            dcl_texcoord0 o1
            dp4 o0.x, v0, c0      // Transform
            dp4 o0.y, v0, c1
            dp4 o0.z, v0, c2
            dp4 o0.w, v0, c3
            mul r0.xy, v0, c8.x   // Scale
            add o1.xy, r0, c9     // offset
            mov o1.zw, c10.xyxy   // Eye
        };
        PixelShader = asm { ps_3_0
            dcl_texcoord0 v0.xy
            dcl_2d s2
            texld r0, v0, s2
            mul oC0, r0, c0       // Tint
        };
    }
    pass B { CullMode = None; MinFilter[5] = Anisotropic; AddressW[5] = Border; }
}
technique Second { pass { ZEnable = True; PixelShader = asm { ps_2_0 def c1, 1, 0, 0, 1 mov oC0, c1 }; } }
)";

void ExpectParams(ID3DXEffect* effect)
{
    const struct {
        const char* name;
        D3DXPARAMETER_CLASS cls;
        D3DXPARAMETER_TYPE type;
        UINT rows, cols;
    } expected[] = {
        {"Scale", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1},          {"offset", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2},
        {"Eye", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3},            {"Tint", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4},
        {"Transform", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4}, {"Picture", D3DXPC_OBJECT, D3DXPT_TEXTURE2D, 0, 0},
        {"PictureSampler", D3DXPC_OBJECT, D3DXPT_SAMPLER2D, 0, 0}};
    D3DXEFFECT_DESC desc;
    ASSERT_EQ(effect->GetDesc(&desc), D3D_OK);
    EXPECT_TRUE(desc.Parameters == 7 && desc.Techniques == 2) << desc.Parameters << ", " << desc.Techniques;
    for (const auto& e : expected) {
        D3DXPARAMETER_DESC p;
        ASSERT_EQ(effect->GetParameterDesc(effect->GetParameterByName(nullptr, e.name), &p), D3D_OK) << e.name;
        EXPECT_TRUE(p.Class == e.cls && p.Type == e.type && p.Rows == e.rows && p.Columns == e.cols)
            << e.name << ": class " << p.Class << ", type " << p.Type << ", " << p.Rows << " x " << p.Columns;
    }
    EXPECT_EQ(effect->GetParameterBySemantic(nullptr, "SOMEWHERE"), effect->GetParameterByName(nullptr, "Eye"));
    float scale = 0, eye[3] = {};
    D3DXVECTOR4 tint;
    effect->GetFloat("Scale", &scale);
    effect->GetValue("Eye", eye, sizeof eye);
    effect->GetVector("Tint", &tint);
    EXPECT_TRUE(scale == 2.5f && eye[0] == 1 && eye[2] == 3);
    EXPECT_EQ(tint, D3DXVECTOR4(0.1f, 0.2f, 0.3f, 0.4f));
    // The passes in order: A and B in First, one in Second.
    const D3DXHANDLE a = effect->GetPassByName("First", "A");
    EXPECT_TRUE(a && a == effect->GetPass("First", 0) && effect->GetPass("First", 1) && !effect->GetPass("First", 2));
    EXPECT_TRUE(effect->GetPass("Second", 0) && !effect->GetPass("Second", 1));
}

// Applying a pass puts every named state on the device: the operation numbers are right. Sampler 2
// is the sampler's register(s2); sampler 5 gets pass B's indexed states.
void ExpectStatesApplied(ID3DXEffect* effect, IDirect3DDevice9* device)
{
    constexpr int Render = -1;  // a render state, not a sampler's
    const std::tuple<UINT, int, DWORD, DWORD> states[] = {  // pass, sampler, state, value
        {0, Render, D3DRS_ZENABLE, 0}, {0, Render, D3DRS_ZWRITEENABLE, 0}, {0, Render, D3DRS_ZFUNC, D3DCMP_GREATER},
        {0, Render, D3DRS_CULLMODE, D3DCULL_CW}, {0, Render, D3DRS_ALPHABLENDENABLE, 1},
        {0, Render, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {0, Render, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {0, Render, D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT}, {0, Render, D3DRS_ALPHATESTENABLE, 1},
        {0, Render, D3DRS_ALPHAREF, 7}, {0, Render, D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
        {0, Render, D3DRS_COLORWRITEENABLE, 5}, {0, Render, D3DRS_FILLMODE, D3DFILL_WIREFRAME},
        {0, Render, D3DRS_STENCILENABLE, 1}, {0, 2, D3DSAMP_MINFILTER, D3DTEXF_POINT},
        {0, 2, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}, {0, 2, D3DSAMP_MIPFILTER, D3DTEXF_NONE},
        {0, 2, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP}, {0, 2, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR},
        {0, 2, D3DSAMP_MAXANISOTROPY, 3}, {1, Render, D3DRS_CULLMODE, D3DCULL_NONE},
        {1, 5, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC}, {1, 5, D3DSAMP_ADDRESSW, D3DTADDRESS_BORDER}};
    IDirect3DTexture9* picture = nullptr;
    ASSERT_EQ(D3DXCreateTexture(device, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &picture), D3D_OK);
    effect->SetTexture("Picture", picture);
    effect->SetTechnique("First");
    ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
    for (UINT pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(effect->BeginPass(pass), D3D_OK);
        for (const auto& [inPass, sampler, state, want] : states) {
            DWORD value = 0xDEAD;
            if (sampler == Render) device->GetRenderState(D3DRENDERSTATETYPE(state), &value);
            else device->GetSamplerState(sampler, D3DSAMPLERSTATETYPE(state), &value);
            EXPECT_TRUE(inPass != pass || value == want) << "pass " << pass << ", sampler " << sampler << ", state "
                                                         << state << ": " << value;
        }
        effect->EndPass();
    }
    IDirect3DBaseTexture9* bound = nullptr;
    device->GetTexture(2, &bound);
    EXPECT_EQ(bound, picture) << "the sampler's Texture state";
    if (bound) bound->Release();
    effect->End();
    device->SetTexture(2, nullptr);
    picture->Release();
}

// Each shader's constant table names only what it reads (the pixel shader has no "Transform"),
// sorted by name (byte order); numeric constants default to their initial values, by register.
void ExpectConstantTables(ID3DXEffect* effect)
{
    using Table = std::vector<std::pair<std::string, std::vector<float>>>;
    D3DXPASS_DESC first, second;
    effect->GetPassDesc(effect->GetPass("First", 0), &first);
    effect->GetPassDesc(effect->GetPass("Second", 0), &second);
    const std::pair<const DWORD*, Table> shaders[] = {
        {first.pVertexShaderFunction, {{"Eye", {1, 2, 3, 0}}, {"Scale", {2.5f, 0, 0, 0}},
                                       {"Transform", {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}},
                                       {"offset", {0.25f, -0.5f, 0, 0}}}},
        {first.pPixelShaderFunction, {{"PictureSampler", {}}, {"Tint", {0.1f, 0.2f, 0.3f, 0.4f}}}},
        {second.pPixelShaderFunction, {}}};
    for (const auto& [shader, want] : shaders) {
        ID3DXConstantTable* table = nullptr;
        ASSERT_EQ(D3DXGetShaderConstantTable(shader, &table), D3D_OK);
        Table found;
        D3DXCONSTANT_DESC c;
        for (UINT i = 0, one = 1; table->GetConstantDesc(table->GetConstant(nullptr, i), &c, &one) == D3D_OK; ++i) {
            const float* value = static_cast<const float*>(c.DefaultValue);
            found.emplace_back(c.Name, std::vector<float>(value, value + (value ? c.RegisterCount * 4 : 0)));
        }
        EXPECT_EQ(found, want);
        table->Release();
    }
    EXPECT_EQ(second.pPixelShaderFunction[3 + 4], 0u) << "a table without constants points to none";
}

// Walks a compiled effect's tables (written without annotations) and checks what compiled effects
// agree on beyond what Wine's reader needs: the header's count, state indices and value types,
// resource elements, and the last two sections written last entry first.
void ExpectCompiledLayout(const std::vector<uint8_t>& bytes, uint32_t headerCount, const std::string& what)
{
    constexpr uint32_t NoIndex = 0xFFFFFFFF, TextureState = 0xA4, MipMapLodBias = 0xAC;
    std::vector<uint32_t> w(bytes.size() / 4);
    std::memcpy(w.data(), bytes.data(), w.size() * 4);
    const auto blob = [&](uint32_t offset) { return &w.at(2 + offset / 4); };
    size_t at = 2 + w.at(1) / 4;
    const uint32_t params = w.at(at), techniques = w.at(at + 1);
    EXPECT_EQ(w.at(at + 2), headerCount) << what;
    std::map<std::string, uint32_t> textureTypes;                     // by parameter name
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> textureStates;  // typedef type by (sampler, state)
    const auto expectStates = [&](const uint32_t* state, uint32_t count, uint32_t sampler) {
        for (uint32_t i = 0; i < count; ++i, state += 4) {
            const uint32_t* type = blob(state[2]);
            EXPECT_TRUE(sampler == NoIndex || state[1] == 0x100) << what << ": index of sampler block state " << i;
            if (state[0] == TextureState) textureStates[{sampler, i}] = type[0];
            const bool numeric = type[0] == (state[0] == MipMapLodBias ? D3DXPT_FLOAT : D3DXPT_INT) &&
                                 type[1] == D3DXPC_MATRIX_ROWS && type[5] == 1 && type[6] == 1;
            EXPECT_TRUE(type[1] == D3DXPC_OBJECT || numeric) << what << ": state " << state[0] << " typed " << type[0];
        }
    };
    for (uint32_t p = 0; p < params; ++p) {
        const uint32_t* type = blob(w.at(at + 4 + 4 * p));
        const uint32_t* value = blob(w.at(at + 5 + 4 * p));
        const char* name = reinterpret_cast<const char*>(blob(type[2]) + 1);
        if (type[0] >= D3DXPT_TEXTURE && type[0] <= D3DXPT_TEXTURECUBE) textureTypes[name] = type[0];
        if (type[0] >= D3DXPT_SAMPLER && type[0] <= D3DXPT_SAMPLERCUBE) expectStates(value + 1, value[0], p);
    }
    at += 4 + 4 * params;
    for (uint32_t t = 0; t < techniques; ++t) {
        uint32_t passes = w.at(at + 2);
        for (at += 3; passes > 0; --passes, at += 3 + 4 * w.at(at + 2))
            expectStates(&w.at(at + 3), w.at(at + 2), NoIndex);
    }
    const uint32_t objects = w.at(at), resources = w.at(at + 1);
    at += 2;
    for (uint32_t i = 0, last = NoIndex; i < objects; last = w.at(at), at += 2 + (w.at(at + 1) + 3) / 4, ++i)
        EXPECT_LT(w.at(at), last) << what << ": object data, last first";
    std::array<uint32_t, 4> last{};  // pass states from the last backwards, then sampler blocks likewise
    for (uint32_t i = 0; i < resources; ++i, at += 6 + (w.at(at + 5) + 3) / 4) {
        const uint32_t *entry = &w.at(at), technique = entry[0], index = entry[1], state = entry[3];
        const bool sampler = technique == NoIndex;
        const auto key = sampler ? std::array{1u, ~index, ~state, 0u} : std::array{0u, ~technique, ~index, ~state};
        EXPECT_TRUE(i == 0 || last < key) << what << ": resource " << i << " out of order";
        last = key;
        EXPECT_EQ(entry[2], sampler ? 0u : NoIndex) << what << ": element of resource " << i;
        const std::string texture = sampler ? reinterpret_cast<const char*>(entry + 6) : "";
        EXPECT_EQ(sampler ? textureStates[std::pair(index, state)] : 0, textureTypes[texture]) << what << ": " << texture;
    }
    EXPECT_EQ(at, w.size()) << what;
}

// Source, "(line,col)", part of the message. Minimal shader bodies, so each case breaks one thing.
struct BadCase {
    const char *source, *location, *message;
};
#define TECHNIQUE "\ntechnique T { pass {} }"  // after the declarations under test
#define VS "VertexShader = asm { vs_3_0\n dcl_position v0\n dcl_position o0\n mov o0, v0\n };"
#define PS "PixelShader = asm { ps_3_0\n mov oC0, c0\n };"

const BadCase BadCases[] = {
    {"technique T { pass { Zenabled = True; } }", "(1,22)", "unknown render state 'Zenabled'"},
    {"texture t; sampler2D s = sampler_state { Texture = <t>; MinFilter = Linear; Mip = None; };" TECHNIQUE,
     "(1,77)", "unknown sampler state 'Mip'"},
    {"sampler2D s = sampler_state { Texture = <Missing>; };" TECHNIQUE, "(1,31)", "unknown parameter 'Missing'"},
    {"float a : register(ps, c0);\nfloat4x4 m : register(c0);" TECHNIQUE, "(2,14)", "register clash: 'm' and 'a'"},
    {"float a : register(vs, c3);\nfloat4x4 m : register(vs, c0);" TECHNIQUE, "(2,14)", "register clash: 'm' and 'a'"},
    {"float4 c : register(ps, c0);\ntechnique T { pass {\n" PS "\nPixelShader = asm { ps_3_0\n bogus r0, r1\n }; } }",
     "(6,1)", "state 'PixelShader' is set twice"},
    {"float4 c : register(ps, c0);\ntechnique T { pass { PixelShader = asm { ps_3_0\n mov oC0, c0\n frobnicate r0\n }; } }",
     "(4,1)", "shader assembly failed: Unexpected input f"},
    {"technique T { pass { " VS "\n PixelShader = asm { ps_3_0\n mov oC0, c0\n", "(6,20)", "unterminated asm block"},
    {"technique T { pass { ZEnable = True; }\n", "(1,13)", "unterminated technique block"},
    {"technique T { pass { ZEnable = True;\n", "(1,20)", "unterminated pass block"},
    {"texture t; sampler s = sampler_state { Texture = <t>;", "(1,38)", "unterminated sampler_state block"},
    {"/* never closed" TECHNIQUE, "(1,1)", "unterminated comment"},
    {"technique T { pass { CullMode = Sideways; } }", "(1,33)", "'Sideways' is not a value of state 'CullMode'"},
    {"technique T { pass {\n" PS " } }", "(2,20)", "the shader reads c0, which no parameter is bound to"},
    {"technique T { pass { VertexShader = asm { ps_3_0\n mov oC0, r0\n }; } }", "(1,42)",
     "VertexShader block holds no vertex shader"},
    {"float x; float x;" TECHNIQUE, "(1,16)", "parameter 'x' is declared twice"},
    {"float4 x = {1, 2};" TECHNIQUE, "(1,12)", "'x' needs 4 initial value(s)"},
    {"float4 x : register(vs, s0);" TECHNIQUE, "(1,12)", "'x' needs a register of the form c<number>"},
    {"float4x4 x : register(vs, c253);" TECHNIQUE, "(1,14)", "register 'c253' is out of range"},
    {"float4 x;", "(1,10)", "the effect has no technique"},
    {"technique T { }", "(1,1)", "technique 'T' has no pass"},
    {"technique T { pass { ZEnable = 7; } }", "(1,22)", "state 'ZEnable' takes True or False"},
    {"float x = 1e999;" TECHNIQUE, "(1,11)", "number out of range"},
    {"half x;", "(1,1)", "expected a parameter type or 'technique', found 'half'"},
    {"technique T { pass { ZEnable = True } }", "(1,37)", "expected ';' after the state value, found '}'"},
    {"float x\x01;", "(1,8)", "unexpected character '?'"},
    {"technique T { pass { MinFilter = Point; } }", "(1,22)", "unknown render state 'MinFilter'"},
    {"technique T { pass { MinFilter[16] = Point; } }", "(1,32)", "sampler index must be 0 to 15"},
    {"technique T { pass { MinFilter[1] = Point; MinFilter[1] = Linear; } }", "(1,44)", "state 'MinFilter' is set twice"},
    {"float x;\n  #include \"no_such.fxh\"" TECHNIQUE, "(2,3)", "cannot open include file 'no_such.fxh'"},
};

// A result is either a binary or exactly one located error line, in the fuzzed file or one it includes.
bool WellReported(const CompileResult& result)
{
    if (result.ok) return !result.binary.empty();
    return result.error.rfind(FXC_SHADER_DIR "/", 0) == 0 && result.error.find("): error: ") != std::string::npos &&
           result.error.find('\n') == std::string::npos;
}

}  // namespace

TEST(Compiler, WellFormedSourceRoundTripsThroughD3DXAndIsDeterministic)
{
    REQUIRE_VIEWER();
    const CompileResult result = CompileEffectSource(WellFormed, "a.fx");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(CompileEffectSource(WellFormed, "b.fx").binary, result.binary);
    ID3DXEffect* effect = nullptr;
    D3DXCreateEffect(Device, result.binary.data(), UINT(result.binary.size()), nullptr, nullptr, 0, nullptr,
                     &effect, nullptr);
    ASSERT_NE(effect, nullptr);
    ExpectParams(effect);
    ExpectStatesApplied(effect, Device);
    ExpectConstantTables(effect);
    effect->Release();
}

// Nested includes, each relative to the file that names it, compile to what the text in place
// gives; an error inside an included file is reported at that file's own line.
TEST(Compiler, IncludedFilesCompileAsThoughWrittenInPlace)
{
    std::filesystem::create_directories("fxc_include/parts");
    std::ofstream("fxc_include/parts/params.fxh") << "float4 Tint : register(ps, c0);\n";
    std::ofstream("fxc_include/parts/shade.fxh") << "#include \"tint.fxh\"\nmov oC0, r0\n";
    std::ofstream("fxc_include/parts/tint.fxh") << "mul r0, r0, c0\n";
    const char* const shader = "technique T { pass { PixelShader = asm { ps_3_0\n mov r0, c0\n";
    const CompileResult inPlace = CompileEffectSource(
        std::string("float4 Tint : register(ps, c0);\n") + shader + "mul r0, r0, c0\nmov oC0, r0\n }; } }", "a.fx");
    const std::string included = std::string("#include \"parts/params.fxh\"\n") + shader + "#include \"parts/shade.fxh\"\n }; } }";
    const CompileResult result = CompileEffectSource(included, "fxc_include/b.fx");
    ASSERT_TRUE(inPlace.ok && result.ok) << inPlace.error << result.error;
    EXPECT_EQ(result.binary, inPlace.binary);

    std::ofstream("fxc_include/parts/tint.fxh") << "\nmul r0, r0, c0\nfrobnicate r0\n";
    const std::string error = CompileEffectSource(included, "fxc_include/b.fx").error;
    EXPECT_EQ(error.rfind("fxc_include/parts/tint.fxh(3,1): error: shader assembly failed", 0), 0u) << error;
}

// Small effects of our own (a pass without shaders, a sampler whose Texture is not its first state)
// and the viewer's; the header counts passes + shader states + samplers.
TEST(Compiler, TablesAreLaidOutAsCompiledEffectsLayThem)
{
    const struct {
        const char *name, *source;  // no source: the file of that name in the shader folder
        uint32_t headerCount;
    } sources[] = {
        {"well-formed", WellFormed, 3 + 3 + 1},
        {"no shaders", "technique T { pass A { ZEnable = True; CullMode = CW; } pass B { MipMapLodBias[1] = -1; } }", 2},
        {"two samplers", R"(texture A; texture2D B;
            sampler2D SA : register(s0) = sampler_state { Texture = <A>; MinFilter = Linear; };
            sampler2D SB : register(s1) = sampler_state { MipMapLodBias = 0.5; Texture = <B>; };
            technique T { pass { PixelShader = asm { ps_2_0 dcl t0.xy dcl_2d s0 dcl_2d s1
                texld r0, t0, s0 texld r1, t0, s1 add r0, r0, r1 mov oC0, r0 }; } })", 1 + 1 + 2},
        {"Default.fx", nullptr, 5 + 10 + 9}, {"PostProcess.fx", nullptr, 1 + 1}};
    for (const auto& c : sources) {
        const std::string path = std::string(FXC_SHADER_DIR "/") + c.name;
        const CompileResult result = CompileEffectSource(c.source ? c.source : ReadText(path), path);
        ASSERT_TRUE(result.ok) << result.error;
        ExpectCompiledLayout(result.binary, c.headerCount, c.name);
    }
}

TEST(CompilerErrors, EachMalformedSourceIsReportedAtItsPlace)
{
    for (const BadCase& c : BadCases) {
        CompileResult result = CompileEffectSource(c.source, "bad.fx");
        EXPECT_FALSE(result.ok) << c.source;
        EXPECT_EQ(result.error.rfind(std::string("bad.fx") + c.location + ": error: ", 0), 0u) << result.error;
        EXPECT_NE(result.error.find(c.message), std::string::npos) << result.error;
    }
}

TEST(CompilerErrors, ProgramExitCodesAndMessages)
{
    std::ofstream("fxc_bad.fx") << "technique T { pass { Bogus = 1; } }";
    std::ofstream("fxc_good.fx") << "technique T { pass { ZEnable = True; } }";
    std::ofstream("fxc_out.fx") << "stale";
    std::string err;
    EXPECT_EQ(RunProgram("fxc.exe fxc_bad.fx fxc_out.fx", err), 1u);
    EXPECT_NE(err.find("fxc_bad.fx(1,22): error: unknown render state 'Bogus'"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists("fxc_out.fx")) << "a failed compile must not leave an old output behind";

    EXPECT_EQ(RunProgram("fxc.exe fxc_good.fx fxc_out.fx", err), 0u) << err;
    EXPECT_TRUE(std::filesystem::exists("fxc_out.fx"));

    EXPECT_EQ(RunProgram("fxc.exe no_such_file.fx fxc_out.fx", err), 2u);
    EXPECT_NE(err.find("no_such_file.fx: error: cannot read the file"), std::string::npos) << err;
    EXPECT_EQ(RunProgram("fxc.exe only_one_argument.fx", err), 2u);
}

// Truncations at many points and random byte changes of the real effect source.
TEST(CompilerErrors, TruncatedAndMutatedSourcesNeverCrash)
{
    const std::string source = ReadText(FXC_SHADER_DIR "/Default.fx"), name = FXC_SHADER_DIR "/fuzz.fx";
    ASSERT_TRUE(CompileEffectSource(source, name).ok);
    for (size_t cut = 0; cut < source.size(); cut += 97) {
        CompileResult result = CompileEffectSource(source.substr(0, cut), name);
        ASSERT_TRUE(WellReported(result)) << "cut at " << cut << ": " << result.error;
    }
    std::mt19937 random(20261207);
    const char characters[] = "{}()<>[];,=:-+/*.0123456789 \n\tcrsvxyzw_asmTrueFalse\x01\xff\"\0";
    const std::string alphabet(characters, sizeof characters - 1);  // with the NUL before the end
    for (int round = 0; round < 1000; ++round) {
        std::string mutated = source;
        for (int edits = 1 + round % 4; edits > 0; --edits) {
            // Up to 8 characters replaced by up to 2 copies of one: changed, inserted or erased.
            const size_t at = random() % mutated.size(), erased = random() % 9;
            mutated.replace(at, erased, random() % 3, alphabet[random() % alphabet.size()]);
        }
        CompileResult result = CompileEffectSource(mutated, name);
        ASSERT_TRUE(WellReported(result)) << "round " << round << ": " << result.error;
    }
}
