// xinput1_3.dll comes with the DirectX runtime, which Windows lacks by default; xinput9_1_0.dll
// comes with every Windows since Vista. Neither is imported: a missing one must not stop the start.
#include "input/input.h"

#include <initializer_list>

namespace {

struct XInputFunctions {
    decltype(&XInputGetState) getState = nullptr;
    decltype(&XInputSetState) setState = nullptr;
};

template <typename Function>
Function Find(HMODULE module, const char* name)
{
    // Through void (*)(): the one function type GCC lets any other be cast from without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

XInputFunctions Bind()
{
    XInputFunctions bound;
    for (const char* dll : {"xinput1_3.dll", "xinput9_1_0.dll"}) {
        const HMODULE module = LoadLibraryA(dll);
        if (!module) continue;
        bound.getState = Find<decltype(&XInputGetState)>(module, "XInputGetState");
        bound.setState = Find<decltype(&XInputSetState)>(module, "XInputSetState");
        if (bound.getState && bound.setState) return bound;
        FreeLibrary(module);
    }
    return {};
}

const XInputFunctions& XInput()
{
    static const XInputFunctions bound = Bind();
    return bound;
}

}  // namespace

DWORD WINAPI BoundXInputGetState(DWORD user, XINPUT_STATE* state)
{
    const auto getState = XInput().getState;
    return getState ? getState(user, state) : ERROR_DEVICE_NOT_CONNECTED;
}

DWORD WINAPI BoundXInputSetState(DWORD user, XINPUT_VIBRATION* vibration)
{
    const auto setState = XInput().setState;
    return setState ? setState(user, vibration) : ERROR_DEVICE_NOT_CONNECTED;
}
