// The runtime's shader rules in the effect compiler: each rule broken by a minimal shader and
// refused at its instruction's line, with the boundary that must pass beside it; the check of
// compiled files (fxc.exe --validate), on good, broken and damaged bytes.
#include "check_files.h"
#include "content/content_paths.h"
#include "content/effect_check.h"
#include "fxc.h"
#include "tests/support/support.h"
#include "validate.h"

#include <gtest/gtest.h>

#include <d3dx9.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

namespace {

// `at` is the instruction the error must quote and point at; no rule: the shader must compile. A
// boundary that must pass stands before the broken instruction, where its refusal would come first.
struct RuleCase {
    std::string stage, body, at, rule;
};

const std::string PS3 = "ps_3_0\n def c0, 0.5, 1, 0, 0\n";
const std::string PS2 = "ps_2_0\n def c0, 1, 1, 1, 1\n";
const std::string VS3 = "vs_3_0\n dcl_position v0\n dcl_position o0\n mov o0, v0\n";

std::string Times(int n, const std::string& line)
{
    std::string text;
    while (n-- > 0) text += line;
    return text;
}

std::vector<RuleCase> RuleCases()
{
    const std::string pixel = "PixelShader", vertex = "VertexShader";
    return {
        // read ports: two different constants, or inputs, in one instruction; the same one twice
        {pixel, PS3 + " def c1, 1, 1, 1, 1\n mad r0, c0, c0.x, c0.y\n lrp oC0, c0.x, c1, c0",
         "lrp oC0, c0.x, c1, c0", "reads 2 different c# registers (c0, c1); ps_3_0 allows 1"},
        {vertex, "vs_2_0\n dcl_position v0\n def c0, 1, 1, 1, 1\n def c1, 1, 1, 1, 1\n def c2, 0.5, 0, 0, 0\n"
                 " sincos r0.xy, c2.x, c0, c1\n mov oPos, r0.xyxy", "", ""},  // its two constants are the macro's own
        {vertex, VS3 + " dcl_normal v1\n dcl_texcoord o1\n add o1, v0, v1", "add o1, v0, v1",
         "reads 2 different v# registers (v0, v1); vs_3_0 allows 1"},
        // register ranges and directions
        {pixel, PS2 + " mov r12, c0\n mov oC0, r12", "mov r12, c0", "r12 is out of range: ps_2_0 has r0-r11"},
        {pixel, PS2 + " mov r11, c0\n mov oC0, r11", "", ""},
        {vertex, VS3 + " def c0, 1, 1, 1, 1\n mov v0, c0", "mov v0, c0", "v0 cannot be written"},
        // dcl where the model needs one; vPos only with .x, .y or .xy
        {pixel, PS3 + " mov oC0, v0", "mov oC0, v0", "v0 is used without a dcl"},
        {vertex, VS3 + " mov o1, v0", "mov o1, v0", "o1 is used without a dcl"},
        {pixel, PS3 + " dcl_texcoord v0\n texld r0, v0, s1\n mov oC0, r0", "texld r0, v0, s1", "s1 is used without a dcl"},
        {pixel, PS3 + " mov oC0, vPos.xyxy", "mov oC0, vPos.xyxy", "vPos is used without a dcl"},
        {pixel, PS3 + " dcl vPos\n mov oC0, vPos.xyxy", "dcl vPos", "dcl vPos takes the mask .x, .y or .xy, not .xyzw"},
        {pixel, PS3 + " dcl vPos.xy\n mov oC0, vPos.xyxy", "", ""},
        // vFace only as a condition
        {pixel, PS3 + " dcl vFace\n if_lt vFace, c0.x\n mov oC0, c0\n endif\n mov oC0, vFace",
         "mov oC0, vFace", "vFace may be read only as the condition of setp, if or break comparisons"},
        // sampling: into temps only; four vertex samplers; ps_2_0's full mask and plain coordinate
        {vertex, VS3 + " dcl_texcoord o1\n dcl_2d s0\n dcl_2d s3\n texldl r0, v0, s3\n texldl o1, v0, s0",
         "texldl o1, v0, s0", "the destination of texldl must be a temp register (r#), not o1"},
        {pixel, "ps_2_0\n dcl t0\n dcl_2d s0\n texld r0, t0, s0\n texld r1, r0, s0\n texld r2.xy, t0, s0",
         "texld r2.xy, t0, s0", "texld in ps_2_0 writes the full mask, not .xy"},
        {pixel, "ps_2_0\n dcl t0\n dcl_2d s0\n texld r0, t0.yxzw, s0\n mov oC0, r0", "texld r0, t0.yxzw, s0",
         "the coordinate of texld in ps_2_0 is a t# or r# register without modifier or swizzle"},
        {pixel, PS3 + " dcl_texcoord v0\n dcl_2d s0\n setp_gt p0, v0.x, c0.x\n (p0) texld r0, v0, s0\n mov oC0, r0", "", ""},
        // temps: written before read, per component; scalar forms read one component
        {pixel, PS3 + " mov r0.xy, c0\n mov oC0, r0", "mov oC0, r0", "r0.zw is read before it is written"},
        {pixel, PS3 + " mov r0.xy, c0\n mov oC0, r0.xyxy", "", ""},
        {pixel, PS3 + " mov r0.x, c0\n rcp r1.y, r0.y\n mov oC0, r1.y", "rcp r1.y, r0.y", "r0.y is read before it is written"},
        {pixel, PS3 + " mov r0.x, c0\n rcp r1.y, r0.x\n mov oC0, r1.y", "", ""},
        {vertex, VS3 + " dcl_texcoord o1\n mov r0.xyz, v0\n dp4 o1.x, r0, v0\n dp3 o1.y, r0, v0", "dp4 o1.x, r0, v0",
         "r0.w is read before it is written"},
        // slots
        {pixel, PS2 + Times(63, " mov r0, c0\n") + " mov oC0, r0", "", ""},
        {pixel, PS2 + Times(64, " mov r0, c0\n") + " mov oC0, r0", "mov oC0, r0",
         "the shader needs 65 arithmetic instruction slots; ps_2_0 allows 64"},
        {pixel, "ps_2_0\n dcl t0\n dcl_2d s0\n" + Times(32, " texld r0, t0, s0\n") + " texld r1, t0, s0\n mov oC0, r1",
         "texld r1, t0, s0", "the shader needs 33 texture instruction slots; ps_2_0 allows 32"},
        {pixel, PS3 + Times(511, " mov r0, c0\n") + " mov oC0, r0", "", ""},
        {pixel, PS3 + Times(512, " mov r0, c0\n") + " mov oC0, r0", "mov oC0, r0",
         "the shader needs 513 instruction slots; ps_3_0 allows 512"},
        // a vs_3_0 declares its position with the full mask and writes all of it
        {vertex, "vs_3_0\n dcl_position v0\n dcl_position o0\n mov o0.xyz, v0", "dcl_position o0",
         "the position output o0 is never written in .w"},
        {vertex, "vs_3_0\n dcl_position v0\n dcl_position o0.xyz\n mov o0.xyz, v0", "dcl_position o0.xyz",
         "the position output is declared with the full mask .xyzw"},
        {vertex, "vs_3_0\n dcl_position v0\n dcl_texcoord o0\n mov o0, v0", "mov o0, v0",
         "a vs_3_0 declares a position output (dcl_position o#)"},
        {vertex, "vs_3_0\n dcl_position v0\n dcl_position o3\n mov o3.xy, v0\n mov o3.zw, v0", "", ""},
    };
}

// "(line,col)" of the line that holds exactly `text`.
std::string LocationOf(const std::string& source, const std::string& text)
{
    const size_t at = source.find("\n " + text + "\n") + 2;
    const size_t line = size_t(std::count(source.begin(), source.begin() + long(at), '\n')) + 1;
    return "(" + std::to_string(line) + "," + std::to_string(at - source.rfind('\n', at - 1)) + ")";
}

std::vector<uint32_t> AssembleTokens(const std::string& text)
{
    ID3DXBuffer* code = nullptr;
    if (FAILED(D3DXAssembleShader(text.c_str(), UINT(text.size()), nullptr, nullptr, 0, &code, nullptr))) return {};
    std::vector<uint32_t> tokens(code->GetBufferSize() / 4);
    std::memcpy(tokens.data(), code->GetBufferPointer(), tokens.size() * 4);
    code->Release();
    return tokens;
}

void Replace(std::vector<uint32_t>& tokens, uint32_t from, uint32_t to) { std::replace(tokens.begin(), tokens.end(), from, to); }

// Forms the platform's assembler never writes, made by editing what it wrote.
struct TokenCase {
    std::string body;
    void (*edit)(std::vector<uint32_t>&);
    std::string rule;
};

const TokenCase TokenCases[] = {
    {PS3 + " dcl_texcoord v0\n mov oC0, v0",  // its dcl (tokens 1-3) moved behind the code
     [](std::vector<uint32_t>& t) { std::rotate(t.begin() + 1, t.begin() + 4, t.end() - 1); },
     "dcl after the first executable instruction"},
    {VS3 + " dcl_texcoord o1\n dcl_2d s0\n texldl r0, v0, s0\n mov o1, r0",
     [](std::vector<uint32_t>& t) { Replace(t, 0x0300005F, 0x03000042); }, "vertex shaders sample only with texldl, not texld"},
    {VS3 + " dcl_texcoord o1\n dcl_2d s0\n texldl r0, v0, s0\n mov o1, r0",  // s0 in its dcl and as a source
     [](std::vector<uint32_t>& t) { Replace(t, 0xA00F0800, 0xA00F0804), Replace(t, 0xA0E40800, 0xA0E40804); },
     "s4 is out of range: vs_3_0 has s0-s3"},
    {PS3 + " mov oC0, c0", [](std::vector<uint32_t>& t) { Replace(t, 0x02000001, 0x02000043); },
     "unknown instruction (opcode 67)"},
    {PS3 + " mov oC0, c0", [](std::vector<uint32_t>& t) { Replace(t, 0xA0E40000, 0xB0E40805); },  // type 11: c2048 on
     "c2053 is out of range: ps_3_0 has c0-c223"},
    {PS3 + " mov oC0, c0", [](std::vector<uint32_t>& t) { Replace(t, 0xA0E40000, 0x80E41005); },
     "ps_3_0 has no register of type 16 (number 5)"},
};

// Text in whole words, its NUL and zero padding included; `counted` puts its length first.
std::vector<uint32_t> Words(const std::string& text, bool counted)
{
    std::vector<uint32_t> out(counted + (text.size() + 4) / 4, 0);
    if (counted) out[0] = uint32_t(text.size() + 1);
    std::memcpy(out.data() + counted, text.data(), text.size());
    return out;
}

void Append(std::vector<uint32_t>& to, const std::vector<uint32_t>& more) { to.insert(to.end(), more.begin(), more.end()); }

// Laid out as the genuine compiler writes it: vertexshader vs_arr[2] = {empty, element1}, an empty
// pixelshader ps_none; pass P0 { VertexShader = named }, P1 { VertexShader = vs_arr[expression] }.
std::vector<uint8_t> GenuineFormsEffect(const std::vector<uint32_t>& element1, const std::string& named)
{
    std::vector<uint32_t> blob{0};  // offset 0: the empty string
    const auto add = [&](const std::vector<uint32_t>& more) {  // the offset of what it appends
        return Append(blob, more), uint32_t(4 * (blob.size() - more.size()));
    };
    const uint32_t arrName = add(Words("vs_arr", true)), noneName = add(Words("ps_none", true));
    const uint32_t arrType = add({16, 4, arrName, 0, 2}), arrValue = add({1, 2});
    const uint32_t noneType = add({15, 4, noneName, 0, 0}), noneValue = add({3});
    const uint32_t stateType = add({16, 4, 0, 0, 0}), state0 = add({4}), state1 = add({5});
    const uint32_t t = add(Words("T", true)), p0 = add(Words("P0", true)), p1 = add(Words("P1", true));
    std::vector<uint32_t> selector = Words("vs_arr", true);
    selector[0] = uint32_t(4 * (selector.size() - 1));
    // The expression: its tag, a constant table with no constants, no instructions, the end.
    Append(selector, {0x46580200, 0x0008FFFE, 0x42415443, 28, 0, 0x46580200, 0, 0, 0, 0, 0x0002FFFE, 0x434C5846, 0, 0xFFFF});
    std::vector<uint32_t> w = {0xFEFF0901, uint32_t(4 * blob.size())};
    Append(w, blob);
    Append(w, {2, 1, 7, 6, arrType, arrValue, 0, 0, noneType, noneValue, 0, 0,  // counts, parameters
               t, 0, 2, p0, 0, 1, 0x92, 0, stateType, state0, p1, 0, 1, 0x92, 0, stateType, state1,
               3, 2, 3, 0, 2, uint32_t(4 * element1.size())});  // object data: ps_none, vs_arr[1], vs_arr[0]
    Append(w, element1);
    Append(w, {1, 0, 0, 1, 0xFFFFFFFF, 0, 2, uint32_t(4 * selector.size())});  // resources: P1's, then P0's
    Append(w, selector);
    Append(w, {0, 0, 0xFFFFFFFF, 0, 1, uint32_t(named.size() + 1)});
    Append(w, Words(named, false));
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(w.data());
    return {bytes, bytes + 4 * w.size()};
}

}  // namespace

