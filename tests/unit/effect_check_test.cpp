// The check that keeps a damaged compiled effect away from D3DX, which would read past its end.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "content/content_paths.h"
#include "content/effect_check.h"

// The built effects are whole, and every cut of them short of their full length is caught:
// each is a file D3DX would read past its end.
TEST(EffectCheck, BuiltEffectsPassAndEveryTruncationIsCaught)
{
    for (const char* path : {ContentPath::DefaultEffect, ContentPath::PostProcessEffect}) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        ASSERT_FALSE(bytes.empty()) << path;
        EXPECT_TRUE(EffectBytesSafeToLoad(bytes.data(), bytes.size())) << path;
        EXPECT_TRUE(EffectFileSafeToLoad(path)) << path;
        int passed = 0;
        for (size_t cut = 4; cut < bytes.size(); ++cut) passed += EffectBytesSafeToLoad(bytes.data(), cut);
        EXPECT_EQ(passed, 0) << path;
    }
}
