#include "tests/unit/viewer.h"

#include <gtest/gtest.h>

#include <utility>

#include "app/app.h"
#include "content/loading.h"
#include "content/scene.h"
#include "gfx/device.h"
#include "tests/support/support.h"

namespace {

int Started = 0;  // 0 not tried, 1 running, -1 no device

// Start-up as the viewer runs it, but for input (the input tests bring their own keyboard).
bool Start()
{
    MainWindow = HiddenWindow(1024, 768);
    if (!MainWindow || !InitDevice()) return false;
    // A copying swap chain keeps the presented frame readable.
    PresentParams.SwapEffect = D3DSWAPEFFECT_COPY;
    if (FAILED(Device->Reset(&PresentParams))) return false;
    LoadContent();
    InitEffects();
    BuildScene();
    return true;
}

// Shutdown as the viewer runs it. With one more reference of ours on the device and the
// Direct3D object, ours must be the last: every object the viewer made was released.
struct ViewerEnvironment : testing::Environment {
    void TearDown() override
    {
        if (Started != 1) return;
        IDirect3DDevice9* device = Device;
        IDirect3D9* direct3D = Direct3DObject;
        device->AddRef();
        direct3D->AddRef();
        Shutdown();
        EXPECT_TRUE(Device == nullptr && TheRenderer == nullptr);
        EXPECT_EQ(device->Release(), 0u) << "objects still hold the device";
        EXPECT_EQ(direct3D->Release(), 0u);
        DestroyWindow(MainWindow);
    }
};
const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new ViewerEnvironment);

}  // namespace

bool EnsureViewer()
{
    if (Started == 0) Started = Start() ? 1 : -1;
    TakeQuit();  // an effect that failed to load posted one; the tests report it themselves
    return Started == 1;
}

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

int TakeQuit()
{
    MSG message;
    int code = -1;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) code = static_cast<int>(message.wParam);
    return code;
}

void UpdateQuietly()
{
    testing::internal::CaptureStdout();
    UpdateFrame();
    testing::internal::GetCapturedStdout();
}

std::vector<DWORD> BackBufferPixels()
{
    IDirect3DSurface9* backBuffer = nullptr;
    if (FAILED(Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer))) return {};
    std::vector<DWORD> pixels = ReadPixels(Device, backBuffer);
    backBuffer->Release();
    return pixels;
}

SceneSwap::SceneSwap(std::vector<RenderObject*> objects) : scene(std::exchange(TheRenderer->objects, objects)) {}

SceneSwap::~SceneSwap()
{
    TheRenderer->objects = scene;
}
