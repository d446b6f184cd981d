#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/app.h"
#include "content/loading.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "resources/resource.h"
#include "tests/unit/device_fixture.h"
#include "tests/unit/null_doubles.h"

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

// Each failed step of the device set-up prints its one line and leaves no device behind.
TEST(InitDevice, EachFailedStepSaysSoAndLeavesNoDevice)
{
    static struct Direct3D : NullDirect3D9 {  // answers each step with the result set below
        HRESULT mode, depth, caps;
        HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* m) override { *m = {}; return mode; }
        HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE,
                                                    D3DFORMAT) override
        {
            return depth;
        }
        HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS9* c) override { *c = {}; return caps; }
    } direct3D;
    struct Case { bool made; HRESULT mode, depth, caps; const char* message; } cases[] = {
        {false, S_OK, S_OK, S_OK, "ERROR: Could not create D3D Object!"},
        {true, E_FAIL, S_OK, S_OK, "ERROR: Could not get adapter display mode!"},
        {true, S_OK, D3DERR_NOTAVAILABLE, S_OK, "ERROR: Couldn't get a 16-bit z-buffer?!"},
        {true, S_OK, D3DERR_INVALIDCALL, S_OK, "ERROR: Couldn't check for a 16-bit z-buffer!"},
        {true, S_OK, S_OK, E_FAIL, "ERROR: Couldn't get device caps!"},
        {true, S_OK, S_OK, S_OK, "ERROR: Couldn't create device!"},  // the null double's CreateDevice fails
    };
    const auto create = CreateDirect3D;
    IDirect3D9* const object = Direct3DObject;
    IDirect3DDevice9* const device = std::exchange(Device, nullptr);
    const D3DPRESENT_PARAMETERS params = PresentParams;
    for (const Case& c : cases) {
        direct3D.mode = c.mode, direct3D.depth = c.depth, direct3D.caps = c.caps;
        CreateDirect3D = [](UINT) -> IDirect3D9* { return &direct3D; };
        if (!c.made) CreateDirect3D = [](UINT) -> IDirect3D9* { return nullptr; };
        testing::internal::CaptureStdout();
        EXPECT_FALSE(InitDevice());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(c.message) + "\n");
        EXPECT_EQ(Device, nullptr) << c.message;
    }
    CreateDirect3D = create;
    Direct3DObject = object;
    Device = device;
    PresentParams = params;
}
