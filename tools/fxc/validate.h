// The rules a Direct3D 9 runtime holds a shader's token stream to when it creates the shader,
// and so when D3DX loads an effect on Windows; covered: vs_2_0, vs_3_0, ps_2_0, ps_3_0. Wine
// checks almost none of them: SHADER_RULES.md beside this file lists what draws here and fails
// there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ShaderViolation {
    int instruction;  // counted from 1 after the version token; comments do not count
    std::string rule;
};

struct ShaderCheck {
    bool vertex = false;
    std::string model;      // "ps_3_0"
    bool checked = false;   // false for a model the rules do not cover, or a malformed stream
    std::string malformed;  // why the words cannot be read as a shader; empty when they can
    std::vector<ShaderViolation> violations;  // in instruction order
    // Per instruction, the register a dcl or def declares ("v0", "vPos", "c20"); "" for others.
    std::vector<std::string> declares;
};

ShaderCheck ValidateShader(const uint32_t* tokens, size_t count);