TEST(ShaderRules, EachBrokenRuleIsRefusedAtItsInstructionAndItsBoundaryPasses)
{
    for (const RuleCase& c : RuleCases()) {
        const std::string source = "technique T { pass P0 { " + c.stage + " = asm { " + c.body + "\n }; } }";
        const CompileResult result = CompileEffectSource(source, "rules.fx");
        if (c.rule.empty()) {
            EXPECT_TRUE(result.ok) << c.body << "\n" << result.error;
            continue;
        }
        const std::string expected = "rules.fx" + LocationOf(source, c.at) + ": error: technique T pass P0 " +
                                     (c.stage == "PixelShader" ? "pixel" : "vertex") + " shader: '" + c.at + "': " + c.rule;
        EXPECT_EQ(result.error.substr(0, expected.size()), expected) << c.body;
    }
}

TEST(ShaderRules, FormsTheAssemblerNeverWritesAreRefused)
{
    for (const TokenCase& c : TokenCases) {
        std::vector<uint32_t> tokens = AssembleTokens(c.body);
        ASSERT_FALSE(tokens.empty()) << c.body;
        ASSERT_TRUE(ValidateShader(tokens.data(), tokens.size()).violations.empty()) << c.body;
        c.edit(tokens);
        const ShaderCheck check = ValidateShader(tokens.data(), tokens.size());
        ASSERT_FALSE(check.violations.empty()) << c.rule;
        for (const ShaderViolation& v : check.violations) EXPECT_EQ(v.rule, c.rule);
    }
}

