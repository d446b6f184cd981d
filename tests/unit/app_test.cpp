#include <gtest/gtest.h>

#include "app/app.h"
#include "content/loading.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "resources/resource.h"
#include "tests/unit/device_fixture.h"

TEST(MainWindowProc, OtherCommandsAndPaintLeaveTheWindowAloneAndExitQuitsWithZero)
{
    HWND window = HiddenWindow(200, 200, MainWindowProc);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, 4242, 0), 0);
    InvalidateRect(window, nullptr, FALSE);
    SendMessageA(window, WM_PAINT, 0, 0);
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(window, &dirty, FALSE)) << "WM_PAINT must validate the window";
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(TakeQuit(), -1);
    // The high word (menu, accelerator, control notification) is not looked at.
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 1), 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(TakeQuit(), 0);
}

// Only the reset path clears the lost flag: OK or a failure while lost renders nothing, and
// time still grows by the fixed step.
TEST(DeviceStep, LostDeviceSuspendsRenderingButNotTime)
{
    const float start = AccumulatedTime;
    DeviceLost = false;
    for (HRESULT state : {D3DERR_DEVICELOST, D3D_OK, E_FAIL}) {
        UpdateFrame();
        EXPECT_EQ(RunDeviceStep(state), FrameOutcome::NotRendered) << std::hex << state;
        EXPECT_TRUE(DeviceLost);
    }
    EXPECT_FLOAT_EQ(AccumulatedTime, start + 3 * 0.02f);
    EXPECT_FLOAT_EQ(ElapsedTime, 0.02f);
    DeviceLost = false;
}

// On a real device: not-reset after a loss renders again with fresh effects; a Reset that
// fails (a default-pool texture still alive) keeps the device lost instead.
TEST(DeviceStep, ResetPathRecreatesEffectsAndSurvivesAFailedReset)
{
    PrivateDevice device;
    if (!device.ok) GTEST_SKIP() << "no Direct3D device (no display?)";
    GlobalStateGuard guard;
    DeviceLost = false;
    InitEffects();

    IDirect3DTexture9* blocker = nullptr;
    ASSERT_EQ(D3DXCreateTexture(Device, 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &blocker),
              D3D_OK);
    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICENOTRESET), FrameOutcome::NotRendered);
    EXPECT_TRUE(DeviceLost);
    EXPECT_EQ(DefaultEffect, nullptr);
    UpdateFrame();  // time values with no effects must not touch released ones
    blocker->Release();

    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICELOST), FrameOutcome::NotRendered);
    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICENOTRESET), FrameOutcome::ResetAndRendered);
    EXPECT_FALSE(DeviceLost);
    EXPECT_EQ(EffectList.size(), 2u);
    EXPECT_TRUE(!EffectsBuilt() || DefaultEffect != nullptr);
    // A reset without an earlier loss takes the same path.
    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICENOTRESET), FrameOutcome::ResetAndRendered);
    EXPECT_EQ(RunDeviceStep(D3D_OK), FrameOutcome::Rendered);
    ReleaseEffects();
}
