#include "bench/start_timer.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/start_stages.h"
#include "bench/step_timer.h"
#include "gfx/device.h"

namespace {

const ULONGLONG UnixEpochIn100ns = 116444736000000000ULL;
const char* const StageNames[StartStageCount] = {"window", "device",        "mesh",  "texture",
                                                 "effects", "render_targets", "input", "scene"};
int FilesLoaded[StartStageCount] = {};

double UnixMs()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks - UnixEpochIn100ns) / 1e4;
}

// The frame's pad status line has no line end: every mark starts a line of its own.
void Mark(const char* name)
{
    std::printf("\nstage %s %.1f %.1f\n", name, UnixMs(), ProcessCpuMs());
}

// Meshes and textures are marked one by one, numbered in load order: "mesh1:tiger.x".
void StageDone(StartStage stage, const char* path)
{
    if (!path) return Mark(StageNames[stage]);
    const char* slash = std::strrchr(path, '/');
    char name[MAX_PATH + 32];
    std::snprintf(name, sizeof name, "%s%d:%s", StageNames[stage], ++FilesLoaded[stage], slash ? slash + 1 : path);
    Mark(name);
}

void FrameStepMarked(FrameStep step)
{
    const char* const names[FrameStepCount] = {"frame_begin", "frame_reflection", "frame_height", "frame_main",
                                               "frame_copy",  "frame_water",      "frame_present"};
    Mark(names[step]);
}

LRESULT CALLBACK BaselineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void TimeStartUp()
{
    Mark("launch");
    StartStageDone = StageDone;
    FrameStepDone = FrameStepMarked;
}

bool TimeFirstFrame()
{
    MSG message;
    bool running = true;
    while (running && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        running = message.message != WM_QUIT;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (running) {
        UpdateFrame();
        Mark("frame_update");
        RunDeviceStep(Device->TestCooperativeLevel());
    }
    StartStageDone = nullptr;
    FrameStepDone = nullptr;
    return running;
}

int RunBaseline()
{
    Mark("launch");
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = BaselineWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "TidewaterBaseline";
    RegisterClassExA(&windowClass);
    MainWindow = CreateWindowExA(0, windowClass.lpszClassName, "Baseline", WS_OVERLAPPEDWINDOW, 50, 50, 1024, 768,
                                 nullptr, nullptr, instance, nullptr);
    if (!MainWindow) return 1;
    ShowWindow(MainWindow, SW_SHOWNORMAL);
    UpdateWindow(MainWindow);
    Mark("window");
    if (!InitDevice()) return 1;
    Mark("device");
    Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    Device->Present(nullptr, nullptr, nullptr, nullptr);
    Mark("frame_present");
    return 0;
}