// The built effects conform; a compiled effect changed to break a rule is named down to its
// instruction; unreadable files exit 2.
TEST(ShaderRules, ValidateModeOnFiles)
{
    std::string out;
    const std::string built = std::string("fxc.exe --validate ") + ContentPath::DefaultEffect + " " + ContentPath::PostProcessEffect;
    EXPECT_EQ(RunProgram(built, out), 0u) << out;
    EXPECT_NE(out.find("Default.fx: 10 shaders checked, all conform"), std::string::npos) << out;
    EXPECT_NE(out.find("PostProcess.fx: 1 shader checked, all conform"), std::string::npos) << out;

    const CompileResult good = CompileEffectSource(
        "technique Sea { pass Calm { PixelShader = asm { " + PS3 + " def c1, 1, 1, 1, 1\n mad oC0, c0, c0.x, c0.y }; } }",
        "sea.fx");
    ASSERT_TRUE(good.ok) << good.error;
    std::vector<uint32_t> words(good.binary.size() / 4);
    std::memcpy(words.data(), good.binary.data(), good.binary.size());
    Replace(words, 0xA0550000, 0xA0550001);  // mad's c0.y becomes c1.y
    std::ofstream("fxc_broken.fx", std::ios::binary)
        .write(reinterpret_cast<const char*>(words.data()), std::streamsize(words.size() * 4));
    EXPECT_EQ(RunProgram("fxc.exe --validate fxc_broken.fx", out), 1u) << out;
    EXPECT_NE(out.find("fxc_broken.fx: technique Sea pass Calm pixel shader: instruction 3: reads 2 different c# "
                       "registers (c0, c1); ps_3_0 allows 1"), std::string::npos) << out;
    EXPECT_NE(out.find("fxc_broken.fx: 1 shader checked, 1 violation"), std::string::npos) << out;

    std::ofstream("fxc_text.fx") << "technique T { pass {} }";
    EXPECT_EQ(RunProgram("fxc.exe --validate no_such.fx fxc_text.fx fxc_broken.fx", out), 2u);
    EXPECT_NE(out.find("fxc_text.fx: error: neither a compiled effect nor a shader token stream"), std::string::npos) << out;
    EXPECT_NE(out.find("no_such.fx: error: cannot read the file"), std::string::npos) << out;
}

