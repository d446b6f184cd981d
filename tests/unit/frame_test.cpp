// What the pictures cannot show: where exactly the reflection is clipped, what a frame leaves
// on the device, a frame that cannot begin, and targets a device's texture limits would round.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "camera/camera.h"
#include "content/materials.h"
#include "gfx/device.h"
#include "render/effect_names.h"
#include "render/frame.h"
#include "tests/support/support.h"

namespace {

const DWORD Sky = 0xFF4CCCFF;

IDirect3DSurface9* BackBuffer()  // no reference is kept: the device holds it
{
    IDirect3DSurface9* surface = nullptr;
    Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
    surface->Release();
    return surface;
}

IDirect3DSurface9* CurrentTarget()
{
    IDirect3DSurface9* surface = nullptr;
    Device->GetRenderTarget(0, &surface);
    surface->Release();
    return surface;
}

// The device with some methods replaced: it gets a copy of its method table while this lives, so
// what D3DX asks of the device goes through the replacements.
struct DeviceDouble {
    enum { GetDeviceCaps = 7, CreateTexture = 23, Methods = 119 };  // IDirect3DDevice9's table
    static void** real;
    void* table[Methods];
    DeviceDouble()
    {
        real = *reinterpret_cast<void***>(Device);
        std::copy_n(real, +Methods, table);
        *reinterpret_cast<void***>(Device) = table;
    }
    ~DeviceDouble() { *reinterpret_cast<void***>(Device) = real; }
};
void** DeviceDouble::real;

HRESULT STDMETHODCALLTYPE PowerOfTwoCaps(IDirect3DDevice9* device, D3DCAPS9* caps)
{
    using Call = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*, D3DCAPS9*);
    const HRESULT result = reinterpret_cast<Call>(DeviceDouble::real[DeviceDouble::GetDeviceCaps])(device, caps);
    caps->TextureCaps = (caps->TextureCaps | D3DPTEXTURECAPS_POW2) & ~D3DPTEXTURECAPS_NONPOW2CONDITIONAL;
    return result;
}

bool PowerOfTwo(UINT n)
{
    return (n & (n - 1)) == 0;
}

HRESULT STDMETHODCALLTYPE PowerOfTwoTexturesOnly(IDirect3DDevice9* device, UINT width, UINT height, UINT levels,
                                                 DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                 IDirect3DTexture9** texture, HANDLE* shared)
{
    using Call = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                             IDirect3DTexture9**, HANDLE*);
    if (!PowerOfTwo(width) || !PowerOfTwo(height)) return D3DERR_INVALIDCALL;
    return reinterpret_cast<Call>(DeviceDouble::real[DeviceDouble::CreateTexture])(device, width, height, levels,
                                                                                    usage, format, pool, texture,
                                                                                    shared);
}

}  // namespace

// A flat square 6 units wide at y = -0.05 shows in the reflection, one at y = -0.1 is clipped.
// The frame ends on the back buffer, holding no extra reference to it, with no texture left on
// sampler 0 for the next frame to render into.
TEST(Frame, TheReflectionKeepsWhatLiesAboveSevenHundredthsBelowTheWater)
{
    REQUIRE_VIEWER();
    const FlyingCamera start = MainCamera;
    MainCamera = FlyingCamera(D3DXVECTOR3(0.0f, 2.0f, -4.0f), 0.0f, -0.5f);  // looking down at the water
    Material plain(DefaultFx::TechniqueHeight, nullptr, nullptr, nullptr, 1.0f, D3DXVECTOR4(1, 1, 1, 1));
    ID3DXMesh* square = nullptr;
    ASSERT_EQ(D3DXCreatePolygon(Device, 6.0f, 4, &square, nullptr), D3D_OK);
    const ULONG held = RefCount(BackBuffer());
    for (float y : {-0.05f, -0.1f}) {
        D3DXMATRIX flat, lift;
        RenderObject object{{}, square, &plain, PassMain, 1};
        D3DXMatrixMultiply(&object.world, D3DXMatrixRotationX(&flat, D3DX_PI / 2), D3DXMatrixTranslation(&lift, 0, y, 0));
        SceneSwap swap({&object});
        ASSERT_EQ(RenderFrame(), D3D_OK);
        const std::vector<DWORD> reflected = ReadPixels(Device, TheRenderer->reflectionTarget->surface);
        const size_t mirrored = reflected.size() - CountRgb(reflected, Sky);
        EXPECT_TRUE(y > -0.07f ? mirrored > 10000u : mirrored == 0u) << mirrored << " pixels reflected at " << y;
        EXPECT_EQ(CurrentTarget(), BackBuffer());
        EXPECT_EQ(RefCount(BackBuffer()), held);
        IDirect3DBaseTexture9* sampled = nullptr;
        Device->GetTexture(0, &sampled);
        EXPECT_EQ(sampled, nullptr) << "the scene image is still bound";
        if (sampled) sampled->Release();
    }
    square->Release();
    MainCamera = start;
}

