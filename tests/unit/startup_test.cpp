// The start-up marks the benchmark times, taken from the viewer's own start-up in a process of
// their own: every stage once and in order, no mark before the one it follows.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "content/content_paths.h"
#include "tests/support/support.h"

namespace {

// The names of the "stage NAME MS" lines, in order.
std::vector<std::string> Stages(const std::string& output)
{
    std::vector<std::string> names;
    std::istringstream words(output);
    std::string word, name;
    double ms, last = 0;
    while (words >> word) {
        if (word != "stage" || !(words >> name >> ms)) continue;
        EXPECT_GE(ms, last) << name;
        names.push_back(name);
        last = ms;
    }
    return names;
}

std::string File(const char* path) { return std::strrchr(path, '/') + 1; }

}  // namespace

TEST(StartUp, EachStageIsMarkedOnceInStartUpOrderAndTheMinimalProgramMarksItsOwn)
{
    using namespace ContentPath;
    std::vector<std::string> expected = {"launch", "window", "device"};
    int n = 0;
    for (const char* mesh : {TigerMesh, TurtleMesh, TurtleMeshB, TerrainMesh, WaterMesh, SkyMesh, DinoMesh})
        expected.push_back("mesh" + std::to_string(++n) + ":" + File(mesh));
    n = 0;
    for (const char* texture : {TigerTexture, WhiteSand, TerrainHeightmap, TurtleTextureB, TurtleTexture, WaterTexture,
                                WaterHeight, WhiteSand, WaterNormalHeight, Sky, SkyStars, Clouds, WhiteSand, Terrain1,
                                Terrain2, Terrain3, DinoBrown, DinoOrange, DinoBump})
        expected.push_back("texture" + std::to_string(++n) + ":" + File(texture));
    for (const char* stage : {"effects", "render_targets", "input", "scene", "frame_update", "frame_begin",
                              "frame_reflection", "frame_height", "frame_main", "frame_copy", "frame_water",
                              "frame_present"})
        expected.push_back(stage);

    for (const auto& [mode, names] : {std::make_pair("startup", expected),
                                      std::make_pair("baseline", std::vector<std::string>{"launch", "window", "device",
                                                                                          "frame_present"})}) {
        std::string output;
        EXPECT_EQ(RunProgram(std::string("tidewater_bench.exe ") + mode, output), 0u) << output;
        EXPECT_EQ(Stages(output), names) << mode;
    }
}
