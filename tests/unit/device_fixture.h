// What the device tests share: one hidden window and device for the whole program, private
// devices for tests that reset or shut one down, pixel readback, a scratch working folder and
// a guard that puts the program's global lists and renderer fields back afterwards.
#pragma once
#include <d3dx9.h>

#include <string>
#include <vector>

#include "render/renderer.h"

// Creates the hidden 1024x768 window (MainWindow) and the device on first use. False when
// there is no display or no device; callers skip then.
bool EnsureDevice();
// EnsureDevice, then the Renderer's sprite and three targets if they are missing.
bool EnsureRenderTargets();

#define REQUIRE_DEVICE()                                                         \
    do {                                                                         \
        if (!EnsureDevice()) GTEST_SKIP() << "no Direct3D device (no display?)"; \
    } while (0)

#define REQUIRE_RENDER_TARGETS()                                                                \
    do {                                                                                        \
        if (!EnsureRenderTargets()) GTEST_SKIP() << "no Direct3D device or render targets"; \
    } while (0)

// The current reference count of a COM object, left unchanged.
ULONG RefCount(IUnknown* object);

// Copies a render-target surface to system memory; pixels row by row (0xAARRGGBB).
std::vector<DWORD> ReadPixels(IDirect3DSurface9* surface, UINT* width = nullptr, UINT* height = nullptr);
// Pixels whose RGB equals rgb (alpha ignored: the back buffer is X8R8G8B8).
size_t CountRgb(const std::vector<DWORD>& pixels, DWORD rgb);

// True when the build folder holds the compiled default and post-process effects.
bool EffectsBuilt();
// The folder the program started in (the build folder).
const std::string& StartFolder();

// A new empty folder made the working directory; the old one comes back and the folder goes.
class TempWorkingDir {
public:
    TempWorkingDir();
    ~TempWorkingDir();
    std::string path;

private:
    std::string previous;
};

// Saves the four resource lists, the effect handles and the Renderer's objects, effects,
// camera and projection; puts them back (and drops any quit request) when it goes. Objects
// the test created stay the test's to release.
class GlobalStateGuard {
public:
    GlobalStateGuard();
    ~GlobalStateGuard();

private:
    std::vector<ID3DXMesh*> meshes;
    std::vector<IDirect3DTexture9*> textures;
    std::vector<ID3DXEffect*> effects;
    std::vector<struct Material*> materials;
    ID3DXEffect* defaultEffect;
    ID3DXEffect* postProcessEffect;
    Renderer* renderer;
    Renderer rendererFields;
};

// A device of its own (own window, Renderer and presentation parameters) for tests that reset
// or shut a device down; the shared device's globals come back when it goes.
class PrivateDevice {
public:
    PrivateDevice();
    ~PrivateDevice();
    bool ok = false;

private:
    HWND window = nullptr;
    HWND savedWindow;
    IDirect3D9* savedObject;
    IDirect3DDevice9* savedDevice;
    Renderer* savedRenderer;
    D3DPRESENT_PARAMETERS savedParams;
    D3DXMATRIX savedProjection;
};
