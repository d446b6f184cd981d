#include "app/app.h"
#include "app/start_stages.h"

#include <cstring>
#include <string>

#include "app/error_box.h"
#include "camera/camera.h"
#include "content/content_paths.h"
#include "content/loading.h"
#include "content/scene.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "input/input.h"
#include "render/effect_names.h"
#include "render/frame.h"
#include "render/renderer.h"
#include "resources/resource.h"

HINSTANCE AppInstance = nullptr;
HWND MainWindow = nullptr;
char WindowTitle[100] = "";
char WindowClassName[100] = "";
bool DeviceLost = false;
float AccumulatedTime = 0.0f;
const float ElapsedTime = 0.02f;
void (*StartStageDone)(StartStage stage, const char* path) = nullptr;

namespace {

const int WindowX = 50, WindowY = 50, WindowWidth = 1024, WindowHeight = 768;
const int StartFailed = 1;

bool ResetFailed = false;  // since the last Reset that worked: the loop retries every frame

// Effects and render targets live in the default pool: release them, reset, make them again.
// A failed Reset leaves the device lost: drawing on it then would crash the next Reset.
bool ResetDevice()
{
    ReleaseEffects();
    DefaultEffect = PostProcessEffect = nullptr;
    TheRenderer->defaultEffect = TheRenderer->postProcessEffect = nullptr;
    const HRESULT reset = Device->Reset(&PresentParams);
    if (FAILED(reset)) {
        if (!ResetFailed) ReportFatal("ERROR: Could not reset the device: 0x%08lX\n", static_cast<unsigned long>(reset));
        ResetFailed = DeviceLost = true;
        return false;
    }
    InitEffects();
    ResetFailed = DeviceLost = false;
    return true;
}

void SetTimeParameters()
{
    if (DefaultEffect) DefaultEffect->SetFloat(DefaultFx::AccumulatedTime.name, AccumulatedTime);
    if (PostProcessEffect) {
        PostProcessEffect->SetFloat(PostFx::AccumulatedTime.name, AccumulatedTime);
        PostProcessEffect->SetFloat(PostFx::ElapsedTime.name, ElapsedTime);
    }
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// When ./Content is missing from the working directory but lies beside the executable, makes
// the executable's folder the working directory (a start from a shortcut or another folder).
void UseContentBesideExecutable()
{
    // Wide calls: a folder name outside the ANSI code page must still be found.
    const std::wstring content(ContentPath::Root, ContentPath::Root + std::strlen(ContentPath::Root));
    if (IsFolder(content)) return;
    std::wstring executable(32768, L'\0');  // the longest path Windows allows
    const DWORD length = GetModuleFileNameW(nullptr, &executable[0], DWORD(executable.size()));
    if (length == 0 || length >= executable.size()) return;
    executable.resize(length);
    const std::wstring folder = executable.substr(0, executable.find_last_of(L"\\/") + 1);
    if (!folder.empty() && IsFolder(folder + content)) SetCurrentDirectoryW(folder.c_str());
}

}  // namespace

void UpdateFrame()
{
    AccumulatedTime += ElapsedTime;
    SetTimeParameters();
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
        if (!ResetDevice()) return FrameOutcome::NotRendered;
        RenderFrame();
        return FrameOutcome::ResetAndRendered;
    }
    if (DeviceLost) return FrameOutcome::NotRendered;
    RenderFrame();
    return FrameOutcome::Rendered;
}

int StartUp(HINSTANCE instance, int showCommand)
{
    UseContentBesideExecutable();
    LoadStringA(instance, IDS_APP_TITLE, WindowTitle, sizeof WindowTitle);
    LoadStringA(instance, IDS_WINDOW_CLASS, WindowClassName, sizeof WindowClassName);
    RegisterMainWindowClass(instance);
    AppInstance = instance;
    MainWindow = CreateWindowExA(0, WindowClassName, WindowTitle, WS_OVERLAPPEDWINDOW, WindowX, WindowY,
                                 WindowWidth, WindowHeight, nullptr, nullptr, instance, nullptr);
    if (!MainWindow) {
        ReportFatal("ERROR: Could not create the main window\n");
        return StartFailed;
    }
    ShowWindow(MainWindow, showCommand);
    UpdateWindow(MainWindow);
    StartStageFinished(StageWindow);
    if (!InitDevice()) return StartFailed;
    StartStageFinished(StageDevice);
    LoadContent();
    InitEffects();
    InitInput(instance, MainWindow);
    StartStageFinished(StageInput);
    BuildScene();
    StartStageFinished(StageScene);
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
    ReleaseMeshesAndTextures();
    ReleaseEffects();
    ReleaseDevice();
    ShutdownInput();
    FreeScene();
}
