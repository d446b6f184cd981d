#include "device.h"

#include <cstring>

namespace {

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
    D3DXCreateTexture(d.device, TargetSize, TargetSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                      &d.target);
    d.device->CreateDepthStencilSurface(TargetSize, TargetSize, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &d.depth,
                                        nullptr);
    return d;
}

}  // namespace

TestDevice& SharedDevice()
{
    static TestDevice device = Create();
    return device;
}

void BeginTarget(TestDevice& d, D3DCOLOR clear)
{
    IDirect3DSurface9* surface = nullptr;
    d.target->GetSurfaceLevel(0, &surface);
    d.device->SetRenderTarget(0, surface);
    surface->Release();
    d.device->SetDepthStencilSurface(d.depth);
    d.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
}

std::vector<uint32_t> ReadTarget(TestDevice& d)
{
    std::vector<uint32_t> pixels(TargetSize * TargetSize, 0);
    IDirect3DSurface9* surface = nullptr;
    IDirect3DSurface9* copy = nullptr;
    d.target->GetSurfaceLevel(0, &surface);
    d.device->CreateOffscreenPlainSurface(TargetSize, TargetSize, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(d.device->GetRenderTargetData(surface, copy)) && SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        for (int y = 0; y < TargetSize; ++y)
            std::memcpy(&pixels[y * TargetSize], static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, TargetSize * 4);
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
    if (FAILED(D3DXCreateTexture(d.device, width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture))) return nullptr;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, &pixels[y * width], width * 4);
    texture->UnlockRect(0);
    return texture;
}
