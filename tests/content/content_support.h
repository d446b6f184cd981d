// Helpers shared by the content tests: loaders that keep the COM references, mesh and texture
// data read back, and the viewer's own scene placing the content.
#pragma once
#include "tests/support/support.h"

#include <utility>

struct RenderObject;

// Owns one COM reference.
template <class T>
struct Com {
    T* p = nullptr;
    Com() = default;
    Com(Com&& o) noexcept : p(std::exchange(o.p, nullptr)) {}
    ~Com() { if (p) p->Release(); }
    T* operator->() const { return p; }
};

struct LoadedMesh {
    Com<ID3DXMesh> mesh;
    DWORD materials = 0;
    HRESULT hr = E_FAIL;
};
LoadedMesh ReadMesh(const char* path);
Com<IDirect3DTexture9> ReadTexture(const char* path, HRESULT* hr = nullptr);

std::vector<D3DXVECTOR3> Positions(ID3DXMesh* mesh);
std::vector<DWORD> Indices(ID3DXMesh* mesh);
std::vector<DWORD> Attributes(ID3DXMesh* mesh);
// A texture's top level as 0xAARRGGBB pixels; At reads channel 0 (blue) to 3 (alpha) and wraps
// around the edges.
struct Pixels {
    UINT width = 0, height = 0;
    std::vector<DWORD> data;
    int At(UINT x, UINT y, int channel) const
    {
        return int(data[size_t(y % height) * width + x % width] >> 8 * channel & 255);
    }
};
Pixels ReadLevel0(IDirect3DTexture9* texture);

// The viewer's scene over whatever the mesh and texture handles hold: objects 0-3 are the
// terrain tiles, 4-19 the water tiles, 20 and 21 the dinosaurs, 22 the turtle.
std::vector<RenderObject*> ViewerScene();
// The terrain tiles as the viewer places them, sampled on the mesh's own triangles.
struct Ground {
    std::vector<D3DXVECTOR3> positions;  // model space
    std::vector<DWORD> indices;
    explicit Ground(ID3DXMesh* terrain) : positions(Positions(terrain)), indices(Indices(terrain)) {}
    bool HeightAt(float x, float z, float& y) const;  // world height at (x, z); false off every tile
};

void SaveTextureSheet(const char* file);
void SaveMeshSheet(const char* file);
