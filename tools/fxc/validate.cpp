#include "validate.h"

#include <d3d9.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

// Register types by the platform header's names; 3 is a0 in vertex shaders, t# in pixel shaders.
enum RegisterType : uint32_t {
    Temp = D3DSPR_TEMP, Input = D3DSPR_INPUT, Const = D3DSPR_CONST, AddressOrTexture = D3DSPR_ADDR,
    RastOut = D3DSPR_RASTOUT, AttrOut = D3DSPR_ATTROUT, Output = D3DSPR_OUTPUT, ConstInt = D3DSPR_CONSTINT,
    ColorOut = D3DSPR_COLOROUT, DepthOut = D3DSPR_DEPTHOUT, Sampler = D3DSPR_SAMPLER, ConstBool = D3DSPR_CONSTBOOL,
    Loop = D3DSPR_LOOP, Misc = D3DSPR_MISCTYPE, Label = D3DSPR_LABEL, Predicate = D3DSPR_PREDICATE
};
enum Access { Read = 1, Write = 2, ReadWrite = 3 };

// One register type of a model: how many there are, how many different ones of them one
// instruction may read, whether a dcl must name them first, which way data flows.
struct RegisterRule {
    uint32_t type;
    uint32_t count;
    uint32_t readPorts;
    bool needsDcl;
    int access;
};

struct ModelRules {
    uint32_t version;
    const char* name;
    std::vector<RegisterRule> registers;
    int slots;  // instruction slots in all; ps_2_0 counts arithmetic and texture slots apart
    int arithmeticSlots, textureSlots;
};

const ModelRules Models[] = {
    {0xFFFE0200, "vs_2_0",
     {{Temp, 12, 3, false, ReadWrite}, {Input, 16, 1, true, Read}, {Const, 256, 1, false, Read},
      {AddressOrTexture, 1, 1, false, ReadWrite}, {ConstInt, 16, 1, false, Read}, {ConstBool, 16, 1, false, Read},
      {Loop, 1, 1, false, Read}, {Label, 16, 1, false, Read}, {RastOut, 3, 0, false, Write},
      {AttrOut, 2, 0, false, Write}, {Output, 8, 0, false, Write}},
     256, 0, 0},
    {0xFFFE0300, "vs_3_0",
     {{Temp, 32, 3, false, ReadWrite}, {Input, 16, 1, true, Read}, {Const, 256, 1, false, Read},
      {AddressOrTexture, 1, 1, false, ReadWrite}, {ConstInt, 16, 1, false, Read}, {ConstBool, 16, 1, false, Read},
      {Loop, 1, 1, false, Read}, {Label, 2048, 1, false, Read}, {Predicate, 1, 1, false, ReadWrite},
      {Sampler, 4, 1, true, Read}, {Output, 12, 0, true, Write}},
     512, 0, 0},
    {0xFFFF0200, "ps_2_0",
     {{Temp, 12, 3, false, ReadWrite}, {Input, 2, 1, true, Read}, {AddressOrTexture, 8, 1, true, Read},
      {Const, 32, 1, false, Read}, {Sampler, 16, 1, true, Read}, {ColorOut, 4, 0, false, Write},
      {DepthOut, 1, 0, false, Write}},
     0, 64, 32},
    {0xFFFF0300, "ps_3_0",
     {{Temp, 32, 3, false, ReadWrite}, {Input, 10, 1, true, Read}, {Const, 224, 1, false, Read},
      {ConstInt, 16, 1, false, Read}, {ConstBool, 16, 1, false, Read}, {Loop, 1, 1, false, Read},
      {Label, 2048, 1, false, Read}, {Predicate, 1, 1, false, ReadWrite}, {Sampler, 16, 1, true, Read},
      {Misc, 2, 1, true, Read}, {ColorOut, 4, 0, false, Write}, {DepthOut, 1, 0, false, Write}},
     512, 0, 0},
};

// Which components of its sources an instruction reads, given its destination's write mask.
enum class Reads { None, PerComponent, Scalar, Dot3, Dot4, Dot2Add, Lit, Dst, Matrix, SinCos, Sign, Sample, Kill };

struct OpcodeRule {
    uint32_t opcode;
    int destinations;  // texkill's operand is encoded as a destination, but is read
    int slots;
    Reads reads;
    int matrixRows;    // m4x4 and the like read this many registers from their second source
};

