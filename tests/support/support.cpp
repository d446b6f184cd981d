#include "tests/support/support.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "content/content_paths.h"

HWND HiddenWindow(int width, int height, WNDPROC procedure)
{
    const std::string name = "TidewaterTest" + std::to_string(reinterpret_cast<UINT_PTR>(procedure));
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name.c_str();
    RegisterClassA(&windowClass);  // fails harmlessly once the class exists
    return CreateWindowA(name.c_str(), "Tidewater test", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr,
                         windowClass.hInstance, nullptr);
}

IDirect3DDevice9* SharedTestDevice()
{
    static IDirect3DDevice9* device = [] {
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        HWND window = HiddenWindow(256, 256);
        IDirect3DDevice9* made = nullptr;
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferWidth = pp.BackBufferHeight = 256;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        if (d3d && window)
            d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &made);
        return made;
    }();
    return device;
}

Target MakeTarget(IDirect3DDevice9* device, UINT width, UINT height)
{
    Target t;
    t.width = width;
    t.height = height;
    D3DXCreateTexture(device, width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t.texture);
    if (t.texture) t.texture->GetSurfaceLevel(0, &t.surface);
    device->CreateDepthStencilSurface(width, height, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &t.depth, nullptr);
    return t;
}

void ReleaseTarget(Target& t)
{
    for (IUnknown* object : {static_cast<IUnknown*>(t.surface), static_cast<IUnknown*>(t.texture),
                             static_cast<IUnknown*>(t.depth)})
        if (object) object->Release();
    t = Target{};
}

void BeginTarget(IDirect3DDevice9* device, const Target& t, D3DCOLOR clear)
{
    device->SetRenderTarget(0, t.surface);
    device->SetDepthStencilSurface(t.depth);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
}

std::vector<DWORD> ReadPixels(IDirect3DDevice9* device, IDirect3DSurface9* surface)
{
    std::vector<DWORD> pixels;
    D3DSURFACE_DESC desc;
    IDirect3DSurface9* copy = nullptr;
    if (!surface || FAILED(surface->GetDesc(&desc)) ||
        FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)))
        return pixels;
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(device->GetRenderTargetData(surface, copy)) &&
        SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        for (UINT y = 0; y < desc.Height; ++y) {
            const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
            pixels.insert(pixels.end(), row, row + desc.Width);
        }
        copy->UnlockRect();
    }
    copy->Release();
    return pixels;
}

size_t CountRgb(const std::vector<DWORD>& pixels, DWORD rgb)
{
    size_t count = 0;
    for (DWORD p : pixels) count += (p & 0xFFFFFF) == (rgb & 0xFFFFFF);
    return count;
}

IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT width, UINT height, const std::vector<DWORD>& pixels)
{
    IDirect3DTexture9* texture = nullptr;
    D3DLOCKED_RECT locked;
    if (FAILED(D3DXCreateTexture(device, width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
        for (UINT y = 0; y < height; ++y)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, &pixels[size_t(y) * width], width * 4);
        texture->UnlockRect(0);
    }
    return texture;
}

IDirect3DTexture9* SolidTexture(IDirect3DDevice9* device, DWORD colour, UINT size)
{
    return MakeTexture(device, size, size, std::vector<DWORD>(size_t(size) * size, colour));
}

bool SaveScreenshot(IDirect3DSurface9* surface, const char* name)
{
    CreateDirectoryA("screenshots", nullptr);
    return SUCCEEDED(D3DXSaveSurfaceToFileA((std::string("screenshots/") + name).c_str(), D3DXIFF_PNG, surface,
                                            nullptr, nullptr));
}

DWORD RunProgram(const std::string& commandLine, std::string& output)
{
    const std::string log = commandLine.substr(0, commandLine.find(' ')) + ".log";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = startup.hStdOutput = file;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    DWORD code = 0xDEAD;
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(file);
    output = ReadText(log);
    return code;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

using namespace ContentPath;
const char* const MeshFiles[7] = {TigerMesh, TurtleMesh, TurtleMeshB, TerrainMesh, WaterMesh, SkyMesh, DinoMesh};
const char* const TextureFiles[17] = {TigerTexture, WhiteSand,  TerrainHeightmap, TurtleTextureB, TurtleTexture,
                                      WaterTexture, WaterHeight, WaterNormalHeight, Sky, SkyStars, Clouds, Terrain1,
                                      Terrain2,     Terrain3,   DinoBrown,        DinoOrange,     DinoBump};
const char* const TextureLoads[19] = {TigerTexture, WhiteSand,   TerrainHeightmap, TurtleTextureB, TurtleTexture,
                                      WaterTexture, WaterHeight, WhiteSand,        WaterNormalHeight, Sky,
                                      SkyStars,     Clouds,      WhiteSand,        Terrain1,       Terrain2,
                                      Terrain3,     DinoBrown,   DinoOrange,       DinoBump};
