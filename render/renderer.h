// The single render context: device, effects, the scene's objects, the pass cameras and
// projections, the copy sprite and the three off-screen targets every frame renders into.
#pragma once
#include <d3dx9.h>

#include "gfx/aligned_matrix.h"

#include <vector>

class Camera3D;
class FlyingCamera;
struct Material;

// Pass-mask bits of a RenderObject.
enum PassBits : unsigned {
    PassMain = 1,    // reflection and main passes
    PassHeight = 2,  // height pass
    PassWater = 4,   // water pass
};

struct RenderObject {
    D3DXMATRIX world;
    ID3DXMesh* mesh;          // not owned: MeshList
    Material* material;       // not owned: MaterialList
    unsigned passMask = PassMain;
    int subsetCount = 1;      // subsets 0 .. subsetCount - 1 are drawn
};

struct RenderTarget {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;  // level 0 of texture
};

// The main camera as the reflection and main passes read it; compared byte for byte, so no padding.
struct PassView {
    D3DXVECTOR3 position;
    D3DXMATRIX view, inverseView, reflectedView, projection;
};
static_assert(sizeof(PassView) == sizeof(D3DXVECTOR3) + 4 * sizeof(D3DXMATRIX), "PassView has padding");

struct Renderer {
    std::vector<RenderObject*> objects;    // drawing order within every pass
    ID3DXEffect* defaultEffect = nullptr;      // not owned: EffectList
    ID3DXEffect* postProcessEffect = nullptr;  // not owned: EffectList
    Camera3D* mainCamera = nullptr;            // not owned
    FlyingCamera* heightCamera = nullptr;      // owned
    const D3DXMATRIX* projection = nullptr;    // not owned
    D3DXMATRIXA16* heightProjection = nullptr; // owned
    IDirect3DDevice9* device = nullptr;        // not a counted reference
    ID3DXSprite* sprite = nullptr;
    IDirect3DSurface9* savedBackBuffer = nullptr;  // held only while an off-screen target is bound
    RenderTarget* sceneTarget = nullptr;
    RenderTarget* reflectionTarget = nullptr;
    RenderTarget* heightTarget = nullptr;
    // The terrain and the height camera never move, so the height image is drawn once after the
    // targets are made and kept until they are made again.
    bool heightImageDrawn = false;
    // Nor do the scene's objects: the reflection and scene images change only with the main
    // camera, so they are drawn again when it has moved and kept while it stays still.
    bool cameraImagesDrawn = false;
    PassView cameraImagesView{};
    // The kept scene image needs its depth drawn with colour writes off; a device that cannot
    // mask them draws the main pass in full every frame (the reflection is kept all the same).
    bool colourWritesMaskable = false;
};

extern Renderer* TheRenderer;

void InitRenderer(Renderer& renderer, IDirect3DDevice9* device);
// Sprite and three viewport-sized targets; call while the back buffer is render target 0.
// The new targets hold no images yet: the next frame draws them.
void CreateRenderTargets(Renderer& renderer);
void ReleaseRenderTargets(Renderer& renderer);
// The next frame draws the height, reflection and scene images again: for whoever changes the scene
// or the targets' images behind the frames' backs.
void ForgetKeptImages(Renderer& renderer);
// A target makes it render target 0 (saving the back buffer once); null restores the back buffer.
void BindRenderTarget(Renderer& renderer, RenderTarget* target);
unsigned ObjectCount(const Renderer& renderer);
void FreeRenderObjects(Renderer& renderer);
// Frees the objects, the height camera and projection, and the record; TheRenderer becomes null.
void FreeRenderer();