// What the platform loads, though our compiler never writes it: empty shaders are none; a named or
// array-selected shader is judged as its parameter, where a broken one is still found.
TEST(ShaderRules, ValidateModeOnEmptyNamedAndSelectedShaders)
{
    const auto report = [](const std::string& line, const std::string& named) {  // vs_arr[1] ends in `line`
        std::string out;
        const std::vector<uint32_t> element1 = AssembleTokens("vs_2_0\n dcl_position v0\n" + line);
        return std::to_string(CheckShaderBytes(GenuineFormsEffect(element1, named), "g", out)) + " " + out;
    };
    const std::string p0 = "g: technique T pass P0 vertex shader: ", conform = "g: 1 shader checked, all conform\n";
    EXPECT_EQ(report(" mov oPos, v0", "vs_arr[1]"),
              "0 g: parameter ps_none pixel shader: empty, no shader\ng: parameter vs_arr[0] vertex shader: empty, no shader\n"
              "g: technique T pass P1 vertex shader: picked from vs_arr by an expression; its shaders are checked as that "
              "parameter\n" + p0 + "is vs_arr[1], checked as that parameter\n" + conform);
    EXPECT_NE(report(" mov oPos, v0", "vs_arr[0]").find(p0 + "is vs_arr[0], an empty shader\n" + conform), std::string::npos);
    const std::string gone = report(" mov oPos, v0", "vs_gone");
    EXPECT_TRUE(gone[0] == '0' && gone.find(p0 + "names vs_gone, no shader parameter; not checked\ng: 1 shader checked, 1 not "
                                            "checked, all conform") != std::string::npos) << gone;
    const std::string broken = report(" mov oPos, r0", "vs_arr[1]");
    EXPECT_TRUE(broken[0] == '1' && broken.find("g: parameter vs_arr[1] vertex shader: instruction 2: r0.xyzw is read before "
                                                "it is written") != std::string::npos) << broken;
}

