#include "device.h"

#include <cstring>

namespace {

const D3DVERTEXELEMENT9 TangentElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 20, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    D3DDECL_END()};

TestDevice Create()
{
    TestDevice d;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FxcTestWindow";
    RegisterClassA(&wc);
    d.window = CreateWindowA("FxcTestWindow", "fxc test", WS_OVERLAPPEDWINDOW, 0, 0, 256, 256, nullptr, nullptr,
                             wc.hInstance, nullptr);
    d.d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d.window || !d.d3d) return d;
    D3DPRESENT_PARAMETERS pp = {};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferWidth = 256;
    pp.BackBufferHeight = 256;
    pp.hDeviceWindow = d.window;
    if (FAILED(d.d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, d.window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                   &pp, &d.device)))
        return d;
    d.device->CreateVertexDeclaration(TangentElements, &d.tangentLayout);
    return d;
}

}  // namespace

TestDevice& SharedDevice()
{
    static TestDevice device = Create();
    return device;
}

Target MakeTarget(TestDevice& d, int size)
{
    Target t;
    t.size = size;
    D3DXCreateTexture(d.device, size, size, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t.texture);
    d.device->CreateDepthStencilSurface(size, size, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &t.depth, nullptr);
    return t;
}

void ReleaseTarget(Target& t)
{
    if (t.texture) t.texture->Release();
    if (t.depth) t.depth->Release();
    t = Target{};
}

void BeginTarget(TestDevice& d, const Target& t, D3DCOLOR clear)
{
    IDirect3DSurface9* surface = nullptr;
    t.texture->GetSurfaceLevel(0, &surface);
    d.device->SetRenderTarget(0, surface);
    surface->Release();
    d.device->SetDepthStencilSurface(t.depth);
    d.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
}

std::vector<uint32_t> ReadTarget(TestDevice& d, const Target& t)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(t.size * t.size), 0);
    IDirect3DSurface9* surface = nullptr;
    IDirect3DSurface9* copy = nullptr;
    t.texture->GetSurfaceLevel(0, &surface);
    d.device->CreateOffscreenPlainSurface(t.size, t.size, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(d.device->GetRenderTargetData(surface, copy)) &&
        SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        for (int y = 0; y < t.size; ++y)
            std::memcpy(&pixels[static_cast<size_t>(y * t.size)], static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                        static_cast<size_t>(t.size) * 4);
        copy->UnlockRect();
    }
    copy->Release();
    surface->Release();
    return pixels;
}

ID3DXEffect* LoadEffect(TestDevice& d, const char* path)
{
    ID3DXEffect* effect = nullptr;
    D3DXCreateEffectFromFileA(d.device, path, nullptr, nullptr, 0, nullptr, &effect, nullptr);
    return effect;
}

IDirect3DTexture9* MakeTexture(TestDevice& d, int width, int height, const std::vector<uint32_t>& pixels)
{
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTexture(d.device, width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, &pixels[static_cast<size_t>(y * width)],
                    static_cast<size_t>(width) * 4);
    texture->UnlockRect(0);
    return texture;
}

IDirect3DTexture9* MakeSolidTexture(TestDevice& d, uint32_t color)
{
    return MakeTexture(d, 4, 4, std::vector<uint32_t>(16, color));
}

void DrawPlain(TestDevice& d, const std::vector<PlainVertex>& vertices, const std::vector<uint16_t>& indices)
{
    d.device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    d.device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size()),
                                     static_cast<UINT>(indices.size() / 3), indices.data(), D3DFMT_INDEX16,
                                     vertices.data(), sizeof(PlainVertex));
}

void DrawTangent(TestDevice& d, const std::vector<TangentVertex>& vertices, const std::vector<uint16_t>& indices)
{
    d.device->SetVertexDeclaration(d.tangentLayout);
    d.device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size()),
                                     static_cast<UINT>(indices.size() / 3), indices.data(), D3DFMT_INDEX16,
                                     vertices.data(), sizeof(TangentVertex));
}

D3DXMATRIX HeightViewProjection()
{
    D3DXMATRIX view, projection;
    D3DXVECTOR3 eye(0, 100, 0), at(0, 0, 0), up(0, 0, 1);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixOrthoLH(&projection, 32, 32, 1, 255);
    return view * projection;
}

D3DXMATRIX Identity()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}
