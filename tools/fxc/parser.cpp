#include "parser.h"

#include "lexer.h"
#include "states.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct Parser {
    Lexer lexer;
    Token token;  // the current, not yet consumed token
};

struct TypeName {
    const char* name;
    ParamKind kind;
    uint32_t type;
    int rows;
    int cols;
};

// D3DXPARAMETER_TYPE values: float 3, texture 5, texture2D 7, sampler 10, sampler2D 12.
const TypeName TypeNames[] = {
    {"float", ParamKind::Scalar, 3, 1, 1},     {"float2", ParamKind::Vector, 3, 1, 2},
    {"float3", ParamKind::Vector, 3, 1, 3},    {"float4", ParamKind::Vector, 3, 1, 4},
    {"float4x4", ParamKind::Matrix, 3, 4, 4},  {"texture", ParamKind::Texture, 5, 1, 1},
    {"texture2D", ParamKind::Texture, 7, 1, 1}, {"sampler", ParamKind::Sampler, 10, 1, 1},
    {"sampler2D", ParamKind::Sampler, 12, 1, 1},
};

const TypeName* FindType(const std::string& word)
{
    for (const TypeName& t : TypeNames)
        if (word == t.name) return &t;
    return nullptr;
}

std::string Describe(const Token& token)
{
    if (token.kind == TokenKind::End) return "end of file";
    return "'" + token.text + "'";
}

void Advance(Parser& p) { p.token = NextToken(p.lexer); }

bool IsPunct(const Parser& p, char c) { return p.token.kind == TokenKind::Punct && p.token.text[0] == c; }
bool IsWord(const Parser& p, const char* word) { return p.token.kind == TokenKind::Identifier && p.token.text == word; }

void Expect(Parser& p, char c, const char* where)
{
    if (!IsPunct(p, c))
        throw CompileError{p.token.loc, std::string("expected '") + c + "' " + where + ", found " + Describe(p.token)};
    Advance(p);
}

std::string ExpectIdentifier(Parser& p, const char* what)
{
    if (p.token.kind != TokenKind::Identifier)
        throw CompileError{p.token.loc, std::string("expected ") + what + ", found " + Describe(p.token)};
    std::string name = p.token.text;
    Advance(p);
    return name;
}

// Consumes a closing brace; end of file there means the block opened at `open` never closed.
bool AtBlockEnd(Parser& p, SourceLoc open, const char* block)
{
    if (p.token.kind == TokenKind::End) throw CompileError{open, std::string("unterminated ") + block + " block"};
    if (!IsPunct(p, '}')) return false;
    Advance(p);
    return true;
}

double ParseNumber(Parser& p)
{
    bool negative = false;
    if (IsPunct(p, '-') || IsPunct(p, '+')) {
        negative = IsPunct(p, '-');
        Advance(p);
    }
    if (p.token.kind != TokenKind::Number)
        throw CompileError{p.token.loc, "expected a number, found " + Describe(p.token)};
    double value = std::strtod(p.token.text.c_str(), nullptr);
    if (!std::isfinite(value) || std::fabs(value) > 3.0e38)
        throw CompileError{p.token.loc, "number out of range"};
    Advance(p);
    return negative ? -value : value;
}

uint32_t ParseWhole(Parser& p, const char* what)
{
    SourceLoc loc = p.token.loc;
    double value = ParseNumber(p);
    if (value < 0 || value > 4294967295.0 || value != std::floor(value))
        throw CompileError{loc, std::string(what) + " must be a whole number from 0 to 4294967295"};
    return static_cast<uint32_t>(value);
}

void ParseStateValue(Parser& p, const StateInfo& info, StateAssign& state);
void ParseShaderBlock(Parser& p, StateAssign& state);

void ParseTextureRef(Parser& p, StateAssign& state)
{
    Expect(p, '<', "before the texture parameter name");
    state.reference = ExpectIdentifier(p, "a texture parameter name");
    Expect(p, '>', "after the texture parameter name");
}