const OpcodeRule Opcodes[] = {
    {D3DSIO_NOP, 0, 1, Reads::None, 0},           {D3DSIO_MOV, 1, 1, Reads::PerComponent, 0},
    {D3DSIO_ADD, 1, 1, Reads::PerComponent, 0},   {D3DSIO_SUB, 1, 1, Reads::PerComponent, 0},
    {D3DSIO_MAD, 1, 1, Reads::PerComponent, 0},   {D3DSIO_MUL, 1, 1, Reads::PerComponent, 0},
    {D3DSIO_RCP, 1, 1, Reads::Scalar, 0},         {D3DSIO_RSQ, 1, 1, Reads::Scalar, 0},
    {D3DSIO_DP3, 1, 1, Reads::Dot3, 0},           {D3DSIO_DP4, 1, 1, Reads::Dot4, 0},
    {D3DSIO_MIN, 1, 1, Reads::PerComponent, 0},   {D3DSIO_MAX, 1, 1, Reads::PerComponent, 0},
    {D3DSIO_SLT, 1, 1, Reads::PerComponent, 0},   {D3DSIO_SGE, 1, 1, Reads::PerComponent, 0},
    {D3DSIO_EXP, 1, 1, Reads::Scalar, 0},         {D3DSIO_LOG, 1, 1, Reads::Scalar, 0},
    {D3DSIO_LIT, 1, 3, Reads::Lit, 0},            {D3DSIO_DST, 1, 1, Reads::Dst, 0},
    {D3DSIO_LRP, 1, 2, Reads::PerComponent, 0},   {D3DSIO_FRC, 1, 1, Reads::PerComponent, 0},
    {D3DSIO_M4x4, 1, 4, Reads::Matrix, 4},        {D3DSIO_M4x3, 1, 3, Reads::Matrix, 3},
    {D3DSIO_M3x4, 1, 4, Reads::Matrix, 4},        {D3DSIO_M3x3, 1, 3, Reads::Matrix, 3},
    {D3DSIO_M3x2, 1, 2, Reads::Matrix, 2},        {D3DSIO_CALL, 0, 2, Reads::None, 0},
    {D3DSIO_CALLNZ, 0, 3, Reads::Scalar, 0},      {D3DSIO_LOOP, 0, 3, Reads::None, 0},
    {D3DSIO_RET, 0, 1, Reads::None, 0},           {D3DSIO_ENDLOOP, 0, 2, Reads::None, 0},
    {D3DSIO_LABEL, 0, 0, Reads::None, 0},         {D3DSIO_POW, 1, 3, Reads::Scalar, 0},
    {D3DSIO_CRS, 1, 2, Reads::Dot3, 0},           {D3DSIO_SGN, 1, 3, Reads::Sign, 0},
    {D3DSIO_ABS, 1, 1, Reads::PerComponent, 0},   {D3DSIO_NRM, 1, 3, Reads::Dot3, 0},
    {D3DSIO_SINCOS, 1, 8, Reads::SinCos, 0},      {D3DSIO_REP, 0, 3, Reads::None, 0},
    {D3DSIO_ENDREP, 0, 2, Reads::None, 0},        {D3DSIO_IF, 0, 3, Reads::Scalar, 0},
    {D3DSIO_IFC, 0, 3, Reads::Scalar, 0},         {D3DSIO_ELSE, 0, 1, Reads::None, 0},
    {D3DSIO_ENDIF, 0, 1, Reads::None, 0},         {D3DSIO_BREAK, 0, 1, Reads::None, 0},
    {D3DSIO_BREAKC, 0, 3, Reads::Scalar, 0},      {D3DSIO_MOVA, 1, 1, Reads::PerComponent, 0},
    {D3DSIO_TEXKILL, 1, 1, Reads::Kill, 0},       {D3DSIO_TEX, 1, 1, Reads::Sample, 0},
    {D3DSIO_EXPP, 1, 1, Reads::Scalar, 0},        {D3DSIO_LOGP, 1, 1, Reads::Scalar, 0},
    {D3DSIO_CND, 1, 1, Reads::PerComponent, 0},   {D3DSIO_CMP, 1, 1, Reads::PerComponent, 0},
    {D3DSIO_DP2ADD, 1, 2, Reads::Dot2Add, 0},     {D3DSIO_DSX, 1, 2, Reads::PerComponent, 0},
    {D3DSIO_DSY, 1, 2, Reads::PerComponent, 0},   {D3DSIO_TEXLDD, 1, 3, Reads::Sample, 0},
    {D3DSIO_SETP, 1, 1, Reads::PerComponent, 0},  {D3DSIO_TEXLDL, 1, 2, Reads::Sample, 0},
    {D3DSIO_BREAKP, 0, 3, Reads::Scalar, 0},
};

