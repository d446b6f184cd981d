#include "bench/step_timer.h"

#include <windows.h>

#include "render/frame.h"
#include "render/renderer.h"

const char* const StepNames[StepCount] = {"begin", "reflection", "height", "main", "copy", "water", "present"};

namespace {

IDirect3DQuery9* Fence = nullptr;
LARGE_INTEGER Frequency;

double NowMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

// Waits until the device has done everything issued so far.
void Finish()
{
    Fence->Issue(D3DISSUE_END);
    while (Fence->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) SwitchToThread();
}

void Lap(StepTimes& times, Step step, double& mark)
{
    Finish();
    const double now = NowMs();
    times.ms[step] += now - mark;
    mark = now;
}

}  // namespace

bool InitStepTimer(IDirect3DDevice9* device)
{
    QueryPerformanceFrequency(&Frequency);
    return SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_EVENT, &Fence)) && Fence;
}

void ReleaseStepTimer()
{
    if (Fence) Fence->Release();
    Fence = nullptr;
}

// The same sequence as RenderFrame in render/frame.cpp, with a lap after every piece.
void TimedFrame(StepTimes& times)
{
    Renderer& r = *TheRenderer;
    Finish();
    double mark = NowMs();
    r.device->BeginScene();
    PrepareBackBuffer(r);
    Lap(times, StepBegin, mark);
    if (TargetsReady(r)) {
        ReflectionPass(r);
        Lap(times, StepReflection, mark);
        HeightPass(r);
        Lap(times, StepHeight, mark);
        MainPass(r);
        Lap(times, StepMain, mark);
        CopyToBackBuffer(r.sceneTarget->texture);
        Lap(times, StepCopy, mark);
        WaterPass(r, r.reflectionTarget->texture);
        Lap(times, StepWater, mark);
    }
    r.device->EndScene();
    r.device->Present(nullptr, nullptr, nullptr, nullptr);
    Lap(times, StepPresent, mark);
    ++times.frames;
}
