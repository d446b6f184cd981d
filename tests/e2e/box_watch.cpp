// Starts a program, reports the message box it shows and returns its exit code.
// usage: box_watch [--no-stdout] program.exe
// With --no-stdout the program gets no standard handles at all, as when started from Explorer;
// otherwise it shares this one's. Prints "box: TITLE" and "text: TEXT" once a box appears,
// then "exit: CODE".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Search {
    DWORD process;
    HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM context)
{
    auto& search = *reinterpret_cast<Search*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (process != search.process || std::strcmp(className, "#32770") || !IsWindowVisible(window)) return TRUE;
    search.box = window;
    return FALSE;
}

BOOL CALLBACK AddStaticText(HWND control, LPARAM context)
{
    char className[32] = "", text[2048] = "";
    GetClassNameA(control, className, sizeof className);
    if (!lstrcmpiA(className, "Static") && GetWindowTextA(control, text, sizeof text) > 0)
        *reinterpret_cast<std::string*>(context) += text;
    return TRUE;
}

void Report(HWND box)
{
    char title[256] = "";
    GetWindowTextA(box, title, sizeof title);
    std::string text;
    EnumChildWindows(box, AddStaticText, reinterpret_cast<LPARAM>(&text));
    std::printf("box: %s\ntext: %s\n", title, text.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool noOutput = argc == 3 && !std::strcmp(argv[1], "--no-stdout");
    if (argc != 2 && !noOutput) return 2;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    if (!noOutput) {
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    std::string commandLine = argv[argc - 1];
    PROCESS_INFORMATION child;
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, !noOutput, noOutput ? DETACHED_PROCESS : 0,
                        nullptr, nullptr, &startup, &child)) {
        std::printf("could not start %s: %lu\n", commandLine.c_str(), GetLastError());
        return 2;
    }
    Search search = {child.dwProcessId, nullptr};
    while (WaitForSingleObject(child.hProcess, 100) == WAIT_TIMEOUT) {
        if (search.box) continue;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box) Report(search.box);
    }
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    std::printf("exit: %lu\n", code);
    return static_cast<int>(code);
}