// The constant files past c2047 (types 11-13) are read as the c# they are.
struct Operand {
    uint32_t token;
    uint32_t encodedType() const { return ((token >> 28) & 7) | ((token >> 8) & 0x18); }
    bool highConst() const { return encodedType() >= D3DSPR_CONST2 && encodedType() <= D3DSPR_CONST4; }
    uint32_t type() const { return highConst() ? uint32_t(Const) : encodedType(); }
    uint32_t number() const { return (token & 0x7FF) + (highConst() ? 2048 * (encodedType() - D3DSPR_CONST2 + 1) : 0); }
    bool relative() const { return token & 0x2000; }
    uint32_t mask() const { return (token >> 16) & 0xF; }
    uint32_t swizzle() const { return (token >> 16) & 0xFF; }
    uint32_t modifier() const { return (token >> 24) & 0xF; }
    uint32_t key() const { return type() << 16 | number(); }
};

struct Instruction {
    int number;
    uint32_t token;
    uint32_t opcode;
    const OpcodeRule* rule;  // null for dcl, def and opcodes no rule knows
    bool declaration;
    uint32_t usage;          // a dcl's usage token
    std::vector<Operand> dst, src;
    std::vector<Operand> others;  // the predicate and relative address registers
};

struct Shader {
    const ModelRules& model;
    bool vertex;
    std::vector<Instruction> instructions;
    std::vector<ShaderViolation>& out;

    const RegisterRule* Register(uint32_t type) const
    {
        for (const RegisterRule& r : model.registers)
            if (r.type == type) return &r;
        return nullptr;
    }
    void Report(const Instruction& ins, const std::string& rule) { out.push_back({ins.number, rule}); }
};

const OpcodeRule* FindOpcode(uint32_t opcode)
{
    for (const OpcodeRule& rule : Opcodes)
        if (rule.opcode == opcode) return &rule;
    return nullptr;
}

std::string RegisterName(uint32_t type, uint32_t number, bool vertex, bool model3)
{
    const std::string n = std::to_string(number);
    switch (type) {
    case Temp: return "r" + n;
    case Input: return "v" + n;
    case Const: return "c" + n;
    case AddressOrTexture: return (vertex ? "a" : "t") + n;
    case RastOut: return number == 0 ? "oPos" : number == 1 ? "oFog" : number == 2 ? "oPts" : "oPos" + n;
    case AttrOut: return "oD" + n;
    case Output: return (model3 ? "o" : "oT") + n;
    case ConstInt: return "i" + n;
    case ColorOut: return "oC" + n;
    case DepthOut: return number == 0 ? "oDepth" : "oDepth" + n;
    case Sampler: return "s" + n;
    case ConstBool: return "b" + n;
    case Loop: return number == 0 ? "aL" : "aL" + n;
    case Misc: return number == 0 ? "vPos" : number == 1 ? "vFace" : "misc" + n;
    case Label: return "l" + n;
    case Predicate: return "p" + n;
    default: return "of type " + std::to_string(type) + " (number " + n + ")";  // no assembler name
    }
}

bool Model3(const Shader& s) { return ((s.model.version >> 8) & 0xFF) == 3; }

std::string Name(const Shader& s, const Operand& op) { return RegisterName(op.type(), op.number(), s.vertex, Model3(s)); }

// "c#" for the constants: a register's name with its number taken off.
std::string ClassName(const Shader& s, uint32_t type)
{
    std::string name = RegisterName(type, 0, s.vertex, Model3(s));
    if (name.back() == '0') name.back() = '#';
    return name;
}

std::string Components(uint32_t mask)
{
    std::string text = ".";
    for (int c = 0; c < 4; ++c)
        if (mask & (1u << c)) text += "xyzw"[c];
    return text;
}

// --- Decoding -------------------------------------------------------------------------------

