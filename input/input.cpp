#include "input/input.h"

#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>

#include <cstdio>

#include "camera/camera.h"

namespace {

const float TurnStep = 0.034f;
const float MoveStep = 0.08f;
const WORD RumbleLeft = 32000;
const WORD RumbleRight = 16000;
// Acquire may keep answering "input lost"; a frame never waits on it for long.
const int AcquireTries = 3;

IDirectInput8A* DirectInput = nullptr;
IDirectInputDevice8A* KeyboardDevice = nullptr;
BYTE keyState[256];
bool ignoredUntilReleased[256];
XINPUT_STATE padState;

HRESULT ReadKeyboardDevice(BYTE keys[256])
{
    if (!KeyboardDevice) return DIERR_NOTINITIALIZED;
    return KeyboardDevice->GetDeviceState(256, keys);
}

HRESULT AcquireKeyboardDevice()
{
    if (!KeyboardDevice) return DIERR_NOTINITIALIZED;
    return KeyboardDevice->Acquire();
}

// Fills keyState; a failed read re-acquires and leaves the old bytes in place.
void ReadKeys()
{
    if (SUCCEEDED(Keyboard.read(keyState))) {
        for (int key = 0; key < 256; ++key)
            if (!(keyState[key] & 0x80)) ignoredUntilReleased[key] = false;
        return;
    }
    for (int tries = 0; tries < AcquireTries; ++tries)
        if (Keyboard.acquire() != DIERR_INPUTLOST) break;
}

bool Held(int key)
{
    return (keyState[key] & 0x80) && !ignoredUntilReleased[key];
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

void PollPad()
{
    ZeroMemory(&padState, sizeof padState);
    if (Pad.getState(0, &padState) != ERROR_SUCCESS) {
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

KeyboardAccess Keyboard = {ReadKeyboardDevice, AcquireKeyboardDevice};
PadAccess Pad = {XInputGetState, XInputSetState};

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
    // Cleared key by key at the next read that finds the key up, so keys not held act at once.
    for (bool& ignored : ignoredUntilReleased) ignored = true;
}
