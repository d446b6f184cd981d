// The fixed scene, built with stand-in mesh handles (no device needed).
#include <gtest/gtest.h>

#include <utility>

#include "camera/camera.h"
#include "content/loading.h"
#include "content/materials.h"
#include "content/scene.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "tests/unit/device_fixture.h"
#include "tests/unit/matrix_expect.h"

namespace {

ID3DXMesh** const MeshHandles[4] = {&TerrainMesh, &WaterMesh, &DinoMesh, &TurtleMesh};
char StandIns[4];
ID3DXMesh* StandIn(int i) { return reinterpret_cast<ID3DXMesh*>(&StandIns[i]); }

// Scale on the diagonal, translation in row 3.
void ExpectPlaced(const D3DXMATRIX& m, float sx, float sy, float sz, float x, float y, float z)
{
    ExpectRow(m, 0, sx, 0, 0, 0);
    ExpectRow(m, 1, 0, sy, 0, 0);
    ExpectRow(m, 2, 0, 0, sz, 0);
    ExpectRow(m, 3, x, y, z, 1);
}

// Builds the scene on a Renderer of its own, with a distinct stand-in behind every mesh handle.
class SceneTest : public testing::Test {
protected:
    GlobalStateGuard guard;
    Renderer renderer;
    ID3DXMesh* savedMeshes[4];

    void SetUp() override
    {
        for (int i = 0; i < 4; ++i) savedMeshes[i] = std::exchange(*MeshHandles[i], StandIn(i));
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
    struct Row { ID3DXMesh* mesh; Material* material; unsigned mask; int subsets; };
    std::vector<Row> expected(4, {StandIn(0), TerrainMaterial, 3, 1});
    expected.resize(20, {StandIn(1), WaterMaterial, 4, 1});
    expected.insert(expected.end(), {{StandIn(2), DinoBrownMaterial, 1, 9}, {StandIn(2), DinoOrangeMaterial, 1, 9},
                                     {StandIn(3), TurtleMaterial, 1, 1}});
    ASSERT_EQ(renderer.objects.size(), 23u);
    for (size_t i = 0; i < 23; ++i) {
        EXPECT_EQ(At(i).mesh, expected[i].mesh) << i;
        EXPECT_EQ(At(i).material, expected[i].material) << i;
        EXPECT_EQ(At(i).passMask, expected[i].mask) << i;
        EXPECT_EQ(At(i).subsetCount, expected[i].subsets) << i;
    }
    EXPECT_EQ(renderer.mainCamera, &MainCamera);
    EXPECT_EQ(renderer.projection, &ProjectionMatrix);
}

// Tile (i, j) lies in row i along Z and column j along X.
TEST_F(SceneTest, TileWorldMatricesScaleTheirPlacementByOneHundredth)
{
    const float terrain[] = {-7.5f, 7.5f}, water[] = {-11.25f, -3.75f, 3.75f, 11.25f};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) ExpectPlaced(At(i * 2 + j).world, 0.3f, 0.15f, 0.3f, terrain[j], 0.4f, terrain[i]);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) ExpectPlaced(At(4 + i * 4 + j).world, 0.3f, 0.3f, 0.3f, water[j], 0, water[i]);
}

TEST_F(SceneTest, ModelsStandWhereTheyArePlacedFacingTheirDirections)
{
    const RenderObject& brown = At(20);
    ExpectRow(brown.world, 3, -5.1f, 2.1f, 3.9f, 1);
    ExpectRow(brown.world, 0, 2.4962f, 0, -1.6641f, 0);
    ExpectPlaced(At(21).world, -3, 3, -3, 1.2f, 0.54f, 0);  // the orange one, turned round
    const RenderObject& turtle = At(22);
    ExpectRow(turtle.world, 1, 0, 0.005f, 0, 0, 1e-6f);
    ExpectRow(turtle.world, 3, 0.15f, -0.5f, 0.4f, 1);
}

}  // namespace
