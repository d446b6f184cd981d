// Keyboard flight for MainCamera (DirectInput 8) and the first game pad (XInput), polled
// once per frame.
#pragma once
#include <windows.h>
#include <xinput.h>
#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#include <dinput.h>

void InitInput(HINSTANCE instance, HWND window);
void PollInput();
void ShutdownInput();

// Called when the keyboard stops reaching us (focus lost, a failed read) and when a modal loop
// (About box, menu) ends, whose closing key is still reported held: every key counts as
// released, and a key then down acts only after it has been seen released.
void IgnoreHeldKeys();

// The keyboard as PollInput reaches it; tests put doubles in place of these.
struct KeyboardAccess {
    HRESULT (*read)(BYTE keys[256]);  // GetDeviceState on the keyboard device
    // GetDeviceData: at most *count buffered key events, oldest first; *count becomes the number
    // taken. DI_BUFFEROVERFLOW means events were lost.
    HRESULT (*readEvents)(DIDEVICEOBJECTDATA* events, DWORD* count);
    HRESULT (*acquire)();
};
extern KeyboardAccess Keyboard;

// The pad as PollInput reaches it; the program uses the XInput functions bound below.
struct PadAccess {
    DWORD(WINAPI* getState)(DWORD user, XINPUT_STATE* state);
    DWORD(WINAPI* setState)(DWORD user, XINPUT_VIBRATION* vibration);
    // Wall-clock milliseconds: an empty slot is asked again only about once a second.
    ULONGLONG(WINAPI* milliseconds)() = GetTickCount64;
};
extern PadAccess Pad;

// XInputGetState and XInputSetState of xinput1_3.dll, else of xinput9_1_0.dll, bound at the first
// call so that neither DLL is needed to start; with neither, the pad is not connected.
DWORD WINAPI BoundXInputGetState(DWORD user, XINPUT_STATE* state);
DWORD WINAPI BoundXInputSetState(DWORD user, XINPUT_VIBRATION* vibration);