void ParseStateValue(Parser& p, const StateInfo& info, StateAssign& state)
{
    state.kind = info.kind;
    if (info.kind == StateValue::TextureRef) return ParseTextureRef(p, state);
    if (info.kind == StateValue::Shader) return ParseShaderBlock(p, state);
    if (info.kind == StateValue::Float) {
        float value = static_cast<float>(ParseNumber(p));
        std::memcpy(&state.bits, &value, 4);
        return;
    }
    if (p.token.kind == TokenKind::Identifier) {
        if (!FindValueName(info, p.token.text, state.bits))
            throw CompileError{p.token.loc, "'" + p.token.text + "' is not a value of state '" + info.name + "'"};
        Advance(p);
        return;
    }
    state.bits = ParseWhole(p, "a state value");
    if (info.kind == StateValue::Bool && state.bits > 1)
        throw CompileError{state.loc, std::string("state '") + info.name + "' takes True or False"};
}

void ParseShaderBlock(Parser& p, StateAssign& state)
{
    state.shaderStage = state.operation == OpVertexShader ? Stage::Vertex : Stage::Pixel;
    if (!IsWord(p, "asm"))
        throw CompileError{p.token.loc, "expected an asm { ... } block, found " + Describe(p.token)};
    // The current token is "asm" and the lexer stands right after it: the body is raw assembly,
    // read from the character after the brace rather than as tokens.
    Token brace = NextToken(p.lexer);
    if (brace.kind != TokenKind::Punct || brace.text != "{")
        throw CompileError{brace.loc, "expected '{' after asm, found " + Describe(brace)};
    SourceLoc open = brace.loc;
    state.assembly = ReadAsmBody(p.lexer, open, state.assemblyLoc);
    Advance(p);
}

// At pass level a sampler state names its sampler register: MinFilter[0] = Point.
const StateInfo* FindState(Parser& p, const std::string& name, bool sampler, StateAssign& state)
{
    if (sampler) return FindSamplerState(name);
    const StateInfo* info = FindPassState(name);
    if (info || !IsPunct(p, '[')) return info;
    info = FindSamplerState(name);
    if (!info || info->kind == StateValue::TextureRef) return nullptr;
    Advance(p);
    SourceLoc at = p.token.loc;
    state.index = ParseWhole(p, "a sampler index");
    if (state.index > 15) throw CompileError{at, "sampler index must be 0 to 15"};
    Expect(p, ']', "after the sampler index");
    return info;
}

void ParseStates(Parser& p, std::vector<StateAssign>& states, SourceLoc open, bool sampler)
{
    const char* block = sampler ? "sampler_state" : "pass";
    while (!AtBlockEnd(p, open, block)) {
        StateAssign state;
        state.loc = p.token.loc;
        std::string name = ExpectIdentifier(p, "a state name");
        const StateInfo* info = FindState(p, name, sampler, state);
        if (!info)
            throw CompileError{state.loc, std::string("unknown ") + (sampler ? "sampler" : "render") + " state '" +
                                              name + "'"};
        for (const StateAssign& earlier : states)
            if (earlier.operation == info->operation && earlier.index == state.index)
                throw CompileError{state.loc, std::string("state '") + info->name + "' is set twice"};
        state.operation = info->operation;
        Expect(p, '=', "after the state name");
        ParseStateValue(p, *info, state);
        Expect(p, ';', "after the state value");
        states.push_back(state);
    }
}

const char* StageName(Stage stage) { return stage == Stage::Vertex ? "vertex" : "pixel"; }

void CheckRegisterClash(const Effect& effect, const Param& param, Stage stage, SourceLoc loc)
{
    int s = static_cast<int>(stage);
    int first = param.reg[s], last = first + param.registerCount() - 1;
    for (const Param& other : effect.params) {
        if (other.reg[s] < 0 || other.registerSet() != param.registerSet()) continue;
        int otherLast = other.reg[s] + other.registerCount() - 1;
        if (first <= otherLast && other.reg[s] <= last)
            throw CompileError{loc, "register clash: '" + param.name + "' and '" + other.name + "' share a register in the " +
                                        StageName(stage) + " stage"};
    }
}

