// The fixed scene, built with stand-in handles (no device needed).
#include <gtest/gtest.h>

#include <utility>

#include "camera/camera.h"
#include "content/loading.h"
#include "content/materials.h"
#include "content/scene.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "tests/unit/device_fixture.h"
#include "tests/unit/null_doubles.h"
#include "tests/unit/matrix_expect.h"

namespace {

ID3DXMesh** const MeshHandles[] = {&TerrainMesh, &WaterMesh, &DinoMesh, &TurtleMesh};

// Builds the scene on a Renderer of its own, with a distinct stand-in behind every mesh handle.
class SceneTest : public testing::Test {
protected:
    GlobalStateGuard guard;
    Renderer renderer;
    NullMesh terrain, water, dino, turtle;
    ID3DXMesh* savedMeshes[4];

    void SetUp() override
    {
        ID3DXMesh* const standIns[] = {&terrain, &water, &dino, &turtle};
        for (int i = 0; i < 4; ++i) savedMeshes[i] = std::exchange(*MeshHandles[i], standIns[i]);
        MaterialList.clear();
        TheRenderer = &renderer;
        BuildScene();
    }
    void TearDown() override
    {
        for (RenderObject* object : renderer.objects) delete object;
        for (Material* material : MaterialList) delete material;
        for (int i = 0; i < 4; ++i) *MeshHandles[i] = savedMeshes[i];
    }
    const RenderObject& At(size_t i) { return *renderer.objects.at(i); }
};

TEST_F(SceneTest, TwentyThreeObjectsWithTheirMeshesMaterialsMasksAndSubsets)
{
    ASSERT_EQ(renderer.objects.size(), 23u);
    for (size_t i = 0; i < 23; ++i) {
        const RenderObject& o = At(i);
        if (i < 4) {
            EXPECT_EQ(o.passMask, 3u) << i;
            EXPECT_EQ(o.mesh, &terrain) << i;
            EXPECT_EQ(o.material, TerrainMaterial) << i;
        } else if (i < 20) {
            EXPECT_EQ(o.passMask, 4u) << i;
            EXPECT_EQ(o.mesh, &water) << i;
            EXPECT_EQ(o.material, WaterMaterial) << i;
        } else {
            EXPECT_EQ(o.passMask, 1u) << i;
        }
        EXPECT_EQ(o.subsetCount, (i == 20 || i == 21) ? 9 : 1) << i;
    }
    EXPECT_EQ(At(20).mesh, &dino);
    EXPECT_EQ(At(20).material, DinoBrownMaterial);
    EXPECT_EQ(At(21).mesh, &dino);
    EXPECT_EQ(At(21).material, DinoOrangeMaterial);
    EXPECT_EQ(At(22).mesh, &turtle);
    EXPECT_EQ(At(22).material, TurtleMaterial);
    EXPECT_EQ(renderer.mainCamera, &MainCamera);
    EXPECT_EQ(renderer.projection, &ProjectionMatrix);
}

TEST_F(SceneTest, TileWorldMatricesScaleTheirPlacementByOneHundredth)
{
    const RenderObject& first = At(0);  // terrain (0, 0)
    ExpectRow(first.world, 0, 0.3f, 0, 0, 0);
    ExpectRow(first.world, 1, 0, 0.15f, 0, 0);
    ExpectRow(first.world, 2, 0, 0, 0.3f, 0);
    ExpectRow(first.world, 3, -7.5f, 0.4f, -7.5f, 1);
    const RenderObject& last = At(3);  // terrain (1, 1)
    for (int r = 0; r < 3; ++r) ExpectRow(last.world, r, r == 0 ? 0.3f : 0, r == 1 ? 0.15f : 0, r == 2 ? 0.3f : 0, 0);
    ExpectRow(last.world, 3, 7.5f, 0.4f, 7.5f, 1);
    ExpectRow(At(1).world, 3, 7.5f, 0.4f, -7.5f, 1);  // column j moves along X

    const RenderObject& water30 = At(4 + 3 * 4 + 0);  // row 3, column 0
    ExpectRow(water30.world, 0, 0.3f, 0, 0, 0);
    ExpectRow(water30.world, 1, 0, 0.3f, 0, 0);
    ExpectRow(water30.world, 2, 0, 0, 0.3f, 0);
    ExpectRow(water30.world, 3, -11.25f, 0, 11.25f, 1);
    const float places[] = {-11.25f, -3.75f, 3.75f, 11.25f};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) ExpectRow(At(4 + i * 4 + j).world, 3, places[j], 0, places[i], 1);
}

TEST_F(SceneTest, ModelsStandWhereTheyArePlacedFacingTheirDirections)
{
    const RenderObject& brown = At(20);
    ExpectRow(brown.world, 3, -5.1f, 2.1f, 3.9f, 1);
    ExpectRow(brown.world, 0, 2.4962f, 0, -1.6641f, 0);
    const RenderObject& orange = At(21);
    ExpectRow(orange.world, 0, -3, 0, 0, 0);
    ExpectRow(orange.world, 1, 0, 3, 0, 0);
    ExpectRow(orange.world, 2, 0, 0, -3, 0);
    ExpectRow(orange.world, 3, 1.2f, 0.54f, 0, 1);
    const RenderObject& turtle = At(22);
    ExpectRow(turtle.world, 1, 0, 0.005f, 0, 0, 1e-6f);
    ExpectRow(turtle.world, 3, 0.15f, -0.5f, 0.4f, 1);
}

}  // namespace
