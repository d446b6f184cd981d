// Drawing with the compiled effects on the shared test device.
#pragma once
#include "tests/support/support.h"

#include <gtest/gtest.h>

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
void DrawMesh(const std::vector<PlainVertex>& vertices, const Indices& indices);
void DrawMesh(const std::vector<TangentVertex>& vertices, const Indices& indices);
// A square in clip space at depth 0.5 with normal n, u along x and v along y.
std::vector<PlainVertex> ClipSquare(float half, D3DXVECTOR3 n);
// The same vertices with a tangent (dP/dV) and binormal (dP/dU) of their own.
std::vector<TangentVertex> WithFrame(const std::vector<PlainVertex>& vertices, D3DXVECTOR3 tangent,
                                     D3DXVECTOR3 binormal);
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
// The viewer's copy order (sprite Begin, effect Begin and BeginPass, sprite Draw, EndPass, End,
// sprite End) plus a sprite Flush inside the pass, without which the pass never reaches the quad.
void SpriteCopy(ID3DXEffect* post, IDirect3DTexture9* texture);

// The height camera: orthographic 32 x 32 around the origin, looking down from y = 100.
D3DXMATRIX HeightViewProjection();
D3DXMATRIX Identity();

// The Default effect and a Size x Size target on the shared device; textures made through Own
// live until the test ends.
class EffectTest : public testing::Test {
protected:
    static constexpr int Size = 64;
    IDirect3DDevice9* d = SharedTestDevice();
    ID3DXEffect* fx = nullptr;
    Target target;
    std::vector<IDirect3DTexture9*> textures;

    void SetUp() override;
    void TearDown() override
    {
        if (fx) fx->Release();
        for (IDirect3DTexture9* t : textures) t->Release();
        ReleaseTarget(target);
    }
    IDirect3DTexture9* Own(IDirect3DTexture9* texture) { return textures.emplace_back(texture); }
    IDirect3DTexture9* Solid(DWORD colour) { return Own(SolidTexture(d, colour)); }
    void Matrices(const D3DXMATRIX& world, const D3DXMATRIX& viewProj);
};
