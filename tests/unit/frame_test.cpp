// What the pictures cannot show: where exactly the reflection is clipped, what a frame leaves
// on the device, and a frame that cannot begin.
#include <gtest/gtest.h>

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

}  // namespace

// A flat square 6 units wide at y = -0.05 shows in the reflection, one at y = -0.1 is clipped.
// The frame ends on the back buffer, holding no extra reference to it.
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
