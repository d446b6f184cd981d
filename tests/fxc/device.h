// A Direct3D device on a hidden window, off-screen targets to draw into and read back, and the
// small drawing helpers the effect tests share.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <vector>

struct TestDevice {
    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexDeclaration9* tangentLayout = nullptr;  // the 56-byte layout
};

// An A8R8G8B8 render target with its own depth buffer.
struct Target {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* depth = nullptr;
    int size = 0;
};

// Position, normal, texcoord0: FVF 0x112, 32 bytes.
struct PlainVertex {
    float x, y, z, nx, ny, nz, u, v;
};

// POSITION @0, TEXCOORD0 @12, NORMAL @20, TANGENT (dP/dV) @32, BINORMAL (dP/dU) @44.
struct TangentVertex {
    float x, y, z, u, v, nx, ny, nz, tx, ty, tz, bx, by, bz;
};

// Created on first use and kept for the whole test run; null device when creation failed.
TestDevice& SharedDevice();
Target MakeTarget(TestDevice& d, int size);
void ReleaseTarget(Target& t);
// Binds the target and its depth buffer, clears both.
void BeginTarget(TestDevice& d, const Target& t, D3DCOLOR clear);
// The target's pixels as A8R8G8B8 words, row by row.
std::vector<uint32_t> ReadTarget(TestDevice& d, const Target& t);
ID3DXEffect* LoadEffect(TestDevice& d, const char* path);
// A texture filled with `pixels` (A8R8G8B8, row by row), managed pool, one level.
IDirect3DTexture9* MakeTexture(TestDevice& d, int width, int height, const std::vector<uint32_t>& pixels);
IDirect3DTexture9* MakeSolidTexture(TestDevice& d, uint32_t color);

void DrawPlain(TestDevice& d, const std::vector<PlainVertex>& vertices, const std::vector<uint16_t>& indices);
void DrawTangent(TestDevice& d, const std::vector<TangentVertex>& vertices, const std::vector<uint16_t>& indices);
// Draws pass 0 of a technique the way the viewer does: Begin(nullptr, 0), BeginPass(0).
template <typename Draw>
void WithTechnique(ID3DXEffect* effect, const char* technique, Draw draw)
{
    effect->SetTechnique(technique);
    effect->Begin(nullptr, 0);
    effect->BeginPass(0);
    draw();
    effect->EndPass();
    effect->End();
}

// The height camera: orthographic 32 x 32 around the origin, looking down from y = 100.
D3DXMATRIX HeightViewProjection();
D3DXMATRIX Identity();
