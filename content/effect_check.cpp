#include "content/effect_check.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace {

const uint32_t CompiledEffectTag = 0xFEFF0901;
const uint32_t StateVertexShader = 0x92, StatePixelShader = 0x93;
const uint32_t TypePixelShader = 15, TypeVertexShader = 16;
const uint32_t NoTechnique = 0xFFFFFFFF;

// Where the shaders sit, noted on the walk: each pass's state operations, the object ids of
// shader parameters.
struct PassNotes {
    uint32_t name;
    std::vector<uint32_t> operations;
};
struct TechniqueNotes {
    uint32_t name;
    std::vector<PassNotes> passes;
};
struct ShaderSlot {
    std::string name;  // "name[element]" in an array
    bool vertex;
};

// Reads DWORDs in order; any read past the end marks the whole walk as failed.
struct TableReader {
    const unsigned char* data;
    size_t size;
    size_t pos;
    uint32_t blobSize;
    bool ok;
    std::vector<TechniqueNotes> techniques;
    std::map<uint32_t, ShaderSlot> shaderParameters;  // by object id
    std::vector<EffectShader>* shaders;

    uint32_t Next()
    {
        if (!ok || size - pos < 4) return Fail();
        uint32_t value;
        std::memcpy(&value, data + pos, 4);
        pos += 4;
        return value;
    }
    void Skip(uint32_t bytes)
    {
        const size_t padded = (static_cast<size_t>(bytes) + 3) & ~static_cast<size_t>(3);
        if (!ok || size - pos < padded) Fail();
        else pos += padded;
    }
    uint32_t BlobOffset()
    {
        const uint32_t offset = Next();
        if (offset >= blobSize) Fail();
        return offset;
    }
    uint32_t Fail()
    {
        ok = false;
        return 0;
    }
    // A word of the blob; 0 outside it (the blob itself lies within the bytes once `ok`).
    uint32_t BlobWord(uint32_t offset) const
    {
        if (!ok || offset > blobSize || blobSize - offset < 4) return 0;
        uint32_t value;
        std::memcpy(&value, data + 8 + offset, 4);
        return value;
    }
    std::string BlobString(uint32_t offset, size_t number) const
    {
        const uint32_t length = BlobWord(offset);
        if (length == 0 || blobSize - offset - 4 < length) return std::to_string(number);
        const char* text = reinterpret_cast<const char*>(data + 8 + offset + 4);
        return std::string(text, strnlen(text, length));
    }
};

// typedef offset and value offset, both into the blob
void ReadTypedValue(TableReader& r, uint32_t* type = nullptr, uint32_t* value = nullptr)
{
    const uint32_t t = r.BlobOffset(), v = r.BlobOffset();
    if (type) *type = t;
    if (value) *value = v;
}

void ReadAnnotations(TableReader& r, uint32_t count)
{
    for (uint32_t i = 0; i < count && r.ok; ++i) ReadTypedValue(r);
}

// A shader parameter's value is one object id per element (typedef: type, class, name,
// semantic, elements).
void NoteShaderParameter(TableReader& r, uint32_t type, uint32_t value, size_t number)
{
    const uint32_t kind = r.BlobWord(type);
    if (kind != TypePixelShader && kind != TypeVertexShader) return;
    const uint32_t elements = r.BlobWord(type + 16);
    const std::string name = r.BlobString(r.BlobWord(type + 8), number);
    for (uint32_t e = 0; e < elements || e == 0; ++e) {
        if (value + 4 * e >= r.blobSize) break;
        const std::string element = elements ? name + "[" + std::to_string(e) + "]" : name;
        r.shaderParameters.emplace(r.BlobWord(value + 4 * e), ShaderSlot{element, kind == TypeVertexShader});
    }
}

void ReadParameter(TableReader& r, size_t number)
{
    uint32_t type = 0, value = 0;
    ReadTypedValue(r, &type, &value);
    NoteShaderParameter(r, type, value, number);
    r.Next();  // flags
    ReadAnnotations(r, r.Next());
}

void ReadPass(TableReader& r, TechniqueNotes& technique)
{
    PassNotes& pass = technique.passes.emplace_back();
    pass.name = r.BlobOffset();
    const uint32_t annotations = r.Next(), states = r.Next();
    ReadAnnotations(r, annotations);
    for (uint32_t i = 0; i < states && r.ok; ++i) {
        pass.operations.push_back(r.Next());
        r.Next();  // index
        ReadTypedValue(r);
    }
}

