#include "asm_source.h"

#include "validate.h"

#include <algorithm>
#include <cctype>

namespace {

// One instruction's line of a shader block; `declares` is the register a dcl or def names,
// lower case ("v0", "vpos", "c20"), "" for the others.
struct Statement {
    SourceLoc loc;
    std::string text;
    std::string declares;
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The line with its comments (//, ;, /* */) blanked, columns kept.
std::string WithoutComments(const std::string& line, bool& inBlock)
{
    std::string code = line;
    for (size_t i = 0; i < code.size(); ++i) {
        if (inBlock) {
            if (code.compare(i, 2, "*/") == 0) inBlock = false, code[i + 1] = ' ';
        } else if (code.compare(i, 2, "/*") == 0) {
            inBlock = true, code[i + 1] = ' ';
        } else if (code.compare(i, 2, "//") == 0 || code[i] == ';') {
            return code.substr(0, i);
        } else {
            continue;
        }
        code[i] = ' ';
    }
    return code;
}

std::string DeclaredName(const std::string& text)
{
    const std::string word = Lower(text.substr(0, text.find_first_of(" \t")));
    if (word.compare(0, 3, "dcl") != 0 && word != "def" && word != "defi" && word != "defb") return "";
    const size_t from = text.find_first_not_of(" \t", word.size());
    return from == std::string::npos ? "" : Lower(text.substr(from, text.find_first_of(" \t,.", from) - from));
}

// Each line of the block that holds code, the version's first; preprocessor lines left out.
std::vector<Statement> Statements(const std::string& text, SourceLoc start)
{
    std::vector<Statement> out;
    bool inBlock = false;
    size_t begin = 0;
    for (int n = 0; begin <= text.size(); ++n) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string code = WithoutComments(text.substr(begin, end - begin), inBlock);
        begin = end + 1;
        const size_t first = code.find_first_not_of(" \t\r");
        if (first == std::string::npos || code[first] == '#') continue;
        const std::string statement = code.substr(first, code.find_last_not_of(" \t\r") + 1 - first);
        out.push_back({{start.line + n, int(first) + 1 + (n == 0 ? start.col - 1 : 0)}, statement, DeclaredName(statement)});
    }
    return out;
}

// The line an instruction came from: a dcl or def by the register it names (the assembler
// moves them ahead of the code), the rest in order. Null where text and tokens do not line up.
const Statement* StatementOf(const std::vector<Statement>& statements, const ShaderCheck& check, int instruction)
{
    if (instruction < 1 || size_t(instruction) > check.declares.size() || statements.empty()) return nullptr;
    const std::string declared = Lower(check.declares[size_t(instruction) - 1]);
    std::vector<const Statement*> code;
    for (size_t i = 1; i < statements.size(); ++i) {
        if (!declared.empty() && statements[i].declares == declared) return &statements[i];
        if (statements[i].declares.empty()) code.push_back(&statements[i]);
    }
    const auto isCode = [](const std::string& d) { return d.empty(); };
    const size_t before = size_t(std::count_if(check.declares.begin(), check.declares.begin() + instruction - 1, isCode));
    const size_t all = size_t(std::count_if(check.declares.begin(), check.declares.end(), isCode));
    return declared.empty() && code.size() == all ? code[before] : nullptr;
}

// ".xy" as a write mask; 0 when the text is not one.
uint32_t MaskOf(const std::string& text)
{
    if (text.empty()) return 0xF;
    if (text[0] != '.') return 0;
    uint32_t mask = 0;
    for (char c : text.substr(1)) {
        const size_t at = std::string("xyzw").find(c), colour = std::string("rgba").find(c);
        if (at == std::string::npos && colour == std::string::npos) return 0;
        mask |= 1u << (at != std::string::npos ? at : colour);
    }
    return mask;
}

// The destination token of a `dcl vPos[.mask]` or `dcl vFace` line, misc register type 17 (its
// bits at 28-30 and 11-12), number 0 or 1; 0 for any other line.
uint32_t MiscDeclaration(const std::string& code)
{
    const std::string lower = Lower(code);
    if (lower.compare(0, 4, "dcl ") != 0 && lower.compare(0, 4, "dcl\t") != 0) return 0;
    const size_t name = lower.find_first_not_of(" \t", 3);  // the line ends in no blank
    for (uint32_t number : {0u, 1u}) {
        const std::string reg = number ? "vface" : "vpos";
        if (lower.compare(name, reg.size(), reg) != 0) continue;
        const uint32_t mask = MaskOf(code.substr(name + reg.size()));
        return mask ? 0x90001000 | mask << 16 | number : 0;
    }
    return 0;
}

}  // namespace

AssemblerInput SupplyMiscDeclarations(const std::string& text)
{
    AssemblerInput input{text, {}};
    bool inBlock = false;
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        std::string code = WithoutComments(text.substr(begin, end - begin), inBlock);
        code.erase(0, code.find_first_not_of(" \t"));
        code.erase(code.find_last_not_of(" \t\r") + 1);
        if (const uint32_t declared = MiscDeclaration(code)) {
            input.declarations.insert(input.declarations.end(), {0x0200001F, 0x80000000, declared});  // dcl, no usage
            std::fill(input.text.begin() + long(begin), input.text.begin() + long(end), ' ');
        }
        begin = end + 1;
    }
    return input;
}

void InsertDeclarations(std::vector<uint32_t>& tokens, const std::vector<uint32_t>& declarations)
{
    if (!tokens.empty()) tokens.insert(tokens.begin() + 1, declarations.begin(), declarations.end());
}

void CheckShaderRules(const StateAssign& state, const std::vector<uint32_t>& tokens, const std::string& owner)
{
    const ShaderCheck check = ValidateShader(tokens.data(), tokens.size());
    const std::string shader = owner + " " + (check.vertex ? "vertex" : "pixel") + " shader: ";
    if (!check.malformed.empty()) throw CompileError{state.assemblyLoc, shader + check.malformed};
    if (check.violations.empty()) return;
    const ShaderViolation& first = check.violations.front();
    const std::vector<Statement> statements = Statements(state.assembly, state.assemblyLoc);
    const Statement* at = StatementOf(statements, check, first.instruction);
    std::string message = shader + (at ? "'" + at->text + "'" : "instruction " + std::to_string(first.instruction)) + ": " + first.rule;
    if (check.violations.size() > 1) message += " (and " + std::to_string(check.violations.size() - 1) + " more)";
    throw CompileError{at ? at->loc : state.assemblyLoc, message};
}