// A bare shader conforms, an older model is not checked; every cut of the built effect and of a
// bare shader, and random changes to both: a report, never a crash; what cannot be read exits 2
// and ends on an error line.
TEST(ShaderRules, ValidateModeOnDamagedBytes)
{
    const std::string file = ReadText(ContentPath::DefaultEffect);
    const std::vector<uint8_t> effect(file.begin(), file.end());
    std::vector<EffectShader> shaders;
    ASSERT_TRUE(ListEffectShaders(effect.data(), effect.size(), shaders));
    ASSERT_EQ(shaders.size(), 10u);
    const std::vector<uint8_t> shader(shaders[9].data, shaders[9].data + shaders[9].size);
    std::string report;
    ASSERT_EQ(CheckShaderBytes(shader, "bare", report), AllConform) << report;
    const std::vector<uint32_t> older = AssembleTokens("vs_1_1\n dcl_position v0\n mov oPos, v0");  // a model not covered
    const uint8_t* olderBytes = reinterpret_cast<const uint8_t*>(older.data());
    EXPECT_EQ(CheckShaderBytes({olderBytes, olderBytes + older.size() * 4}, "old", report), AllConform);
    EXPECT_EQ(report, "old: vertex shader: vs_1_1 is not checked\nold: 0 shaders checked, 1 not checked, all conform\n");
    // The error line ending the report of bytes that cannot be read; "" for any other outcome.
    const auto refusal = [](const std::vector<uint8_t>& bytes) {
        std::string text;
        if (CheckShaderBytes(bytes, "f", text) != Unreadable || text.empty() || text.back() != '\n') return std::string();
        const std::string last = text.substr(text.rfind('\n', text.size() - 2) + 1);
        return last.rfind("f: ", 0) == 0 && last.find(": error: ") != std::string::npos ? last : std::string();
    };
    for (size_t cut = 0; cut < effect.size(); ++cut) {
        const std::string line = refusal({effect.begin(), effect.begin() + long(cut)});
        ASSERT_NE(line.find(cut < 4 ? "neither a compiled effect" : "the effect's tables run past the end"), std::string::npos)
            << "effect cut at " << cut << ": " << line;
    }
    for (size_t cut = 0; cut < shader.size(); ++cut)
        ASSERT_NE(refusal({shader.begin(), shader.begin() + long(cut)}), "") << "shader cut at " << cut;
    EXPECT_NE(refusal({shader.begin(), shader.end() - 4}).find("the shader has no end token"), std::string::npos);
    EXPECT_NE(refusal({shader.begin(), shader.end() - 8}).find("runs past the end of the shader"), std::string::npos);
    const size_t table = 4 * (1 + (shader[6] | shader[7] << 8));  // version and constant-table comment, its last word cut
    EXPECT_NE(refusal({shader.begin(), shader.begin() + long(table)}).find("a comment runs past the end"), std::string::npos);
    std::mt19937 random(18);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> changed = round % 2 ? effect : shader;
        for (int edits = 1 + round % 4; edits > 0; --edits) changed[random() % changed.size()] = uint8_t(random());
        const CheckOutcome outcome = CheckShaderBytes(changed, "f", report);
        ASSERT_TRUE(outcome != Unreadable || !refusal(changed).empty()) << "round " << round << ": " << report;
    }
}
