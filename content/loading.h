// Loads the meshes, textures and effects into their named handles. The handles are
// non-owning: MeshList, TextureList and EffectList own the objects.
#pragma once
#include <d3dx9.h>

extern ID3DXMesh* TigerMesh;
extern ID3DXMesh* TurtleMesh;
extern ID3DXMesh* TurtleMeshB;
extern ID3DXMesh* TerrainMesh;
extern ID3DXMesh* WaterMesh;
extern ID3DXMesh* SkyMesh;
extern ID3DXMesh* DinoMesh;

extern IDirect3DTexture9* TigerTexture;
extern IDirect3DTexture9* SandTexture;
extern IDirect3DTexture9* TerrainHeightTexture;
extern IDirect3DTexture9* TurtleTextureB;
extern IDirect3DTexture9* TurtleTexture;
extern IDirect3DTexture9* WaterTexture;
extern IDirect3DTexture9* WaterHeightTexture;
extern IDirect3DTexture9* WaterFoamTexture;
extern IDirect3DTexture9* WaterNormalHeightTexture;
extern IDirect3DTexture9* SkyTexture;
extern IDirect3DTexture9* SkyStarsTexture;
extern IDirect3DTexture9* CloudsTexture;
extern IDirect3DTexture9* Terrain0Texture;
extern IDirect3DTexture9* Terrain1Texture;
extern IDirect3DTexture9* Terrain2Texture;
extern IDirect3DTexture9* Terrain3Texture;
extern IDirect3DTexture9* DinoBrownTexture;
extern IDirect3DTexture9* DinoOrangeTexture;
extern IDirect3DTexture9* DinoBumpTexture;

extern ID3DXEffect* DefaultEffect;
extern ID3DXEffect* PostProcessEffect;

// Seven meshes, then nineteen texture loads, in table order. A missing texture leaves a null
// handle (and a null entry in TextureList); a missing mesh a null handle and no entry.
void LoadContent();
// Returns the effect (appended to EffectList) or null after reporting and posting a quit request.
ID3DXEffect* LoadEffect(const char* path);
// Both effects, their start-up textures, the render targets; again after every device reset.
void InitEffects();
