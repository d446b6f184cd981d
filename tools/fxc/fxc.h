// The effect compiler's entry point: effect source text in, fx_2_0 binary out.
//
// Source syntax, in short:
//   float specPower : register(ps, c4) = 25;      numeric parameters: float, float2..4, float4x4
//   float4x4 World : register(vs, c0);             matrices take 4 registers, set with SetMatrix (p * M)
//   float3 Eye : register(vs, c8) : register(ps, c2);   one register per stage; register(c8) = both
//   texture Diffuse;
//   sampler2D DiffuseSampler : register(s0) = sampler_state { Texture = <Diffuse>; MinFilter = Linear; };
//   technique Name { pass P0 { ZEnable = True; VertexShader = asm { vs_3_0 ... }; PixelShader = asm { ... }; } }
//   MinFilter[0] = Point;                          in a pass: a sampler state for sampler register 0
//   #include "lighting.fxh"                        the file's text in place of the line, anywhere;
//                                                  the name is relative to the including file's folder
// A shader's constant table lists exactly the parameters whose registers its instructions read.
// Errors: reading a constant register that is neither a parameter's nor def'd; a parameter on a
// def'd register; two parameters sharing a register in one stage (register clash). A sampler
// register no parameter names keeps whatever the device has bound there (the sprite's texture).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CompileResult {
    bool ok = false;
    std::vector<uint8_t> binary;
    std::string error;  // "file(line,col): error: message" when !ok; the file may be an included one
};

CompileResult CompileEffectSource(const std::string& text, const std::string& fileName);
