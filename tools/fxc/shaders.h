// Assembles the shader blocks of an effect and gives each shader the constant table that lets
// D3DX bind the effect's parameters to its registers by name.
#pragma once

#include "fx_model.h"

#include <cstdint>
#include <vector>

// Throws CompileError at the shader block for assembler errors and register misuse.
void AssembleShaders(Effect& effect);

// Registers a shader's instructions read, found by walking its bytecode tokens.
struct RegisterUse {
    std::vector<bool> constRead = std::vector<bool>(256, false);
    std::vector<bool> constDefined = std::vector<bool>(256, false);
    std::vector<bool> samplerRead = std::vector<bool>(16, false);
};

RegisterUse ScanRegisters(const std::vector<uint32_t>& tokens);
