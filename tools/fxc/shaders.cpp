#include "shaders.h"

#include "asm_source.h"

#include <d3dx9.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

namespace {

constexpr uint32_t OpDcl = 31, OpDefB = 47, OpDefI = 48, OpDef = 81, OpComment = 0xFFFE, OpEnd = 0xFFFF;
constexpr uint32_t RegConst = 2, RegSampler = 10;
constexpr uint32_t ClassScalar = 0, ClassVector = 1, ClassMatrixColumns = 3, ClassObject = 4;

uint32_t RegisterType(uint32_t token) { return ((token >> 28) & 7) | ((token >> 8) & 0x18); }

void NoteRegister(RegisterUse& use, uint32_t token, bool defined)
{
    uint32_t type = RegisterType(token), number = token & 0x7FF;
    if (type == RegConst && number < 256) (defined ? use.constDefined : use.constRead)[number] = true;
    if (type == RegSampler && number < 16) use.samplerRead[number] = true;
}

// Text padded with blank lines and spaces so the assembler's line numbers are the file's.
std::string PaddedAssembly(const StateAssign& state)
{
    std::string text(static_cast<size_t>(state.assemblyLoc.line - 1), '\n');
    text.append(static_cast<size_t>(state.assemblyLoc.col - 1), ' ');
    return text + state.assembly;
}

std::string BufferText(ID3DXBuffer* buffer)
{
    if (!buffer) return "no message";
    const char* data = static_cast<const char*>(buffer->GetBufferPointer());
    std::string text(data, strnlen(data, buffer->GetBufferSize()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text.empty() ? "no message" : text;
}

// The assembler reports "Line N: text" per problem, N counting lines of the padded text, which
// are the file's lines. One error at the first such line, the texts joined.
CompileError AssemblerError(const StateAssign& state, const std::string& text)
{
    CompileError error{state.assemblyLoc, "shader assembly failed: "};
    std::istringstream lines(text);
    std::string line, joined;
    int firstLine = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        int number = 0, used = 0;
        if (std::sscanf(line.c_str(), "Line %d: %n", &number, &used) == 1 && used > 0) {
            if (!firstLine) firstLine = number;
            line = line.substr(static_cast<size_t>(used));
        }
        if (line.empty()) continue;
        joined += (joined.empty() ? "" : "; ") + line;
    }
    error.message += joined.empty() ? "no message" : joined;
    if (firstLine > state.assemblyLoc.line) error.loc = {firstLine, 1};
    return error;
}

std::vector<uint32_t> Assemble(const StateAssign& state)
{
    const AssemblerInput input = SupplyMiscDeclarations(PaddedAssembly(state));
    const std::string& text = input.text;
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXAssembleShader(text.c_str(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, &code, &errors);
    std::string message = FAILED(hr) ? BufferText(errors) : "";
    if (errors) errors->Release();
    if (FAILED(hr) || !code) {
        if (code) code->Release();
        throw AssemblerError(state, message);
    }
    std::vector<uint32_t> tokens(code->GetBufferSize() / 4);
    std::memcpy(tokens.data(), code->GetBufferPointer(), tokens.size() * 4);
    code->Release();
    InsertDeclarations(tokens, input.declarations);
    return tokens;
}

void CheckVersion(const StateAssign& state, const std::vector<uint32_t>& tokens)
{
    uint32_t wanted = state.shaderStage == Stage::Vertex ? 0xFFFE : 0xFFFF;
    const char* stage = state.shaderStage == Stage::Vertex ? "VertexShader" : "PixelShader";
    if (tokens.size() < 2 || tokens[0] >> 16 != wanted)
        throw CompileError{state.assemblyLoc, std::string(stage) + " block holds no " +
                                                  (wanted == 0xFFFE ? "vertex" : "pixel") + " shader"};
    uint32_t major = (tokens[0] >> 8) & 0xFF;
    if (major != 2 && major != 3) throw CompileError{state.assemblyLoc, "only shader models 2 and 3 are supported"};
}

struct ConstantEntry {
    const Param* param;
    int reg;
};

// The parameters this shader reads, checked against its registers: every constant register it
// reads must belong to a parameter or a def, and no parameter may sit on a def'd register.
std::vector<ConstantEntry> BoundConstants(const Effect& effect, const StateAssign& state, const RegisterUse& use)
{
    int s = static_cast<int>(state.shaderStage);
    std::vector<bool> covered(256, false);
    std::vector<ConstantEntry> entries;
    for (const Param& param : effect.params) {
        int first = param.reg[s];
        if (first < 0) continue;
        bool read = false;
        for (int r = first; r < first + param.registerCount(); ++r) {
            bool sampler = param.registerSet() == RegisterSet::Sampler;
            if (!sampler && use.constDefined[r])
                throw CompileError{state.assemblyLoc, "register c" + std::to_string(r) + " is both set by def and bound to '" +
                                                          param.name + "'"};
            read = read || (sampler ? use.samplerRead[r] : use.constRead[r]);
            if (!sampler) covered[r] = true;
        }
        if (read) entries.push_back({&param, first});
    }
    for (int r = 0; r < 256; ++r)
        if (use.constRead[r] && !use.constDefined[r] && !covered[r])
            throw CompileError{state.assemblyLoc, "the shader reads c" + std::to_string(r) + ", which no parameter is bound to"};
    return entries;
}

struct ByteWriter {
    std::vector<uint8_t> bytes;
    size_t Here() const { return bytes.size(); }
    void U16(uint32_t v) { bytes.push_back(uint8_t(v)), bytes.push_back(uint8_t(v >> 8)); }
    void U32(uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
    void PatchU32(size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); }
    void Text(const std::string& s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
        while (bytes.size() % 4) bytes.push_back(0);
    }
};

uint32_t CtabClass(const Param& param)
{
    switch (param.kind) {
    case ParamKind::Scalar: return ClassScalar;
    case ParamKind::Vector: return ClassVector;
    case ParamKind::Matrix: return ClassMatrixColumns;  // dp4 against c(n+i) then computes p * M
    default: return ClassObject;
    }
}

// One float of a numeric constant's default value, register by register: a matrix's register
// `reg` holds its column `reg`, as its table class says.
float DefaultComponent(const Param& p, int reg, int c)
{
    if (p.kind != ParamKind::Matrix) return size_t(c) < p.initial.size() ? p.initial[size_t(c)] : 0.0f;
    return c < p.rows ? p.initial[size_t(c * p.cols + reg)] : 0.0f;
}

void PutDefaultValue(ByteWriter& w, const Param& p)
{
    for (int reg = 0; reg < p.registerCount(); ++reg) {
        for (int c = 0; c < 4; ++c) {
            float value = DefaultComponent(p, reg, c);
            uint32_t bits;
            std::memcpy(&bits, &value, 4);
            w.U32(bits);
        }
    }
}

// The constant table as D3DX reads it, laid out as compiled shaders' are: constants sorted by
// name, numeric ones with their default values. Offsets count from its first byte.
std::vector<uint8_t> BuildConstantTable(uint32_t version, std::vector<ConstantEntry> entries)
{
    std::sort(entries.begin(), entries.end(),
              [](const ConstantEntry& a, const ConstantEntry& b) { return a.param->name < b.param->name; });
    ByteWriter w;
    size_t n = entries.size();
    size_t infoAt = 28, typeAt = infoAt + 20 * n;
    w.bytes.resize(typeAt + 16 * n, 0);
    w.PatchU32(0, 28);
    w.PatchU32(8, version);
    w.PatchU32(12, static_cast<uint32_t>(n));
    w.PatchU32(16, n ? static_cast<uint32_t>(infoAt) : 0);
    w.PatchU32(4, static_cast<uint32_t>(w.Here()));
    w.Text("Tidewater fxc");
    bool vertex = version >> 16 == 0xFFFE;
    w.PatchU32(24, static_cast<uint32_t>(w.Here()));
    w.Text(std::string(vertex ? "vs_" : "ps_") + char('0' + ((version >> 8) & 0xFF)) + "_" + char('0' + (version & 0xFF)));
    for (size_t i = 0; i < n; ++i) {
        const Param& p = *entries[i].param;
        bool sampler = p.registerSet() == RegisterSet::Sampler;
        size_t info = infoAt + 20 * i, type = typeAt + 16 * i;
        w.PatchU32(info, static_cast<uint32_t>(w.Here()));
        w.Text(p.name);
        uint32_t set = sampler ? 3 : 2;
        w.PatchU32(info + 4, set | uint32_t(entries[i].reg) << 16);
        w.PatchU32(info + 8, uint32_t(p.registerCount()));
        w.PatchU32(info + 12, static_cast<uint32_t>(type));
        w.PatchU32(type, CtabClass(p) | p.type << 16);
        w.PatchU32(type + 4, uint32_t(p.rows) | uint32_t(p.cols) << 16);
        w.PatchU32(type + 8, 1);  // one element: not an array; no struct members
        if (sampler) continue;
        w.PatchU32(info + 16, static_cast<uint32_t>(w.Here()));
        PutDefaultValue(w, p);
    }
    return w.bytes;
}

std::vector<uint8_t> WithConstantTable(const std::vector<uint32_t>& tokens, const std::vector<uint8_t>& table)
{
    uint32_t dwords = static_cast<uint32_t>(1 + table.size() / 4);
    std::vector<uint32_t> out;
    out.push_back(tokens[0]);
    out.push_back(OpComment | dwords << 16);
    out.push_back(0x42415443);  // 'CTAB'
    size_t at = out.size();
    out.resize(at + table.size() / 4);
    std::memcpy(&out[at], table.data(), table.size());
    out.insert(out.end(), tokens.begin() + 1, tokens.end());
    std::vector<uint8_t> bytes(out.size() * 4);
    std::memcpy(bytes.data(), out.data(), bytes.size());
    return bytes;
}

void AssembleOne(const Effect& effect, StateAssign& state, const std::string& owner)
{
    std::vector<uint32_t> tokens = Assemble(state);
    CheckVersion(state, tokens);
    CheckShaderRules(state, tokens, owner);
    RegisterUse use = ScanRegisters(tokens);
    std::vector<ConstantEntry> entries = BoundConstants(effect, state, use);
    state.bytecode = WithConstantTable(tokens, BuildConstantTable(tokens[0], entries));
}

}  // namespace

RegisterUse ScanRegisters(const std::vector<uint32_t>& tokens)
{
    RegisterUse use;
    size_t i = 1;
    while (i < tokens.size() && tokens[i] != OpEnd) {
        uint32_t token = tokens[i], op = token & 0xFFFF;
        if (op == OpComment) {
            i += 1 + ((token >> 16) & 0x7FFF);
            continue;
        }
        size_t length = (token >> 24) & 0xF;
        if (op == OpDef || op == OpDefI || op == OpDefB) {
            if (i + 1 < tokens.size()) NoteRegister(use, tokens[i + 1], true);
        } else if (op == OpDcl) {
            if (i + 2 < tokens.size()) NoteRegister(use, tokens[i + 2], false);
        } else {
            for (size_t j = 1; j <= length && i + j < tokens.size(); ++j)
                if (tokens[i + j] & 0x80000000u) NoteRegister(use, tokens[i + j], false);
        }
        i += 1 + length;
    }
    return use;
}

void AssembleShaders(Effect& effect)
{
    for (size_t t = 0; t < effect.techniques.size(); ++t)
        for (size_t p = 0; p < effect.techniques[t].passes.size(); ++p) {
            Technique& technique = effect.techniques[t];
            const std::string owner = "technique " + (technique.name.empty() ? std::to_string(t) : technique.name) +
                                      " pass " + (technique.passes[p].name.empty() ? std::to_string(p) : technique.passes[p].name);
            for (StateAssign& state : technique.passes[p].states)
                if (state.kind == StateValue::Shader) AssembleOne(effect, state, owner);
        }
}
