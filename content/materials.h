// How an object is drawn: its technique of the default effect, textures and specular values.
#pragma once
#include <d3dx9.h>

#include <string>

struct Material {
    IDirect3DTexture9* texture;          // "Texture"; none is skipped when drawing
    IDirect3DTexture9* displacementMap;  // "DisplacementMap"
    IDirect3DTexture9* normalHeightMap;  // "NormalHeightMap"
    float specPower;
    D3DXVECTOR4 specColor;               // r, g, b, a
    std::string technique;

    Material(const char* technique, IDirect3DTexture9* texture, IDirect3DTexture9* displacementMap,
             IDirect3DTexture9* normalHeightMap, float specPower, const D3DXVECTOR4& specColor);
};

extern Material* TurtleMaterialB;
extern Material* TurtleMaterial;
extern Material* TerrainMaterial;
extern Material* WaterMaterial;
extern Material* DinoBrownMaterial;
extern Material* DinoOrangeMaterial;

// Creates the six materials in table order; MaterialList owns them.
void CreateMaterials();
// Asks the device whether the water's vertex shader can read and filter its textures as the
// effect samples them. A format it cannot read prints one "ERROR: ..." line, as the water then
// goes flat and untinted; linear filters alone lacking print a note, as it then samples coarser.
void CheckWaterVertexTextures();
