// The Direct3D object, the one device, its presentation parameters and the scene projection.
#pragma once
#include <d3d9.h>
#include <d3dx9math.h>

extern IDirect3D9* Direct3DObject;
extern IDirect3DDevice9* Device;
extern D3DPRESENT_PARAMETERS PresentParams;
extern D3DXMATRIX ProjectionMatrix;

// Creates the windowed HAL device on MainWindow, the projection, the two render states and
// the Renderer. On failure prints one "ERROR: ..." line (or none) and returns false.
bool InitDevice();

// Releases the device, then the Direct3D object; either may be missing.
void ReleaseDevice();
