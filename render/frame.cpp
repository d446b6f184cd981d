#include "render/frame.h"

#include <cstring>

#include "camera/camera.h"
#include "render/effect_names.h"
#include "render/renderer.h"

namespace {

const D3DCOLOR SkyColour = 0xFF4CCCFF;
const D3DCOLOR DeepestHeight = 0xFF000000;
const DWORD AllColourChannels = 0xF;
const D3DXPLANE BelowWaterClip(0.0f, -1.0f, 0.0f, 0.07f);  // keeps world y >= -0.07

void ClearTarget(IDirect3DDevice9* device, D3DCOLOR colour)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
}

// With shaders the device clips in clip space: carry the world plane there by the
// inverse-transpose of the unreflected view x projection.
void EnableReflectionClipPlane(Renderer& r)
{
    D3DXMATRIX m;
    D3DXMatrixMultiply(&m, &r.mainCamera->view, r.projection);
    D3DXMatrixInverse(&m, nullptr, &m);
    D3DXMatrixTranspose(&m, &m);
    D3DXPLANE plane;
    D3DXPlaneTransform(&plane, &BelowWaterClip, &m);
    r.device->SetClipPlane(0, plane);
    r.device->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
}

// Viewport size to "SourceSize", then the back buffer's clear.
void PrepareBackBuffer(Renderer& r)
{
    D3DVIEWPORT9 viewport;
    r.device->GetViewport(&viewport);
    const D3DXVECTOR4 sourceSize(static_cast<float>(viewport.Width), static_cast<float>(viewport.Height), 0, 0);
    if (r.defaultEffect) r.defaultEffect->SetVector(DefaultFx::SourceSize.name, &sourceSize);
    ClearTarget(r.device, SkyColour);
}

PassView CurrentView(const Renderer& r)
{
    const Camera3D& c = *r.mainCamera;
    return {c.position, c.view, c.inverseView, c.reflectedView, *r.projection};
}

bool CameraImagesCurrent(const Renderer& r, const PassView& view)
{
    return r.cameraImagesDrawn && std::memcmp(&view, &r.cameraImagesView, sizeof view) == 0;
}

void ReflectionPass(Renderer& r)
{
    SetCameraParameters(*r.mainCamera, *r.projection, true);
    BindRenderTarget(r, r.reflectionTarget);
    ClearTarget(r.device, SkyColour);
    r.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);  // the mirror reverses every winding
    EnableReflectionClipPlane(r);
    DrawPass(nullptr, PassMain);
    r.device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
}

void HeightPass(Renderer& r)
{
    SetCameraParameters(*r.heightCamera, *r.heightProjection, false);
    BindRenderTarget(r, r.heightTarget);
    ClearTarget(r.device, DeepestHeight);
    r.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    DrawPass(DefaultFx::TechniqueHeight, PassHeight);
    if (!r.defaultEffect) return;
    r.defaultEffect->SetTexture(DefaultFx::TerrainHeight.name, r.heightTarget->texture);
    D3DXMATRIX heightViewProj;
    D3DXMatrixMultiply(&heightViewProj, &r.heightCamera->view, r.heightProjection);
    r.defaultEffect->SetMatrix(DefaultFx::HeightViewProj.name, &heightViewProj);
    r.heightImageDrawn = true;
}

// With the scene image kept, only the depth the water is tested against is drawn again (every
// clear resets it): the same positions (transform.fxh) by the cheapest technique, colour off.
void DrawDepthOnly(Renderer& r)
{
    r.device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    r.device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    DrawPass(DefaultFx::TechniqueHeight, PassMain);
    r.device->SetRenderState(D3DRS_COLORWRITEENABLE, AllColourChannels);
}

void MainPass(Renderer& r, const PassView& view, bool kept)
{
    SetCameraParameters(*r.mainCamera, *r.projection, false);
    BindRenderTarget(r, r.sceneTarget);
    r.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    if (kept) return DrawDepthOnly(r);
    ClearTarget(r.device, SkyColour);
    DrawPass(nullptr, PassMain);
    r.cameraImagesView = view;
    r.cameraImagesDrawn = true;
}

void WaterPass(Renderer& r, IDirect3DTexture9* reflection)
{
    if (r.defaultEffect) {
        r.defaultEffect->SetTexture(DefaultFx::WaterReflection.name, reflection);
        r.defaultEffect->SetTexture(DefaultFx::WaterRefraction.name, r.sceneTarget->texture);
    }
    DrawPass(nullptr, PassWater);  // still with the main pass's camera parameters
}

// Frames need all three targets; without them (creation failed) only the clear is shown.
bool TargetsReady(const Renderer& r)
{
    for (const RenderTarget* t : {r.sceneTarget, r.reflectionTarget, r.heightTarget})
        if (!t || !t->surface) return false;
    return r.mainCamera && r.projection;
}

void Done(FrameStep step)
{
    if (FrameStepDone) FrameStepDone(step);
}

}  // namespace

void (*FrameStepDone)(FrameStep step) = nullptr;

void SetCameraParameters(const Camera3D& camera, const D3DXMATRIX& projection, bool reflected)
{
    ID3DXEffect* effect = TheRenderer->defaultEffect;
    if (!effect) return;
    D3DXMATRIX viewProj;
    D3DXMatrixMultiply(&viewProj, reflected ? &camera.reflectedView : &camera.view, &projection);
    D3DXVECTOR3 forward(camera.inverseView._31, camera.inverseView._32, camera.inverseView._33);
    D3DXVec3Normalize(&forward, &forward);
    effect->SetValue(DefaultFx::CameraPosition.name, &camera.position, 12);
    effect->SetValue(DefaultFx::CameraDirection.name, &forward, 12);
    effect->SetMatrix(DefaultFx::ViewProj.name, &viewProj);
    effect->SetMatrix(DefaultFx::View.name, &camera.view);
}

HRESULT RenderFrame()
{
    Renderer& r = *TheRenderer;
    if (SUCCEEDED(r.device->BeginScene())) {
        PrepareBackBuffer(r);
        Done(StepBegin);
        if (TargetsReady(r)) {
            const PassView view = CurrentView(r);
            const bool kept = CameraImagesCurrent(r, view);
            if (!kept) ReflectionPass(r);
            Done(StepReflection);
            IDirect3DTexture9* reflection = r.reflectionTarget->texture;
            if (!r.heightImageDrawn) HeightPass(r);
            Done(StepHeight);
            MainPass(r, view, kept && r.colourWritesMaskable);
            Done(StepMain);
            CopyToBackBuffer(r.sceneTarget->texture);
            Done(StepCopy);
            WaterPass(r, reflection);
            Done(StepWater);
        }
        r.device->EndScene();
    }
    const HRESULT presented = r.device->Present(nullptr, nullptr, nullptr, nullptr);
    Done(StepPresent);
    return presented;
}
