#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "content/content_paths.h"
#include "content/effect_check.h"

namespace {

std::vector<unsigned char> Words(std::initializer_list<uint32_t> values)
{
    std::vector<unsigned char> bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.begin(), bytes.size());
    return bytes;
}

// The built effects are whole, and every cut of them short of their full length is caught:
// each is a file D3DX would read past its end.
TEST(EffectCheck, BuiltEffectsPassAndEveryTruncationIsCaught)
{
    for (const char* path : {ContentPath::DefaultEffect, ContentPath::PostProcessEffect}) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (bytes.empty()) GTEST_SKIP() << path << " not built";
        EXPECT_TRUE(EffectBytesSafeToLoad(bytes.data(), bytes.size())) << path;
        EXPECT_TRUE(EffectFileSafeToLoad(path)) << path;
        int passed = 0;
        for (size_t cut = 4; cut < bytes.size(); ++cut) passed += EffectBytesSafeToLoad(bytes.data(), cut);
        EXPECT_EQ(passed, 0) << path;
    }
}

// Counts and sizes from a damaged header end the walk at the end of the bytes, at once. Text
// and short or foreign bytes, and a missing file, go to D3DX, which rejects them itself.
TEST(EffectCheck, DamagedHeadersAreRejectedAndNonCompiledInputIsLeftToD3DX)
{
    const std::vector<unsigned char> huge = Words({0xFEFF0901u, 4u, 0u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0u, 0u});
    EXPECT_FALSE(EffectBytesSafeToLoad(huge.data(), huge.size()));
    // One parameter whose typedef offset lies past the blob, then the same one inside it.
    std::vector<unsigned char> outside = Words({0xFEFF0901u, 4u, 0u, 1u, 0u, 0u, 1u, 64u, 0u, 0u, 0u, 0u, 0u});
    EXPECT_FALSE(EffectBytesSafeToLoad(outside.data(), outside.size()));
    outside[7 * 4] = 0;
    EXPECT_TRUE(EffectBytesSafeToLoad(outside.data(), outside.size()));

    const char text[] = "technique T { pass P {} }";
    EXPECT_TRUE(EffectBytesSafeToLoad(reinterpret_cast<const unsigned char*>(text), sizeof text));
    EXPECT_TRUE(EffectBytesSafeToLoad(nullptr, 0));
    EXPECT_TRUE(EffectFileSafeToLoad("./Content/Shaders/no-such-effect.fx"));
}

}  // namespace
