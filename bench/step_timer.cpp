#include "bench/step_timer.h"

#include <windows.h>

#include "render/renderer.h"

const char* const StepNames[FrameStepCount] = {"begin", "reflection", "height", "main", "copy", "water", "present"};

namespace {

IDirect3DQuery9* Fence = nullptr;
IDirect3DQuery9* Drawn = nullptr;  // pixels that passed the depth test
LARGE_INTEGER Frequency;
StepTimes* Current = nullptr;
double Mark = 0.0;

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

void Lap(FrameStep step)
{
    Drawn->Issue(D3DISSUE_END);
    Finish();
    const double now = NowMs();
    Current->ms[step] += now - Mark;
    Mark = now;
    DWORD pixels = 0;
    while (Drawn->GetData(&pixels, sizeof pixels, D3DGETDATA_FLUSH) == S_FALSE) SwitchToThread();
    Current->pixels[step] += pixels;
    Drawn->Issue(D3DISSUE_BEGIN);
}

double Ms(const FILETIME& t)
{
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
}

}  // namespace

bool InitStepTimer(IDirect3DDevice9* device)
{
    QueryPerformanceFrequency(&Frequency);
    return SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_EVENT, &Fence)) && Fence &&
           SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_OCCLUSION, &Drawn)) && Drawn;
}

void ReleaseStepTimer()
{
    for (IDirect3DQuery9** query : {&Drawn, &Fence}) {
        if (*query) (*query)->Release();
        *query = nullptr;
    }
}

void TimedFrame(StepTimes& times)
{
    Finish();
    Current = &times;
    const double cpu = ProcessCpuMs();
    Mark = NowMs();
    FrameStepDone = Lap;
    Drawn->Issue(D3DISSUE_BEGIN);
    RenderFrame();
    FrameStepDone = nullptr;
    Drawn->Issue(D3DISSUE_END);
    times.cpuMs += ProcessCpuMs() - cpu;
    ++times.frames;
}

double CpuMsPerFrame(int frames)
{
    Finish();
    const double cpu = ProcessCpuMs();
    for (int i = 0; i < frames; ++i) RenderFrame();
    Fence->Issue(D3DISSUE_END);
    while (Fence->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) Sleep(1);
    return (ProcessCpuMs() - cpu) / frames;
}

double ProcessCpuMs()
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0.0;
    return Ms(kernel) + Ms(user);
}
