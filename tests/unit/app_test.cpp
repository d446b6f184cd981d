#include <gtest/gtest.h>

#include <d3d9.h>

#include "app/app.h"
#include "resources/resource.h"

namespace {

HWND MakeWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = MainWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TidewaterAppTest";
        registered = RegisterClassExA(&windowClass) != 0;
    }
    return CreateWindowExA(0, "TidewaterAppTest", "test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Takes a pending WM_QUIT from this thread's queue; returns its exit code or -1.
int TakeQuit()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    return -1;
}

}  // namespace

TEST(MainWindowProc, ExitCommandDestroysTheWindowAndQuitsWithZero)
{
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    // The high word (menu, accelerator, control notification) is not looked at.
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 1), 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(TakeQuit(), 0);
}

TEST(MainWindowProc, OtherCommandsAndPaintLeaveTheWindowAlone)
{
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, 4242, 0), 0);
    InvalidateRect(window, nullptr, FALSE);
    SendMessageA(window, WM_PAINT, 0, 0);
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(window, &dirty, FALSE)) << "WM_PAINT must validate the window";
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(TakeQuit(), -1);
    DestroyWindow(window);
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
