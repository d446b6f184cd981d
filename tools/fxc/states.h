// The render and sampler states an effect source may set, by name, with D3DX's operation numbers.
#pragma once

#include "fx_model.h"

#include <cstdint>
#include <string>

struct NamedValue {
    const char* name;
    uint32_t value;
};

struct StateInfo {
    const char* name;
    uint32_t operation;
    StateValue kind;
    const NamedValue* values;  // value names for enumerated states, null-terminated; or null
};

// Both lookups ignore case, as effect sources usually do.
const StateInfo* FindPassState(const std::string& name);
const StateInfo* FindSamplerState(const std::string& name);
bool FindValueName(const StateInfo& state, const std::string& word, uint32_t& value);
bool SameNoCase(const std::string& a, const char* b);

constexpr uint32_t OpVertexShader = 0x92;
constexpr uint32_t OpPixelShader = 0x93;
