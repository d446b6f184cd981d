// The Direct3D object, the one device, its presentation parameters and the scene projection.
#pragma once
#include <d3d9.h>
#include <d3dx9math.h>

extern IDirect3D9* Direct3DObject;
extern IDirect3DDevice9* Device;
extern D3DPRESENT_PARAMETERS PresentParams;
extern D3DXMATRIX ProjectionMatrix;

// How InitDevice makes the Direct3D object (Direct3DCreate9); tests put a double in its place.
extern IDirect3D9*(WINAPI* CreateDirect3D)(UINT sdkVersion);

// Creates the windowed HAL device on MainWindow, the projection, the two render states and
// the Renderer. On failure prints one "ERROR: ..." line and returns false.
bool InitDevice();

// Releases the device, then the Direct3D object; either may be missing.
void ReleaseDevice();
