#include "app/error_box.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "app/app.h"
#include "resources/resource.h"

namespace {

std::string FatalErrors;  // one message a line, in the order they came

}  // namespace

void ReportFatal(const char* format, ...)
{
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    std::printf("%s", text);
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    FatalErrors += line + "\n";
}

bool StandardOutputConnected()
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
    // An unknown type with no error is still a usable handle.
    SetLastError(NO_ERROR);
    return GetFileType(output) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

void ShowFatalErrors()
{
    if (FatalErrors.empty() || StandardOutputConnected()) return;
    FatalErrors.pop_back();  // the last line's end
    ShowErrorBox(FatalErrors.c_str());
    FatalErrors.clear();
}

void ShowErrorBox(const char* text)
{
    // Read here rather than taken from WindowTitle: the failure may come before start-up loads it.
    char title[sizeof WindowTitle] = "";
    LoadStringA(GetModuleHandleA(nullptr), IDS_APP_TITLE, title, sizeof title);
    // A window already closed would make the box fail: it then has no owner.
    const HWND owner = IsWindow(MainWindow) ? MainWindow : nullptr;
    MessageBoxA(owner, text, title[0] ? title : nullptr, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
