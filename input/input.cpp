#include "input/input.h"

#include <cstdio>
#include <cstring>

#include "camera/camera.h"

namespace {

const float TurnStep = 0.034f;
const float MoveStep = 0.08f;
const WORD RumbleLeft = 32000;
const WORD RumbleRight = 16000;
// Acquire may keep answering "input lost"; a frame never waits on it for long.
const int AcquireTries = 3;
// Key events DirectInput keeps between two frames; more than this is an overflow.
const DWORD EventBufferSize = 64;
// Reading an empty pad slot is costly on Windows; frame rates differ too much for a frame count.
const ULONGLONG PadRecheckMs = 1000;

IDirectInput8A* DirectInput = nullptr;
IDirectInputDevice8A* KeyboardDevice = nullptr;
BYTE keyState[256];
bool pressedSinceLastFrame[256];  // a tap between two frames counts as held for one frame
bool ignoredUntilReleased[256];
DIDEVICEOBJECTDATA keyEvents[EventBufferSize];
XINPUT_STATE padState;
bool padAbsent = false;     // the last read of slot 0 found no pad
ULONGLONG padAskedAt = 0;   // when that read ended

HRESULT ReadKeyboardDevice(BYTE keys[256])
{
    if (!KeyboardDevice) return DIERR_NOTINITIALIZED;
    return KeyboardDevice->GetDeviceState(256, keys);
}

HRESULT ReadKeyboardEvents(DIDEVICEOBJECTDATA* events, DWORD* count)
{
    if (!KeyboardDevice) return DIERR_NOTINITIALIZED;
    return KeyboardDevice->GetDeviceData(sizeof *events, events, count, 0);
}

HRESULT AcquireKeyboardDevice()
{
    if (!KeyboardDevice) return DIERR_NOTINITIALIZED;
    return KeyboardDevice->Acquire();
}

// Takes the buffered events; with any lost (overflow) or none readable the snapshot alone counts.
// In order: a release ends a key's wait and the key is up, whatever the snapshot read before it
// says (the first snapshot after a menu or dialog still shows the key that closed it down); a
// press counts unless the key still waits.
void ReadPresses()
{
    std::memset(pressedSinceLastFrame, 0, sizeof pressedSinceLastFrame);
    DWORD count = EventBufferSize;
    if (Keyboard.readEvents(keyEvents, &count) != DI_OK) return;
    for (DWORD i = 0; i < count; ++i) {
        const DWORD key = keyEvents[i].dwOfs & 0xFF;
        if (!(keyEvents[i].dwData & 0x80)) ignoredUntilReleased[key] = false, keyState[key] = 0;
        else if (!ignoredUntilReleased[key]) pressedSinceLastFrame[key] = true;
    }
}

// Fills keyState and the presses since the last frame. A failed read means the keyboard is
// gone (another window has the focus): every key is released, then it is acquired again.
void ReadKeys()
{
    if (FAILED(Keyboard.read(keyState))) {
        IgnoreHeldKeys();
        for (int tries = 0; tries < AcquireTries; ++tries)
            if (Keyboard.acquire() != DIERR_INPUTLOST) break;
        return;
    }
    ReadPresses();
    for (int key = 0; key < 256; ++key)
        if (!(keyState[key] & 0x80)) ignoredUntilReleased[key] = false;
}

bool Held(int key)
{
    return pressedSinceLastFrame[key] || ((keyState[key] & 0x80) && !ignoredUntilReleased[key]);
}

// position += axis * scale, with the offset formed as axis * MoveStep * 2.
void MoveAlong(float x, float y, float z, float sign)
{
    D3DXVECTOR3 offset = D3DXVECTOR3(x, y, z) * MoveStep;
    offset = offset * 2.0f;
    MainCamera.position.x += sign * offset.x;
    MainCamera.position.y += sign * offset.y;
    MainCamera.position.z += sign * offset.z;
}

// Moves use the axes of the previous Update, whatever this frame does to yaw and pitch.
void ApplyKeys()
{
    const D3DXMATRIX& axes = MainCamera.inverseView;
    if (Held(DIK_ESCAPE)) PostQuitMessage(0);
    if (Held(DIK_RIGHT)) MainCamera.yaw -= TurnStep;
    else if (Held(DIK_LEFT)) MainCamera.yaw += TurnStep;
    if (Held(DIK_UP)) MainCamera.pitch += TurnStep;
    else if (Held(DIK_DOWN)) MainCamera.pitch -= TurnStep;
    if (Held(DIK_E)) MainCamera.position.y += MoveStep;
    else if (Held(DIK_Q)) MainCamera.position.y -= MoveStep;
    if (Held(DIK_A)) MoveAlong(axes._11, axes._12, axes._13, -1.0f);
    else if (Held(DIK_D)) MoveAlong(axes._11, axes._12, axes._13, 1.0f);
    if (Held(DIK_W)) MoveAlong(axes._31, axes._32, axes._33, 1.0f);
    else if (Held(DIK_S)) MoveAlong(axes._31, axes._32, axes._33, -1.0f);
}

// A connected pad is read every frame; while none is, the last answer stands until
// PadRecheckMs have passed (a clock that went back counts as passed).
bool ReadPad()
{
    ZeroMemory(&padState, sizeof padState);
    if (padAbsent && Pad.milliseconds() - padAskedAt < PadRecheckMs) return false;
    padAbsent = Pad.getState(0, &padState) != ERROR_SUCCESS;
    if (padAbsent) padAskedAt = Pad.milliseconds();
    return !padAbsent;
}

void PollPad()
{
    if (!ReadPad()) {
        printf("We don't got a controller! :(");
        return;
    }
    printf("We got a controller!");
    XINPUT_VIBRATION vibration = {};
    if (padState.Gamepad.wButtons & XINPUT_GAMEPAD_A) {
        vibration.wLeftMotorSpeed = RumbleLeft;
        vibration.wRightMotorSpeed = RumbleRight;
    }
    if (padState.Gamepad.wButtons & XINPUT_GAMEPAD_BACK) PostQuitMessage(0);
    Pad.setState(0, &vibration);
}

}  // namespace

