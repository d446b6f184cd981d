#include <gtest/gtest.h>

#include "app/app.h"
#include "content/loading.h"
#include "tests/unit/device_fixture.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "resources/resource.h"

namespace {

// Takes a pending WM_QUIT from this thread's queue; returns its exit code or -1.
int TakeQuit()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    return -1;
}

}  // namespace

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

TEST(DeviceStep, LostDeviceSuspendsRenderingUntilAReset)
{
    DeviceLost = false;
    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICELOST), FrameOutcome::NotRendered);
    EXPECT_TRUE(DeviceLost);
    // Only the reset path clears the flag: OK while lost still renders nothing.
    EXPECT_EQ(RunDeviceStep(D3D_OK), FrameOutcome::NotRendered);
    EXPECT_EQ(RunDeviceStep(E_FAIL), FrameOutcome::NotRendered);
    EXPECT_TRUE(DeviceLost);
    DeviceLost = false;
}

TEST(UpdateFrame, TimeGrowsByTheFixedStepWhateverTheDevice)
{
    const float start = AccumulatedTime;
    DeviceLost = true;
    for (int i = 0; i < 3; ++i) {
        UpdateFrame();
        RunDeviceStep(D3DERR_DEVICELOST);
    }
    EXPECT_FLOAT_EQ(AccumulatedTime, start + 3 * 0.02f);
    EXPECT_FLOAT_EQ(ElapsedTime, 0.02f);
    DeviceLost = false;
}

// The reset path on a real device: lost, then not-reset, renders again with fresh effects;
// a Reset that fails (a default-pool texture still alive) keeps the device lost instead.
TEST(DeviceStep, ResetPathRecreatesEffectsAndSurvivesAFailedReset)
{
    PrivateDevice device;
    if (!device.ok) GTEST_SKIP() << "no Direct3D device (no display?)";
    GlobalStateGuard guard;
    DeviceLost = false;
    InitEffects();

    IDirect3DTexture9* blocker = nullptr;
    ASSERT_TRUE(SUCCEEDED(D3DXCreateTexture(Device, 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                            D3DPOOL_DEFAULT, &blocker)));
    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICENOTRESET), FrameOutcome::NotRendered);
    EXPECT_TRUE(DeviceLost);
    EXPECT_EQ(DefaultEffect, nullptr);
    UpdateFrame();  // time values with no effects must not touch released ones
    blocker->Release();

    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICELOST), FrameOutcome::NotRendered);
    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICENOTRESET), FrameOutcome::ResetAndRendered);
    EXPECT_FALSE(DeviceLost);
    EXPECT_EQ(EffectList.size(), 2u);
    if (EffectsBuilt()) {
        EXPECT_NE(DefaultEffect, nullptr);
    }
    // A reset without an earlier loss takes the same path.
    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICENOTRESET), FrameOutcome::ResetAndRendered);
    EXPECT_EQ(RunDeviceStep(D3D_OK), FrameOutcome::Rendered);
    ReleaseEffects();
}