bool IsParameter(uint32_t token) { return token & 0x80000000u; }

// The operand words of one instruction: destination, predicate, sources, each relative
// address after the operand it belongs to. False when they do not fit its length.
bool DecodeOperands(const uint32_t* words, size_t length, Instruction& ins)
{
    size_t i = 0;
    auto take = [&](std::vector<Operand>& into) {
        if (i >= length || !IsParameter(words[i])) return false;
        into.push_back({words[i++]});
        if (into.back().relative()) {
            if (i >= length || !IsParameter(words[i])) return false;
            ins.others.push_back({words[i++]});
        }
        return true;
    };
    if (ins.rule->destinations && !take(ins.dst)) return false;
    if ((ins.token & (1u << 28)) && !take(ins.others)) return false;
    while (i < length)
        if (!take(ins.src)) return false;
    return true;
}

bool DecodeDeclaration(const uint32_t* words, size_t length, Instruction& ins)
{
    ins.declaration = true;
    if (ins.opcode == D3DSIO_DCL) {
        if (length != 2 || !IsParameter(words[0]) || !IsParameter(words[1])) return false;
        ins.usage = words[0];
        ins.dst.push_back({words[1]});
        return true;
    }
    const size_t wanted = ins.opcode == D3DSIO_DEFB ? 2 : 5;
    if (length != wanted || !IsParameter(words[0])) return false;
    ins.dst.push_back({words[0]});
    return true;
}

// The instructions after the version token, up to the end token; or why they cannot be read.
std::string Decode(const uint32_t* tokens, size_t count, std::vector<Instruction>& out)
{
    for (size_t i = 1;;) {
        if (i >= count) return "the shader has no end token";
        const uint32_t token = tokens[i], opcode = token & 0xFFFF;
        const std::string where = "instruction " + std::to_string(out.size() + 1);
        if (token == D3DSIO_END) return "";
        if (opcode == D3DSIO_COMMENT) {
            const size_t words = (token >> 16) & 0x7FFF;
            if (count - i - 1 < words) return "a comment runs past the end of the shader";
            i += 1 + words;
            continue;
        }
        const size_t length = (token >> 24) & 0xF;
        if (IsParameter(token)) return where + " is an operand word, not an instruction";
        if (count - i - 1 < length) return where + " runs past the end of the shader";
        Instruction ins{int(out.size() + 1), token, opcode, FindOpcode(opcode), false, 0, {}, {}, {}};
        const bool declaration = opcode == D3DSIO_DCL || opcode == D3DSIO_DEF || opcode == D3DSIO_DEFI || opcode == D3DSIO_DEFB;
        const bool read = declaration ? DecodeDeclaration(tokens + i + 1, length, ins)
                                      : !ins.rule || DecodeOperands(tokens + i + 1, length, ins);
        if (!read) return where + " has malformed operands";
        out.push_back(ins);
        i += 1 + length;
    }
}

// --- The rules --------------------------------------------------------------------------------

bool Executable(const Instruction& ins) { return !ins.declaration; }
bool ReadsDestination(const Instruction& ins) { return ins.rule && ins.rule->reads == Reads::Kill; }

void CheckOperandRegister(Shader& s, const Instruction& ins, const Operand& op, int access)
{
    const RegisterRule* rule = s.Register(op.type());
    const std::string name = Name(s, op);
    if (!rule) return s.Report(ins, std::string(s.model.name) + " has no register " + name);
    if (op.number() >= rule->count) {
        const std::string range = RegisterName(op.type(), 0, s.vertex, Model3(s)) +
                                  (rule->count > 1 ? "-" + RegisterName(op.type(), rule->count - 1, s.vertex, Model3(s)) : "");
        return s.Report(ins, name + " is out of range: " + s.model.name + " has " + range);
    }
    if (access & ~rule->access) s.Report(ins, name + (access == Write ? " cannot be written" : " cannot be read"));
}

// Register types and index ranges of the model, and which may be written or read.
void CheckRegisters(Shader& s)
{
    for (const Instruction& ins : s.instructions) {
        const int dstAccess = ins.declaration ? 0 : ReadsDestination(ins) ? Read : Write;
        for (const Operand& op : ins.dst) CheckOperandRegister(s, ins, op, dstAccess);
        for (const Operand& op : ins.src) CheckOperandRegister(s, ins, op, Read);
        for (const Operand& op : ins.others) CheckOperandRegister(s, ins, op, Read);
        if (!ins.rule && !ins.declaration) s.Report(ins, "unknown instruction (opcode " + std::to_string(ins.opcode) + ")");
    }
}

