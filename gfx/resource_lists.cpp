#include "gfx/resource_lists.h"

#include "content/materials.h"
#include "render/renderer.h"

std::vector<ID3DXMesh*> MeshList;
std::vector<IDirect3DTexture9*> TextureList;
std::vector<ID3DXEffect*> EffectList;
std::vector<Material*> MaterialList;

namespace {

template <class T>
void ReleaseSweep(std::vector<T*>& list)
{
    for (T*& element : list) {
        if (!element) continue;
        element->Release();
        element = nullptr;
    }
}

}  // namespace

void ReleaseEffects()
{
    ReleaseSweep(EffectList);
    if (TheRenderer) ReleaseRenderTargets(*TheRenderer);
}

void ReleaseMeshesAndTextures()
{
    ReleaseSweep(MeshList);
    ReleaseSweep(TextureList);
}

void FreeScene()
{
    FreeRenderer();
    for (Material* material : MaterialList) delete material;
}
