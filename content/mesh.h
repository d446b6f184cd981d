// Loads one .x mesh; a mesh without normals is rebuilt into the tangent-frame layout.
#pragma once
#include <d3dx9.h>

// position, texcoord, normal, tangent (dP/dV), binormal (dP/dU): 56 bytes a vertex.
extern const D3DVERTEXELEMENT9 TangentFrameLayout[6];

// Returns the mesh, owned by MeshList, or null (with one "ERROR: ..." line) when the file
// cannot be loaded.
ID3DXMesh* LoadMesh(const char* path);

// Fills normals and both partial derivatives of a mesh in TangentFrameLayout, as the
// platform's tangent-frame computation would. Used where the platform lacks it.
bool ComputeTangentFrameInPlace(ID3DXMesh* mesh);
