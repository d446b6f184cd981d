#include "tests/support/support.h"

#include <cstring>
#include <fstream>
#include <sstream>


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
