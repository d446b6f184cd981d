// The text side of a shader block: the declarations the platform's assembler refuses, supplied
// as tokens, and the shader rules (validate.h) reported at the line of the offending instruction.
#pragma once

#include "fx_model.h"

#include <cstdint>
#include <string>
#include <vector>

// The block's text with each `dcl vPos[.mask]` and `dcl vFace` line left blank (Wine's assembler
// refuses them, the runtime requires them), and the tokens those lines stand for.
struct AssemblerInput {
    std::string text;
    std::vector<uint32_t> declarations;
};
AssemblerInput SupplyMiscDeclarations(const std::string& text);

// The supplied declarations go right after the version token, before the assembler's own.
void InsertDeclarations(std::vector<uint32_t>& tokens, const std::vector<uint32_t>& declarations);

// Throws CompileError at the first instruction that breaks a rule of its shader model, naming
// `owner` ("technique T pass P"), the instruction's text and the rule.
void CheckShaderRules(const StateAssign& state, const std::vector<uint32_t>& tokens, const std::string& owner);
