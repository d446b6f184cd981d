#include "render/renderer.h"

#include <cstdio>
#include <new>

#include "app/error_box.h"
#include "camera/camera.h"

Renderer* TheRenderer = nullptr;

namespace {

const float HeightCameraHeight = 100.0f;
const float StraightDown = -1.5707964f;
const float HeightViewSize = 32.0f;  // covers the world square [-16, 16]^2
const float HeightNear = 1.0f;
const float HeightFar = 255.0f;

// D3DX fits the size to the device's texture limits, which on some drivers means a power of two.
// A target larger than the viewport outgrows the shared depth buffer, so a rounded one is made
// again by the device itself, which takes the size as given.
IDirect3DTexture9* CreateTargetTexture(IDirect3DDevice9* device, const char* name, UINT width, UINT height)
{
    IDirect3DTexture9* texture = nullptr;
    const HRESULT created =
        D3DXCreateTexture(device, width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture);
    if (FAILED(created)) {
        ReportFatal("ERROR: Could not create the %s render target (%ux%u): 0x%08lX\n", name, width, height,
                    static_cast<unsigned long>(created));
        return nullptr;
    }
    D3DSURFACE_DESC made;
    texture->GetLevelDesc(0, &made);
    if (made.Width == width && made.Height == height) return texture;
    texture->Release();
    texture = nullptr;
    const bool remade = SUCCEEDED(device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, made.Format,
                                                        D3DPOOL_DEFAULT, &texture, nullptr));
    char line[192];
    std::snprintf(line, sizeof line, "ERROR: The %s render target came out %ux%u, not the viewport's %ux%u; %s\n", name,
                  made.Width, made.Height, width, height, remade ? "made again at that size" : "the device cannot make one that size");
    // Made again, the scene still draws; without the target it does not, and the box must say why.
    if (remade) std::printf("%s", line);
    else ReportFatal("%s", line);
    return remade ? texture : nullptr;
}

// Frames need all three targets: once one fails the rest are not tried, and one line says why.
RenderTarget* CreateTarget(IDirect3DDevice9* device, const char* name, UINT width, UINT height, bool& failed)
{
    RenderTarget* target = new RenderTarget();
    if (!failed) target->texture = CreateTargetTexture(device, name, width, height);
    if (target->texture) target->texture->GetSurfaceLevel(0, &target->surface);
    failed = !target->surface;
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
    D3DCAPS9 caps;
    renderer.colourWritesMaskable =
        SUCCEEDED(device->GetDeviceCaps(&caps)) && (caps.PrimitiveMiscCaps & D3DPMISCCAPS_COLORWRITEENABLE);
}

void CreateRenderTargets(Renderer& renderer)
{
    if (FAILED(D3DXCreateSprite(renderer.device, &renderer.sprite))) renderer.sprite = nullptr;
    D3DVIEWPORT9 viewport;
    renderer.device->GetViewport(&viewport);
    bool failed = false;
    renderer.sceneTarget = CreateTarget(renderer.device, "scene", viewport.Width, viewport.Height, failed);
    renderer.reflectionTarget = CreateTarget(renderer.device, "reflection", viewport.Width, viewport.Height, failed);
    renderer.heightTarget = CreateTarget(renderer.device, "height", viewport.Width, viewport.Height, failed);
    ForgetKeptImages(renderer);
}

void ForgetKeptImages(Renderer& renderer)
{
    renderer.heightImageDrawn = false;
    renderer.cameraImagesDrawn = false;
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
