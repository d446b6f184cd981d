#include "app/app.h"
#include "input/input.h"
#include "resources/resource.h"

void RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TIDEWATER));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = WindowClassName;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    RegisterClassExA(&windowClass);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_ABOUT:
            // Modal: the frame loop stands still until the box closes.
            DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_ABOUTBOX), window, AboutDialogProc, 0);
            IgnoreHeldKeys();
            return 0;
        case IDM_EXIT:
            DestroyWindow(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
        }
    case WM_PAINT: {
        // Direct3D presents into the client area; only validate it.
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ACTIVATE:
        // Keys released while another window has the focus are never seen: none may stay held.
        if (LOWORD(wParam) == WA_INACTIVE) IgnoreHeldKeys();
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_EXITMENULOOP:
        IgnoreHeldKeys();
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
