#include "tests/unit/device_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/app.h"
#include "content/content_paths.h"
#include "content/loading.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"

namespace fs = std::filesystem;

namespace {

const char* const TestWindowClass = "TidewaterUnitTestWindow";
const int TestWindowWidth = 1024, TestWindowHeight = 768;
bool SharedDeviceMade = false;

HWND MakeHiddenWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = TestWindowClass;
        registered = RegisterClassExA(&windowClass) != 0;
    }
    // Never shown: the device only needs its client area for the back-buffer size.
    return CreateWindowExA(0, TestWindowClass, "Tidewater unit tests", WS_OVERLAPPEDWINDOW, 0, 0, TestWindowWidth,
                           TestWindowHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Releases the shared device after the last test, so the run ends as the program does.
class SharedDeviceEnvironment : public testing::Environment {
public:
    void TearDown() override
    {
        if (!SharedDeviceMade) return;
        if (TheRenderer) ReleaseRenderTargets(*TheRenderer);
        FreeRenderer();
        ReleaseDevice();
        DestroyWindow(MainWindow);
        MainWindow = nullptr;
    }
};

const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new SharedDeviceEnvironment);

}  // namespace

bool EnsureDevice()
{
    static int state = 0;  // 0 not tried, 1 made, -1 failed
    if (state == 0) {
        state = -1;
        HWND window = MakeHiddenWindow();
        if (window) {
            MainWindow = window;
            if (InitDevice()) state = 1;
        }
        SharedDeviceMade = state == 1;
    }
    return state == 1;
}

bool EnsureRenderTargets()
{
    if (!EnsureDevice() || !TheRenderer) return false;
    if (!TheRenderer->sprite || !TheRenderer->sceneTarget) {
        ReleaseRenderTargets(*TheRenderer);
        CreateRenderTargets(*TheRenderer);
    }
    return TheRenderer->sprite && TheRenderer->sceneTarget && TheRenderer->sceneTarget->surface &&
           TheRenderer->reflectionTarget->surface && TheRenderer->heightTarget->surface;
}

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

std::vector<DWORD> ReadPixels(IDirect3DSurface9* surface, UINT* width, UINT* height)
{
    std::vector<DWORD> pixels;
    D3DSURFACE_DESC desc;
    if (!surface || FAILED(surface->GetDesc(&desc))) return pixels;
    IDirect3DSurface9* copy = nullptr;
    if (FAILED(Device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)))
        return pixels;
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(Device->GetRenderTargetData(surface, copy)) &&
        SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        for (UINT y = 0; y < desc.Height; ++y) {
            const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
            pixels.insert(pixels.end(), row, row + desc.Width);
        }
        copy->UnlockRect();
    }
    copy->Release();
    if (width) *width = desc.Width;
    if (height) *height = desc.Height;
    return pixels;
}

size_t CountRgb(const std::vector<DWORD>& pixels, DWORD rgb)
{
    size_t count = 0;
    for (DWORD p : pixels) count += (p & 0x00FFFFFF) == (rgb & 0x00FFFFFF);
    return count;
}

const std::string& StartFolder()
{
    static const std::string folder = fs::current_path().string();
    return folder;
}

bool EffectsBuilt()
{
    const fs::path start(StartFolder());
    return fs::exists(start / ContentPath::DefaultEffect) && fs::exists(start / ContentPath::PostProcessEffect);
}

TempWorkingDir::TempWorkingDir()
{
    static int counter = 0;
    StartFolder();  // remembered before the first change of folder
    previous = fs::current_path().string();
    const fs::path folder =
        fs::temp_directory_path() / ("tidewater-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                                     std::to_string(++counter));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    path = folder.string();
}

TempWorkingDir::~TempWorkingDir()
{
    std::error_code ignored;
    fs::current_path(previous, ignored);
    fs::remove_all(path, ignored);
}

// The shared device comes first, so that its Renderer is what the guard keeps and restores.
GlobalStateGuard::GlobalStateGuard()
    : meshes((EnsureDevice(), MeshList)),
      textures(TextureList),
      effects(EffectList),
      materials(MaterialList),
      defaultEffect(DefaultEffect),
      postProcessEffect(PostProcessEffect),
      renderer(TheRenderer)
{
    if (renderer) rendererFields = *renderer;
}

GlobalStateGuard::~GlobalStateGuard()
{
    MeshList = meshes;
    TextureList = textures;
    EffectList = effects;
    MaterialList = materials;
    DefaultEffect = defaultEffect;
    PostProcessEffect = postProcessEffect;
    TheRenderer = renderer;
    if (renderer) {
        renderer->objects = rendererFields.objects;
        renderer->defaultEffect = rendererFields.defaultEffect;
        renderer->postProcessEffect = rendererFields.postProcessEffect;
        renderer->mainCamera = rendererFields.mainCamera;
        renderer->projection = rendererFields.projection;
    }
    // A failed effect load posts a quit request; it must not end a later test's loop.
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

PrivateDevice::PrivateDevice()
    : savedWindow(MainWindow),
      savedObject(Direct3DObject),
      savedDevice(Device),
      savedRenderer(TheRenderer),
      savedParams(PresentParams),
      savedProjection(ProjectionMatrix)
{
    window = MakeHiddenWindow();
    if (!window) return;
    MainWindow = window;
    Direct3DObject = nullptr;
    Device = nullptr;
    TheRenderer = nullptr;
    ok = InitDevice();
}

PrivateDevice::~PrivateDevice()
{
    // Whatever the test left of its own device goes with it.
    if (TheRenderer) ReleaseRenderTargets(*TheRenderer);
    FreeRenderer();
    ReleaseDevice();
    if (window) DestroyWindow(window);
    MainWindow = savedWindow;
    Direct3DObject = savedObject;
    Device = savedDevice;
    TheRenderer = savedRenderer;
    PresentParams = savedParams;
    ProjectionMatrix = savedProjection;
}
