#include "content_support.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace {

IDirect3D9* D3D = nullptr;
IDirect3DDevice9* Device = nullptr;

HWND HiddenWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ContentTestWindow";
    RegisterClassA(&wc);
    return CreateWindowA("ContentTestWindow", "content test", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr,
                         nullptr, wc.hInstance, nullptr);
}

}  // namespace

IDirect3DDevice9* TestDevice()
{
    if (Device) return Device;
    D3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!D3D) return nullptr;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    HWND window = HiddenWindow();
    if (FAILED(D3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                 &pp, &Device)))
        Device = nullptr;
    return Device;
}

LoadedMesh LoadMesh(const char* path)
{
    LoadedMesh out;
    out.hr = D3DXLoadMeshFromXA(path, D3DXMESH_SYSTEMMEM, TestDevice(), nullptr, nullptr, nullptr,
                                &out.materials, &out.mesh.p);
    return out;
}

Com<IDirect3DTexture9> LoadTexture(const char* path, HRESULT* hr)
{
    Com<IDirect3DTexture9> t;
    const HRESULT r = D3DXCreateTextureFromFileA(TestDevice(), path, &t.p);
    if (hr) *hr = r;
    return t;
}

std::vector<D3DXVECTOR3> Positions(ID3DXMesh* mesh)
{
    std::vector<D3DXVECTOR3> out(mesh->GetNumVertices());
    const DWORD stride = mesh->GetNumBytesPerVertex();
    BYTE* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&data)))) return {};
    for (size_t i = 0; i < out.size(); ++i) out[i] = *reinterpret_cast<D3DXVECTOR3*>(data + i * stride);
    mesh->UnlockVertexBuffer();
    return out;
}

std::vector<DWORD> Indices(ID3DXMesh* mesh)
{
    std::vector<DWORD> out(mesh->GetNumFaces() * 3);
    void* data = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) return {};
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = wide ? static_cast<DWORD*>(data)[i] : static_cast<WORD*>(data)[i];
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

D3DXMATRIX TerrainWorld(float x, float z)
{
    D3DXMATRIX s, t, tile, scale, out;
    D3DXMatrixScaling(&s, 30, 15, 30);
    D3DXMatrixTranslation(&t, x, 40, z);
    D3DXMatrixScaling(&scale, 0.01f, 0.01f, 0.01f);
    D3DXMatrixMultiply(&tile, &s, &t);
    return *D3DXMatrixMultiply(&out, &tile, &scale);
}

D3DXMATRIX LookAtWorld(D3DXVECTOR3 p, D3DXVECTOR3 d, float scale)
{
    D3DXMATRIX view, inverse, s, out;
    const D3DXVECTOR3 target = p + d, up(0, 1, 0);
    D3DXMatrixLookAtRH(&view, &p, &target, &up);
    D3DXMatrixInverse(&inverse, nullptr, &view);
    D3DXMatrixScaling(&s, scale, scale, scale);
    return *D3DXMatrixMultiply(&out, &inverse, &s);
}

D3DXMATRIX BrownDinoWorld() { return LookAtWorld({-1.7f, 0.7f, 1.3f}, {-1.0f, 0.1f, -1.5f}, 3.0f); }
D3DXMATRIX OrangeDinoWorld() { return LookAtWorld({0.4f, 0.18f, 0.0f}, {0.0f, 0.0f, 1.0f}, 3.0f); }
D3DXMATRIX TurtleWorld() { return LookAtWorld({30.0f, -100.0f, 80.0f}, {1.4f, 0.0f, 1.0f}, 0.005f); }

TerrainSampler SampleTerrain(ID3DXMesh* terrain)
{
    TerrainSampler s;
    s.positions = Positions(terrain);
    s.indices = Indices(terrain);
    float minX = 1e9f, nextX = 1e9f;
    for (const D3DXVECTOR3& p : s.positions) minX = std::min(minX, p.x);
    for (const D3DXVECTOR3& p : s.positions)
        if (p.x > minX + 1e-4f) nextX = std::min(nextX, p.x);
    s.cellSize = nextX - minX;
    return s;
}

bool TerrainSampler::HeightAt(float x, float z, float& y) const
{
    // Tiles sit at +-7.5 and span 7.5 either side: pick the one holding the point.
    const float tx = x < 0 ? -7.5f : 7.5f, tz = z < 0 ? -7.5f : 7.5f;
    const float px = (x - tx) / 0.3f, pz = (z - tz) / 0.3f;
    const float margin = cellSize * 1.5f;
    for (size_t f = 0; f + 2 < indices.size(); f += 3) {
        const D3DXVECTOR3 &a = positions[indices[f]], &b = positions[indices[f + 1]], &c = positions[indices[f + 2]];
        if (std::fabs(a.x - px) > margin || std::fabs(a.z - pz) > margin) continue;
        const float det = (b.z - c.z) * (a.x - c.x) + (c.x - b.x) * (a.z - c.z);
        if (std::fabs(det) < 1e-9f) continue;
        const float l1 = ((b.z - c.z) * (px - c.x) + (c.x - b.x) * (pz - c.z)) / det;
        const float l2 = ((c.z - a.z) * (px - c.x) + (a.x - c.x) * (pz - c.z)) / det;
        const float l3 = 1 - l1 - l2;
        const float eps = -1e-4f;
        if (l1 < eps || l2 < eps || l3 < eps) continue;
        y = 0.15f * (l1 * a.y + l2 * b.y + l3 * c.y) + 0.4f;
        return true;
    }
    return false;
}

Pixels ReadLevel0(IDirect3DTexture9* texture)
{
    Pixels out;
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    D3DLOCKED_RECT rect;
    if (FAILED(texture->LockRect(0, &rect, nullptr, D3DLOCK_READONLY))) return out;
    out.width = desc.Width;
    out.height = desc.Height;
    out.data.resize(size_t(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
        const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(rect.pBits) + y * rect.Pitch);
        std::copy(row, row + desc.Width, out.data.begin() + size_t(y) * desc.Width);
    }
    texture->UnlockRect(0);
    return out;
}

std::string ScreenshotDir()
{
    CreateDirectoryA("screenshots", nullptr);
    return "screenshots";
}
