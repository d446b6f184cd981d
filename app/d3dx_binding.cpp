// Binds the delay-loaded D3DX (cmake/d3dx_delayed.cmake) before any static constructor calls it,
// or tells the person which runtime to install and ends the process.
//
// Every function the program calls is bound here at once, never by the delay-load thunks on a
// first call: the x86-64 thunks of binutils 2.40's dlltool do not keep xmm0-xmm3, so a first call
// would lose its float arguments (and on a missing DLL, the helper raises an exception nobody
// handles).
#include <windows.h>
#include <delayimp.h>

#include <cstdio>

#include "app/error_box.h"

extern "C" const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_libd3dx9_36_delayed_a;
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

const int RuntimeMissing = 1;
const char* const RuntimeName = "DirectX End-User Runtime (June 2010)";

template <typename T>
T* AtRva(RVA rva)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(&__ImageBase) + rva);
}

[[noreturn]] void StopForRuntime(const char* problem)
{
    std::printf("ERROR: %s: install the %s\n", problem, RuntimeName);
    std::fflush(stdout);
    char text[512];
    std::snprintf(text, sizeof text,
                  "%s.\n\nThe DirectX 9 runtime is missing or damaged. Install the \"%s\" from Microsoft, "
                  "then start the program again.",
                  problem, RuntimeName);
    ShowErrorBox(text);
    ExitProcess(RuntimeMissing);
}

// Fills every import slot of the library from the loaded DLL (the slots are the functions this
// program calls; the name table ends with a zero entry).
void BindDelayedImports(const ImgDelayDescr& imports)
{
    const char* dll = AtRva<const char>(imports.rvaDLLName);
    const HMODULE module = LoadLibraryA(dll);
    char problem[256];
    if (!module) {
        std::snprintf(problem, sizeof problem, "Could not load %s", dll);
        StopForRuntime(problem);
    }
    *AtRva<HMODULE>(imports.rvaHmod) = module;
    const IMAGE_THUNK_DATA* name = AtRva<const IMAGE_THUNK_DATA>(imports.rvaINT);
    IMAGE_THUNK_DATA* slot = AtRva<IMAGE_THUNK_DATA>(imports.rvaIAT);
    for (; name->u1.AddressOfData; ++name, ++slot) {
        const char* function = AtRva<const IMAGE_IMPORT_BY_NAME>(RVA(name->u1.AddressOfData))->Name;
        const FARPROC address = GetProcAddress(module, function);
        if (!address) {
            std::snprintf(problem, sizeof problem, "%s lacks %s", dll, function);
            StopForRuntime(problem);
        }
        slot->u1.Function = reinterpret_cast<ULONGLONG>(address);
    }
}

struct D3DXBinding {
    D3DXBinding() { BindDelayedImports(__DELAY_IMPORT_DESCRIPTOR_libd3dx9_36_delayed_a); }
};
// The first static constructor of the process: MainCamera's already calls D3DX.
const D3DXBinding Binding __attribute__((init_priority(101)));

}  // namespace
