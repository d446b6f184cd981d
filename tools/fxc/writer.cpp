#include "writer.h"

#include <cstring>
#include <string>

namespace {

constexpr uint32_t TypeBool = 1, TypeInt = 2, TypeFloat = 3, TypeTexture = 5, TypePixelShader = 15,
                   TypeVertexShader = 16;
constexpr uint32_t ClassScalar = 0, ClassVector = 1, ClassMatrixRows = 2, ClassObject = 4;
constexpr uint32_t NoIndex = 0xFFFFFFFF;

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

// Everything after the blob: the parameter and technique tables, then object data and resources.
struct Tables {
    std::vector<uint32_t> params, techniques, objectData, resources;
    uint32_t objectDataCount = 0, resourceCount = 0, shaderCount = 0, nextObject = 1;
};

void AppendBytes(std::vector<uint32_t>& out, const void* data, size_t size)
{
    out.push_back(static_cast<uint32_t>(size));
    PackBytes(out, data, size);
}

void AddResource(Tables& t, uint32_t technique, uint32_t index, uint32_t state, uint32_t usage, const void* data, size_t size)
{
    t.resources.insert(t.resources.end(), {technique, index, NoIndex, state, usage});
    AppendBytes(t.resources, data, size);
    t.resourceCount++;
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
        uint32_t objectType = s.kind == StateValue::TextureRef ? TypeTexture
                              : s.shaderStage == Stage::Vertex ? TypeVertexShader
                                                               : TypePixelShader;
        type = blob.Put({objectType, ClassObject, 0, 0, 0});
        value = blob.Put({t.nextObject++});
        if (s.kind == StateValue::Shader) {
            AddResource(t, technique, index, stateIndex, 0, s.bytecode.data(), s.bytecode.size());
            t.shaderCount++;
        } else {
            AddResource(t, technique, index, stateIndex, 1, s.reference.c_str(), s.reference.size() + 1);
        }
    } else {
        uint32_t scalar = s.kind == StateValue::Bool ? TypeBool : s.kind == StateValue::Int ? TypeInt : TypeFloat;
        type = blob.Put({scalar, ClassScalar, 0, 0, 0, 1, 1});
        value = blob.Put({s.bits});
    }
    out.insert(out.end(), {s.operation, s.index, type, value});
}

uint32_t ParamValue(Blob& blob, Tables& t, const Param& p, uint32_t paramIndex)
{
    if (p.kind == ParamKind::Texture) {
        uint32_t id = t.nextObject++;
        t.objectData.insert(t.objectData.end(), {id, 0});  // a texture slot carries no data
        t.objectDataCount++;
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
            t.techniques.insert(t.techniques.end(), {blob.String(pass.name), 0, static_cast<uint32_t>(pass.states.size())});
            for (size_t si = 0; si < pass.states.size(); ++si)
                PutState(blob, t, t.techniques, pass.states[si], uint32_t(ti), uint32_t(pi), uint32_t(si));
        }
    }
}

}  // namespace

std::vector<uint8_t> WriteEffectBinary(const Effect& effect)
{
    Blob blob;
    Tables t;
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
                             t.shaderCount, t.nextObject});
    file.insert(file.end(), t.params.begin(), t.params.end());
    file.insert(file.end(), t.techniques.begin(), t.techniques.end());
    file.insert(file.end(), {t.objectDataCount, t.resourceCount});
    file.insert(file.end(), t.objectData.begin(), t.objectData.end());
    file.insert(file.end(), t.resources.begin(), t.resources.end());
    std::vector<uint8_t> bytes(file.size() * 4);
    std::memcpy(bytes.data(), file.data(), bytes.size());
    return bytes;
}
