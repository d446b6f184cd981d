// Shared by every test of the test program: the viewer itself, started once on a hidden window
// from the real content in the build folder (device, content, effects, scene) and shut down
// after the last test, when every object it made must be released exactly once; and small
// helpers for windows, pixels and child programs.
#pragma once
#include <d3dx9.h>

#include <string>
#include <vector>

#include "render/renderer.h"

// False without a display or a device; the callers skip then.
bool EnsureViewer();
#define REQUIRE_VIEWER() \
    do { if (!EnsureViewer()) GTEST_SKIP() << "no Direct3D device (no display?)"; } while (0)

ULONG RefCount(IUnknown* object);
// Takes WM_QUIT out of this thread's queue: its exit code, or -1 when none was posted.
int TakeQuit();
// The loop's frame update, without the pad status it prints.
void UpdateQuietly();

// Draws these objects in place of the scene while it lives.
struct SceneSwap {
    explicit SceneSwap(std::vector<RenderObject*> objects);
    ~SceneSwap();
    std::vector<RenderObject*> scene;
};

// A never-shown window; each window procedure gets a class of its own.
HWND HiddenWindow(int width, int height, WNDPROC procedure = DefWindowProcA);
// A render-target surface's pixels (0xAARRGGBB) row by row; empty when it cannot be read.
std::vector<DWORD> ReadPixels(IDirect3DDevice9* device, IDirect3DSurface9* surface);
// The same of a surface that can be locked (system memory, managed, lockable).
std::vector<DWORD> LockedPixels(IDirect3DSurface9* surface);
// Pixels whose RGB equals rgb (alpha ignored: back buffers are X8R8G8B8).
size_t CountRgb(const std::vector<DWORD>& pixels, DWORD rgb);

// Runs a program with its standard output and error captured; returns its exit code.
DWORD RunProgram(const std::string& commandLine, std::string& output);
std::string ReadText(const std::string& path);
