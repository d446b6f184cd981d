#include "bench/start_timer.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/start_stages.h"
#include "gfx/device.h"
#include "render/frame.h"

namespace {

const ULONGLONG UnixEpochIn100ns = 116444736000000000ULL;
const char* const StageNames[StartStageCount] = {"window", "device",        "mesh",  "texture",
                                                 "effects", "render_targets", "input", "scene"};
int FilesLoaded[StartStageCount] = {};

// Marks are kept here and printed after the first frame: printing each as it comes costs Wine
// some server calls, which would be counted in the stages.
struct StageMark {
    char name[64];
    double unixMs;
};
StageMark Marks[64];
int MarkCount = 0;

double UnixMs()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks - UnixEpochIn100ns) / 1e4;
}

void Mark(const char* name)
{
    if (MarkCount == sizeof Marks / sizeof Marks[0]) return;
    StageMark& mark = Marks[MarkCount++];
    std::snprintf(mark.name, sizeof mark.name, "%s", name);
    mark.unixMs = UnixMs();
}

// The frame's pad status line has no line end: the marks start on a line of their own.
void PrintMarks()
{
    std::printf("\n");
    for (int i = 0; i < MarkCount; ++i)
        std::printf("stage %s %.1f\n", Marks[i].name, Marks[i].unixMs);
    MarkCount = 0;
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
    PrintMarks();
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
    PrintMarks();
    return 0;
}
