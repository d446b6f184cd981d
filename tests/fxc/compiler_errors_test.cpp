// Malformed sources: each gives "file(line,col): error: message" at the right place, the real
// fxc.exe exits non-zero with that text on stderr, and mangled sources never crash or hang it.
#include "fxc.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

namespace {

struct BadCase {
    const char* source;
    const char* location;  // "(line,col)"
    const char* message;   // part of the message
};

// Minimal shader bodies, so each case breaks one thing only.
#define VS "VertexShader = asm { vs_3_0\n dcl_position v0\n dcl_position o0\n mov o0, v0\n };"
#define PS "PixelShader = asm { ps_3_0\n mov oC0, c0\n };"

const BadCase BadCases[] = {
    {"technique T { pass { Zenabled = True; } }", "(1,22)", "unknown render state 'Zenabled'"},
    {"texture t; sampler2D s = sampler_state { Texture = <t>; MinFilter = Linear; Mip = None; };\ntechnique T { pass {} }",
     "(1,77)", "unknown sampler state 'Mip'"},
    {"sampler2D s = sampler_state { Texture = <Missing>; };\ntechnique T { pass {} }", "(1,31)",
     "unknown parameter 'Missing'"},
    {"float a : register(ps, c0);\nfloat4x4 m : register(c0);\ntechnique T { pass {} }", "(2,14)",
     "register clash: 'm' and 'a'"},
    {"float4 c : register(ps, c0);\ntechnique T { pass {\n" PS "\nPixelShader = asm { ps_3_0\n bogus r0, r1\n }; } }",
     "(6,1)", "state 'PixelShader' is set twice"},
    {"float4 c : register(ps, c0);\ntechnique T { pass { PixelShader = asm { ps_3_0\n mov oC0, c0\n frobnicate r0\n }; } }",
     "(4,1)", "shader assembly failed: Unexpected input f"},
    {"technique T { pass { " VS "\n PixelShader = asm { ps_3_0\n mov oC0, c0\n", "(6,20)", "unterminated asm block"},
    {"technique T { pass { ZEnable = True; }\n", "(1,13)", "unterminated technique block"},
    {"technique T { pass { ZEnable = True;\n", "(1,20)", "unterminated pass block"},
    {"texture t; sampler s = sampler_state { Texture = <t>;", "(1,38)", "unterminated sampler_state block"},
    {"/* never closed\ntechnique T { pass {} }", "(1,1)", "unterminated comment"},
    {"technique T { pass { CullMode = Sideways; } }", "(1,33)", "'Sideways' is not a value of state 'CullMode'"},
    {"technique T { pass {\n" PS " } }", "(2,20)", "the shader reads c0, which no parameter is bound to"},
    {"technique T { pass { VertexShader = asm { ps_3_0\n mov oC0, r0\n }; } }", "(1,42)",
     "VertexShader block holds no vertex shader"},
    {"float x; float x;\ntechnique T { pass {} }", "(1,16)", "parameter 'x' is declared twice"},
    {"float4 x = {1, 2};\ntechnique T { pass {} }", "(1,12)", "'x' needs 4 initial value(s)"},
    {"float4 x : register(vs, s0);\ntechnique T { pass {} }", "(1,12)", "'x' needs a register of the form c<number>"},
    {"float4x4 x : register(vs, c253);\ntechnique T { pass {} }", "(1,14)", "register 'c253' is out of range"},
    {"float4 x;", "(1,10)", "the effect has no technique"},
    {"technique T { }", "(1,1)", "technique 'T' has no pass"},
    {"technique T { pass { ZEnable = 7; } }", "(1,22)", "state 'ZEnable' takes True or False"},
    {"float x = 1e999;\ntechnique T { pass {} }", "(1,11)", "number out of range"},
    {"half x;", "(1,1)", "expected a parameter type or 'technique', found 'half'"},
    {"technique T { pass { ZEnable = True } }", "(1,37)", "expected ';' after the state value, found '}'"},
    {"float x\x01;", "(1,8)", "unexpected character '?'"},
    {"technique T { pass { MinFilter = Point; } }", "(1,22)", "unknown render state 'MinFilter'"},
    {"technique T { pass { MinFilter[16] = Point; } }", "(1,32)", "sampler index must be 0 to 15"},
    {"technique T { pass { MinFilter[1] = Point; MinFilter[1] = Linear; } }", "(1,44)", "state 'MinFilter' is set twice"},
};

void WriteFile(const char* path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// A result is either a binary or exactly one located error line.
bool WellReported(const CompileResult& result)
{
    if (result.ok) return !result.binary.empty();
    return result.error.rfind("fuzz.fx(", 0) == 0 && result.error.find("): error: ") != std::string::npos &&
           result.error.find('\n') == std::string::npos;
}

}  // namespace

TEST(CompilerErrors, EachMalformedSourceIsReportedAtItsPlace)
{
    for (const BadCase& c : BadCases) {
        SCOPED_TRACE(c.source);
        CompileResult result = CompileEffectSource(c.source, "bad.fx");
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error.rfind(std::string("bad.fx") + c.location + ": error: ", 0), 0u) << result.error;
        EXPECT_NE(result.error.find(c.message), std::string::npos) << result.error;
    }
}