// register(vs, c0), register(ps, s1), or register(c4) for both stages.
void ParseRegister(Parser& p, const Effect& effect, Param& param)
{
    SourceLoc loc = p.token.loc;
    Advance(p);
    Expect(p, '(', "after 'register'");
    std::string first = ExpectIdentifier(p, "a register such as c0 or s0");
    bool stages[StageCount] = {true, true};
    if (IsPunct(p, ',')) {
        Advance(p);
        bool vs = first.compare(0, 2, "vs") == 0, ps = first.compare(0, 2, "ps") == 0;
        if (!vs && !ps) throw CompileError{loc, "register stage must be vs or ps, not '" + first + "'"};
        stages[0] = vs;
        stages[1] = ps;
        first = ExpectIdentifier(p, "a register such as c0 or s0");
    }
    Expect(p, ')', "after the register");
    RegisterSet set = param.registerSet();
    char letter = set == RegisterSet::Float4 ? 'c' : set == RegisterSet::Sampler ? 's' : '\0';
    if (!letter) throw CompileError{loc, "a texture parameter has no register; bind it through a sampler"};
    bool digits = first.size() > 1 && first.size() < 6 && first.find_first_not_of("0123456789", 1) == std::string::npos;
    if (first[0] != letter || !digits)
        throw CompileError{loc, "'" + param.name + "' needs a register of the form " + letter + "<number>, not '" + first + "'"};
    int index = std::atoi(first.c_str() + 1);
    int limit = set == RegisterSet::Float4 ? 256 : 16;
    if (index + param.registerCount() > limit) throw CompileError{loc, "register '" + first + "' is out of range"};
    for (int s = 0; s < StageCount; ++s) {
        if (!stages[s]) continue;
        if (param.reg[s] >= 0)
            throw CompileError{loc, "'" + param.name + "' already has a register in the " + StageName(Stage(s)) + " stage"};
        if (set == RegisterSet::Sampler && s == 0 && index > 3 && stages[1] == false)
            throw CompileError{loc, "vertex shaders have samplers s0 to s3 only"};
        param.reg[s] = index;
        CheckRegisterClash(effect, param, Stage(s), loc);
    }
}

void ParseNumericInit(Parser& p, const TypeName& type, Param& param)
{
    SourceLoc loc = p.token.loc;
    size_t count = static_cast<size_t>(param.rows * param.cols);
    if (p.token.kind == TokenKind::Number || IsPunct(p, '-') || IsPunct(p, '+')) {
        param.initial.push_back(static_cast<float>(ParseNumber(p)));
    } else {
        char close = '}';
        if (IsWord(p, type.name)) {
            Advance(p);
            Expect(p, '(', "after the type name");
            close = ')';
        } else {
            Expect(p, '{', "or a number as the initial value");
        }
        while (!IsPunct(p, close)) {
            if (!param.initial.empty()) Expect(p, ',', "between values");
            param.initial.push_back(static_cast<float>(ParseNumber(p)));
            if (param.initial.size() > count) break;
        }
        Expect(p, close, "after the initial values");
    }
    if (param.initial.size() != count)
        throw CompileError{loc, "'" + param.name + "' needs " + std::to_string(count) + " initial value(s)"};
}

void ParseInitializer(Parser& p, const TypeName& type, Param& param)
{
    if (param.kind == ParamKind::Texture) throw CompileError{p.token.loc, "a texture parameter takes no initial value"};
    if (param.kind != ParamKind::Sampler) return ParseNumericInit(p, type, param);
    if (!IsWord(p, "sampler_state")) throw CompileError{p.token.loc, "expected sampler_state, found " + Describe(p.token)};
    Advance(p);
    SourceLoc open = p.token.loc;
    Expect(p, '{', "after sampler_state");
    ParseStates(p, param.samplerStates, open, true);
}

