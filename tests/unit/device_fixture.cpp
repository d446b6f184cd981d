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

bool SharedDeviceMade = false;

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

bool EnsureDevice(bool withRenderTargets)
{
    static int state = 0;  // 0 not tried, 1 made, -1 failed
    if (state == 0) {
        MainWindow = HiddenWindow(1024, 768);
        state = MainWindow && InitDevice() ? 1 : -1;
        SharedDeviceMade = state == 1;
    }
    if (state != 1 || !withRenderTargets) return state == 1;
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
      startupTextures{Terrain0Texture, Terrain1Texture, Terrain2Texture, Terrain3Texture, WaterFoamTexture},
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
    // Textures a test loaded are gone with its device: a later InitEffects must not bind them.
    Terrain0Texture = startupTextures[0];
    Terrain1Texture = startupTextures[1];
    Terrain2Texture = startupTextures[2];
    Terrain3Texture = startupTextures[3];
    WaterFoamTexture = startupTextures[4];
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
    window = HiddenWindow(1024, 768);
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