// Sources an instruction reads through the register file's read ports; sincos's two
// constants in the 2_0 models are part of the instruction itself.
size_t PortedSources(const Instruction& ins)
{
    return ins.opcode == D3DSIO_SINCOS ? std::min<size_t>(ins.src.size(), 1) : ins.src.size();
}

// An instruction reads at most `readPorts` different registers of each type.
void CheckReadPorts(Shader& s)
{
    for (const Instruction& ins : s.instructions) {
        if (!Executable(ins)) continue;
        std::map<uint32_t, std::vector<Operand>> read;
        for (size_t k = 0; k < PortedSources(ins); ++k) {
            auto& same = read[ins.src[k].type()];
            const bool seen = std::any_of(same.begin(), same.end(), [&](const Operand& o) { return o.number() == ins.src[k].number(); });
            if (!seen) same.push_back(ins.src[k]);
        }
        for (const auto& [type, registers] : read) {
            const RegisterRule* rule = s.Register(type);
            if (!rule || rule->readPorts == 0 || registers.size() <= rule->readPorts) continue;
            std::string names;
            for (const Operand& op : registers) names += (names.empty() ? "" : ", ") + Name(s, op);
            s.Report(ins, "reads " + std::to_string(registers.size()) + " different " + ClassName(s, type) +
                              " registers (" + names + "); " + s.model.name + " allows " + std::to_string(rule->readPorts));
        }
    }
}

// Registers that need a dcl have one, before the first executable instruction; vPos's mask.
void CheckDeclarations(Shader& s)
{
    std::set<uint32_t> declared;
    bool executed = false;
    for (const Instruction& ins : s.instructions) {
        executed = executed || Executable(ins);
        if (ins.opcode != D3DSIO_DCL) continue;
        declared.insert(ins.dst[0].key());
        if (executed) s.Report(ins, "dcl after the first executable instruction");
        const Operand& reg = ins.dst[0];
        const uint32_t mask = reg.mask();
        if (reg.type() == Misc && reg.number() == 0 && mask != 1 && mask != 2 && mask != 3)
            s.Report(ins, "dcl vPos takes the mask .x, .y or .xy, not " + Components(mask));
    }
    for (const Instruction& ins : s.instructions) {
        if (!Executable(ins)) continue;
        std::set<uint32_t> reported;
        auto check = [&](const Operand& op) {
            const RegisterRule* rule = s.Register(op.type());
            if (rule && rule->needsDcl && !declared.count(op.key()) && reported.insert(op.key()).second)
                s.Report(ins, Name(s, op) + " is used without a dcl");
        };
        std::for_each(ins.dst.begin(), ins.dst.end(), check);
        std::for_each(ins.src.begin(), ins.src.end(), check);
    }
}

// vFace is only a condition: setp, if and break comparisons.
void CheckFace(Shader& s)
{
    for (const Instruction& ins : s.instructions) {
        if (!Executable(ins) || ins.opcode == D3DSIO_SETP || ins.opcode == D3DSIO_IFC || ins.opcode == D3DSIO_BREAKC) continue;
        for (const Operand& op : ins.src)
            if (op.type() == Misc && op.number() == 1)
                s.Report(ins, "vFace may be read only as the condition of setp, if or break comparisons");
    }
}

std::string SampleName(const Instruction& ins)
{
    if (ins.opcode == D3DSIO_TEXLDL) return "texldl";
    if (ins.opcode == D3DSIO_TEXLDD) return "texldd";
    const uint32_t control = (ins.token >> 16) & 0xFF;
    return control == 1 ? "texldp" : control == 2 ? "texldb" : "texld";
}

