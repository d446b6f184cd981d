#include "content/effect_check.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const uint32_t CompiledEffectTag = 0xFEFF0901;

// Reads DWORDs in order; any read past the end marks the whole walk as failed.
struct TableReader {
    const unsigned char* data;
    size_t size;
    size_t pos;
    uint32_t blobSize;
    bool ok;

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
    void BlobOffset()
    {
        if (Next() >= blobSize) Fail();
    }
    uint32_t Fail()
    {
        ok = false;
        return 0;
    }
};

// typedef offset and value offset, both into the blob
void ReadTypedValue(TableReader& r)
{
    r.BlobOffset();
    r.BlobOffset();
}

void ReadAnnotations(TableReader& r, uint32_t count)
{
    for (uint32_t i = 0; i < count && r.ok; ++i) ReadTypedValue(r);
}

void ReadParameter(TableReader& r)
{
    ReadTypedValue(r);
    r.Next();  // flags
    ReadAnnotations(r, r.Next());
}

void ReadPass(TableReader& r)
{
    r.BlobOffset();  // name
    const uint32_t annotations = r.Next(), states = r.Next();
    ReadAnnotations(r, annotations);
    for (uint32_t i = 0; i < states && r.ok; ++i) {
        r.Next();  // operation
        r.Next();  // index
        ReadTypedValue(r);
    }
}

void ReadTechnique(TableReader& r)
{
    r.BlobOffset();  // name
    const uint32_t annotations = r.Next(), passes = r.Next();
    ReadAnnotations(r, annotations);
    for (uint32_t i = 0; i < passes && r.ok; ++i) ReadPass(r);
}

// Object data: id, size, bytes; resources: technique, index, element, state, usage, size, bytes.
void ReadDataEntries(TableReader& r, uint32_t count, int leadingFields)
{
    for (uint32_t i = 0; i < count && r.ok; ++i) {
        for (int f = 0; f < leadingFields; ++f) r.Next();
        r.Skip(r.Next());
    }
}

}  // namespace

bool EffectBytesSafeToLoad(const unsigned char* data, size_t size)
{
    uint32_t tag = 0;
    if (size < 4) return true;
    std::memcpy(&tag, data, 4);
    if (tag != CompiledEffectTag) return true;
    TableReader r{data, size, 4, 0, true};
    r.blobSize = r.Next();
    r.Skip(r.blobSize);
    const uint32_t parameters = r.Next(), techniques = r.Next();
    r.Next();  // passes + shaders + samplers: a count no table needs
    r.Next();  // object count
    for (uint32_t i = 0; i < parameters && r.ok; ++i) ReadParameter(r);
    for (uint32_t i = 0; i < techniques && r.ok; ++i) ReadTechnique(r);
    const uint32_t objects = r.Next(), resources = r.Next();
    ReadDataEntries(r, objects, 1);
    ReadDataEntries(r, resources, 5);
    return r.ok;
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
