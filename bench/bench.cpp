// The viewer's engine under measurement. Modes:
//   steps WARMUP FRAMES [flying]
//                        times RenderFrame's steps, then counts allocations of whole frames;
//                        flying turns the camera a little every frame, so no image is kept
//   techniques FRAMES    times each technique's draws on their own, shaded and flat (techniques.h)
//   empty                the viewer's main loop with an empty object list (read with +fps)
//   startup              marks the end of each start-up stage and of each step of the first
//                        frame (start_timer.h), then ends
//   baseline             the benchmark's minimal program: window, device, one clear and Present
//   shot NAME            the frame of each fixed viewpoint (viewpoints.h), saved full size as
//                        screenshots/NAME-VIEW.png
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app.h"
#include "bench/alloc_count.h"
#include "bench/start_timer.h"
#include "bench/step_timer.h"
#include "bench/techniques.h"
#include "bench/viewpoints.h"
#include "camera/camera.h"
#include "gfx/device.h"
#include "render/renderer.h"

namespace {

// Dispatches waiting messages; false once the program was asked to quit.
bool PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return false;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

bool Flying = false;

// The frame update, the camera turned by a thousandth of a radian first when flying.
void Update()
{
    if (Flying) MainCamera.yaw += 0.001f;
    UpdateFrame();
}

// The loop's own frame: update, device test, RenderFrame.
bool LoopFrame()
{
    if (!PumpMessages()) return false;
    Update();
    RunDeviceStep(Device->TestCooperativeLevel());
    return true;
}

double NowMs()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int RunEmpty()
{
    FreeRenderObjects(*TheRenderer);
    TheRenderer->objects.clear();
    return RunMainLoop();
}

void PrintSteps(const StepTimes& times)
{
    std::printf("\n");  // the frames' pad status lines end without one
    double total = 0.0;
    for (int s = 0; s < FrameStepCount; ++s) {
        const double ms = times.ms[s] / times.frames;
        std::printf("step_%s_ms: %.3f\n", StepNames[s], ms);
        total += ms;
    }
    std::printf("steps_total_ms: %.3f\n", total);
    std::printf("steps_cpu_ms: %.3f\n", times.cpuMs / times.frames);
}

// Whole frames as the loop runs them: their time and the heap allocations they make.
bool MeasureLoopFrames(int frames)
{
    const unsigned long long before = AllocationCount();
    const double start = NowMs(), cpu = ProcessCpuMs();
    for (int i = 0; i < frames; ++i)
        if (!LoopFrame()) return false;
    const double elapsed = NowMs() - start, cpuElapsed = ProcessCpuMs() - cpu;
    const unsigned long long allocations = AllocationCount() - before;
    std::printf("\nloop_frame_ms: %.3f\n", elapsed / frames);
    std::printf("loop_frame_cpu_ms: %.3f\n", cpuElapsed / frames);
    std::printf("allocations_per_frame: %.3f\n", static_cast<double>(allocations) / frames);
    std::printf("allocations_total: %llu in %d frames\n", allocations, frames);
    return true;
}

int RunSteps(int warmup, int frames)
{
    for (int i = 0; i < warmup; ++i)
        if (!LoopFrame()) return 1;
    if (!InitStepTimer(Device)) {
        std::printf("no event query: steps not timed\n");
        return 1;
    }
    StepTimes times;
    for (int i = 0; i < frames && PumpMessages(); ++i) {
        Update();
        TimedFrame(times);
    }
    ReleaseStepTimer();
    if (times.frames < frames) return 1;
    PrintSteps(times);
    return MeasureLoopFrames(frames) ? 0 : 1;
}

int RunTechniques(int frames)
{
    for (int i = 0; i < 10; ++i)
        if (!LoopFrame()) return 1;
    return TimeTechniques(frames) ? 0 : 1;
}

const char* ShotPath = "";

// After the water, before Present: the back buffer holds the finished picture.
void SaveBackBuffer(FrameStep step)
{
    if (step != StepWater) return;
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(Device->GetRenderTarget(0, &surface))) return;
    if (FAILED(D3DXSaveSurfaceToFileA(ShotPath, D3DXIFF_PNG, surface, nullptr, nullptr)))
        std::printf("\ncannot save %s\n", ShotPath);
    surface->Release();
}

// Every viewpoint's frame, after a few frames that let llvmpipe build its shaders.
int RunShots(const char* name)
{
    for (int i = 0; i < 3; ++i)
        if (!LoopFrame()) return 1;
    CreateDirectoryA("screenshots", nullptr);
    std::string path;
    for (const Viewpoint& view : Viewpoints) {
        path = std::string("screenshots/") + name + "-" + view.name + ".png";
        ShotPath = path.c_str();
        ShowViewpoint(view);
        FrameStepDone = SaveBackBuffer;
        const bool ran = LoopFrame();
        FrameStepDone = nullptr;
        if (!ran) return 1;
        std::printf("\nsaved %s\n", ShotPath);
    }
    return 0;
}

int RunMode(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "steps";
    if (std::strcmp(mode, "startup") == 0) return TimeFirstFrame() ? 0 : 1;
    if (std::strcmp(mode, "empty") == 0) return RunEmpty();
    if (std::strcmp(mode, "shot") == 0) return RunShots(argc > 2 ? argv[2] : "shot");
    if (std::strcmp(mode, "techniques") == 0) return RunTechniques(argc > 2 ? std::atoi(argv[2]) : 20);
    const int warmup = argc > 2 ? std::atoi(argv[2]) : 50;
    const int frames = argc > 3 ? std::atoi(argv[3]) : 200;
    Flying = argc > 4 && std::strcmp(argv[4], "flying") == 0;
    return RunSteps(warmup, frames);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "baseline") == 0) {
        const int baselineExit = RunBaseline();
        Shutdown();
        std::fflush(stdout);
        return baselineExit;
    }
    if (std::strcmp(mode, "startup") == 0) TimeStartUp();
    if (!InstallAllocationCounter()) std::printf("warning: malloc not found in the import table\n");
    const unsigned long long probe = AllocationCount();
    void* volatile block = std::malloc(16);  // volatile: the pairs must not be optimised away
    std::free(block);
    int* volatile object = new int(1);
    delete object;
    std::printf("allocation_counter: %s\n", AllocationCount() == probe + 2 ? "ok" : "BROKEN");
    const int startFailure = StartUp(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    const int exitCode = startFailure ? startFailure : RunMode(argc, argv);
    Shutdown();
    std::fflush(stdout);
    return exitCode;
}
