#include "app/app.h"

#include "camera/camera.h"
#include "gfx/device.h"
#include "input/input.h"
#include "render/renderer.h"
#include "resources/resource.h"

HINSTANCE AppInstance = nullptr;
HWND MainWindow = nullptr;
char WindowTitle[100] = "";
char WindowClassName[100] = "";
bool DeviceLost = false;
float AccumulatedTime = 0.0f;
const float ElapsedTime = 0.02f;

namespace {

const int WindowX = 50, WindowY = 50, WindowWidth = 1024, WindowHeight = 768;
const int StartFailed = 1;

void ResetDevice()
{
    Device->Reset(&PresentParams);  // result ignored: the next device test decides again
    DeviceLost = false;
}

void RenderFrame()
{
    Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF4CCCFF, 1.0f, 0);
    Device->Present(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

void UpdateFrame()
{
    AccumulatedTime += ElapsedTime;
    PollInput();
    MainCamera.Update(ElapsedTime);
}

FrameOutcome RunDeviceStep(HRESULT deviceState)
{
    if (deviceState == D3DERR_DEVICELOST) {
        DeviceLost = true;
        return FrameOutcome::NotRendered;
    }
    if (deviceState == D3DERR_DEVICENOTRESET) {
        ResetDevice();
        RenderFrame();
        return FrameOutcome::ResetAndRendered;
    }
    if (DeviceLost) return FrameOutcome::NotRendered;
    RenderFrame();
    return FrameOutcome::Rendered;
}

int StartUp(HINSTANCE instance, int showCommand)
{
    LoadStringA(instance, IDS_APP_TITLE, WindowTitle, sizeof WindowTitle);
    LoadStringA(instance, IDS_WINDOW_CLASS, WindowClassName, sizeof WindowClassName);
    RegisterMainWindowClass(instance);
    AppInstance = instance;
    MainWindow = CreateWindowExA(0, WindowClassName, WindowTitle, WS_OVERLAPPEDWINDOW, WindowX, WindowY,
                                 WindowWidth, WindowHeight, nullptr, nullptr, instance, nullptr);
    if (!MainWindow) return StartFailed;
    ShowWindow(MainWindow, showCommand);
    UpdateWindow(MainWindow);
    if (!InitDevice()) return StartFailed;
    InitInput(instance, MainWindow);
    return 0;
}

int RunMainLoop()
{
    MSG message = {};
    while (message.message != WM_QUIT) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        UpdateFrame();
        RunDeviceStep(Device->TestCooperativeLevel());
    }
    return static_cast<int>(message.wParam);
}

void Shutdown()
{
    if (TheRenderer) ReleaseRenderTargets(*TheRenderer);
    ReleaseDevice();
    ShutdownInput();
    FreeRenderer();
}
