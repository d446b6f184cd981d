// Helpers shared by the content tests: one hidden device, loaders that keep the COM
// references, and the scene placements the content is shaped for.
#pragma once

#include <d3dx9.h>

#include <string>
#include <utility>
#include <vector>

// Owns one COM reference.
template <class T>
struct Com {
    T* p = nullptr;
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    Com(Com&& o) noexcept : p(o.p) { o.p = nullptr; }
    Com& operator=(Com&& o) noexcept
    {
        std::swap(p, o.p);
        return *this;
    }
    ~Com() { if (p) p->Release(); }
    T* operator->() const { return p; }
};

IDirect3DDevice9* TestDevice();  // created on first use, on a hidden window

struct LoadedMesh {
    Com<ID3DXMesh> mesh;
    DWORD materials = 0;
    HRESULT hr = E_FAIL;
};
LoadedMesh LoadMesh(const char* path);
Com<IDirect3DTexture9> LoadTexture(const char* path, HRESULT* hr = nullptr);

std::vector<D3DXVECTOR3> Positions(ID3DXMesh* mesh);
std::vector<DWORD> Indices(ID3DXMesh* mesh);
std::vector<DWORD> Attributes(ID3DXMesh* mesh);

// World matrices the scene builds: tiles by matrix, models by the inverse of a
// right-handed look-at, each followed by a uniform scale.
D3DXMATRIX TerrainWorld(float x, float z);
D3DXMATRIX LookAtWorld(D3DXVECTOR3 position, D3DXVECTOR3 direction, float scale);
D3DXMATRIX BrownDinoWorld();
D3DXMATRIX OrangeDinoWorld();
D3DXMATRIX TurtleWorld();

// Heights of the four placed terrain tiles, sampled on the mesh's own triangles.
struct TerrainSampler {
    std::vector<D3DXVECTOR3> positions;  // model space
    std::vector<DWORD> indices;
    float cellSize = 0;                  // model units between grid rows
    // World height at (x, z) in [-15, 15]^2; false outside every tile.
    bool HeightAt(float x, float z, float& y) const;
};
TerrainSampler SampleTerrain(ID3DXMesh* terrain);

// Reads a texture's top level as 0xAARRGGBB pixels.
struct Pixels {
    UINT width = 0, height = 0;
    std::vector<DWORD> data;
    DWORD At(UINT x, UINT y) const { return data[size_t(y) * width + x]; }
};
Pixels ReadLevel0(IDirect3DTexture9* texture);

std::string ScreenshotDir();  // build/screenshots, created on demand

void SaveTextureSheet(const char* file);
void SaveMeshSheet(const char* file);
