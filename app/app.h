// The application shell: start-up, the message and frame loop, the per-frame update, shutdown.
#pragma once
#include <windows.h>

extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern char WindowTitle[100];
extern char WindowClassName[100];
extern bool DeviceLost;
extern float AccumulatedTime;    // frame-counted: +0.02 per frame, no clock is read
extern const float ElapsedTime;  // the fixed per-frame step

// Window class, window procedure and About box.
void RegisterMainWindowClass(HINSTANCE instance);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Time values to the effects, input, MainCamera's matrices.
void UpdateFrame();

// What one frame did after the device test.
enum class FrameOutcome { NotRendered, Rendered, ResetAndRendered };
// Acts on the device test's answer: lost suspends rendering, not-reset resets then renders.
FrameOutcome RunDeviceStep(HRESULT deviceState);

// Returns 0 when the loop may start, else the exit code (window or device failure).
int StartUp(HINSTANCE instance, int showCommand);
// Runs until WM_QUIT and returns its wParam.
int RunMainLoop();
// Releases everything in the fixed shutdown order; safe after a partial start-up.
void Shutdown();
