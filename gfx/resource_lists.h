// The four lists that own every loaded mesh, texture and effect and every material.
// Named handles elsewhere are non-owning aliases; each object is released once, here.
#pragma once
#include <d3dx9.h>

#include <vector>

struct Material;

extern std::vector<ID3DXMesh*> MeshList;
extern std::vector<IDirect3DTexture9*> TextureList;
extern std::vector<ID3DXEffect*> EffectList;  // null entries remain after a release sweep
extern std::vector<Material*> MaterialList;

// Releases every effect, leaving nulls, then the Renderer's render targets and sprite.
void ReleaseEffects();
// Releases every mesh, then every texture, leaving nulls.
void ReleaseMeshesAndTextures();
// Frees the render objects, the Renderer and the materials; the last step of shutdown.
void FreeScene();
