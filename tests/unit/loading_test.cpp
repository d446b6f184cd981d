// Content loading, start-up, reset and shutdown on devices of their own, in a scratch folder
// holding small stand-in content (and the built effects when there are any).
#include <gtest/gtest.h>

#include "app/app.h"
#include "content/content_paths.h"
#include "content/loading.h"
#include "content/scene.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "render/frame.h"
#include "tests/unit/content_files.h"
#include "tests/unit/device_fixture.h"

namespace {

DWORD TopLeftPixel(IDirect3DTexture9* texture)
{
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return 0;
    const DWORD pixel = *static_cast<const DWORD*>(locked.pBits);
    texture->UnlockRect(0);
    return pixel;
}

class LoadingTest : public testing::Test {
protected:
    GlobalStateGuard guard;
    PrivateDevice own;
    TempWorkingDir folder;

    void SetUp() override
    {
        if (!own.ok) GTEST_SKIP() << "no Direct3D device (no display?)";
        MeshList.clear();
        TextureList.clear();
        EffectList.clear();
        MaterialList.clear();
    }
};

TEST_F(LoadingTest, SevenMeshesAndNineteenTexturesInTableOrder)
{
    std::map<std::string, DWORD> colours = WriteStandInContent();
    LoadContent();

    ID3DXMesh* const meshes[] = {TigerMesh, TurtleMesh, TurtleMeshB, TerrainMesh, WaterMesh, SkyMesh, DinoMesh};
    ASSERT_EQ(MeshList.size(), 7u);
    for (int k = 0; k < 7; ++k) {
        ASSERT_TRUE(MeshList[k] && MeshList[k] == meshes[k]) << k;
        EXPECT_EQ(MeshList[k]->GetNumFaces(), DWORD(k + 1)) << "mesh " << k << " is the file of row " << k;
    }
    IDirect3DTexture9* const handles[19] = {
        TigerTexture,  SandTexture,      TerrainHeightTexture, TurtleTextureB,   TurtleTexture,
        WaterTexture,  WaterHeightTexture, WaterFoamTexture,   WaterNormalHeightTexture, SkyTexture,
        SkyStarsTexture, CloudsTexture,  Terrain0Texture,      Terrain1Texture,  Terrain2Texture,
        Terrain3Texture, DinoBrownTexture, DinoOrangeTexture,  DinoBumpTexture};
    ASSERT_EQ(TextureList.size(), 19u);
    for (int t = 0; t < 19; ++t) {
        ASSERT_TRUE(TextureList[t] && TextureList[t] == handles[t]) << TextureLoads[t];
        EXPECT_EQ(TopLeftPixel(TextureList[t]) & 0xFFFFFF, colours[TextureLoads[t]] & 0xFFFFFF) << TextureLoads[t];
    }
    // The three loads of one sand file: distinct objects, each owned by the list alone.
    EXPECT_EQ((std::set<IDirect3DTexture9*>{SandTexture, WaterFoamTexture, Terrain0Texture}.size()), 3u);
    for (IDirect3DTexture9* sand : {SandTexture, WaterFoamTexture, Terrain0Texture}) EXPECT_EQ(RefCount(sand), 1u);
    ReleaseMeshesAndTextures();
}

// Missing files leave null handles and the viewer still starts: the dinosaur mesh is drawn by
// two objects, which frames skip. After a reset the effect list holds exactly the two new
// effects, the fresh default effect holds the same start-up textures and the scene survives.
TEST_F(LoadingTest, MissingFilesAResetAndAShutdownThatReleasesEverythingOnce)
{
    WriteStandInContent({ContentPath::Terrain2, ContentPath::DinoMesh});
    testing::internal::CaptureStdout();
    LoadContent();
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("ERROR: Could not load mesh ./Content/Models/dino.x\n"), std::string::npos) << output;
    EXPECT_TRUE(DinoMesh == nullptr && SkyMesh != nullptr);
    EXPECT_EQ(MeshList.size(), 6u) << "a missing mesh appends nothing";
    ASSERT_EQ(TextureList.size(), 19u);
    EXPECT_TRUE(Terrain2Texture == nullptr && TextureList[14] == nullptr && TextureList[15] != nullptr);
    InitEffects();
    BuildScene();
    ASSERT_NE(TheRenderer, nullptr);
    EXPECT_EQ(RenderFrame(), D3D_OK);

    const char* const names[] = {"Terrain0", "Terrain1", "Terrain2", "Terrain3", "FoamTexture"};
    IDirect3DTexture9* const expected[] = {Terrain0Texture, Terrain1Texture, Terrain2Texture, Terrain3Texture,
                                           WaterFoamTexture};
    auto expectBound = [&](const char* when) {
        if (!EffectsBuilt()) return;  // no effect to hold them before the effects are built
        ASSERT_NE(DefaultEffect, nullptr);
        for (int i = 0; i < 5; ++i) {
            IDirect3DBaseTexture9* bound = nullptr;
            EXPECT_EQ(DefaultEffect->GetTexture(names[i], &bound), D3D_OK) << names[i];
            EXPECT_EQ(bound, expected[i]) << names[i] << " " << when;
            if (bound) bound->Release();
        }
    };
    expectBound("at start-up");
    ReleaseEffects();
    EXPECT_TRUE(TheRenderer->sceneTarget == nullptr && TheRenderer->sprite == nullptr);
    ASSERT_EQ(Device->Reset(&PresentParams), D3D_OK) << "a default-pool object outlived the release";
    InitEffects();
    ASSERT_EQ(EffectList, (std::vector<ID3DXEffect*>{DefaultEffect, PostProcessEffect}));
    EXPECT_TRUE(TheRenderer->defaultEffect == DefaultEffect && TheRenderer->postProcessEffect == PostProcessEffect);
    ASSERT_NE(TheRenderer->sceneTarget, nullptr);
    EXPECT_NE(TheRenderer->sceneTarget->surface, nullptr);
    expectBound("after the reset");
    EXPECT_EQ(ObjectCount(*TheRenderer), 23u) << "the scene survives a reset";
    EXPECT_EQ(RenderFrame(), D3D_OK);

    // One device reference per object the program holds: with one more of ours, ours is the last.
    IDirect3DDevice9* device = Device;
    IDirect3D9* direct3D = Direct3DObject;
    device->AddRef();
    direct3D->AddRef();
    Shutdown();
    EXPECT_TRUE(Device == nullptr && TheRenderer == nullptr);
    EXPECT_EQ(device->Release(), 0u) << "objects still holding the device";
    EXPECT_EQ(direct3D->Release(), 0u);
}

}  // namespace