KeyboardAccess Keyboard = {ReadKeyboardDevice, ReadKeyboardEvents, AcquireKeyboardDevice};
PadAccess Pad = {BoundXInputGetState, BoundXInputSetState};

void InitInput(HINSTANCE instance, HWND window)
{
    if (FAILED(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void**>(&DirectInput), nullptr)))
        DirectInput = nullptr;
    if (!DirectInput || FAILED(DirectInput->CreateDevice(GUID_SysKeyboard, &KeyboardDevice, nullptr)))
        KeyboardDevice = nullptr;
    if (!KeyboardDevice) {
        // The viewer still runs, only without keyboard flight.
        printf("ERROR: Could not initialise the keyboard\n");
        return;
    }
    KeyboardDevice->SetDataFormat(&c_dfDIKeyboard);
    KeyboardDevice->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    DIPROPDWORD bufferSize = {};  // buffered events are what catch a tap between two frames
    bufferSize.diph.dwSize = sizeof bufferSize;
    bufferSize.diph.dwHeaderSize = sizeof bufferSize.diph;
    bufferSize.diph.dwHow = DIPH_DEVICE;
    bufferSize.dwData = EventBufferSize;
    KeyboardDevice->SetProperty(DIPROP_BUFFERSIZE, &bufferSize.diph);
    KeyboardDevice->Acquire();
}

void PollInput()
{
    ReadKeys();
    ApplyKeys();
    PollPad();
}

void ShutdownInput()
{
    if (KeyboardDevice) {
        KeyboardDevice->Unacquire();
        KeyboardDevice->Release();
        KeyboardDevice = nullptr;
    }
    if (DirectInput) {
        DirectInput->Release();
        DirectInput = nullptr;
    }
}

void IgnoreHeldKeys()
{
    // Events up to now are dropped: a press made before (or inside a dialog) must not act later.
    DWORD count = EventBufferSize;
    Keyboard.readEvents(keyEvents, &count);
    std::memset(keyState, 0, sizeof keyState);
    std::memset(pressedSinceLastFrame, 0, sizeof pressedSinceLastFrame);
    // Cleared key by key once the key is seen up, so keys not held act at once.
    for (bool& ignored : ignoredUntilReleased) ignored = true;
}
