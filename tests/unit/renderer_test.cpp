// The Renderer's render targets on the shared device.
#include <gtest/gtest.h>

#include "gfx/device.h"
#include "tests/unit/device_fixture.h"

// Remade as after a reset: viewport-sized, distinct, each surface its texture's level 0. Then
// three binds fetch the back buffer once, and the restore gives it back with its count.
TEST(RendererTargets, RemadeTargetsAndBindingThreeFetchesTheBackBufferOnce)
{
    REQUIRE_DEVICE(true);
    Renderer& r = *TheRenderer;
    ReleaseRenderTargets(r);
    EXPECT_TRUE(!r.sprite && !r.sceneTarget && !r.reflectionTarget && !r.heightTarget);
    CreateRenderTargets(r);
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    EXPECT_NE(r.sprite, nullptr);
    for (RenderTarget* t : {r.sceneTarget, r.reflectionTarget, r.heightTarget}) {
        ASSERT_TRUE(t && t->texture && t->surface);
        D3DSURFACE_DESC desc;
        t->texture->GetLevelDesc(0, &desc);
        EXPECT_TRUE(desc.Width == viewport.Width && desc.Height == viewport.Height && desc.Format == D3DFMT_A8R8G8B8);
        IDirect3DSurface9* level0 = nullptr;
        t->texture->GetSurfaceLevel(0, &level0);
        EXPECT_EQ(level0, t->surface);
        level0->Release();
    }
    EXPECT_TRUE(r.sceneTarget->texture != r.reflectionTarget->texture &&
                r.reflectionTarget->texture != r.heightTarget->texture);

    ASSERT_EQ(r.savedBackBuffer, nullptr);
    IDirect3DSurface9* backBuffer = CurrentTarget();
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
    D3DSURFACE_DESC desc;
    backBuffer->GetDesc(&desc);
    Device->GetViewport(&viewport);
    EXPECT_TRUE(viewport.Width == desc.Width && viewport.Height == desc.Height) << "the viewport is the back buffer's";
}
