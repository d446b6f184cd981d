// Keyboard flight and the pad through doubles of the keyboard and pad access.
#include <gtest/gtest.h>

#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "input/input.h"

namespace {

BYTE FakeKeys[256];
bool ReadFails = false, PadConnected = true;
int AcquireCalls = 0;
WORD PadButtons = 0;
std::vector<XINPUT_VIBRATION> Sent;

HRESULT FakeRead(BYTE keys[256])
{
    if (ReadFails) return DIERR_NOTACQUIRED;
    std::memcpy(keys, FakeKeys, 256);
    return DI_OK;
}

HRESULT FakeAcquire()
{
    ++AcquireCalls;
    return DIERR_INPUTLOST;  // the worst case: it never comes back
}

DWORD WINAPI FakeGetState(DWORD, XINPUT_STATE* state)
{
    state->Gamepad.wButtons = PadButtons;
    return PadConnected ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
}

DWORD WINAPI FakeSetState(DWORD, XINPUT_VIBRATION* vibration)
{
    Sent.push_back(*vibration);
    return ERROR_SUCCESS;
}

// Takes WM_QUIT out of this thread's queue; true when one with code 0 was there.
bool QuitPosted()
{
    MSG message;
    bool posted = false;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) posted = message.wParam == 0;
    return posted;
}

void Hold(std::initializer_list<int> keys)
{
    std::memset(FakeKeys, 0, sizeof FakeKeys);
    for (int key : keys) FakeKeys[key] = 0x80;
}

// One frame as the loop runs it: input, then the camera's matrices. Returns what was printed.
std::string Frame()
{
    testing::internal::CaptureStdout();
    PollInput();
    MainCamera.Update(0.02f);
    return testing::internal::GetCapturedStdout();
}

void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// The start view's look direction: what one frame of W moves along.
const D3DXVECTOR3 Forward(-0.0967f, -0.2474f, 0.9641f);

class Input : public testing::Test {
protected:
    KeyboardAccess savedKeyboard = Keyboard;
    PadAccess savedPad = Pad;
    D3DXVECTOR3 startPosition = MainCamera.position;
    float startYaw = MainCamera.yaw, startPitch = MainCamera.pitch;

    void SetUp() override
    {
        Keyboard = {FakeRead, FakeAcquire};
        Pad = {FakeGetState, FakeSetState};
        ReadFails = false;
        PadConnected = true;
        PadButtons = 0;
        Hold({});
        Frame();  // an all-up read: no key left held or ignored by an earlier test
        Sent.clear();
        AcquireCalls = 0;
    }
    void TearDown() override
    {
        ReadFails = false;
        Hold({});
        Frame();  // leaves no key held for tests that run the real frame update
        Restart();
        QuitPosted();
        Keyboard = savedKeyboard;
        Pad = savedPad;
    }
    void Restart()
    {
        MainCamera.position = startPosition;
        MainCamera.yaw = startYaw;
        MainCamera.pitch = startPitch;
        MainCamera.Update(0.02f);
    }
    D3DXVECTOR3 Moved() const { return MainCamera.position - startPosition; }
};

}  // namespace

TEST_F(Input, FirstKeyOfEachPairWinsAndTheSecondActsAlone)
{
    const D3DXVECTOR3 right(0.99500f, 0, 0.09983f);
    struct Case { int first, second; float turn, tilt, rise, strafe, ahead; } cases[] = {
        {DIK_RIGHT, DIK_LEFT, -0.034f, 0, 0, 0, 0}, {DIK_UP, DIK_DOWN, 0, 0.034f, 0, 0, 0},
        {DIK_E, DIK_Q, 0, 0, 0.08f, 0, 0},          {DIK_A, DIK_D, 0, 0, 0, -0.16f, 0},
        {DIK_W, DIK_S, 0, 0, 0, 0, 0.16f},
    };
    for (const Case& c : cases) {
        for (int which = 0; which < 3; ++which) {
            SCOPED_TRACE(testing::Message() << "key pair " << c.first << "/" << c.second << ", held " << which);
            which == 0 ? Hold({c.first, c.second}) : Hold({which == 1 ? c.first : c.second});
            const float sign = which == 2 ? -1.0f : 1.0f;
            Frame();
            EXPECT_NEAR(MainCamera.yaw - startYaw, sign * c.turn, 1e-6f);
            EXPECT_NEAR(MainCamera.pitch - startPitch, sign * c.tilt, 1e-6f);
            const D3DXVECTOR3 expected = sign * (D3DXVECTOR3(0, c.rise, 0) + c.strafe * right + c.ahead * Forward);
            ExpectVector(Moved(), expected.x, expected.y, expected.z, 2e-5f);
            Restart();
        }
    }
}

TEST_F(Input, RightHeldForAHundredFramesTurnsByThreePointFour)
{
    Hold({DIK_RIGHT});
    for (int frame = 0; frame < 100; ++frame) Frame();
    EXPECT_NEAR(MainCamera.yaw, 0.1f - 3.4f, 1e-4f);
    EXPECT_FLOAT_EQ(MainCamera.pitch, startPitch);
    ExpectVector(Moved(), 0, 0, 0);
}

