// The Renderer's render targets on the shared device.
#include <gtest/gtest.h>

#include "gfx/device.h"
#include "tests/unit/device_fixture.h"

namespace {

IDirect3DSurface9* CurrentTarget()
{
    IDirect3DSurface9* surface = nullptr;
    Device->GetRenderTarget(0, &surface);
    if (surface) surface->Release();  // identity only; the device keeps it alive
    return surface;
}

TEST(RendererTargets, BindingThreeTargetsFetchesTheBackBufferOnceAndTheRestoreGivesItBack)
{
    REQUIRE_RENDER_TARGETS();
    Renderer& r = *TheRenderer;
    ASSERT_EQ(r.savedBackBuffer, nullptr);
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(Device->GetRenderTarget(0, &backBuffer), D3D_OK);
    const ULONG before = RefCount(backBuffer);

    BindRenderTarget(r, r.reflectionTarget);
    EXPECT_EQ(r.savedBackBuffer, backBuffer);
    EXPECT_EQ(CurrentTarget(), r.reflectionTarget->surface);
    BindRenderTarget(r, r.heightTarget);
    BindRenderTarget(r, r.sceneTarget);
    EXPECT_EQ(CurrentTarget(), r.sceneTarget->surface);
    EXPECT_EQ(RefCount(backBuffer), before + 1) << "one fetch for the frame, however many binds";

    BindRenderTarget(r, nullptr);
    EXPECT_EQ(CurrentTarget(), backBuffer);
    EXPECT_EQ(r.savedBackBuffer, nullptr);
    EXPECT_EQ(RefCount(backBuffer), before);
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    D3DSURFACE_DESC desc;
    backBuffer->GetDesc(&desc);
    EXPECT_EQ(viewport.Width, desc.Width) << "the restore resets the viewport to the back buffer";
    EXPECT_EQ(viewport.Height, desc.Height);
    backBuffer->Release();
}

TEST(RendererTargets, ReleasedTargetsAreRemadeAtTheViewportSize)
{
    REQUIRE_RENDER_TARGETS();
    Renderer& r = *TheRenderer;
    ReleaseRenderTargets(r);
    EXPECT_EQ(r.sprite, nullptr);
    EXPECT_EQ(r.sceneTarget, nullptr);
    EXPECT_EQ(r.reflectionTarget, nullptr);
    EXPECT_EQ(r.heightTarget, nullptr);

    CreateRenderTargets(r);
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    EXPECT_NE(r.sprite, nullptr);
    RenderTarget* targets[] = {r.sceneTarget, r.reflectionTarget, r.heightTarget};
    for (RenderTarget* t : targets) {
        ASSERT_NE(t, nullptr);
        ASSERT_NE(t->texture, nullptr);
        ASSERT_NE(t->surface, nullptr);
        EXPECT_EQ(t->texture->GetLevelCount(), 1u);
        D3DSURFACE_DESC desc;
        t->texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, viewport.Width);
        EXPECT_EQ(desc.Height, viewport.Height);
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_RENDERTARGET));
        EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
        IDirect3DSurface9* level0 = nullptr;
        t->texture->GetSurfaceLevel(0, &level0);
        EXPECT_EQ(level0, t->surface);
        level0->Release();
    }
    EXPECT_NE(targets[0]->texture, targets[1]->texture);
    EXPECT_NE(targets[1]->texture, targets[2]->texture);
}

}  // namespace
