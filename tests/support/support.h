// Shared by the unit and compiler tests: hidden windows and a device, render targets read back,
// child programs with their output.
#pragma once
#include <d3dx9.h>

#include <string>
#include <vector>

// A never-shown window; each window procedure gets a class of its own.
HWND HiddenWindow(int width, int height, WNDPROC procedure = DefWindowProcA);
// A windowed HAL device (256 x 256, D16 depth) made on first use; null without a display.
IDirect3DDevice9* SharedTestDevice();

// A render-target surface's pixels (0xAARRGGBB) row by row; empty when it cannot be read.
std::vector<DWORD> ReadPixels(IDirect3DDevice9* device, IDirect3DSurface9* surface);
// Pixels whose RGB equals rgb (alpha ignored: back buffers are X8R8G8B8).
size_t CountRgb(const std::vector<DWORD>& pixels, DWORD rgb);

// Runs a program with its standard output and error captured; returns its exit code.
DWORD RunProgram(const std::string& commandLine, std::string& output);
std::string ReadText(const std::string& path);
