// Small stand-in content files written at test time: text .x meshes and textures of one
// known colour each.
#pragma once
#include <d3dx9.h>

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

struct XMesh {
    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXVECTOR2> uvs;
    std::vector<D3DXVECTOR3> normals;  // empty: no MeshNormals block
    std::vector<std::array<DWORD, 3>> faces;
};
void WriteXMesh(const std::string& path, const XMesh& mesh);

// Writes every mesh and texture the viewer loads under ./Content, except the paths left out,
// and copies the built effects when there are any. Mesh k of the load order is a strip of
// k + 1 triangles; returns each texture path's colour.
std::map<std::string, DWORD> WriteStandInContent(const std::set<std::string>& leaveOut = {});
