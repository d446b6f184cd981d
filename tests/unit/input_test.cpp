// Keyboard flight and the pad through doubles of the keyboard and pad access.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "camera/camera.h"
#include "input/input.h"
#include "tests/support/support.h"
#include "tests/unit/matrix_expect.h"

namespace {

// A keyboard as DirectInput shows it: the snapshot, and the buffered events since the last read.
struct {
    BYTE keys[256];
    std::vector<DIDEVICEOBJECTDATA> events;
    HRESULT eventsResult;  // DI_BUFFEROVERFLOW: events beyond those kept were lost
    bool readFails, padMissing;
    int acquireCalls, padReads;
    WORD buttons;
    std::vector<XINPUT_VIBRATION> sent;
} Fake;

HRESULT FakeRead(BYTE keys[256])
{
    if (Fake.readFails) return DIERR_NOTACQUIRED;
    std::memcpy(keys, Fake.keys, 256);
    return DI_OK;
}

HRESULT FakeReadEvents(DIDEVICEOBJECTDATA* events, DWORD* count)
{
    if (Fake.readFails) return DIERR_NOTACQUIRED;
    *count = std::min<DWORD>(*count, Fake.events.size());
    std::copy_n(Fake.events.begin(), *count, events);
    Fake.events.erase(Fake.events.begin(), Fake.events.begin() + *count);
    return std::exchange(Fake.eventsResult, DI_OK);
}

HRESULT FakeAcquire()  // the worst case: the keyboard never comes back
{
    ++Fake.acquireCalls;
    return DIERR_INPUTLOST;
}

ULONGLONG Now;  // the pad's clock, in milliseconds; never goes back between tests

ULONGLONG WINAPI FakeClock() { return Now; }

DWORD WINAPI FakeGetState(DWORD, XINPUT_STATE* state)
{
    ++Fake.padReads;
    state->Gamepad.wButtons = Fake.buttons;
    return Fake.padMissing ? ERROR_DEVICE_NOT_CONNECTED : ERROR_SUCCESS;
}

DWORD WINAPI FakeSetState(DWORD, XINPUT_VIBRATION* vibration)
{
    Fake.sent.push_back(*vibration);
    return ERROR_SUCCESS;
}

// Keys held since before the last read: in the snapshot only.
void Hold(std::initializer_list<int> keys)
{
    std::memset(Fake.keys, 0, sizeof Fake.keys);
    for (int key : keys) Fake.keys[key] = 0x80;
}

// A key going down or up now: in the next snapshot and in the event buffer.
void Key(int key, bool down)
{
    Fake.keys[key] = down ? 0x80 : 0;
    Fake.events.push_back({DWORD(key), Fake.keys[key], 0, 0, 0});
}

void Tap(int key)
{
    Key(key, true);
    Key(key, false);
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
        Keyboard = {FakeRead, FakeReadEvents, FakeAcquire};
        Pad = {FakeGetState, FakeSetState, FakeClock};
        Fake = {};
        Now += 3600000;  // an hour on: an empty slot an earlier test left is asked again
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

// A buffered press acts in the next frame even when the key is up again, and only then; two in
// one frame act once. With events lost (overflow) the snapshot alone counts.
TEST_F(Input, PressesBetweenFramesActForOneFrameAndAnOverflowLeavesTheSnapshot)
{
    struct Case { const char* what; int taps; bool heldAfter; HRESULT result; float rise1, rise2; } cases[] = {
        {"a tap", 1, false, DI_OK, 0.08f, 0.08f},
        {"two taps", 2, false, DI_OK, 0.08f, 0.08f},
        {"a tap, then held", 1, true, DI_OK, 0.08f, 0.16f},
        {"a tap lost in an overflow", 1, false, DI_BUFFEROVERFLOW, 0, 0},
        {"held through an overflow", 1, true, DI_BUFFEROVERFLOW, 0.08f, 0.16f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int i = 0; i < c.taps; ++i) Tap(DIK_E);
        if (c.heldAfter) Key(DIK_E, true);
        Fake.eventsResult = c.result;
        Frame();
        EXPECT_NEAR(Moved().y, c.rise1, 1e-6f);
        Frame();
        EXPECT_NEAR(Moved().y, c.rise2, 1e-6f);
        Key(DIK_E, false);
        Frame();
        Restart();
    }
}

// A failed read (another window has the focus) or WM_ACTIVATE inactive: no key stays held; one still
// down when the focus returns (reported pressed again) acts only after it has been seen released.
TEST_F(Input, LosingTheFocusReleasesEveryKeyUntilItIsPressedAgain)
{
    HWND window = HiddenWindow(64, 64, MainWindowProc);
    for (bool failedRead : {true, false}) {
        SCOPED_TRACE(failedRead ? "failed read" : "WM_ACTIVATE");
        Key(DIK_E, true);
        Frame();
        failedRead ? void(Fake.readFails = true) : void(SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0));
        Frame();
        Fake.readFails = false;
        Key(DIK_E, true);
        Frame();
        EXPECT_NEAR(Moved().y, 0.08f, 1e-6f);
        Key(DIK_E, false);
        Tap(DIK_E);
        Frame();
        EXPECT_NEAR(Moved().y, 0.16f, 1e-6f);
        Restart();
    }
    EXPECT_GE(Fake.acquireCalls, 1);
    EXPECT_LE(Fake.acquireCalls, 5);  // a frame never spins on "input lost"
    DestroyWindow(window);
}

// A held: 32000/16000 every frame and 0/0 the frame after; BACK quits and still vibrates. A pad
// pulled out is missed in the next frame.
TEST_F(Input, PadRumblesWhileAIsHeldAndBackQuitsAndAPulledPadIsMissed)
{
    Fake.buttons = XINPUT_GAMEPAD_A;
    EXPECT_EQ(Frame() + Frame(), "We got a controller!We got a controller!");
    Fake.buttons = 0;
    Frame();
    EXPECT_EQ(TakeQuit(), -1);
    Fake.buttons = XINPUT_GAMEPAD_BACK | XINPUT_GAMEPAD_A;
    Frame();
    EXPECT_EQ(TakeQuit(), 0);
    const WORD left[] = {32000, 32000, 0, 32000}, right[] = {16000, 16000, 0, 16000};
    ASSERT_EQ(Fake.sent.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Fake.sent[i].wLeftMotorSpeed == left[i] && Fake.sent[i].wRightMotorSpeed == right[i]) << i;

    Fake.padMissing = true;
    EXPECT_EQ(Frame(), "We don't got a controller! :(") << "a pad pulled out is missed at once";
    EXPECT_EQ(TakeQuit(), -1) << "BACK of a pad that is not there";
}

// At 100 frames a second with no pad: slot 0 is asked about once a second, yet every frame says
// so and sends nothing, and the keys still act. A pad plugged in is seen within a second.
TEST_F(Input, AnEmptyPadSlotIsAskedAboutOnceASecondAndAPlugInIsSeenWithinOne)
{
    Fake.padMissing = true;
    Hold({DIK_E});
    std::string said;
    for (int frame = 0; frame < 300; ++frame, Now += 10) said += Frame();
    EXPECT_TRUE(Fake.padReads >= 3 && Fake.padReads <= 4) << Fake.padReads;
    EXPECT_EQ(said.size(), 300 * std::strlen("We don't got a controller! :(")) << said.substr(0, 80);
    EXPECT_TRUE(Fake.sent.empty());
    EXPECT_NEAR(Moved().y, 300 * 0.08f, 1e-3f);
    Fake.padMissing = false;
    int frames = 1;
    while (Frame() != "We got a controller!" && frames < 200) ++frames, Now += 10;
    EXPECT_LE(frames, 101);
}

TEST_F(Input, KeysHeldWhenAModalLoopEndsWaitForAFreshPress)
{
    Hold({DIK_W});          // held through the About box
    Key(DIK_ESCAPE, true);  // the Escape that closed it: buffered, and still reported down
    IgnoreHeldKeys();
    Frame();
    EXPECT_EQ(TakeQuit(), -1);
    ExpectVector(Moved(), 0, 0, 0);
    Key(DIK_E, true);  // a key pressed afterwards acts at once
    Frame();
    EXPECT_EQ(TakeQuit(), -1);
    ExpectVector(Moved(), 0, 0.08f, 0);
    Key(DIK_ESCAPE, false);  // Escape released: the next press counts; W, never released, still waits
    Key(DIK_E, false);
    Frame();
    EXPECT_NEAR(Moved().y, 0.08f, 1e-6f);
    Tap(DIK_ESCAPE);  // a tap between frames quits, and that frame still moves the camera and reads the pad
    Key(DIK_E, true);
    EXPECT_EQ(Frame(), "We got a controller!");
    EXPECT_EQ(TakeQuit(), 0);
    EXPECT_NEAR(Moved().y, 0.16f, 1e-6f);
    // The closing key's release buffered after the loop ended, the snapshot still showing it down.
    Key(DIK_ESCAPE, true);
    IgnoreHeldKeys();
    Key(DIK_ESCAPE, false);
    Fake.keys[DIK_ESCAPE] = 0x80;
    Frame();
    EXPECT_EQ(TakeQuit(), -1);
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

// The program's own pad access reaches xinput1_3.dll, preferred to the fallback; no pad here.
TEST(PadBinding, ReachesXInput13)
{
    XINPUT_STATE state = {};
    EXPECT_EQ(BoundXInputGetState(0, &state), DWORD(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_NE(GetModuleHandleA("xinput1_3.dll"), nullptr);
}