// The turn of this frame shows in the next frame's move, not in this one's.
TEST_F(Input, MovesUseTheAxesOfThePreviousUpdate)
{
    Hold({DIK_LEFT, DIK_W});
    Frame();
    ExpectVector(Moved(), 0.16f * Forward.x, 0.16f * Forward.y, 0.16f * Forward.z, 2e-5f);
    const D3DXVECTOR3 before = MainCamera.position;
    Frame();
    EXPECT_NEAR(MainCamera.position.x - before.x, 0.16f * -std::sin(0.134f) * std::cos(-0.25f), 1e-5f);
}

TEST_F(Input, RiseIsWorldUpAndStrafeStaysLevelWhateverTheView)
{
    MainCamera.yaw = 2.3f;
    MainCamera.pitch = -1.1f;
    MainCamera.Update(0.02f);
    for (int key : {DIK_E, DIK_A, DIK_D}) {
        const D3DXVECTOR3 before = MainCamera.position;
        Hold({key});
        Frame();
        const D3DXVECTOR3 step = MainCamera.position - before;
        if (key == DIK_E) {
            ExpectVector(step, 0, 0.08f, 0);
        } else {
            EXPECT_FLOAT_EQ(step.y, 0.0f);
            EXPECT_NEAR(D3DXVec3Length(&step), 0.16f, 1e-5f);
        }
    }
}

TEST_F(Input, AFailedReadKeepsTheOldKeysAndGivesUpReacquiring)
{
    Hold({DIK_W});
    Frame();
    const D3DXVECTOR3 afterOne = MainCamera.position;
    Hold({});
    ReadFails = true;
    Frame();
    EXPECT_GT(MainCamera.position.z, afterOne.z);  // W is still in the old bytes
    EXPECT_GE(AcquireCalls, 1);
    EXPECT_LE(AcquireCalls, 5);  // a frame never spins on "input lost"
    ReadFails = false;
    const D3DXVECTOR3 afterTwo = MainCamera.position;
    Frame();
    ExpectVector(MainCamera.position - afterTwo, 0, 0, 0);
}

TEST_F(Input, EscapeRequestsQuitAndTheFrameStillMovesTheCamera)
{
    Hold({DIK_ESCAPE, DIK_W});
    EXPECT_EQ(Frame(), "We got a controller!");
    EXPECT_TRUE(QuitPosted());
    EXPECT_GT(Moved().z, 0.15f);
    EXPECT_FLOAT_EQ(MainCamera.inverseView._43, MainCamera.position.z);  // Update ran after it
    EXPECT_EQ(Sent.size(), 1u);
}

// A held: 32000/16000 every frame and 0/0 the frame after; BACK quits and still vibrates.
TEST_F(Input, PadRumblesWhileAIsHeldAndBackQuits)
{
    PadButtons = XINPUT_GAMEPAD_A;
    EXPECT_EQ(Frame() + Frame(), "We got a controller!We got a controller!");
    PadButtons = 0;
    Frame();
    EXPECT_FALSE(QuitPosted());
    PadButtons = XINPUT_GAMEPAD_BACK | XINPUT_GAMEPAD_A;
    Frame();
    EXPECT_TRUE(QuitPosted());
    ASSERT_EQ(Sent.size(), 4u);
    for (int i : {0, 1, 3}) EXPECT_TRUE(Sent[i].wLeftMotorSpeed == 32000 && Sent[i].wRightMotorSpeed == 16000) << i;
    EXPECT_TRUE(Sent[2].wLeftMotorSpeed == 0 && Sent[2].wRightMotorSpeed == 0);
}

TEST_F(Input, NoPadPrintsEachFrameAndSendsNothing)
{
    PadConnected = false;
    PadButtons = XINPUT_GAMEPAD_BACK;
    Hold({DIK_W});
    EXPECT_EQ(Frame() + Frame(), "We don't got a controller! :(We don't got a controller! :(");
    EXPECT_TRUE(Sent.empty());
    EXPECT_FALSE(QuitPosted());
    EXPECT_GT(Moved().z, 0.3f);  // the keys were handled before the pad
}

TEST_F(Input, KeysHeldWhenAModalLoopEndsWaitForAFreshPress)
{
    Hold({DIK_ESCAPE, DIK_W});  // the Escape that closed the About box, and a W held through it
    IgnoreHeldKeys();
    Frame();
    EXPECT_FALSE(QuitPosted());
    ExpectVector(Moved(), 0, 0, 0);
    Hold({DIK_ESCAPE, DIK_W, DIK_E});  // a key pressed afterwards acts at once
    Frame();
    EXPECT_FALSE(QuitPosted());
    ExpectVector(Moved(), 0, 0.08f, 0);
    Hold({DIK_W});  // Escape released: the next press counts; W, never released, still waits
    Frame();
    EXPECT_NEAR(Moved().y, 0.08f, 1e-6f);
    Hold({DIK_ESCAPE, DIK_W});
    Frame();
    EXPECT_TRUE(QuitPosted());
}

TEST_F(Input, AKeyboardThatCannotBeCreatedLeavesTheRestWorking)
{
    Keyboard = savedKeyboard;  // the real device access, over no device
    testing::internal::CaptureStdout();
    InitInput(nullptr, nullptr);  // DirectInput refuses a null instance
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: Could not initialise the keyboard\n");
    EXPECT_EQ(Frame(), "We got a controller!");
    ExpectVector(Moved(), 0, 0, 0);
    ShutdownInput();
    ShutdownInput();
}
