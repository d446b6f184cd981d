#include "app/app.h"
#include "app/error_box.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    const int startFailure = StartUp(instance, showCommand);
    const int exitCode = startFailure ? startFailure : RunMainLoop();
    Shutdown();
    ShowFatalErrors();
    return exitCode;
}