void ParseParam(Parser& p, Effect& effect, const TypeName& type)
{
    Param param;
    param.loc = p.token.loc;
    Advance(p);
    param.kind = type.kind;
    param.type = type.type;
    param.rows = type.rows;
    param.cols = type.cols;
    SourceLoc nameLoc = p.token.loc;
    param.name = ExpectIdentifier(p, "a parameter name");
    if (FindParam(effect, param.name)) throw CompileError{nameLoc, "parameter '" + param.name + "' is declared twice"};
    while (IsPunct(p, ':')) {
        Advance(p);
        if (IsWord(p, "register")) {
            ParseRegister(p, effect, param);
        } else {
            param.semantic = ExpectIdentifier(p, "a semantic or register(...)");
        }
    }
    if (IsPunct(p, '=')) {
        Advance(p);
        ParseInitializer(p, type, param);
    }
    Expect(p, ';', "after the parameter declaration");
    if (param.initial.empty() && param.kind != ParamKind::Texture && param.kind != ParamKind::Sampler)
        param.initial.assign(static_cast<size_t>(param.rows * param.cols), 0.0f);
    effect.params.push_back(param);
}

void ParseTechnique(Parser& p, Effect& effect)
{
    Technique technique;
    technique.loc = p.token.loc;
    Advance(p);
    SourceLoc nameLoc = p.token.loc;
    technique.name = ExpectIdentifier(p, "a technique name");
    for (const Technique& other : effect.techniques)
        if (other.name == technique.name) throw CompileError{nameLoc, "technique '" + technique.name + "' is declared twice"};
    SourceLoc open = p.token.loc;
    Expect(p, '{', "after the technique name");
    while (!AtBlockEnd(p, open, "technique")) {
        Pass pass;
        pass.loc = p.token.loc;
        if (!IsWord(p, "pass")) throw CompileError{p.token.loc, "expected 'pass', found " + Describe(p.token)};
        Advance(p);
        if (p.token.kind == TokenKind::Identifier) pass.name = ExpectIdentifier(p, "a pass name");
        SourceLoc passOpen = p.token.loc;
        Expect(p, '{', "to open the pass");
        ParseStates(p, pass.states, passOpen, false);
        technique.passes.push_back(pass);
    }
    if (technique.passes.empty()) throw CompileError{technique.loc, "technique '" + technique.name + "' has no pass"};
    effect.techniques.push_back(technique);
}

// Texture = <name> must name a texture parameter of this effect.
void CheckTextureReferences(const Effect& effect)
{
    for (const Param& param : effect.params) {
        for (const StateAssign& state : param.samplerStates) {
            if (state.kind != StateValue::TextureRef) continue;
            const Param* target = FindParam(effect, state.reference);
            if (!target) throw CompileError{state.loc, "unknown parameter '" + state.reference + "'"};
            if (target->kind != ParamKind::Texture)
                throw CompileError{state.loc, "'" + state.reference + "' is not a texture parameter"};
        }
    }
}

}  // namespace

Effect ParseEffect(const std::string& text)
{
    Parser p;
    p.lexer.text = text;
    Advance(p);
    Effect effect;
    while (p.token.kind != TokenKind::End) {
        if (IsWord(p, "technique")) {
            ParseTechnique(p, effect);
            continue;
        }
        const TypeName* type = p.token.kind == TokenKind::Identifier ? FindType(p.token.text) : nullptr;
        if (!type) throw CompileError{p.token.loc, "expected a parameter type or 'technique', found " + Describe(p.token)};
        ParseParam(p, effect, *type);
    }
    if (effect.techniques.empty()) throw CompileError{p.token.loc, "the effect has no technique"};
    CheckTextureReferences(effect);
    return effect;
}