void ReadTechnique(TableReader& r)
{
    TechniqueNotes& technique = r.techniques.emplace_back();
    technique.name = r.BlobOffset();
    const uint32_t annotations = r.Next(), passes = r.Next();
    ReadAnnotations(r, annotations);
    for (uint32_t i = 0; i < passes && r.ok; ++i) ReadPass(r, technique);
}

// A NUL-ended name of at most `bytes` bytes at `text`.
std::string EntryName(const unsigned char* text, size_t bytes)
{
    return std::string(reinterpret_cast<const char*>(text), strnlen(reinterpret_cast<const char*>(text), bytes));
}

// The data entry being read, as a shader listing keeps it: inline bytecode or none (usage 0), a
// name (usage 1), or a selector: the array's name, its length first, then the expression.
void NoteShader(TableReader& r, EffectShader shader, uint32_t usage, uint32_t bytes)
{
    if (!r.shaders || !r.ok || r.size - r.pos < bytes) return;
    const unsigned char* at = r.data + r.pos;
    shader.data = at;
    shader.size = bytes;
    shader.holds = usage == 1 ? ShaderHolds::Reference : usage ? ShaderHolds::Selector
                   : bytes ? ShaderHolds::Bytecode : ShaderHolds::Nothing;
    if (usage == 1) shader.names = EntryName(at, bytes);
    if (usage == 2 && bytes >= 4) shader.names = EntryName(at + 4, bytes - 4);
    r.shaders->push_back(shader);
}

// Object data: id, size, bytes.
void ReadObjectData(TableReader& r, uint32_t count)
{
    for (uint32_t i = 0; i < count && r.ok; ++i) {
        const uint32_t id = r.Next(), bytes = r.Next();
        const auto parameter = r.shaderParameters.find(id);
        if (parameter != r.shaderParameters.end())
            NoteShader(r, {"", "", parameter->second.name, nullptr, 0, parameter->second.vertex, {}, ""}, 0, bytes);
        r.Skip(bytes);
    }
}

// Resources: technique, index, element, state, usage, size, bytes. A pass state's entry has
// the technique and pass numbers.
void ReadResources(TableReader& r, uint32_t count)
{
    for (uint32_t i = 0; i < count && r.ok; ++i) {
        const uint32_t technique = r.Next(), pass = r.Next();
        r.Next();  // element
        const uint32_t state = r.Next(), usage = r.Next(), bytes = r.Next();
        if (technique != NoTechnique && technique < r.techniques.size()) {
            const TechniqueNotes& t = r.techniques[technique];
            const uint32_t operation = pass < t.passes.size() && state < t.passes[pass].operations.size()
                                           ? t.passes[pass].operations[state]
                                           : 0;
            if (operation == StateVertexShader || operation == StatePixelShader)
                NoteShader(r, {r.BlobString(t.name, technique), r.BlobString(t.passes[pass].name, pass), "", nullptr, 0,
                               operation == StateVertexShader, {}, ""},
                           usage, bytes);
        }
        r.Skip(bytes);
    }
}

bool WalkTables(const unsigned char* data, size_t size, std::vector<EffectShader>* shaders)
{
    TableReader r{data, size, 4, 0, true, {}, {}, shaders};
    r.blobSize = r.Next();
    r.Skip(r.blobSize);
    const uint32_t parameters = r.Next(), techniques = r.Next();
    r.Next();  // passes + shaders + samplers: a count no table needs
    r.Next();  // object count
    for (uint32_t i = 0; i < parameters && r.ok; ++i) ReadParameter(r, i);
    for (uint32_t i = 0; i < techniques && r.ok; ++i) ReadTechnique(r);
    const uint32_t objects = r.Next(), resources = r.Next();
    ReadObjectData(r, objects);
    ReadResources(r, resources);
    return r.ok;
}

bool Tagged(const unsigned char* data, size_t size)
{
    uint32_t tag = 0;
    if (size >= 4) std::memcpy(&tag, data, 4);
    return tag == CompiledEffectTag;
}

}  // namespace

bool EffectBytesSafeToLoad(const unsigned char* data, size_t size)
{
    return !Tagged(data, size) || WalkTables(data, size, nullptr);
}

bool EffectFileSafeToLoad(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return true;
    std::vector<unsigned char> bytes;
    unsigned char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    return EffectBytesSafeToLoad(bytes.data(), bytes.size());
}

bool ListEffectShaders(const unsigned char* data, size_t size, std::vector<EffectShader>& shaders)
{
    shaders.clear();
    if (Tagged(data, size) && WalkTables(data, size, &shaders)) return true;
    shaders.clear();
    return false;
}
