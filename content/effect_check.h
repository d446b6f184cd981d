// D3DX reads a compiled effect by trusting every count and offset in it: a file cut short
// makes it read past its buffer and the process dies. The loader checks the tables first.
// The effect compiler's check mode walks the same tables to find the shaders inside.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// True when the bytes are not a compiled effect (D3DX judges those itself) or when every
// table of the compiled effect lies within them and its offsets point into its data blob.
bool EffectBytesSafeToLoad(const unsigned char* data, size_t size);
// The same for a file; a file that cannot be read is left to D3DX, which reports it.
bool EffectFileSafeToLoad(const char* path);

// What a shader slot of an effect holds. A slot with no data is a null shader, never created. A pass
// state may instead name a parameter's shader ("vs_arr[1]") or pick one from a shader array by an
// expression evaluated when the pass is applied.
enum class ShaderHolds { Bytecode, Nothing, Reference, Selector };

// A shader inside a compiled effect: a pass's VertexShader or PixelShader state, or the value of
// a shader parameter. Names are numbers where the effect leaves them out.
struct EffectShader {
    std::string technique, pass;  // a pass state's
    std::string parameter;        // a parameter's, "name[element]" in an array
    const unsigned char* data;    // the bytecode
    size_t size;
    bool vertex = false;          // from the state or the parameter type
    ShaderHolds holds = ShaderHolds::Bytecode;
    std::string names;            // the parameter a Reference or Selector names
};

// False when the bytes are not a compiled effect or not safe to load; else the shaders it
// carries, in the order of its data entries.
bool ListEffectShaders(const unsigned char* data, size_t size, std::vector<EffectShader>& shaders);
