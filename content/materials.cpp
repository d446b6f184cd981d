#include "content/materials.h"

#include "content/loading.h"
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