TEST(Frame, AFrameThatCannotBeginOnlyPresents)
{
    REQUIRE_VIEWER();
    IDirect3DSurface9* marked = TheRenderer->sceneTarget->surface;
    Device->SetRenderTarget(0, marked);
    Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
    ASSERT_EQ(Device->BeginScene(), D3D_OK);  // so that RenderFrame's own BeginScene fails
    RenderFrame();
    EXPECT_EQ(CurrentTarget(), marked) << "no target bound";
    EXPECT_EQ(TheRenderer->savedBackBuffer, nullptr);
    EXPECT_EQ(Device->EndScene(), D3D_OK) << "RenderFrame must not have ended the scene";
    const std::vector<DWORD> pixels = ReadPixels(Device, marked);
    EXPECT_EQ(CountRgb(pixels, 0xFF123456), pixels.size()) << "nothing cleared";
    Device->SetRenderTarget(0, BackBuffer());
}

// A device with power-of-two texture limits gets 1024x1024 targets from D3DX for a 1016x722
// viewport. Each is reported, then made at the viewport's size by the device, or left empty when
// the device cannot; either way frames go on.
TEST(Frame, TargetsRoundedByTheTextureLimitsAreReportedAndMadeAtTheViewportSize)
{
    REQUIRE_VIEWER();
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    ASSERT_FALSE(PowerOfTwo(viewport.Width) && PowerOfTwo(viewport.Height)) << "nothing to round";
    for (bool anySize : {true, false}) {
        SCOPED_TRACE(anySize ? "the device makes any size" : "the device makes powers of two only");
        ReleaseRenderTargets(*TheRenderer);
        testing::internal::CaptureStdout();
        {
            DeviceDouble limited;
            limited.table[DeviceDouble::GetDeviceCaps] = reinterpret_cast<void*>(PowerOfTwoCaps);
            if (!anySize) limited.table[DeviceDouble::CreateTexture] = reinterpret_cast<void*>(PowerOfTwoTexturesOnly);
            CreateRenderTargets(*TheRenderer);
        }
        const std::string said = testing::internal::GetCapturedStdout();
        const std::string size = std::to_string(viewport.Width) + "x" + std::to_string(viewport.Height);
        EXPECT_NE(said.find("ERROR: The scene render target came out 1024x1024, not the viewport's " + size + "; " +
                            (anySize ? "made again at that size\n" : "the device cannot make one that size\n")),
                  std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
        for (const RenderTarget* target : {TheRenderer->sceneTarget, TheRenderer->reflectionTarget,
                                            TheRenderer->heightTarget}) {
            D3DSURFACE_DESC desc = {};
            if (target->surface) target->surface->GetDesc(&desc);
            EXPECT_TRUE(anySize ? desc.Width == viewport.Width && desc.Height == viewport.Height : !target->texture)
                << desc.Width << "x" << desc.Height;
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(RenderFrame(), D3D_OK);
        testing::internal::GetCapturedStdout();
    }
    ReleaseRenderTargets(*TheRenderer);
    CreateRenderTargets(*TheRenderer);
}
