#include "content/mesh.h"

#include <cstdio>

#include "gfx/device.h"
#include "gfx/resource_lists.h"

const D3DVERTEXELEMENT9 TangentFrameLayout[6] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 20, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    D3DDECL_END(),
};

namespace {

// Builds the tangent frame into a new mesh. Where the platform answers E_NOTIMPL (Wine 8
// computes no partial derivatives) the same frame is computed here, in the clone itself.
HRESULT BuildTangentFrame(ID3DXMesh* clone, ID3DXMesh** result)
{
    *result = nullptr;
    const HRESULT hr = D3DXComputeTangentFrameEx(
        clone, D3DDECLUSAGE_TEXCOORD, 0, D3DDECLUSAGE_BINORMAL, 0, D3DDECLUSAGE_TANGENT, 0, D3DDECLUSAGE_NORMAL, 0,
        D3DXTANGENT_CALCULATE_NORMALS, nullptr, 0.01f, 0.25f, 0.01f, result, nullptr);
    if (hr != E_NOTIMPL) return hr;
    if (*result) (*result)->Release();
    *result = nullptr;
    if (!ComputeTangentFrameInPlace(clone)) return E_FAIL;
    clone->AddRef();
    *result = clone;
    return S_OK;
}

ID3DXMesh* RebuildWithTangentFrame(ID3DXMesh* loaded)
{
    ID3DXMesh* clone = nullptr;
    if (FAILED(loaded->CloneMesh(loaded->GetOptions(), TangentFrameLayout, Device, &clone)) || !clone) {
        std::printf("ERROR: ComputeTangentFrameEX failed!");
        return loaded;  // drawable as loaded, without a tangent frame
    }
    ID3DXMesh* result = nullptr;
    if (FAILED(BuildTangentFrame(clone, &result)) || !result) {
        std::printf("ERROR: ComputeTangentFrameEX failed!");
        loaded->Release();
        return clone;  // keeps the 56-byte layout, frame left as the clone made it
    }
    clone->Release();
    loaded->Release();
    return result;
}

}  // namespace

ID3DXMesh* LoadMesh(const char* path)
{
    ID3DXMesh* loaded = nullptr;
    if (!Device || FAILED(D3DXLoadMeshFromXA(path, D3DXMESH_SYSTEMMEM, Device, nullptr, nullptr, nullptr, nullptr,
                                             &loaded)) || !loaded) {
        std::printf("ERROR: Could not load mesh %s\n", path);
        return nullptr;
    }
    ID3DXMesh* result = (loaded->GetFVF() & D3DFVF_NORMAL) ? loaded : RebuildWithTangentFrame(loaded);
    MeshList.push_back(result);
    return result;
}
