// Starts a program as Explorer does, with no standard handles, and returns its exit code.
// Prints "box: TITLE: TEXT" for the message box it shows, if any, then "exit: CODE".
// usage: box_watch "program.exe [arguments]"
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // all three null
    std::string commandLine = argv[1];
    PROCESS_INFORMATION child;
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &child))
        return 2;
    HWND box = nullptr;
    while (WaitForSingleObject(child.hProcess, 100) == WAIT_TIMEOUT) {
        // The test's own display and prefix: any dialog there is the program's.
        const HWND found = box ? nullptr : FindWindowA("#32770", nullptr);
        if (!found || !IsWindowVisible(found)) continue;
        box = found;
        char title[256] = "", text[1024] = "";
        GetWindowTextA(box, title, sizeof title);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // a message box's text control
        std::printf("box: %s: %s\n", title, text);
        std::fflush(stdout);
    }
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    std::printf("exit: %lu\n", code);
    return static_cast<int>(code);
}
