#include "states.h"

#include <cctype>
#include <iterator>

namespace {

const NamedValue BoolNames[] = {{"True", 1}, {"False", 0}, {nullptr, 0}};
const NamedValue FillNames[] = {{"Point", 1}, {"Wireframe", 2}, {"Solid", 3}, {nullptr, 0}};
const NamedValue ShadeNames[] = {{"Flat", 1}, {"Gouraud", 2}, {nullptr, 0}};
const NamedValue CullNames[] = {{"None", 1}, {"CW", 2}, {"CCW", 3}, {nullptr, 0}};
const NamedValue BlendNames[] = {{"Zero", 1},         {"One", 2},          {"SrcColor", 3},   {"InvSrcColor", 4},
                                 {"SrcAlpha", 5},     {"InvSrcAlpha", 6},  {"DestAlpha", 7},  {"InvDestAlpha", 8},
                                 {"DestColor", 9},    {"InvDestColor", 10}, {"SrcAlphaSat", 11}, {nullptr, 0}};
const NamedValue CmpNames[] = {{"Never", 1},   {"Less", 2},     {"Equal", 3},        {"LessEqual", 4},
                               {"Greater", 5}, {"NotEqual", 6}, {"GreaterEqual", 7}, {"Always", 8},
                               {nullptr, 0}};
const NamedValue BlendOpNames[] = {{"Add", 1}, {"Subtract", 2}, {"RevSubtract", 3}, {"Min", 4}, {"Max", 5},
                                   {nullptr, 0}};
const NamedValue AddressNames[] = {{"Wrap", 1},   {"Mirror", 2},     {"Clamp", 3},
                                   {"Border", 4}, {"MirrorOnce", 5}, {nullptr, 0}};
const NamedValue FilterNames[] = {{"None", 0}, {"Point", 1}, {"Linear", 2}, {"Anisotropic", 3}, {nullptr, 0}};

const StateInfo PassStates[] = {
    {"ZEnable", 0x00, StateValue::Bool, BoolNames},
    {"FillMode", 0x01, StateValue::Int, FillNames},
    {"ShadeMode", 0x02, StateValue::Int, ShadeNames},
    {"ZWriteEnable", 0x03, StateValue::Bool, BoolNames},
    {"AlphaTestEnable", 0x04, StateValue::Bool, BoolNames},
    {"SrcBlend", 0x06, StateValue::Int, BlendNames},
    {"DestBlend", 0x07, StateValue::Int, BlendNames},
    {"CullMode", 0x08, StateValue::Int, CullNames},
    {"ZFunc", 0x09, StateValue::Int, CmpNames},
    {"AlphaRef", 0x0A, StateValue::Int, nullptr},
    {"AlphaFunc", 0x0B, StateValue::Int, CmpNames},
    {"DitherEnable", 0x0C, StateValue::Bool, BoolNames},
    {"AlphaBlendEnable", 0x0D, StateValue::Bool, BoolNames},
    {"FogEnable", 0x0E, StateValue::Bool, BoolNames},
    {"SpecularEnable", 0x0F, StateValue::Bool, BoolNames},
    {"StencilEnable", 0x16, StateValue::Bool, BoolNames},
    {"ColorWriteEnable", 0x49, StateValue::Int, nullptr},
    {"BlendOp", 0x4B, StateValue::Int, BlendOpNames},
    {"ScissorTestEnable", 0x4E, StateValue::Bool, BoolNames},
    {"SeparateAlphaBlendEnable", 0x63, StateValue::Bool, BoolNames},
    {"SrcBlendAlpha", 0x64, StateValue::Int, BlendNames},
    {"DestBlendAlpha", 0x65, StateValue::Int, BlendNames},
    {"BlendOpAlpha", 0x66, StateValue::Int, BlendOpNames},
    {"VertexShader", OpVertexShader, StateValue::Shader, nullptr},
    {"PixelShader", OpPixelShader, StateValue::Shader, nullptr},
};

const StateInfo SamplerStates[] = {
    {"Texture", 0xA4, StateValue::TextureRef, nullptr},
    {"AddressU", 0xA5, StateValue::Int, AddressNames},
    {"AddressV", 0xA6, StateValue::Int, AddressNames},
    {"AddressW", 0xA7, StateValue::Int, AddressNames},
    {"BorderColor", 0xA8, StateValue::Int, nullptr},
    {"MagFilter", 0xA9, StateValue::Int, FilterNames},
    {"MinFilter", 0xAA, StateValue::Int, FilterNames},
    {"MipFilter", 0xAB, StateValue::Int, FilterNames},
    {"MipMapLodBias", 0xAC, StateValue::Float, nullptr},
    {"MaxMipLevel", 0xAD, StateValue::Int, nullptr},
    {"MaxAnisotropy", 0xAE, StateValue::Int, nullptr},
    {"SRGBTexture", 0xAF, StateValue::Bool, BoolNames},
};

template <size_t N>
const StateInfo* FindIn(const StateInfo (&table)[N], const std::string& name)
{
    for (const StateInfo& state : table)
        if (SameNoCase(name, state.name)) return &state;
    return nullptr;
}

}  // namespace

bool SameNoCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

const StateInfo* FindPassState(const std::string& name) { return FindIn(PassStates, name); }
const StateInfo* FindSamplerState(const std::string& name) { return FindIn(SamplerStates, name); }

bool FindValueName(const StateInfo& state, const std::string& word, uint32_t& value)
{
    if (!state.values) return false;
    for (const NamedValue* v = state.values; v->name; ++v) {
        if (SameNoCase(word, v->name)) {
            value = v->value;
            return true;
        }
    }
    return false;
}
