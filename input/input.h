// Keyboard flight for MainCamera (DirectInput 8) and the first game pad (XInput), polled
// once per frame.
#pragma once
#include <windows.h>
#include <xinput.h>

void InitInput(HINSTANCE instance, HWND window);
void PollInput();
void ShutdownInput();

// Called when a modal loop (About box, menu) ends: the key that closed it is still reported
// held, so every key then down is ignored until it has been seen released.
void IgnoreHeldKeys();

// The keyboard as PollInput reaches it; tests put doubles in place of these.
struct KeyboardAccess {
    HRESULT (*read)(BYTE keys[256]);  // GetDeviceState on the keyboard device
    HRESULT (*acquire)();
};
extern KeyboardAccess Keyboard;

// The pad as PollInput reaches it; the program uses XInputGetState and XInputSetState.
struct PadAccess {
    DWORD(WINAPI* getState)(DWORD user, XINPUT_STATE* state);
    DWORD(WINAPI* setState)(DWORD user, XINPUT_VIBRATION* vibration);
};
extern PadAccess Pad;
