// What the effect compiler knows about one effect source after parsing: parameters with their
// registers, techniques with passes and states, and the shader blocks still as assembly text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SourceLoc {
    int line = 1;
    int col = 1;
};

// Raised for every malformed input; the driver prints it as file(line,col): error: message.
struct CompileError {
    SourceLoc loc;
    std::string message;
};

enum class Stage { Vertex = 0, Pixel = 1 };
constexpr int StageCount = 2;

enum class RegisterSet { None, Float4, Sampler };

enum class ParamKind { Scalar, Vector, Matrix, Texture, Sampler };

// Value kinds of a state assignment, as D3DX reads them when the pass or sampler is applied.
enum class StateValue { Bool, Int, Float, TextureRef, Shader };

struct StateAssign {
    SourceLoc loc;
    uint32_t operation = 0;
    uint32_t index = 0;
    StateValue kind = StateValue::Int;
    uint32_t bits = 0;            // Bool/Int: the value; Float: IEEE bits
    std::string reference;        // TextureRef: parameter name
    Stage shaderStage = Stage::Vertex;
    std::string assembly;         // Shader: the asm block text
    SourceLoc assemblyLoc;        // where that text starts in the file
    std::vector<uint8_t> bytecode;  // Shader: assembled, with its constant table
};

struct Param {
    SourceLoc loc;
    std::string name;
    std::string semantic;
    ParamKind kind = ParamKind::Scalar;
    uint32_t type = 0;           // D3DXPARAMETER_TYPE
    int rows = 1;
    int cols = 1;
    std::vector<float> initial;  // rows*cols values for numeric kinds
    // First register per stage, or -1 when the parameter lives in no register of that stage.
    int reg[StageCount] = {-1, -1};
    std::vector<StateAssign> samplerStates;

    RegisterSet registerSet() const;
    int registerCount() const;
};

struct Pass {
    SourceLoc loc;
    std::string name;
    std::vector<StateAssign> states;
};

struct Technique {
    SourceLoc loc;
    std::string name;
    std::vector<Pass> passes;
};

struct Effect {
    std::vector<Param> params;
    std::vector<Technique> techniques;
};

const Param* FindParam(const Effect& effect, const std::string& name);
