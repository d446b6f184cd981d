// The fixed scene the viewer built: its objects in order, where each one stands, and which
// passes draw it.
#include <gtest/gtest.h>

#include "camera/camera.h"
#include "content/loading.h"
#include "content/materials.h"
#include "gfx/device.h"
#include "tests/support/support.h"
#include "tests/unit/matrix_expect.h"

TEST(Scene, TwentyThreeObjectsWithTheirMeshesMaterialsPassesAndSubsets)
{
    REQUIRE_VIEWER();
    struct Row { ID3DXMesh* mesh; Material* material; unsigned mask; int subsets; };
    std::vector<Row> expected(4, {TerrainMesh, TerrainMaterial, PassMain | PassHeight, 1});
    expected.resize(20, {WaterMesh, WaterMaterial, PassWater, 1});
    expected.insert(expected.end(), {{DinoMesh, DinoBrownMaterial, PassMain, 9}, {DinoMesh, DinoOrangeMaterial, PassMain, 9},
                                     {TurtleMesh, TurtleMaterial, PassMain, 1}});
    const std::vector<RenderObject*>& objects = TheRenderer->objects;
    ASSERT_EQ(objects.size(), 23u);
    for (size_t i = 0; i < 23; ++i) {
        const RenderObject& o = *objects[i];
        EXPECT_TRUE(o.mesh == expected[i].mesh && o.material == expected[i].material) << "object " << i;
        EXPECT_EQ(o.passMask, expected[i].mask) << "object " << i;
        EXPECT_EQ(o.subsetCount, expected[i].subsets) << "object " << i;
    }
    EXPECT_TRUE(TheRenderer->mainCamera == &MainCamera && TheRenderer->projection == &ProjectionMatrix);
}

// Tile (i, j) lies in row i along Z and column j along X; the models are turned to face their way.
TEST(Scene, EachObjectStandsWhereItIsPlaced)
{
    REQUIRE_VIEWER();
    const struct { size_t object; int row; float a, b, c, d; } rows[] = {
        {0, 0, 0.3f, 0, 0, 0},           {0, 1, 0, 0.15f, 0, 0},     {0, 3, -7.5f, 0.4f, -7.5f, 1},
        {1, 3, 7.5f, 0.4f, -7.5f, 1},    {3, 3, 7.5f, 0.4f, 7.5f, 1}, {4, 1, 0, 0.3f, 0, 0},
        {4, 3, -11.25f, 0, -11.25f, 1},  {5, 3, -3.75f, 0, -11.25f, 1}, {16, 3, -11.25f, 0, 11.25f, 1},
        {19, 3, 11.25f, 0, 11.25f, 1},   {20, 0, 2.4962f, 0, -1.6641f, 0}, {20, 3, -5.1f, 2.1f, 3.9f, 1},
        {21, 0, -3, 0, 0, 0},            {21, 1, 0, 3, 0, 0},        {21, 2, 0, 0, -3, 0},
        {21, 3, 1.2f, 0.54f, 0, 1},      {22, 1, 0, 0.005f, 0, 0},   {22, 3, 0.15f, -0.5f, 0.4f, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "object " << r.object);
        ExpectRow(TheRenderer->objects.at(r.object)->world, r.row, r.a, r.b, r.c, r.d);
    }
}
