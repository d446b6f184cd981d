// A Direct3D device on a hidden window with one off-screen target to draw into and read back.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <vector>

constexpr int TargetSize = 64;

struct TestDevice {
    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DTexture9* target = nullptr;  // A8R8G8B8 render target, TargetSize square
    IDirect3DSurface9* depth = nullptr;
};

// Created on first use and kept for the whole test run; null device when creation failed.
TestDevice& SharedDevice();
// Binds the off-screen target and its depth buffer and clears both.
void BeginTarget(TestDevice& d, D3DCOLOR clear);
// The target's pixels as A8R8G8B8 words, row by row.
std::vector<uint32_t> ReadTarget(TestDevice& d);
ID3DXEffect* LoadEffect(TestDevice& d, const char* path);
// A texture of the given size filled with `pixels` (A8R8G8B8, row by row), managed pool.
IDirect3DTexture9* MakeTexture(TestDevice& d, int width, int height, const std::vector<uint32_t>& pixels);
