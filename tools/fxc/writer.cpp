#include "writer.h"

#include <cstring>
#include <string>

namespace {

constexpr uint32_t TypeInt = 2, TypeFloat = 3, TypePixelShader = 15, TypeVertexShader = 16;
constexpr uint32_t ClassScalar = 0, ClassVector = 1, ClassMatrixRows = 2, ClassObject = 4;
constexpr uint32_t NoIndex = 0xFFFFFFFF;
// The index compiled effects give every state of a sampler_state block; D3DX takes the register
// from the shader's constant table instead.
constexpr uint32_t SamplerBlockIndex = 0x100;

// Appends bytes little-endian into words, the last one padded with zeros.
void PackBytes(std::vector<uint32_t>& out, const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; i += 4) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4 && i + k < size; ++k) word |= uint32_t(bytes[i + k]) << (8 * k);
        out.push_back(word);
    }
}

// The blob: strings, typedefs and values, addressed by byte offsets from its start.
struct Blob {
    std::vector<uint32_t> words{0};  // offset 0 reads as an empty string: "no name"

    uint32_t Here() const { return static_cast<uint32_t>(words.size() * 4); }
    uint32_t Put(std::initializer_list<uint32_t> values)
    {
        uint32_t at = Here();
        words.insert(words.end(), values);
        return at;
    }
    uint32_t String(const std::string& text)
    {
        if (text.empty()) return 0;
        uint32_t at = Put({static_cast<uint32_t>(text.size() + 1)});
        PackBytes(words, text.data(), text.size() + 1);
        return at;
    }
};

// Everything after the blob: the parameter and technique tables, then object data and resources,
// one entry each, written in the reverse of the order they are made in, as compiled effects are.
struct Tables {
    const Effect& effect;
    std::vector<uint32_t> params, techniques;
    std::vector<std::vector<uint32_t>> objectData, resources;
    // Passes + shader objects + sampler elements: compiled effects' third header word.
    uint32_t headerCount = 0, nextObject = 1;
};

// technique = NoIndex: a state of the sampler parameter `index`, which is no array: element 0.
void AddResource(Tables& t, uint32_t technique, uint32_t index, uint32_t state, uint32_t usage, const void* data, size_t size)
{
    uint32_t element = technique == NoIndex ? 0 : NoIndex;
    std::vector<uint32_t> entry{technique, index, element, state, usage, static_cast<uint32_t>(size)};
    PackBytes(entry, data, size);
    t.resources.push_back(entry);
}

uint32_t ObjectTypedef(Blob& blob, const Tables& t, const StateAssign& s)
{
    uint32_t type = s.kind == StateValue::TextureRef ? FindParam(t.effect, s.reference)->type
                    : s.shaderStage == Stage::Vertex ? TypeVertexShader
                                                     : TypePixelShader;
    return blob.Put({type, ClassObject, 0, 0, 0});
}

uint32_t ParamTypedef(Blob& blob, const Param& p)
{
    uint32_t name = blob.String(p.name), semantic = blob.String(p.semantic);
    switch (p.kind) {
    case ParamKind::Scalar: return blob.Put({p.type, ClassScalar, name, semantic, 0, 1, 1});
    case ParamKind::Vector: return blob.Put({p.type, ClassVector, name, semantic, 0, uint32_t(p.cols), uint32_t(p.rows)});
    case ParamKind::Matrix: return blob.Put({p.type, ClassMatrixRows, name, semantic, 0, uint32_t(p.rows), uint32_t(p.cols)});
    default: return blob.Put({p.type, ClassObject, name, semantic, 0});
    }
}

