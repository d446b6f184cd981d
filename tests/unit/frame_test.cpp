// What the pictures cannot show: where exactly the reflection is clipped, what a frame leaves
// on the device, when the camera's images are drawn again, a frame that cannot begin, and
// targets a device's texture limits would round.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

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

void** RealMethods;  // the device's own method table while a test gives it a copy

// GetDeviceCaps of a device whose textures must have power-of-two sizes.
HRESULT STDMETHODCALLTYPE PowerOfTwoCaps(IDirect3DDevice9* device, D3DCAPS9* caps)
{
    const HRESULT result = reinterpret_cast<decltype(&PowerOfTwoCaps)>(RealMethods[7])(device, caps);
    caps->TextureCaps = (caps->TextureCaps | D3DPTEXTURECAPS_POW2) & ~D3DPTEXTURECAPS_NONPOW2CONDITIONAL;
    return result;
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

// Kept while the camera stays (the pictures test that a kept frame is the frame drawn afresh),
// the reflection and scene images are drawn again after the camera turned or moved and after the
// targets were made again; without a colour mask the scene image every frame.
TEST(Frame, TheCameraImagesAreDrawnAgainOnlyWhenTheyCouldHaveChanged)
{
    REQUIRE_VIEWER();
    const FlyingCamera start = MainCamera;
    const DWORD marker = 0xFF123456;  // a colour the scene does not have, filled over the images
    const auto markedAfterFrame = [&] {
        const RenderTarget* targets[] = {TheRenderer->reflectionTarget, TheRenderer->sceneTarget};
        for (const RenderTarget* target : targets) Device->ColorFill(target->surface, nullptr, marker);
        RenderFrame();
        std::vector<size_t> marked;
        for (const RenderTarget* target : targets) marked.push_back(CountRgb(ReadPixels(Device, target->surface), marker));
        return marked;
    };
    ForgetKeptImages(*TheRenderer);
    ASSERT_EQ(RenderFrame(), D3D_OK);
    const size_t all = ReadPixels(Device, TheRenderer->sceneTarget->surface).size();
    EXPECT_EQ(markedAfterFrame(), std::vector<size_t>(2, all)) << "drawn again with nothing changed";
    const auto expectDrawnAgain = [&](const char* what, auto&& change) {
        change();
        EXPECT_EQ(markedAfterFrame(), std::vector<size_t>(2, 0u)) << "not drawn again " << what;
    };
    expectDrawnAgain("after a turn", [] { MainCamera.yaw += 0.001f, MainCamera.Update(0); });
    expectDrawnAgain("after a move", [] { MainCamera.position.x += 0.001f, MainCamera.Update(0); });
    expectDrawnAgain("with new targets", [] { ReleaseRenderTargets(*TheRenderer), CreateRenderTargets(*TheRenderer); });
    // A device that cannot mask colour writes keeps the reflection only.
    const bool maskable = std::exchange(TheRenderer->colourWritesMaskable, false);
    EXPECT_EQ(markedAfterFrame(), (std::vector<size_t>{all, 0u})) << "scene image kept without a colour mask";
    TheRenderer->colourWritesMaskable = maskable;
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
    EXPECT_EQ(Device->EndScene(), D3D_OK) << "RenderFrame must not have ended the scene";
    const std::vector<DWORD> pixels = ReadPixels(Device, marked);
    EXPECT_EQ(CountRgb(pixels, 0xFF123456), pixels.size()) << "nothing cleared";
    Device->SetRenderTarget(0, BackBuffer());
}

// Given power-of-two texture limits (a copy of the device's method table, GetDeviceCaps replaced),
// D3DX rounds viewport-sized targets up in both sides, the height alone or the width alone: each
// is reported and made at the viewport's size; one the device cannot make at that size is reported.
TEST(Frame, TargetsRoundedByTheTextureLimitsAreReportedAndMadeAtTheViewportSize)
{
    REQUIRE_VIEWER();
    D3DVIEWPORT9 full;
    Device->GetViewport(&full);
    void* methods[119];  // IDirect3DDevice9's; GetDeviceCaps is the eighth
    RealMethods = std::exchange(*reinterpret_cast<void***>(Device), methods);
    std::copy_n(RealMethods, 119, methods);
    methods[7] = reinterpret_cast<void*>(PowerOfTwoCaps);
    const auto rounded = [](DWORD n) { return n <= 512 ? 512 : 1024; };
    for (const auto& [width, height] : {std::pair<DWORD, DWORD>{full.Width, full.Height}, {512, 700}, {700, 512}}) {
        D3DVIEWPORT9 viewport{full.X, full.Y, width, height, full.MinZ, full.MaxZ};
        Device->SetViewport(&viewport);
        ReleaseRenderTargets(*TheRenderer);
        testing::internal::CaptureStdout();
        CreateRenderTargets(*TheRenderer);
        const std::string said = testing::internal::GetCapturedStdout();
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        EXPECT_EQ(said.find("ERROR: The scene render target came out " + std::to_string(rounded(width)) + "x" +
                            std::to_string(rounded(height)) + ", not the viewport's " + size + "; made again at that size\n"),
                  0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
        for (const RenderTarget* target : {TheRenderer->sceneTarget, TheRenderer->reflectionTarget, TheRenderer->heightTarget}) {
            D3DSURFACE_DESC desc = {};
            if (target->surface) target->surface->GetDesc(&desc);
            EXPECT_TRUE(desc.Width == width && desc.Height == height) << desc.Width << "x" << desc.Height << " for " << size;
        }
    }
    // Rounded, but not to be made at the viewport's size: one line, the others not tried.
    using Create = HRESULT (*)(IDirect3DDevice9*, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9**, HANDLE*);
    methods[23] = reinterpret_cast<void*>(+[](IDirect3DDevice9* d, UINT w, UINT h, UINT l, DWORD u, D3DFORMAT f, D3DPOOL p,
                                              IDirect3DTexture9** t, HANDLE* s) {  // CreateTexture, powers of two only
        return (w & (w - 1)) || (h & (h - 1)) ? HRESULT(D3DERR_OUTOFVIDEOMEMORY)
                                              : reinterpret_cast<Create>(RealMethods[23])(d, w, h, l, u, f, p, t, s);
    });
    Device->SetViewport(&full);
    ReleaseRenderTargets(*TheRenderer);
    testing::internal::CaptureStdout();
    CreateRenderTargets(*TheRenderer);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: The scene render target came out 1024x1024, not the viewport's " +
                  std::to_string(full.Width) + "x" + std::to_string(full.Height) + "; the device cannot make one that size\n");
    EXPECT_EQ(TheRenderer->sceneTarget->surface, nullptr);
    *reinterpret_cast<void***>(Device) = RealMethods;
    ReleaseRenderTargets(*TheRenderer);
    CreateRenderTargets(*TheRenderer);
}
