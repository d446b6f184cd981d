// What start-up loaded: every mesh and texture load in its list, each mesh owned by its list
// alone; the one sand file read three times gives three objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "content/loading.h"
#include "gfx/resource_lists.h"
#include "tests/support/support.h"

TEST(Loading, SevenMeshesNineteenTexturesAndTwoEffectsEachOwnedByItsList)
{
    REQUIRE_VIEWER();
    EXPECT_EQ(MeshList, (std::vector<ID3DXMesh*>{TigerMesh, TurtleMesh, TurtleMeshB, TerrainMesh, WaterMesh, SkyMesh,
                                                 DinoMesh}));
    EXPECT_EQ(TextureList,
              (std::vector<IDirect3DTexture9*>{TigerTexture, SandTexture, TerrainHeightTexture, TurtleTextureB,
                                               TurtleTexture, WaterTexture, WaterHeightTexture, WaterFoamTexture,
                                               WaterNormalHeightTexture, SkyTexture, SkyStarsTexture, CloudsTexture,
                                               Terrain0Texture, Terrain1Texture, Terrain2Texture, Terrain3Texture,
                                               DinoBrownTexture, DinoOrangeTexture, DinoBumpTexture}));
    EXPECT_EQ(EffectList, (std::vector<ID3DXEffect*>{DefaultEffect, PostProcessEffect}));
    EXPECT_EQ(std::set<void*>(TextureList.begin(), TextureList.end()).size(), 19u) << "no load shared or missing";
    EXPECT_EQ(std::count(TextureList.begin(), TextureList.end(), nullptr), 0);
    for (ID3DXMesh* mesh : MeshList) ASSERT_TRUE(mesh && RefCount(mesh) == 1);
}
