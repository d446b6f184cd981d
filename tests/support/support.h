// Shared by the unit, effect and content tests: hidden windows and a device, render targets
// read back, textures of known pixels, child programs with their output, the content files.
#pragma once
#include <d3dx9.h>

#include <string>
#include <vector>

// A never-shown window; each window procedure gets a class of its own.
HWND HiddenWindow(int width, int height, WNDPROC procedure = DefWindowProcA);
// A windowed HAL device (256 x 256, D16 depth) made on first use; null without a display.
IDirect3DDevice9* SharedTestDevice();

// An A8R8G8B8 render-target texture with a depth buffer of its own.
struct Target {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;  // level 0
    IDirect3DSurface9* depth = nullptr;
    UINT width = 0, height = 0;
};
Target MakeTarget(IDirect3DDevice9* device, UINT width, UINT height);
void ReleaseTarget(Target& target);
// Binds the target and its depth buffer and clears both.
void BeginTarget(IDirect3DDevice9* device, const Target& target, D3DCOLOR clear);

// A render-target surface's pixels (0xAARRGGBB) row by row; empty when it cannot be read.
std::vector<DWORD> ReadPixels(IDirect3DDevice9* device, IDirect3DSurface9* surface);
// Pixels whose RGB equals rgb (alpha ignored: back buffers are X8R8G8B8).
size_t CountRgb(const std::vector<DWORD>& pixels, DWORD rgb);
// A managed one-level A8R8G8B8 texture holding `pixels` row by row.
IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT width, UINT height, const std::vector<DWORD>& pixels);
IDirect3DTexture9* SolidTexture(IDirect3DDevice9* device, DWORD colour, UINT size = 4);
// Writes screenshots/<name> (under the working folder, the build folder) as PNG.
bool SaveScreenshot(IDirect3DSurface9* surface, const char* name);

// Runs a program with its standard output and error captured; returns its exit code.
DWORD RunProgram(const std::string& commandLine, std::string& output);
std::string ReadText(const std::string& path);

// The content files, in the order the viewer loads them.
extern const char* const MeshFiles[7];
extern const char* const TextureFiles[17];  // each file once
extern const char* const TextureLoads[19];  // "WhiteSand.dds" three times
