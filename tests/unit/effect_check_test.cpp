#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "content/content_paths.h"
#include "content/effect_check.h"

namespace {

std::vector<unsigned char> ReadFile(const char* path)
{
    std::vector<unsigned char> bytes;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return bytes;
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(file);
    return bytes;
}

void Put(std::vector<unsigned char>& bytes, uint32_t value)
{
    unsigned char raw[4];
    std::memcpy(raw, &value, 4);
    bytes.insert(bytes.end(), raw, raw + 4);
}

// The built effects are whole, and every cut of them short of their full length is caught:
// each is a file D3DX would read past its end.
TEST(EffectCheck, BuiltEffectsPassAndEveryTruncationIsCaught)
{
    for (const char* path : {ContentPath::DefaultEffect, ContentPath::PostProcessEffect}) {
        const std::vector<unsigned char> bytes = ReadFile(path);
        if (bytes.empty()) GTEST_SKIP() << path << " not built";
        EXPECT_TRUE(EffectBytesSafeToLoad(bytes.data(), bytes.size())) << path;
        EXPECT_TRUE(EffectFileSafeToLoad(path)) << path;
        int passed = 0;
        for (size_t cut = 4; cut < bytes.size(); ++cut) passed += EffectBytesSafeToLoad(bytes.data(), cut);
        EXPECT_EQ(passed, 0) << path;
    }
}

// Text and short or foreign bytes go to D3DX, which rejects them with an error of its own;
// a missing file too.
TEST(EffectCheck, NonCompiledInputIsLeftToD3DX)
{
    const char text[] = "technique T { pass P {} }";
    EXPECT_TRUE(EffectBytesSafeToLoad(reinterpret_cast<const unsigned char*>(text), sizeof text));
    EXPECT_TRUE(EffectBytesSafeToLoad(nullptr, 0));
    EXPECT_TRUE(EffectFileSafeToLoad("./Content/Shaders/no-such-effect.fx"));
}

// Counts and sizes from a damaged header end the walk at the end of the bytes, at once.
TEST(EffectCheck, HugeCountsAndOffsetsOutsideTheBlobAreRejected)
{
    std::vector<unsigned char> huge;
    for (uint32_t v : {0xFEFF0901u, 4u, 0u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0u, 0u}) Put(huge, v);
    EXPECT_FALSE(EffectBytesSafeToLoad(huge.data(), huge.size()));

    std::vector<unsigned char> outside;  // one parameter whose typedef offset lies past the blob
    for (uint32_t v : {0xFEFF0901u, 4u, 0u, 1u, 0u, 0u, 1u, 64u, 0u, 0u, 0u, 0u, 0u}) Put(outside, v);
    EXPECT_FALSE(EffectBytesSafeToLoad(outside.data(), outside.size()));
    outside[7 * 4] = 0;  // the same effect with the offset inside the blob
    EXPECT_TRUE(EffectBytesSafeToLoad(outside.data(), outside.size()));
}

}  // namespace
