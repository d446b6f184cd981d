#include "gfx/device.h"

#include <cstring>

#include "app/app.h"
#include "app/error_box.h"
#include "render/renderer.h"

IDirect3D9* Direct3DObject = nullptr;
IDirect3DDevice9* Device = nullptr;
D3DPRESENT_PARAMETERS PresentParams;
D3DXMATRIX ProjectionMatrix;
IDirect3D9*(WINAPI* CreateDirect3D)(UINT) = Direct3DCreate9;

namespace {

const float FieldOfView = 0.785398185f;  // pi / 4
const float AspectRatio = 1.33333337f;   // fixed 4:3, not taken from the window
const float NearPlane = 1.0f;
const float FarPlane = 1000.0f;

bool Fail(const char* message)
{
    ReportFatal("%s\n", message);
    return false;
}

void FillPresentParams(D3DFORMAT displayFormat)
{
    std::memset(&PresentParams, 0, sizeof PresentParams);
    PresentParams.BackBufferFormat = displayFormat;  // width and height 0: the client area
    PresentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    PresentParams.Windowed = TRUE;
    PresentParams.EnableAutoDepthStencil = TRUE;
    PresentParams.AutoDepthStencilFormat = D3DFMT_D16;
}

}  // namespace

bool InitDevice()
{
    Direct3DObject = CreateDirect3D(D3D_SDK_VERSION);
    if (!Direct3DObject) return Fail("ERROR: Could not create D3D Object!");

    D3DDISPLAYMODE mode;
    if (FAILED(Direct3DObject->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
        return Fail("ERROR: Could not get adapter display mode!");

    const HRESULT depthCheck = Direct3DObject->CheckDeviceFormat(
        D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16);
    if (depthCheck == D3DERR_NOTAVAILABLE) return Fail("ERROR: Couldn't get a 16-bit z-buffer?!");
    if (FAILED(depthCheck)) return Fail("ERROR: Couldn't check for a 16-bit z-buffer!");

    D3DCAPS9 caps;
    if (FAILED(Direct3DObject->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps)))
        return Fail("ERROR: Couldn't get device caps!");
    const DWORD behaviour = caps.VertexProcessingCaps != 0 ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                           : D3DCREATE_SOFTWARE_VERTEXPROCESSING;

    FillPresentParams(mode.Format);
    if (FAILED(Direct3DObject->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, MainWindow, behaviour,
                                            &PresentParams, &Device))) {
        Device = nullptr;
        return Fail("ERROR: Couldn't create device!");
    }

    D3DXMatrixPerspectiveFovLH(&ProjectionMatrix, FieldOfView, AspectRatio, NearPlane, FarPlane);
    Device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    Device->SetRenderState(D3DRS_LIGHTING, FALSE);

    TheRenderer = new Renderer();
    InitRenderer(*TheRenderer, Device);
    return true;
}

void ReleaseDevice()
{
    if (Device) {
        Device->Release();
        Device = nullptr;
    }
    if (Direct3DObject) {
        Direct3DObject->Release();
        Direct3DObject = nullptr;
    }
}
