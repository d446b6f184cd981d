#include "content/loading.h"

#include <windows.h>

#include <cstdio>

#include "app/error_box.h"
#include "app/start_stages.h"
#include "content/content_paths.h"
#include "content/effect_check.h"
#include "content/mesh.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "render/effect_names.h"
#include "render/renderer.h"

ID3DXMesh *TigerMesh, *TurtleMesh, *TurtleMeshB, *TerrainMesh, *WaterMesh, *SkyMesh, *DinoMesh;
IDirect3DTexture9 *TigerTexture, *SandTexture, *TerrainHeightTexture, *TurtleTextureB, *TurtleTexture,
    *WaterTexture, *WaterHeightTexture, *WaterFoamTexture, *WaterNormalHeightTexture, *SkyTexture,
    *SkyStarsTexture, *CloudsTexture, *Terrain0Texture, *Terrain1Texture, *Terrain2Texture, *Terrain3Texture,
    *DinoBrownTexture, *DinoOrangeTexture, *DinoBumpTexture;
ID3DXEffect* DefaultEffect = nullptr;
ID3DXEffect* PostProcessEffect = nullptr;

namespace {

// A run that cannot shade anything ends with a failure code, not as a success.
const int EffectLoadFailed = 1;

// The content table, in load order: meshes first, then textures (WhiteSand.dds three times).
const struct {
    const char* path;
    ID3DXMesh** handle;
} MeshTable[] = {
    {ContentPath::TigerMesh, &TigerMesh},     {ContentPath::TurtleMesh, &TurtleMesh},
    {ContentPath::TurtleMeshB, &TurtleMeshB}, {ContentPath::TerrainMesh, &TerrainMesh},
    {ContentPath::WaterMesh, &WaterMesh},     {ContentPath::SkyMesh, &SkyMesh},
    {ContentPath::DinoMesh, &DinoMesh},
};

const struct {
    const char* path;
    IDirect3DTexture9** handle;
} TextureTable[] = {
    {ContentPath::TigerTexture, &TigerTexture},
    {ContentPath::WhiteSand, &SandTexture},
    {ContentPath::TerrainHeightmap, &TerrainHeightTexture},
    {ContentPath::TurtleTextureB, &TurtleTextureB},
    {ContentPath::TurtleTexture, &TurtleTexture},
    {ContentPath::WaterTexture, &WaterTexture},
    {ContentPath::WaterHeight, &WaterHeightTexture},
    {ContentPath::WhiteSand, &WaterFoamTexture},
    {ContentPath::WaterNormalHeight, &WaterNormalHeightTexture},
    {ContentPath::Sky, &SkyTexture},
    {ContentPath::SkyStars, &SkyStarsTexture},
    {ContentPath::Clouds, &CloudsTexture},
    {ContentPath::WhiteSand, &Terrain0Texture},
    {ContentPath::Terrain1, &Terrain1Texture},
    {ContentPath::Terrain2, &Terrain2Texture},
    {ContentPath::Terrain3, &Terrain3Texture},
    {ContentPath::DinoBrown, &DinoBrownTexture},
    {ContentPath::DinoOrange, &DinoOrangeTexture},
    {ContentPath::DinoBump, &DinoBumpTexture},
};

void ReportEffectFailure(const char* path, ID3DXBuffer* errors)
{
    char line[MAX_PATH + 64];
    std::snprintf(line, sizeof line, "ERROR: Could not load effect %s\n", path);
    if (errors && errors->GetBufferPointer())
        OutputDebugStringA(static_cast<const char*>(errors->GetBufferPointer()));
    else
        OutputDebugStringA(line);
    ReportFatal("%s", line);
}

void BindStartupTextures(ID3DXEffect* effect)
{
    effect->SetTexture(DefaultFx::Terrain0.name, Terrain0Texture);
    effect->SetTexture(DefaultFx::Terrain1.name, Terrain1Texture);
    effect->SetTexture(DefaultFx::Terrain2.name, Terrain2Texture);
    effect->SetTexture(DefaultFx::Terrain3.name, Terrain3Texture);
    effect->SetTexture(DefaultFx::FoamTexture.name, WaterFoamTexture);
    effect->CommitChanges();
}

}  // namespace

void LoadContent()
{
    TextureList.clear();
    MeshList.clear();
    for (const auto& row : MeshTable) {
        *row.handle = LoadMesh(row.path);
        StartStageFinished(StageMesh, row.path);
    }
    for (const auto& row : TextureTable) {
        *row.handle = nullptr;
        if (FAILED(D3DXCreateTextureFromFileA(Device, row.path, row.handle))) *row.handle = nullptr;
        TextureList.push_back(*row.handle);
        StartStageFinished(StageTexture, row.path);
    }
}

ID3DXEffect* LoadEffect(const char* path)
{
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    // A cut-short compiled effect would make D3DX read past its buffer: checked first.
    const HRESULT created = EffectFileSafeToLoad(path)
                                ? D3DXCreateEffectFromFileA(Device, path, nullptr, nullptr, 0, nullptr, &effect, &errors)
                                : static_cast<HRESULT>(D3DXERR_INVALIDDATA);
    if (FAILED(created)) {
        ReportEffectFailure(path, errors);
        PostQuitMessage(EffectLoadFailed);
        effect = nullptr;
    }
    if (errors) errors->Release();
    EffectList.push_back(effect);
    return effect;
}

void InitEffects()
{
    EffectList.clear();
    DefaultEffect = LoadEffect(ContentPath::DefaultEffect);
    if (DefaultEffect) BindStartupTextures(DefaultEffect);
    PostProcessEffect = LoadEffect(ContentPath::PostProcessEffect);
    StartStageFinished(StageEffects);
    CreateRenderTargets(*TheRenderer);
    StartStageFinished(StageRenderTargets);
    TheRenderer->defaultEffect = DefaultEffect;
    TheRenderer->postProcessEffect = PostProcessEffect;
}
