// Drawing with the compiled effects on the shared test device.
#pragma once
#include "tests/support/support.h"

#include <cstdint>
#include <vector>

// Position, normal, texcoord0: FVF 0x112, 32 bytes.
struct PlainVertex {
    float x, y, z, nx, ny, nz, u, v;
};

// The viewer's 56-byte layout: position, texcoord0, normal, TANGENT (dP/dV), BINORMAL (dP/dU).
struct TangentVertex {
    float x, y, z, u, v, nx, ny, nz, tx, ty, tz, bx, by, bz;
};

using Indices = std::vector<uint16_t>;
const Indices QuadIndices = {0, 1, 2, 2, 1, 3};

ID3DXEffect* LoadEffect(const char* path);
void DrawPlain(const std::vector<PlainVertex>& vertices, const Indices& indices);
void DrawTangent(const std::vector<TangentVertex>& vertices, const Indices& indices);
// Pass 0 of a technique, begun the way the viewer begins it.
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
