#include "render/effect_names.h"
#include "render/frame.h"
#include "render/renderer.h"

namespace {

const DWORD SpriteFlags = D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_SORT_TEXTURE;

void DrawScaledSprite(Renderer& renderer, IDirect3DTexture9* source, float width, float height)
{
    ID3DXEffect* effect = renderer.postProcessEffect;
    renderer.sprite->Begin(SpriteFlags);
    effect->Begin(nullptr, 0);
    effect->BeginPass(0);
    D3DVIEWPORT9 viewport;
    renderer.device->GetViewport(&viewport);
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, static_cast<float>(viewport.Width) / width,
                      static_cast<float>(viewport.Height) / height, 1.0f);
    renderer.sprite->SetTransform(&scale);
    renderer.sprite->Draw(source, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    // The sorted batch is held back until End, after the effect has restored the device
    // state; flushing inside the pass is what makes "Copy" shade the quad.
    renderer.sprite->Flush();
    effect->EndPass();
    effect->End();
    renderer.sprite->End();
}

}  // namespace

HRESULT CopyToBackBuffer(IDirect3DTexture9* source)
{
    Renderer& renderer = *TheRenderer;
    renderer.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    D3DSURFACE_DESC desc = {};
    if (source) source->GetLevelDesc(0, &desc);
    const float width = static_cast<float>(desc.Width), height = static_cast<float>(desc.Height);
    ID3DXEffect* effect = renderer.postProcessEffect;
    if (effect) {
        effect->SetTechnique(effect->GetTechniqueByName(PostFx::TechniqueCopy));
        effect->SetTexture(PostFx::CombineTexture.name, nullptr);
        const D3DXVECTOR4 sourceSize(width, height, 0.0f, 0.0f);
        effect->SetVector(PostFx::SourceSize.name, &sourceSize);
    }
    BindRenderTarget(renderer, nullptr);
    // The back buffer is given back in any case; the copy itself needs all three of these.
    if (effect && renderer.sprite && source) DrawScaledSprite(renderer, source, width, height);
    // The sprite leaves the source on sampler 0, where some drivers see a hazard when the next
    // frame renders into it.
    renderer.device->SetTexture(0, nullptr);
    renderer.device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    return 0;
}
