#include "content/materials.h"
#include "render/effect_names.h"
#include "render/frame.h"
#include "render/renderer.h"

void DrawObject(const RenderObject& object, const char* techniqueOverride)
{
    ID3DXEffect* effect = TheRenderer->defaultEffect;
    const Material& material = *object.material;
    // A texture the material lacks is left as the previous object set it.
    if (material.texture) effect->SetTexture(DefaultFx::Texture.name, material.texture);
    if (material.normalHeightMap) effect->SetTexture(DefaultFx::NormalHeightMap.name, material.normalHeightMap);
    if (material.displacementMap) effect->SetTexture(DefaultFx::DisplacementMap.name, material.displacementMap);
    effect->SetFloat(DefaultFx::SpecPower.name, material.specPower);
    effect->SetVector(DefaultFx::SpecColor.name, &material.specColor);
    effect->SetMatrix(DefaultFx::World.name, &object.world);
    effect->SetTechnique(techniqueOverride ? techniqueOverride : material.technique.c_str());
    effect->Begin(nullptr, 0);
    effect->BeginPass(0);
    for (int i = 0; i < object.subsetCount; ++i) object.mesh->DrawSubset(i);
    effect->EndPass();
    effect->End();
}

void DrawPass(const char* techniqueOverride, unsigned passMask)
{
    // Without an effect nothing can be drawn; the quit request it caused ends the loop.
    if (!TheRenderer->defaultEffect) return;
    for (unsigned i = 0; i < ObjectCount(*TheRenderer); ++i) {
        const RenderObject* object = TheRenderer->objects[i];
        // An object whose mesh failed to load is skipped; the rest of the scene still shows.
        if ((object->passMask & passMask) && object->mesh && object->material) DrawObject(*object, techniqueOverride);
    }
}
