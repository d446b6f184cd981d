// What the device tests share: one hidden window and device for the whole program, private
// devices for tests that reset or shut one down, a scratch working folder and a guard that puts
// the program's globals back afterwards.
#pragma once
#include <string>
#include <vector>

#include "render/renderer.h"
#include "tests/support/support.h"

// Makes the hidden 1024x768 MainWindow, the device and, when asked, the Renderer's sprite and
// targets on first use. False without a display or device; callers skip then.
bool EnsureDevice(bool withRenderTargets = false);
#define REQUIRE_DEVICE(...) \
    do { if (!EnsureDevice(__VA_ARGS__)) GTEST_SKIP() << "no Direct3D device (no display?)"; } while (0)

ULONG RefCount(IUnknown* object);   // left unchanged
IDirect3DSurface9* CurrentTarget();  // render target 0; no reference is kept
// Takes WM_QUIT out of this thread's queue: its exit code, or -1 when none was posted.
int TakeQuit();
extern const std::string StartFolder;  // the build folder, where the program started
bool EffectsBuilt();                    // true when it holds both compiled effects

// A new empty folder made the working directory; the old one comes back and the folder goes.
struct TempWorkingDir {
    TempWorkingDir();
    ~TempWorkingDir();
    std::string path, previous;
};

// Saves the four resource lists, the effect and start-up texture handles and the Renderer's
// objects, effects, camera and projection; puts them back and drops any quit request when it
// goes. Objects the test created stay the test's to release.
struct GlobalStateGuard {
    GlobalStateGuard();
    ~GlobalStateGuard();
    std::vector<ID3DXMesh*> meshes;
    std::vector<IDirect3DTexture9*> textures;
    std::vector<ID3DXEffect*> effects;
    std::vector<struct Material*> materials;
    ID3DXEffect *defaultEffect, *postProcessEffect;
    IDirect3DTexture9* startupTextures[5];  // the textures InitEffects binds
    Renderer* renderer;
    Renderer rendererFields;
};

// A device of its own (own window, Renderer and presentation parameters) for tests that reset
// or shut a device down; the shared device's globals come back when it goes.
struct PrivateDevice {
    PrivateDevice();
    ~PrivateDevice();
    bool ok = false;
    HWND window = nullptr, savedWindow;
    IDirect3D9* savedObject;
    IDirect3DDevice9* savedDevice;
    Renderer* savedRenderer;
    D3DPRESENT_PARAMETERS savedParams;
    D3DXMATRIX savedProjection;
};