// Destinations, coordinates and samplers of the sampling instructions.
void CheckSampling(Shader& s)
{
    const bool ps20 = s.model.version == 0xFFFF0200;
    for (const Instruction& ins : s.instructions) {
        if (!ins.rule || ins.rule->reads != Reads::Sample) continue;
        const std::string name = SampleName(ins);
        if (s.vertex && ins.opcode != D3DSIO_TEXLDL) s.Report(ins, "vertex shaders sample only with texldl, not " + name);
        if (ins.dst[0].type() != Temp)
            s.Report(ins, "the destination of " + name + " must be a temp register (r#), not " + Name(s, ins.dst[0]));
        if (ins.src.size() < 2 || ins.src[1].type() != Sampler) {
            s.Report(ins, name + " samples through a sampler register (s#)");
            continue;
        }
        if (!ps20 || ins.opcode != D3DSIO_TEX) continue;
        if (ins.dst[0].mask() != 0xF) s.Report(ins, "texld in ps_2_0 writes the full mask, not " + Components(ins.dst[0].mask()));
        const Operand& coord = ins.src[0];
        if ((coord.type() != Temp && coord.type() != AddressOrTexture) || coord.modifier() != 0 || coord.swizzle() != 0xE4)
            s.Report(ins, "the coordinate of texld in ps_2_0 is a t# or r# register without modifier or swizzle");
    }
}

// Components of a sampled coordinate (and of texldd's gradients): as many as the texture has
// dimensions; all four for the projected, biased and level forms.
uint32_t CoordinateLanes(const Instruction& ins, const std::map<uint32_t, uint32_t>& samplerKinds)
{
    const uint32_t control = (ins.token >> 16) & 0xFF;
    if (ins.opcode == D3DSIO_TEXLDL || (ins.opcode == D3DSIO_TEX && control != 0)) return 0xF;
    const auto kind = ins.src.size() > 1 ? samplerKinds.find(ins.src[1].number()) : samplerKinds.end();
    return kind != samplerKinds.end() && kind->second >= 3 ? 0x7 : 0x3;  // 2 = 2D, 3 = cube, 4 = volume
}

// The destination lanes whose source components source k supplies; the scalar forms read their
// source's replicated component, which the w lane's swizzle names.
uint32_t SourceLanes(const Instruction& ins, size_t k, const std::map<uint32_t, uint32_t>& samplerKinds)
{
    const uint32_t dstMask = ins.dst.empty() ? 0xF : ins.dst[0].mask();
    switch (ins.rule->reads) {
    case Reads::PerComponent: return dstMask;
    case Reads::Scalar: return 0x8;
    case Reads::Dot3: return 0x7;
    case Reads::Dot4: return 0xF;
    case Reads::Dot2Add: return k < 2 ? 0x3 : 0x8;
    case Reads::Lit: return 0xB;
    case Reads::Dst: return k == 0 ? 0x6 : 0xA;
    case Reads::Matrix: return ins.opcode <= D3DSIO_M4x3 ? 0xF : 0x7;  // m4x4, m4x3 read four components
    case Reads::SinCos: return k == 0 ? 0x8 : 0xF;
    case Reads::Sign: return k == 0 ? dstMask : 0;            // sgn's other sources are scratch
    case Reads::Sample: return k == 1 ? 0 : CoordinateLanes(ins, samplerKinds);
    default: return 0;
    }
}

uint32_t Swizzled(uint32_t lanes, uint32_t swizzle)
{
    uint32_t components = 0;
    for (int lane = 0; lane < 4; ++lane)
        if (lanes & (1u << lane)) components |= 1u << ((swizzle >> (2 * lane)) & 3);
    return components;
}

// Every temp component is written before an instruction reads it (in instruction order).
void CheckTemps(Shader& s)
{
    std::map<uint32_t, uint32_t> written, samplerKinds;
    for (const Instruction& ins : s.instructions) {
        if (ins.opcode == D3DSIO_DCL && ins.dst[0].type() == Sampler) samplerKinds[ins.dst[0].number()] = (ins.usage >> 27) & 0xF;
        if (!Executable(ins) || !ins.rule) continue;
        auto check = [&](const Operand& op, uint32_t components, uint32_t rows) {
            for (uint32_t row = 0; op.type() == Temp && row < rows; ++row) {
                const uint32_t missing = components & ~written[op.number() + row];
                if (missing)
                    s.Report(ins, RegisterName(Temp, op.number() + row, s.vertex, true) + Components(missing) +
                                      " is read before it is written");
            }
        };
        for (size_t k = 0; k < ins.src.size(); ++k) {
            const uint32_t rows = ins.rule->reads == Reads::Matrix && k == 1 ? ins.rule->matrixRows : 1;
            check(ins.src[k], Swizzled(SourceLanes(ins, k, samplerKinds), ins.src[k].swizzle()), rows);
        }
        if (ReadsDestination(ins)) check(ins.dst[0], ins.dst[0].mask(), 1);
        else if (!ins.dst.empty() && ins.dst[0].type() == Temp) written[ins.dst[0].number()] |= ins.dst[0].mask();
    }
}

