// mingw-w64's d3dx9math.h lacks the DirectX SDK's 16-byte aligned matrix type; this is it.
#pragma once
#include <d3dx9math.h>

#ifndef D3DXMATRIXA16
struct alignas(16) D3DXMATRIXA16 : public D3DXMATRIX {
    D3DXMATRIXA16() = default;
    D3DXMATRIXA16(const D3DXMATRIX& m) : D3DXMATRIX(m) {}
    D3DXMATRIXA16& operator=(const D3DXMATRIX& m)
    {
        D3DXMATRIX::operator=(m);
        return *this;
    }
};
#endif