TEST(CompilerErrors, ProgramExitCodesAndMessages)
{
    WriteFile("fxc_bad.fx", "technique T { pass { Bogus = 1; } }");
    WriteFile("fxc_good.fx", "technique T { pass { ZEnable = True; } }");
    WriteFile("fxc_out.fx", "stale");
    std::string err;
    EXPECT_EQ(RunProgram("fxc.exe fxc_bad.fx fxc_out.fx", err), 1u);
    EXPECT_NE(err.find("fxc_bad.fx(1,22): error: unknown render state 'Bogus'"), std::string::npos) << err;
    EXPECT_FALSE(FileExists("fxc_out.fx")) << "a failed compile must not leave an old output behind";

    EXPECT_EQ(RunProgram("fxc.exe fxc_good.fx fxc_out.fx", err), 0u) << err;
    EXPECT_TRUE(FileExists("fxc_out.fx"));

    EXPECT_EQ(RunProgram("fxc.exe no_such_file.fx fxc_out.fx", err), 2u);
    EXPECT_NE(err.find("no_such_file.fx: error: cannot read the file"), std::string::npos) << err;
    EXPECT_EQ(RunProgram("fxc.exe only_one_argument.fx", err), 2u);
}

// Truncations at many points and random byte changes of the real effect source.
TEST(CompilerErrors, TruncatedAndMutatedSourcesNeverCrash)
{
    const std::string source = ReadText(FXC_SHADER_DIR "/Default.fx");
    ASSERT_GT(source.size(), 1000u);
    ASSERT_TRUE(CompileEffectSource(source, "fuzz.fx").ok);
    for (size_t cut = 0; cut < source.size(); cut += 97) {
        CompileResult result = CompileEffectSource(source.substr(0, cut), "fuzz.fx");
        ASSERT_TRUE(WellReported(result)) << "cut at " << cut << ": " << result.error;
    }
    std::mt19937 random(20261207);
    const char characters[] = "{}()<>[];,=:-+/*.0123456789 \n\tcrsvxyzw_asmTrueFalse\x01\xff\"\0";
    const std::string alphabet(characters, sizeof characters - 1);  // with the NUL before the end
    for (int round = 0; round < 1000; ++round) {
        std::string mutated = source;
        for (int edits = 1 + round % 4; edits > 0; --edits) {
            size_t at = random() % mutated.size();
            char c = alphabet[random() % alphabet.size()];
            switch (random() % 3) {
            case 0: mutated[at] = c; break;
            case 1: mutated.insert(at, 1, c); break;
            default: mutated.erase(at, 1 + random() % 8); break;
            }
        }
        CompileResult result = CompileEffectSource(mutated, "fuzz.fx");
        ASSERT_TRUE(WellReported(result)) << "round " << round << ": " << result.error;
    }
}
