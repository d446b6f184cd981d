#include "bench/alloc_count.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

volatile unsigned long long Count = 0;

using MallocFn = void*(__cdecl*)(size_t);
using CallocFn = void*(__cdecl*)(size_t, size_t);
using ReallocFn = void*(__cdecl*)(void*, size_t);
MallocFn OriginalMalloc = nullptr;
CallocFn OriginalCalloc = nullptr;
ReallocFn OriginalRealloc = nullptr;

void* __cdecl CountedMalloc(size_t size)
{
    ++Count;
    return OriginalMalloc(size);
}

void* __cdecl CountedCalloc(size_t n, size_t size)
{
    ++Count;
    return OriginalCalloc(n, size);
}

void* __cdecl CountedRealloc(void* p, size_t size)
{
    ++Count;
    return OriginalRealloc(p, size);
}

IMAGE_THUNK_DATA* FindImportSlot(const char* name)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); dll->Name; ++dll) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) == 0) return slots;
        }
    }
    return nullptr;
}

template <class Fn>
bool Patch(const char* name, Fn replacement, Fn* original)
{
    IMAGE_THUNK_DATA* slot = FindImportSlot(name);
    if (!slot) return false;
    DWORD protection;
    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
    *original = reinterpret_cast<Fn>(slot->u1.Function);
    slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
    return true;
}

// Before the patch (static construction) new goes straight to the runtime's malloc.
void* Allocate(size_t size)
{
    ++Count;
    void* p = OriginalMalloc ? OriginalMalloc(size ? size : 1) : std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

bool InstallAllocationCounter()
{
    return Patch("malloc", &CountedMalloc, &OriginalMalloc) && Patch("calloc", &CountedCalloc, &OriginalCalloc) &&
           Patch("realloc", &CountedRealloc, &OriginalRealloc);
}

unsigned long long AllocationCount()
{
    return Count;
}

void* operator new(size_t size)
{
    return Allocate(size);
}

void* operator new[](size_t size)
{
    return Allocate(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}
