#include "render/renderer.h"

#include <new>

#include "camera/camera.h"

Renderer* TheRenderer = nullptr;

namespace {

const float HeightCameraHeight = 100.0f;
const float StraightDown = -1.5707964f;
const float HeightViewSize = 32.0f;  // covers the world square [-16, 16]^2
const float HeightNear = 1.0f;
const float HeightFar = 255.0f;

RenderTarget* CreateTarget(IDirect3DDevice9* device, UINT width, UINT height)
{
    RenderTarget* target = new RenderTarget();
    if (SUCCEEDED(D3DXCreateTexture(device, width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                    D3DPOOL_DEFAULT, &target->texture)))
        target->texture->GetSurfaceLevel(0, &target->surface);
    else
        target->texture = nullptr;
    return target;
}

void ReleaseTarget(RenderTarget*& target)
{
    if (!target) return;
    if (target->surface) target->surface->Release();
    if (target->texture) target->texture->Release();
    delete target;
    target = nullptr;
}

}  // namespace

void InitRenderer(Renderer& renderer, IDirect3DDevice9* device)
{
    renderer.savedBackBuffer = nullptr;
    renderer.device = device;
    renderer.heightCamera = new FlyingCamera(D3DXVECTOR3(0.0f, HeightCameraHeight, 0.0f), 0.0f, StraightDown);
    renderer.heightProjection = new D3DXMATRIXA16();
    D3DXMatrixOrthoLH(renderer.heightProjection, HeightViewSize, HeightViewSize, HeightNear, HeightFar);
}

void CreateRenderTargets(Renderer& renderer)
{
    if (FAILED(D3DXCreateSprite(renderer.device, &renderer.sprite))) renderer.sprite = nullptr;
    D3DVIEWPORT9 viewport;
    renderer.device->GetViewport(&viewport);
    renderer.sceneTarget = CreateTarget(renderer.device, viewport.Width, viewport.Height);
    renderer.reflectionTarget = CreateTarget(renderer.device, viewport.Width, viewport.Height);
    renderer.heightTarget = CreateTarget(renderer.device, viewport.Width, viewport.Height);
    renderer.heightImageDrawn = false;
}

void ReleaseRenderTargets(Renderer& renderer)
{
    if (renderer.sprite) {
        renderer.sprite->Release();
        renderer.sprite = nullptr;
    }
    ReleaseTarget(renderer.sceneTarget);
    ReleaseTarget(renderer.reflectionTarget);
    ReleaseTarget(renderer.heightTarget);
}

void BindRenderTarget(Renderer& renderer, RenderTarget* target)
{
    if (target) {
        if (!renderer.savedBackBuffer) renderer.device->GetRenderTarget(0, &renderer.savedBackBuffer);
        renderer.device->SetRenderTarget(0, target->surface);
        return;
    }
    renderer.device->SetRenderTarget(0, renderer.savedBackBuffer);
    if (renderer.savedBackBuffer) {
        renderer.savedBackBuffer->Release();
        renderer.savedBackBuffer = nullptr;
    }
}

unsigned ObjectCount(const Renderer& renderer)
{
    return static_cast<unsigned>(renderer.objects.size());
}

void FreeRenderObjects(Renderer& renderer)
{
    for (RenderObject* object : renderer.objects) delete object;
}

void FreeRenderer()
{
    if (!TheRenderer) return;
    FreeRenderObjects(*TheRenderer);
    TheRenderer->objects.clear();
    TheRenderer->objects.shrink_to_fit();
    delete TheRenderer->heightCamera;
    delete TheRenderer->heightProjection;
    delete TheRenderer;
    TheRenderer = nullptr;
}
