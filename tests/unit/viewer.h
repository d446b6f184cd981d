// The viewer as the device tests see it: started once, on a hidden window, from the real content
// in the build folder (device, content, effects, scene), and shut down after the last test, when
// every object it made must be released exactly once.
#pragma once
#include <d3dx9.h>

#include <vector>

#include "render/renderer.h"

// False without a display, a device or the built content; the callers skip then.
bool EnsureViewer();
#define REQUIRE_VIEWER() \
    do { if (!EnsureViewer()) GTEST_SKIP() << "no Direct3D device or no built content"; } while (0)

ULONG RefCount(IUnknown* object);
// Takes WM_QUIT out of this thread's queue: its exit code, or -1 when none was posted.
int TakeQuit();
// The loop's frame update, without the pad status it prints.
void UpdateQuietly();
// The back buffer's pixels (0xAARRGGBB, row by row) as the last Present showed them.
std::vector<DWORD> BackBufferPixels();

// Draws these objects in place of the scene while it lives.
struct SceneSwap {
    explicit SceneSwap(std::vector<RenderObject*> objects);
    ~SceneSwap();
    std::vector<RenderObject*> scene;
};