// One state of a pass or sampler block: a nameless typedef, a value, and for object states
// a fresh object id whose data a resource entry supplies.
void PutState(Blob& blob, Tables& t, std::vector<uint32_t>& out, const StateAssign& s, uint32_t technique,
              uint32_t index, uint32_t stateIndex)
{
    uint32_t type = 0, value = 0;
    if (s.kind == StateValue::TextureRef || s.kind == StateValue::Shader) {
        type = ObjectTypedef(blob, t, s);
        value = blob.Put({t.nextObject++});
        if (s.kind == StateValue::Shader) {
            AddResource(t, technique, index, stateIndex, 0, s.bytecode.data(), s.bytecode.size());
            t.headerCount++;
        } else {
            AddResource(t, technique, index, stateIndex, 1, s.reference.c_str(), s.reference.size() + 1);
        }
    } else {
        // True and False are the INTs 1 and 0, as compiled effects type them; D3DX applies the DWORD.
        type = blob.Put({s.kind == StateValue::Float ? TypeFloat : TypeInt, ClassMatrixRows, 0, 0, 0, 1, 1});
        value = blob.Put({s.bits});
    }
    out.insert(out.end(), {s.operation, technique == NoIndex ? SamplerBlockIndex : s.index, type, value});
}

uint32_t ParamValue(Blob& blob, Tables& t, const Param& p, uint32_t paramIndex)
{
    if (p.kind == ParamKind::Texture) {
        uint32_t id = t.nextObject++;
        t.objectData.push_back({id, 0});  // a texture slot carries no data
        return blob.Put({id});
    }
    if (p.kind != ParamKind::Sampler) {
        uint32_t at = blob.Here();
        for (float f : p.initial) {
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            blob.Put({bits});
        }
        return at;
    }
    t.headerCount++;
    std::vector<uint32_t> block{static_cast<uint32_t>(p.samplerStates.size())};
    for (size_t i = 0; i < p.samplerStates.size(); ++i)
        PutState(blob, t, block, p.samplerStates[i], NoIndex, paramIndex, static_cast<uint32_t>(i));
    uint32_t at = blob.Here();
    blob.words.insert(blob.words.end(), block.begin(), block.end());
    return at;
}

void PutTechniques(Blob& blob, Tables& t, const Effect& effect)
{
    for (size_t ti = 0; ti < effect.techniques.size(); ++ti) {
        const Technique& tech = effect.techniques[ti];
        t.techniques.insert(t.techniques.end(), {blob.String(tech.name), 0, static_cast<uint32_t>(tech.passes.size())});
        for (size_t pi = 0; pi < tech.passes.size(); ++pi) {
            const Pass& pass = tech.passes[pi];
            t.headerCount++;
            t.techniques.insert(t.techniques.end(), {blob.String(pass.name), 0, static_cast<uint32_t>(pass.states.size())});
            for (size_t si = 0; si < pass.states.size(); ++si)
                PutState(blob, t, t.techniques, pass.states[si], uint32_t(ti), uint32_t(pi), uint32_t(si));
        }
    }
}

void AppendReversed(std::vector<uint32_t>& file, const std::vector<std::vector<uint32_t>>& entries)
{
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        file.insert(file.end(), entry->begin(), entry->end());
}

}  // namespace

std::vector<uint8_t> WriteEffectBinary(const Effect& effect)
{
    Blob blob;
    Tables t{effect, {}, {}, {}, {}};
    for (size_t i = 0; i < effect.params.size(); ++i) {
        const Param& p = effect.params[i];
        uint32_t type = ParamTypedef(blob, p);
        uint32_t value = ParamValue(blob, t, p, static_cast<uint32_t>(i));
        t.params.insert(t.params.end(), {type, value, 0, 0});
    }
    PutTechniques(blob, t, effect);

    std::vector<uint32_t> file{0xFEFF0901, blob.Here()};
    file.insert(file.end(), blob.words.begin(), blob.words.end());
    file.insert(file.end(), {static_cast<uint32_t>(effect.params.size()), static_cast<uint32_t>(effect.techniques.size()),
                             t.headerCount, t.nextObject});
    file.insert(file.end(), t.params.begin(), t.params.end());
    file.insert(file.end(), t.techniques.begin(), t.techniques.end());
    file.insert(file.end(), {static_cast<uint32_t>(t.objectData.size()), static_cast<uint32_t>(t.resources.size())});
    AppendReversed(file, t.objectData);
    AppendReversed(file, t.resources);
    std::vector<uint8_t> bytes(file.size() * 4);
    std::memcpy(bytes.data(), file.data(), bytes.size());
    return bytes;
}
