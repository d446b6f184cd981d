// Small stand-in content files written at test time: text .x meshes and DDS, BMP and PNG
// textures of one known colour each.
#pragma once
#include <d3dx9.h>

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

struct XMesh {
    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXVECTOR2> uvs;      // empty: no MeshTextureCoords block
    std::vector<D3DXVECTOR3> normals;  // empty: no MeshNormals block
    std::vector<std::array<DWORD, 3>> faces;
};

void WriteXMesh(const std::string& path, const XMesh& mesh);
// A flat strip of the given number of triangles, without normals.
XMesh TriangleStrip(int triangles);

// A 4x4 A8R8G8B8 DDS file (128-byte header, then the pixels) of one colour.
void WriteDds(const std::string& path, DWORD colour);
// A 4x4 BMP or PNG of one colour, written by D3DX (needs the device).
void WriteImage(const std::string& path, D3DXIMAGE_FILEFORMAT format, DWORD colour);

// Writes every mesh and texture the viewer loads under ./Content, except the paths left out,
// and copies the built effects when there are any. Mesh k of the load order has k + 1
// triangles; returns each texture path's colour.
std::map<std::string, DWORD> WriteStandInContent(const std::set<std::string>& leaveOut = {});
