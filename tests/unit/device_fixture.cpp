#include "tests/unit/device_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "app/app.h"
#include "content/content_paths.h"
#include "content/loading.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"

namespace fs = std::filesystem;

namespace {

int SharedDevice = 0;  // 0 not tried, 1 made, -1 failed
IDirect3DTexture9** const StartupHandles[5] = {&Terrain0Texture, &Terrain1Texture, &Terrain2Texture,
                                               &Terrain3Texture, &WaterFoamTexture};

// Releases what the current device's owner holds, then the device, as shutdown does.
void ReleaseCurrentDevice()
{
    if (TheRenderer) ReleaseRenderTargets(*TheRenderer);
    FreeRenderer();
    ReleaseDevice();
}

// Releases the shared device after the last test, so the run ends as the program does.
struct SharedDeviceEnvironment : testing::Environment {
    void TearDown() override
    {
        if (SharedDevice != 1) return;
        ReleaseCurrentDevice();
        DestroyWindow(MainWindow);
        MainWindow = nullptr;
    }
};
const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new SharedDeviceEnvironment);

}  // namespace

bool EnsureDevice(bool withRenderTargets)
{
    if (SharedDevice == 0) {
        MainWindow = HiddenWindow(1024, 768);
        SharedDevice = MainWindow && InitDevice() ? 1 : -1;
    }
    if (SharedDevice != 1 || !withRenderTargets) return SharedDevice == 1;
    if (!TheRenderer) return false;
    Renderer& r = *TheRenderer;
    if (!r.sprite || !r.sceneTarget) {
        ReleaseRenderTargets(r);
        CreateRenderTargets(r);
    }
    return r.sprite && r.sceneTarget && r.sceneTarget->surface && r.reflectionTarget->surface &&
           r.heightTarget->surface;
}

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

IDirect3DSurface9* CurrentTarget()
{
    IDirect3DSurface9* surface = nullptr;
    Device->GetRenderTarget(0, &surface);
    if (surface) surface->Release();  // the device keeps it alive
    return surface;
}

int TakeQuit()
{
    MSG message;
    int code = -1;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) code = static_cast<int>(message.wParam);
    return code;
}

const std::string StartFolder = fs::current_path().string();

bool EffectsBuilt()
{
    const fs::path start(StartFolder);
    return fs::exists(start / ContentPath::DefaultEffect) && fs::exists(start / ContentPath::PostProcessEffect);
}

TempWorkingDir::TempWorkingDir() : previous(fs::current_path().string())
{
    static int counter = 0;
    const fs::path folder = fs::temp_directory_path() / ("tidewater-test-" + std::to_string(GetCurrentProcessId()) +
                                                         "-" + std::to_string(++counter));
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
    : meshes((EnsureDevice(), MeshList)), textures(TextureList), effects(EffectList), materials(MaterialList),
      defaultEffect(DefaultEffect), postProcessEffect(PostProcessEffect), renderer(TheRenderer)
{
    for (int i = 0; i < 5; ++i) startupTextures[i] = *StartupHandles[i];
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
    // Textures a test loaded are gone with its device: a later InitEffects must not bind them.
    for (int i = 0; i < 5; ++i) *StartupHandles[i] = startupTextures[i];
    TheRenderer = renderer;
    if (renderer) {
        renderer->objects = rendererFields.objects;
        renderer->heightImageDrawn = false;  // it showed the test's objects
        renderer->defaultEffect = rendererFields.defaultEffect;
        renderer->postProcessEffect = rendererFields.postProcessEffect;
        renderer->mainCamera = rendererFields.mainCamera;
        renderer->projection = rendererFields.projection;
    }
    TakeQuit();  // a failed effect load posts one; it must not end a later test's loop
}

PrivateDevice::PrivateDevice()
    : window(HiddenWindow(1024, 768)), savedWindow(std::exchange(MainWindow, window)),
      savedObject(std::exchange(Direct3DObject, nullptr)), savedDevice(std::exchange(Device, nullptr)),
      savedRenderer(std::exchange(TheRenderer, nullptr)), savedParams(PresentParams), savedProjection(ProjectionMatrix)
{
    ok = window && InitDevice();
}

PrivateDevice::~PrivateDevice()
{
    ReleaseCurrentDevice();  // whatever the test left of its own device goes with it
    if (window) DestroyWindow(window);
    MainWindow = savedWindow;
    Direct3DObject = savedObject;
    Device = savedDevice;
    TheRenderer = savedRenderer;
    PresentParams = savedParams;
    ProjectionMatrix = savedProjection;
}