void CheckSlotLimit(Shader& s, bool texture, int limit, const char* what)
{
    int used = 0;
    const Instruction* first = nullptr;
    for (const Instruction& ins : s.instructions) {
        if (!Executable(ins)) continue;
        const bool isTexture = ins.rule && (ins.rule->reads == Reads::Sample || ins.rule->reads == Reads::Kill);
        if (s.model.slots == 0 && isTexture != texture) continue;
        used += ins.rule ? ins.rule->slots : 1;
        if (used > limit && !first) first = &ins;
    }
    if (first)
        s.Report(*first, "the shader needs " + std::to_string(used) + " " + what + "; " + s.model.name + " allows " +
                             std::to_string(limit));
}

void CheckSlots(Shader& s)
{
    if (s.model.slots) return CheckSlotLimit(s, false, s.model.slots, "instruction slots");
    CheckSlotLimit(s, false, s.model.arithmeticSlots, "arithmetic instruction slots");
    CheckSlotLimit(s, true, s.model.textureSlots, "texture instruction slots");
}

// A vs_3_0 declares one position output (usage 0, index 0) with the full mask and writes all of it.
void CheckPosition(Shader& s)
{
    if (s.model.version != 0xFFFE0300) return;
    const auto dcl = std::find_if(s.instructions.begin(), s.instructions.end(), [](const Instruction& ins) {
        return ins.opcode == D3DSIO_DCL && ins.dst[0].type() == Output && (ins.usage & 0xF001F) == 0;
    });
    if (dcl == s.instructions.end())
        return s.out.push_back({int(s.instructions.size()), "a vs_3_0 declares a position output (dcl_position o#)"});
    const Operand position = dcl->dst[0];
    if (position.mask() != 0xF) return s.Report(*dcl, "the position output is declared with the full mask .xyzw");
    uint32_t written = 0;
    for (const Instruction& ins : s.instructions)
        if (Executable(ins) && !ins.dst.empty() && ins.dst[0].key() == position.key()) written |= ins.dst[0].mask();
    if (written != 0xF)
        s.Report(*dcl, "the position output " + Name(s, position) + " is never written in " + Components(0xF & ~written));
}

std::string ModelName(uint32_t version)
{
    return std::string(version >> 16 == 0xFFFE ? "vs_" : "ps_") + std::to_string((version >> 8) & 0xFF) + "_" +
           std::to_string(version & 0xFF);
}

}  // namespace

ShaderCheck ValidateShader(const uint32_t* tokens, size_t count)
{
    ShaderCheck check;
    const uint32_t version = count ? tokens[0] : 0, major = (version >> 8) & 0xFF, minor = version & 0xFF;
    if ((version >> 16 != 0xFFFE && version >> 16 != 0xFFFF) || major < 1 || major > 3 || minor > 4) {
        check.malformed = "no shader version token";
        return check;
    }
    check.vertex = version >> 16 == 0xFFFE;
    check.model = ModelName(version);
    const auto model = std::find_if(std::begin(Models), std::end(Models), [&](const ModelRules& m) { return m.version == version; });
    if (model == std::end(Models)) return check;
    Shader shader{*model, check.vertex, {}, check.violations};
    check.malformed = Decode(tokens, count, shader.instructions);
    if (!check.malformed.empty()) return check;
    check.checked = true;
    for (const Instruction& ins : shader.instructions)
        check.declares.push_back(ins.declaration ? Name(shader, ins.dst[0]) : "");
    for (void (*rule)(Shader&) : {CheckRegisters, CheckReadPorts, CheckDeclarations, CheckFace, CheckSampling,
                                  CheckTemps, CheckSlots, CheckPosition})
        rule(shader);
    std::stable_sort(check.violations.begin(), check.violations.end(),
                     [](const ShaderViolation& a, const ShaderViolation& b) { return a.instruction < b.instruction; });
    return check;
}
