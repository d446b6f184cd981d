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
#include "tests/unit/device_fixture.h"
#include "tests/unit/matrix_expect.h"

namespace {

struct {
    BYTE keys[256];
    bool readFails, padMissing;
    int acquireCalls;
    WORD buttons;
    std::vector<XINPUT_VIBRATION> sent;
} Fake;

HRESULT FakeRead(BYTE keys[256])
{
    if (Fake.readFails) return DIERR_NOTACQUIRED;
    std::memcpy(keys, Fake.keys, 256);
    return DI_OK;
}

HRESULT FakeAcquire()  // the worst case: the keyboard never comes back
{
    ++Fake.acquireCalls;
    return DIERR_INPUTLOST;
}

DWORD WINAPI FakeGetState(DWORD, XINPUT_STATE* state)
{
    state->Gamepad.wButtons = Fake.buttons;
    return Fake.padMissing ? ERROR_DEVICE_NOT_CONNECTED : ERROR_SUCCESS;
}

DWORD WINAPI FakeSetState(DWORD, XINPUT_VIBRATION* vibration)
{
    Fake.sent.push_back(*vibration);
    return ERROR_SUCCESS;
}

void Hold(std::initializer_list<int> keys)
{
    std::memset(Fake.keys, 0, sizeof Fake.keys);
    for (int key : keys) Fake.keys[key] = 0x80;
}

// One frame as the loop runs it: input, then the camera's matrices. Returns what was printed.
std::string Frame()
{
    testing::internal::CaptureStdout();
    PollInput();
    MainCamera.Update(0.02f);
    return testing::internal::GetCapturedStdout();
}

// The start view's look direction: what one frame of W moves along.
const D3DXVECTOR3 Forward(-0.0967f, -0.2474f, 0.9641f);

class Input : public testing::Test {
protected:
    KeyboardAccess savedKeyboard = Keyboard;
    PadAccess savedPad = Pad;
    const FlyingCamera start = MainCamera;

    void SetUp() override
    {
        Keyboard = {FakeRead, FakeAcquire};
        Pad = {FakeGetState, FakeSetState};
        Fake = {};
        Frame();  // an all-up read: no key left held or ignored by an earlier test
        Fake.sent.clear();
    }
    void TearDown() override
    {
        Fake = {};
        Frame();  // leaves no key held for tests that run the real frame update
        Restart();
        TakeQuit();
        Keyboard = savedKeyboard;
        Pad = savedPad;
    }
    void Restart() { MainCamera = start; }
    D3DXVECTOR3 Moved() const { return MainCamera.position - start.position; }
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
            EXPECT_NEAR(MainCamera.yaw - start.yaw, sign * c.turn, 1e-6f);
            EXPECT_NEAR(MainCamera.pitch - start.pitch, sign * c.tilt, 1e-6f);
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
    EXPECT_FLOAT_EQ(MainCamera.pitch, start.pitch);
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
        D3DXVECTOR3 step = MainCamera.position - before;
        EXPECT_NEAR(step.y, key == DIK_E ? 0.08f : 0.0f, key == DIK_E ? 1e-5f : 0.0f) << key;
        EXPECT_NEAR(D3DXVec3Length(&step), key == DIK_E ? 0.08f : 0.16f, 1e-5f) << key;
    }
}

TEST_F(Input, AFailedReadKeepsTheOldKeysAndGivesUpReacquiring)
{
    Hold({DIK_W});
    Frame();
    const D3DXVECTOR3 afterOne = MainCamera.position;
    Hold({});
    Fake.readFails = true;
    Frame();
    EXPECT_GT(MainCamera.position.z, afterOne.z);  // W is still in the old bytes
    EXPECT_GE(Fake.acquireCalls, 1);
    EXPECT_LE(Fake.acquireCalls, 5);  // a frame never spins on "input lost"
    Fake.readFails = false;
    const D3DXVECTOR3 afterTwo = MainCamera.position;
    Frame();
    ExpectVector(MainCamera.position - afterTwo, 0, 0, 0);
}

TEST_F(Input, EscapeRequestsQuitAndTheFrameStillMovesTheCamera)
{
    Hold({DIK_ESCAPE, DIK_W});
    EXPECT_EQ(Frame(), "We got a controller!");
    EXPECT_EQ(TakeQuit(), 0);
    EXPECT_GT(Moved().z, 0.15f);
    EXPECT_FLOAT_EQ(MainCamera.inverseView._43, MainCamera.position.z);  // Update ran after it
    EXPECT_EQ(Fake.sent.size(), 1u);
}

// A held: 32000/16000 every frame and 0/0 the frame after; BACK quits and still vibrates.
TEST_F(Input, PadRumblesWhileAIsHeldAndBackQuits)
{
    Fake.buttons = XINPUT_GAMEPAD_A;
    EXPECT_EQ(Frame() + Frame(), "We got a controller!We got a controller!");
    Fake.buttons = 0;
    Frame();
    EXPECT_EQ(TakeQuit(), -1);
    Fake.buttons = XINPUT_GAMEPAD_BACK | XINPUT_GAMEPAD_A;
    Frame();
    EXPECT_EQ(TakeQuit(), 0);
    ASSERT_EQ(Fake.sent.size(), 4u);
    for (int i : {0, 1, 3})
        EXPECT_TRUE(Fake.sent[i].wLeftMotorSpeed == 32000 && Fake.sent[i].wRightMotorSpeed == 16000) << i;
    EXPECT_TRUE(Fake.sent[2].wLeftMotorSpeed == 0 && Fake.sent[2].wRightMotorSpeed == 0);
}

TEST_F(Input, NoPadPrintsEachFrameAndSendsNothing)
{
    Fake.padMissing = true;
    Fake.buttons = XINPUT_GAMEPAD_BACK;
    Hold({DIK_W});
    EXPECT_EQ(Frame() + Frame(), "We don't got a controller! :(We don't got a controller! :(");
    EXPECT_TRUE(Fake.sent.empty());
    EXPECT_EQ(TakeQuit(), -1);
    EXPECT_GT(Moved().z, 0.3f);  // the keys were handled before the pad
}

TEST_F(Input, KeysHeldWhenAModalLoopEndsWaitForAFreshPress)
{
    Hold({DIK_ESCAPE, DIK_W});  // the Escape that closed the About box, and a W held through it
    IgnoreHeldKeys();
    Frame();
    EXPECT_EQ(TakeQuit(), -1);
    ExpectVector(Moved(), 0, 0, 0);
    Hold({DIK_ESCAPE, DIK_W, DIK_E});  // a key pressed afterwards acts at once
    Frame();
    EXPECT_EQ(TakeQuit(), -1);
    ExpectVector(Moved(), 0, 0.08f, 0);
    Hold({DIK_W});  // Escape released: the next press counts; W, never released, still waits
    Frame();
    EXPECT_NEAR(Moved().y, 0.08f, 1e-6f);
    Hold({DIK_ESCAPE, DIK_W});
    Frame();
    EXPECT_EQ(TakeQuit(), 0);
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
