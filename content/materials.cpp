#include "content/materials.h"

#include <cstdio>
#include <string>

#include "content/loading.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "render/effect_names.h"

Material* TurtleMaterialB = nullptr;
Material* TurtleMaterial = nullptr;
Material* TerrainMaterial = nullptr;
Material* WaterMaterial = nullptr;
Material* DinoBrownMaterial = nullptr;
Material* DinoOrangeMaterial = nullptr;

Material::Material(const char* techniqueName, IDirect3DTexture9* colour, IDirect3DTexture9* displacement,
                   IDirect3DTexture9* normalHeight, float power, const D3DXVECTOR4& colourOfSpecular)
    : texture(colour),
      displacementMap(displacement),
      normalHeightMap(normalHeight),
      specPower(power),
      specColor(colourOfSpecular),
      technique(techniqueName)
{
}

namespace {

const struct {
    DWORD cap;
    const char* name;
} LinearFilters[] = {
    {D3DPTFILTERCAPS_MINFLINEAR, "linear min filter"},
    {D3DPTFILTERCAPS_MAGFLINEAR, "linear mag filter"},
    {D3DPTFILTERCAPS_MIPFLINEAR, "linear mip filter"},
};

void AddItem(std::string& list, const std::string& item)
{
    if (list.find(item) != std::string::npos) return;
    list += (list.empty() ? "" : ", ") + item;
}

std::string FormatName(D3DFORMAT format)
{
    const char fourCC[] = {char(format), char(format >> 8), char(format >> 16), char(format >> 24), 0};
    return "format " + (format > 0xFF ? std::string(fourCC) : std::to_string(format));
}

// Adds the texture's format to missing when vertex shaders cannot read it.
void CheckVertexFormat(IDirect3DTexture9* texture, std::string& missing)
{
    D3DSURFACE_DESC desc;
    if (!texture || FAILED(texture->GetLevelDesc(0, &desc))) return;
    if (FAILED(Direct3DObject->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, PresentParams.BackBufferFormat,
                                                 D3DUSAGE_QUERY_VERTEXTEXTURE, D3DRTYPE_TEXTURE, desc.Format)))
        AddItem(missing, FormatName(desc.Format));
}

Material* Add(const char* technique, IDirect3DTexture9* texture, IDirect3DTexture9* displacementMap,
              IDirect3DTexture9* normalHeightMap, float specPower, const D3DXVECTOR4& specColor)
{
    Material* material = new Material(technique, texture, displacementMap, normalHeightMap, specPower, specColor);
    MaterialList.push_back(material);
    return material;
}

}  // namespace

void CreateMaterials()
{
    const D3DXVECTOR4 white(1.0f, 1.0f, 1.0f, 1.0f);
    const D3DXVECTOR4 waterSpecular(0.62f, 0.62f, 0.32f, 1.0f);
    TurtleMaterialB = Add(DefaultFx::TechniqueDefault, TurtleTextureB, nullptr, nullptr, 20.0f, white);
    TurtleMaterial = Add(DefaultFx::TechniqueDefault, TurtleTexture, nullptr, nullptr, 20.0f, white);
    TerrainMaterial = Add(DefaultFx::TechniqueTerrain, SandTexture, nullptr, nullptr, 20.0f, white);
    WaterMaterial = Add(DefaultFx::TechniqueWater, WaterTexture, WaterHeightTexture, WaterNormalHeightTexture,
                        25.0f, waterSpecular);
    DinoBrownMaterial = Add(DefaultFx::TechniqueNormalMapped, DinoBrownTexture, nullptr, DinoBumpTexture, 15.0f, white);
    DinoOrangeMaterial = Add(DefaultFx::TechniqueNormalMapped, DinoOrangeTexture, nullptr, DinoBumpTexture, 15.0f, white);
}

void CheckWaterVertexTextures()
{
    // DisplacementSampler and TintSampler of the Water technique: linear min and mag, and a
    // linear mip filter for the tint.
    std::string missing;
    CheckVertexFormat(WaterMaterial->displacementMap, missing);
    CheckVertexFormat(WaterMaterial->texture, missing);
    const bool unreadable = !missing.empty();
    D3DCAPS9 caps = {};
    Direct3DObject->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    for (const auto& filter : LinearFilters)
        if (!(caps.VertexTextureFilterCaps & filter.cap)) AddItem(missing, filter.name);
    if (unreadable)
        std::printf("ERROR: The device has no vertex texture support for %s: the water may draw flat and untinted\n",
                    missing.c_str());
    else if (!missing.empty())
        std::printf("The device reports no vertex texture support for %s: the water's waves may look coarser\n",
                    missing.c_str());
}
