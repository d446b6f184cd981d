// The check that keeps a damaged compiled effect away from D3DX, which would read past its end.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

#include "content/content_paths.h"
#include "content/effect_check.h"

namespace {

// A small compiled effect laid out by the format: the tag, the blob's size and the blob, then one
// parameter with one annotation, one technique with one pass holding one state, one object-data
// entry and one resource entry, whose bytes end the file.
struct Layout {
    uint32_t blobSize = 16;
    // Blob offsets: parameter typedef and value, annotation typedef and value, technique name,
    // pass name, state typedef and value.
    uint32_t offsets[8] = {0, 4, 8, 12, 0, 4, 8, 12};
    uint32_t lastSize = 8;   // the resource entry's declared size
    size_t lastBytes = 8;    // the bytes that follow it
};

std::vector<unsigned char> Build(const Layout& l)
{
    const uint32_t* o = l.offsets;
    std::vector<uint32_t> words = {0xFEFF0901, l.blobSize};
    words.resize(words.size() + (l.blobSize + 3) / 4, 0);
    words.insert(words.end(), {1, 1, 1, 2,                                 // parameters, techniques, shaders, objects
                               o[0], o[1], 0, 1, o[2], o[3],                // parameter, one annotation
                               o[4], 0, 1, o[5], 0, 1, 0x92, 0, o[6], o[7],  // technique, pass, state
                               1, 1, 1, 4, 0,                               // object 1 with 4 bytes
                               0, 0, 0xFFFFFFFF, 0, 0, l.lastSize});        // the state's data
    std::vector<unsigned char> bytes(words.size() * 4 + l.lastBytes, 0);
    std::memcpy(bytes.data(), words.data(), words.size() * 4);
    return bytes;
}

bool Safe(const std::vector<unsigned char>& bytes) { return EffectBytesSafeToLoad(bytes.data(), bytes.size()); }

}  // namespace

// Each offset into the blob may name its last byte, not the byte after; a size may reach the
// file's end exactly, padding included, and not one byte further; every shorter cut fails.
TEST(EffectCheck, EveryBoundHoldsAtItsLastByte)
{
    for (uint32_t blobSize : {16u, 13u})
        for (int field = 0; field < 8; ++field)
            for (uint32_t offset : {blobSize - 1, blobSize}) {
                Layout l;
                l.blobSize = blobSize, l.offsets[field] = offset;
                EXPECT_EQ(Safe(Build(l)), offset < blobSize) << "offset " << field << " at " << offset << " of " << blobSize;
            }
    // The last entry's declared size, the bytes present after it, and whether that is safe.
    const std::tuple<uint32_t, size_t, bool> last[] = {{8, 8, true},  {5, 8, true}, {9, 8, false},
                                                       {5, 5, false}, {0, 0, true}, {0xFFFFFFFF, 8, false}};
    for (const auto& [size, present, safe] : last) {
        Layout l;
        l.lastSize = size, l.lastBytes = present;
        EXPECT_EQ(Safe(Build(l)), safe) << size << " bytes declared, " << present << " present";
    }
    const std::vector<unsigned char> whole = Build({});
    for (size_t cut = 4; cut < whole.size(); ++cut) EXPECT_FALSE(EffectBytesSafeToLoad(whole.data(), cut)) << cut;
    // Shorter than a tag, or another tag: not a compiled effect, left to D3DX.
    EXPECT_TRUE(EffectBytesSafeToLoad(whole.data(), 3));
    EXPECT_TRUE(Safe({'/', '/', ' ', 'f', 'x'}));
    // The file is read whole, byte for byte: a built effect passes.
    EXPECT_TRUE(EffectFileSafeToLoad(ContentPath::DefaultEffect));
}
