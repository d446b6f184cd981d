#include "tests/content/content_support.h"

#include "content/scene.h"
#include "render/renderer.h"

LoadedMesh ReadMesh(const char* path)
{
    LoadedMesh out;
    out.hr = D3DXLoadMeshFromXA(path, D3DXMESH_SYSTEMMEM, SharedTestDevice(), nullptr, nullptr, nullptr,
                                &out.materials, &out.mesh.p);
    return out;
}

Com<IDirect3DTexture9> ReadTexture(const char* path, HRESULT* hr)
{
    Com<IDirect3DTexture9> t;
    const HRESULT r = D3DXCreateTextureFromFileA(SharedTestDevice(), path, &t.p);
    if (hr) *hr = r;
    return t;
}

std::vector<D3DXVECTOR3> Positions(ID3DXMesh* mesh)
{
    std::vector<D3DXVECTOR3> out(mesh->GetNumVertices());
    BYTE* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&data)))) return {};
    for (size_t i = 0; i < out.size(); ++i) out[i] = *reinterpret_cast<D3DXVECTOR3*>(data + i * mesh->GetNumBytesPerVertex());
    mesh->UnlockVertexBuffer();
    return out;
}

std::vector<DWORD> Indices(ID3DXMesh* mesh)
{
    std::vector<DWORD> out(mesh->GetNumFaces() * 3);
    void* data = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) return {};
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < out.size(); ++i) out[i] = wide ? static_cast<DWORD*>(data)[i] : static_cast<WORD*>(data)[i];
    mesh->UnlockIndexBuffer();
    return out;
}

std::vector<DWORD> Attributes(ID3DXMesh* mesh)
{
    DWORD* data = nullptr;
    if (FAILED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data))) return {};
    std::vector<DWORD> out(data, data + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    return out;
}

Pixels ReadLevel0(IDirect3DTexture9* texture)
{
    Pixels out;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT rect;
    texture->GetLevelDesc(0, &desc);
    if (FAILED(texture->LockRect(0, &rect, nullptr, D3DLOCK_READONLY))) return out;
    out.width = desc.Width;
    out.height = desc.Height;
    for (UINT y = 0; y < desc.Height; ++y) {
        const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(rect.pBits) + y * rect.Pitch);
        out.data.insert(out.data.end(), row, row + desc.Width);
    }
    texture->UnlockRect(0);
    return out;
}

// Built on a Renderer of its own; the objects and materials live as long as the test program.
std::vector<RenderObject*> ViewerScene()
{
    TheRenderer = new Renderer();
    BuildScene();
    return TheRenderer->objects;
}

bool Ground::HeightAt(float x, float z, float& y) const
{
    static const std::vector<RenderObject*> scene = ViewerScene();
    const std::vector<D3DXVECTOR3>& p = positions;
    const std::vector<DWORD>& idx = indices;
    for (int tile = 0; tile < 4; ++tile) {
        const D3DXMATRIX& w = scene[tile]->world;  // scale and translation only
        const float px = (x - w._41) / w._11, pz = (z - w._43) / w._33;
        for (size_t f = 0; f + 2 < idx.size(); f += 3) {
            const D3DXVECTOR3 &a = p[idx[f]], &b = p[idx[f + 1]], &c = p[idx[f + 2]];
            const float det = (b.z - c.z) * (a.x - c.x) + (c.x - b.x) * (a.z - c.z);
            if (det == 0) continue;
            const float l1 = ((b.z - c.z) * (px - c.x) + (c.x - b.x) * (pz - c.z)) / det;
            const float l2 = ((c.z - a.z) * (px - c.x) + (a.x - c.x) * (pz - c.z)) / det, l3 = 1 - l1 - l2;
            if (l1 < -1e-4f || l2 < -1e-4f || l3 < -1e-4f) continue;  // a tile's edge may round a step outside
            y = w._22 * (l1 * a.y + l2 * b.y + l3 * c.y) + w._42;
            return true;
        }
    }
    return false;
}
