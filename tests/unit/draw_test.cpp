// DrawObject and DrawPass against a recording effect and recording meshes: which calls reach
// the effect, in which order, with which values.
#include <gtest/gtest.h>

#include <algorithm>

#include "content/materials.h"
#include "render/frame.h"
#include "render/renderer.h"
#include "tests/unit/recording_doubles.h"

namespace {

using Lines = std::vector<std::string>;

char TextureStandIns[3];
IDirect3DTexture9* const ColourTexture = reinterpret_cast<IDirect3DTexture9*>(&TextureStandIns[0]);
IDirect3DTexture9* const NormalTexture = reinterpret_cast<IDirect3DTexture9*>(&TextureStandIns[1]);
IDirect3DTexture9* const DisplacementTexture = reinterpret_cast<IDirect3DTexture9*>(&TextureStandIns[2]);
const D3DXVECTOR4 White(1, 1, 1, 1);
const D3DXMATRIX Placed(0.5f, 1, 1.5f, 2, 2.5f, 3, 3.5f, 4, 4.5f, 5, 5.5f, 6, 6.5f, 7, 7.5f, 8);

class DrawTest : public testing::Test {
protected:
    CallLog log;
    RecordingEffect effect{log};
    RecordingMesh mesh{log, "mesh"};
    Renderer renderer;
    Renderer* saved = TheRenderer;

    void SetUp() override
    {
        renderer.defaultEffect = &effect;
        TheRenderer = &renderer;
    }
    void TearDown() override { TheRenderer = saved; }
};

TEST_F(DrawTest, OneObjectSetsItsMaterialWorldAndTechniqueThenDrawsEachSubsetInPassZero)
{
    Material material("Default_NormalMapped", ColourTexture, DisplacementTexture, NormalTexture, 15.0f,
                      D3DXVECTOR4(0.1f, 0.2f, 0.3f, 0.4f));
    DrawObject({Placed, &mesh, &material, PassMain, 3}, nullptr);

    EXPECT_EQ(Summary(log), (Lines{"SetTexture Texture", "SetTexture NormalHeightMap", "SetTexture DisplacementMap",
                                   "SetFloat specPower", "SetVector specColor", "SetMatrix World",
                                   "SetTechnique Default_NormalMapped", "Begin", "BeginPass", "DrawSubset mesh",
                                   "DrawSubset mesh", "DrawSubset mesh", "EndPass", "End"}));
    ASSERT_EQ(log.size(), 14u);
    EXPECT_EQ(log[0].object, ColourTexture);
    EXPECT_EQ(log[1].object, NormalTexture);
    EXPECT_EQ(log[2].object, DisplacementTexture);
    EXPECT_EQ(log[3].values, (std::vector<float>{15.0f}));
    EXPECT_EQ(log[4].values, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(log[5].values, Values(Placed));
    EXPECT_EQ(log[7].object, nullptr) << "Begin wants no pass count";
    EXPECT_EQ(log[7].number, 0u) << "Begin flags";
    EXPECT_EQ(log[8].number, 0u) << "only pass 0 is drawn";
    for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(log[9 + i].number, i);
}

// A texture the material lacks is not set, so the earlier object's carries over; no subsets
// still run the pass but draw nothing; an override replaces the material's technique.
TEST_F(DrawTest, MissingTexturesNoSubsetsAndATechniqueOverride)
{
    Material colourOnly("Default", ColourTexture, nullptr, nullptr, 20.0f, White);
    Material none("Terrain", nullptr, nullptr, nullptr, 20.0f, White);
    DrawObject({Placed, &mesh, &colourOnly, PassMain, 0}, nullptr);
    DrawObject({Placed, &mesh, &none, PassMain, -2}, "Height");
    EXPECT_EQ(Summary(log), (Lines{"SetTexture Texture", "SetFloat specPower", "SetVector specColor", "SetMatrix World",
                                   "SetTechnique Default", "Begin", "BeginPass", "EndPass", "End",
                                   "SetFloat specPower", "SetVector specColor", "SetMatrix World",
                                   "SetTechnique Height", "Begin", "BeginPass", "EndPass", "End"}));
}

TEST_F(DrawTest, APassDrawsMatchingObjectsInListOrderSkipsMeshlessOnesAndNeedsAnEffect)
{
    Material material("Default", nullptr, nullptr, nullptr, 20.0f, White);
    RecordingMesh first(log, "first"), second(log, "second"), water(log, "water");
    RenderObject objects[] = {{Placed, &first, &material, PassMain | PassHeight, 1},
                              {Placed, &water, &material, PassWater, 1},
                              {Placed, nullptr, &material, PassMain, 1},  // its mesh failed to load
                              {Placed, &second, &material, PassMain, 1}};
    for (RenderObject& o : objects) renderer.objects.push_back(&o);

    DrawPass(nullptr, PassMain);
    const Lines calls = Summary(log);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Begin"), 2) << "the meshless object makes no effect calls";
    Lines draws;
    for (const Call& call : log)
        if (call.method == "DrawSubset") draws.push_back(call.name);
    EXPECT_EQ(draws, (Lines{"first", "second"}));

    log.clear();
    renderer.defaultEffect = nullptr;  // it failed to load
    DrawPass(nullptr, PassMain);
    EXPECT_TRUE(log.empty());
}

}  // namespace
