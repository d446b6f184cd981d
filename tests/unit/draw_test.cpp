// DrawObject and DrawPass against a recording effect and recording meshes: which calls reach
// the effect, in which order, with which values.
#include <gtest/gtest.h>

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

class DrawTest : public testing::Test {
protected:
    CallLog log;
    RecordingEffect effect{log};
    RecordingMesh mesh{log, "mesh"};
    Renderer renderer;
    Renderer* saved = nullptr;

    void SetUp() override
    {
        saved = TheRenderer;
        renderer.defaultEffect = &effect;
        TheRenderer = &renderer;
    }
    void TearDown() override { TheRenderer = saved; }

    static RenderObject Object(ID3DXMesh* mesh, Material* material, int subsets)
    {
        RenderObject object;
        for (int i = 0; i < 16; ++i) (&object.world._11)[i] = static_cast<float>(i + 1) * 0.5f;
        object.mesh = mesh;
        object.material = material;
        object.subsetCount = subsets;
        return object;
    }
};

TEST_F(DrawTest, OneObjectSetsItsMaterialWorldAndTechniqueThenDrawsEachSubsetInPassZero)
{
    Material material("Default_NormalMapped", ColourTexture, DisplacementTexture, NormalTexture, 15.0f,
                      D3DXVECTOR4(0.1f, 0.2f, 0.3f, 0.4f));
    const RenderObject object = Object(&mesh, &material, 3);
    DrawObject(object, nullptr);

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
    EXPECT_EQ(log[5].values, std::vector<float>(&object.world._11, &object.world._11 + 16));
    EXPECT_EQ(log[7].object, nullptr) << "Begin wants no pass count";
    EXPECT_EQ(log[7].number, 0u) << "Begin flags";
    EXPECT_EQ(log[8].number, 0u) << "only pass 0 is drawn";
    for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(log[9 + i].number, i);
}

TEST_F(DrawTest, MissingTexturesAreNotSetSoTheEarlierObjectsTexturesCarryOver)
{
    Material withMaps("Default", ColourTexture, DisplacementTexture, NormalTexture, 20.0f, D3DXVECTOR4(1, 1, 1, 1));
    Material colourOnly("Default", ColourTexture, nullptr, nullptr, 20.0f, D3DXVECTOR4(1, 1, 1, 1));
    Material none("Terrain", nullptr, nullptr, nullptr, 20.0f, D3DXVECTOR4(1, 1, 1, 1));
    DrawObject(Object(&mesh, &withMaps, 1), nullptr);
    log.clear();
    DrawObject(Object(&mesh, &colourOnly, 1), nullptr);
    EXPECT_EQ(CountCalls(log, "SetTexture", "Texture"), 1);
    EXPECT_EQ(CountCalls(log, "SetTexture", "NormalHeightMap"), 0);
    EXPECT_EQ(CountCalls(log, "SetTexture", "DisplacementMap"), 0);
    log.clear();
    DrawObject(Object(&mesh, &none, 1), nullptr);
    for (const Call& call : log) EXPECT_NE(call.method, "SetTexture") << call.name;
    EXPECT_EQ(CountCalls(log, "DrawSubset", "mesh"), 1);
}

TEST_F(DrawTest, NoSubsetsStillSetsEverythingAndRunsThePassButDrawsNothing)
{
    Material material("Default", ColourTexture, nullptr, nullptr, 20.0f, D3DXVECTOR4(1, 1, 1, 1));
    for (int subsets : {0, -2}) {
        log.clear();
        DrawObject(Object(&mesh, &material, subsets), nullptr);
        EXPECT_EQ(Summary(log), (Lines{"SetTexture Texture", "SetFloat specPower", "SetVector specColor",
                                       "SetMatrix World", "SetTechnique Default", "Begin", "BeginPass", "EndPass",
                                       "End"}))
            << "subsetCount " << subsets;
    }
}

TEST_F(DrawTest, AnOverrideReplacesTheMaterialsTechnique)
{
    Material material("Terrain", ColourTexture, nullptr, nullptr, 20.0f, D3DXVECTOR4(1, 1, 1, 1));
    DrawObject(Object(&mesh, &material, 1), "Height");
    EXPECT_EQ(CountCalls(log, "SetTechnique", "Height"), 1);
    EXPECT_EQ(CountCalls(log, "SetTechnique", "Terrain"), 0);
}

TEST_F(DrawTest, APassDrawsTheMatchingObjectsInListOrderAndSkipsObjectsWithoutAMesh)
{
    Material material("Default", nullptr, nullptr, nullptr, 20.0f, D3DXVECTOR4(1, 1, 1, 1));
    RecordingMesh first(log, "first"), second(log, "second"), water(log, "water");
    RenderObject objects[] = {Object(&first, &material, 1), Object(&water, &material, 1),
                              Object(nullptr, &material, 1), Object(&second, &material, 1)};
    objects[0].passMask = PassMain | PassHeight;
    objects[1].passMask = PassWater;
    objects[2].passMask = PassMain;  // its mesh failed to load
    for (RenderObject& o : objects) renderer.objects.push_back(&o);

    DrawPass(nullptr, PassMain);
    EXPECT_EQ(CountCalls(log, "Begin", ""), 2) << "the meshless object makes no effect calls";
    Lines draws;
    for (const Call& call : log)
        if (call.method == "DrawSubset") draws.push_back(call.name);
    EXPECT_EQ(draws, (Lines{"first", "second"}));

    log.clear();
    DrawPass("Height", PassHeight);
    EXPECT_EQ(Summary(log).back(), "End");
    EXPECT_EQ(CountCalls(log, "DrawSubset", "first"), 1);
    EXPECT_EQ(CountCalls(log, "SetTechnique", "Height"), 1);
    EXPECT_EQ(CountCalls(log, "DrawSubset", "water"), 0);
}

TEST_F(DrawTest, APassWithoutAnEffectDrawsNothing)
{
    Material material("Default", nullptr, nullptr, nullptr, 20.0f, D3DXVECTOR4(1, 1, 1, 1));
    RenderObject object = Object(&mesh, &material, 1);
    renderer.objects.push_back(&object);
    renderer.defaultEffect = nullptr;
    DrawPass(nullptr, PassMain);
    EXPECT_TRUE(log.empty());
}

}  // namespace
