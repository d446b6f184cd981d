#include "bench/techniques.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/step_timer.h"
#include "content/materials.h"
#include "gfx/device.h"
#include "render/renderer.h"

namespace {

// Forwards every state the effect sets to the device, except that a flat pixel shader takes the
// place of the effect's own while `flat` is set.
class FlatPixelStates final : public ID3DXEffectStateManager {
public:
    IDirect3DPixelShader9* flatShader = nullptr;
    bool flat = false;

    STDMETHOD(QueryInterface)(REFIID, void** out) override { *out = this; return S_OK; }
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(SetTransform)(D3DTRANSFORMSTATETYPE s, const D3DMATRIX* m) override { return Device->SetTransform(s, m); }
    STDMETHOD(SetMaterial)(const D3DMATERIAL9* m) override { return Device->SetMaterial(m); }
    STDMETHOD(SetLight)(DWORD i, const D3DLIGHT9* l) override { return Device->SetLight(i, l); }
    STDMETHOD(LightEnable)(DWORD i, WINBOOL on) override { return Device->LightEnable(i, on); }
    STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE s, DWORD v) override { return Device->SetRenderState(s, v); }
    STDMETHOD(SetTexture)(DWORD i, IDirect3DBaseTexture9* t) override { return Device->SetTexture(i, t); }
    STDMETHOD(SetTextureStageState)(DWORD i, D3DTEXTURESTAGESTATETYPE s, DWORD v) override
    {
        return Device->SetTextureStageState(i, s, v);
    }
    STDMETHOD(SetSamplerState)(DWORD i, D3DSAMPLERSTATETYPE s, DWORD v) override { return Device->SetSamplerState(i, s, v); }
    STDMETHOD(SetNPatchMode)(FLOAT n) override { return Device->SetNPatchMode(n); }
    STDMETHOD(SetFVF)(DWORD f) override { return Device->SetFVF(f); }
    STDMETHOD(SetVertexShader)(IDirect3DVertexShader9* s) override { return Device->SetVertexShader(s); }
    STDMETHOD(SetVertexShaderConstantF)(UINT r, const FLOAT* d, UINT n) override { return Device->SetVertexShaderConstantF(r, d, n); }
    STDMETHOD(SetVertexShaderConstantI)(UINT r, const INT* d, UINT n) override { return Device->SetVertexShaderConstantI(r, d, n); }
    STDMETHOD(SetVertexShaderConstantB)(UINT r, const WINBOOL* d, UINT n) override { return Device->SetVertexShaderConstantB(r, d, n); }
    STDMETHOD(SetPixelShader)(IDirect3DPixelShader9* s) override { return Device->SetPixelShader(flat && s ? flatShader : s); }
    STDMETHOD(SetPixelShaderConstantF)(UINT r, const FLOAT* d, UINT n) override { return Device->SetPixelShaderConstantF(r, d, n); }
    STDMETHOD(SetPixelShaderConstantI)(UINT r, const INT* d, UINT n) override { return Device->SetPixelShaderConstantI(r, d, n); }
    STDMETHOD(SetPixelShaderConstantB)(UINT r, const WINBOOL* d, UINT n) override { return Device->SetPixelShaderConstantB(r, d, n); }
};

IDirect3DPixelShader9* MakeFlatShader()
{
    const char source[] = "ps_3_0\ndef c0, 0.5, 0.5, 0.5, 1\nmov oC0, c0\n";
    ID3DXBuffer* code = nullptr;
    IDirect3DPixelShader9* shader = nullptr;
    if (FAILED(D3DXAssembleShader(source, sizeof source - 1, nullptr, nullptr, 0, &code, nullptr))) return nullptr;
    Device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader);
    code->Release();
    return shader;
}

struct Group {
    const char* name;
    std::vector<RenderObject*> objects;
};

// The scene's objects by the technique their material names, in list order; "none" is the
// empty list every group's times are compared with.
std::vector<Group> Groups(const std::vector<RenderObject*>& scene)
{
    std::vector<Group> groups = {{"none", {}}, {"all", scene}};
    for (RenderObject* object : scene) {
        const char* technique = object->material->technique.c_str();
        Group* group = nullptr;
        for (Group& g : groups)
            if (std::strcmp(g.name, technique) == 0) group = &g;
        if (!group) group = &groups.emplace_back(Group{technique, {}});
        group->objects.push_back(object);
    }
    return groups;
}

struct GroupTimes {
    StepTimes steps;
    double cpuMs = 0.0;  // per frame as the viewer draws them, the height image kept
};

// The height and reflection passes are drawn in every step-timed frame, as though the targets
// were new each time.
GroupTimes TimeFrames(int frames)
{
    for (int i = 0; i < 3; ++i) RenderFrame();  // llvmpipe builds its shader variants on first use
    GroupTimes times;
    for (int i = 0; i < frames; ++i) {
        ForgetKeptImages(*TheRenderer);
        TimedFrame(times.steps);
    }
    times.cpuMs = CpuMsPerFrame(frames);
    return times;
}

}  // namespace

bool TimeTechniques(int frames)
{
    Renderer& r = *TheRenderer;
    FlatPixelStates states;
    states.flatShader = MakeFlatShader();
    if (!states.flatShader || !r.defaultEffect || !InitStepTimer(Device)) return false;
    r.defaultEffect->SetStateManager(&states);
    const std::vector<RenderObject*> scene = r.objects;
    std::vector<Group> groups = Groups(scene);
    GroupTimes times[2][16];  // [flat][group]
    for (size_t g = 0; g < groups.size() && g < 16; ++g)
        for (int flat = 0; flat < 2; ++flat) {
            states.flat = flat != 0;
            r.objects = groups[g].objects;
            times[flat][g] = TimeFrames(frames);
        }
    r.objects = scene;
    ForgetKeptImages(r);  // they show the last group's objects
    r.defaultEffect->SetStateManager(nullptr);
    states.flatShader->Release();
    ReleaseStepTimer();
    std::printf("\n");
    for (size_t g = 1; g < groups.size() && g < 16; ++g) {
        for (int s : {StepReflection, StepHeight, StepMain, StepWater}) {
            double ms[2];
            for (int flat = 0; flat < 2; ++flat)
                ms[flat] = (times[flat][g].steps.ms[s] - times[flat][0].steps.ms[s]) / frames;
            std::printf("technique %s %s %.3f %.3f\n", groups[g].name, StepNames[s], ms[0], ms[1]);
            const double pixels = (times[0][g].steps.pixels[s] - times[0][0].steps.pixels[s]) / frames;
            std::printf("pixels %s %s %.0f\n", groups[g].name, StepNames[s], pixels);
        }
        double cpu[2];
        for (int flat = 0; flat < 2; ++flat) cpu[flat] = times[flat][g].cpuMs - times[flat][0].cpuMs;
        std::printf("technique %s frame_cpu %.3f %.3f\n", groups[g].name, cpu[0], cpu[1]);
    }
    return true;
}
