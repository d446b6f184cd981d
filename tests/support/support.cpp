#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <utility>

#include "app/app.h"
#include "content/loading.h"
#include "content/scene.h"
#include "gfx/device.h"

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

// The frames' kept images show the objects they were drawn with: drawn again after each swap.
SceneSwap::SceneSwap(std::vector<RenderObject*> objects) : scene(std::exchange(TheRenderer->objects, objects))
{
    ForgetKeptImages(*TheRenderer);
}

SceneSwap::~SceneSwap()
{
    TheRenderer->objects = scene;
    ForgetKeptImages(*TheRenderer);
}

HWND HiddenWindow(int width, int height, WNDPROC procedure)
{
    const std::string name = "TidewaterTest" + std::to_string(reinterpret_cast<UINT_PTR>(procedure));
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name.c_str();
    RegisterClassA(&windowClass);  // fails harmlessly once the class exists
    return CreateWindowA(name.c_str(), "Tidewater test", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr,
                         windowClass.hInstance, nullptr);
}

std::vector<DWORD> LockedPixels(IDirect3DSurface9* surface)
{
    std::vector<DWORD> pixels;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT locked;
    if (!surface || FAILED(surface->GetDesc(&desc)) || FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return pixels;
    for (UINT y = 0; y < desc.Height; ++y) {
        const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
        pixels.insert(pixels.end(), row, row + desc.Width);
    }
    surface->UnlockRect();
    return pixels;
}

std::vector<DWORD> ReadPixels(IDirect3DDevice9* device, IDirect3DSurface9* surface)
{
    D3DSURFACE_DESC desc;
    IDirect3DSurface9* copy = nullptr;
    if (!surface || FAILED(surface->GetDesc(&desc)) ||
        FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)))
        return {};
    const bool copied = SUCCEEDED(device->GetRenderTargetData(surface, copy));
    const std::vector<DWORD> pixels = copied ? LockedPixels(copy) : std::vector<DWORD>();
    copy->Release();
    return pixels;
}

size_t CountRgb(const std::vector<DWORD>& pixels, DWORD rgb)
{
    size_t count = 0;
    for (DWORD p : pixels) count += (p & 0xFFFFFF) == (rgb & 0xFFFFFF);
    return count;
}

DWORD RunProgram(const std::string& commandLine, std::string& output)
{
    const std::string log = commandLine.substr(0, commandLine.find(' ')) + ".log";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = startup.hStdOutput = file;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    DWORD code = 0xDEAD;
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(file);
    output = ReadText(log);
    return code;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
