#include "tests/unit/content_files.h"

#include <filesystem>
#include <fstream>

#include "content/content_paths.h"
#include "gfx/device.h"
#include "tests/unit/device_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string MakeParent(const std::string& path)
{
    if (fs::path(path).has_parent_path()) fs::create_directories(fs::path(path).parent_path());
    return path;
}

// One .x array: the count, then the elements separated by "," and closed by ";".
template <class T, class F>
void PutArray(std::ofstream& out, const std::vector<T>& items, F format)
{
    out << items.size() << ";\n";
    for (size_t i = 0; i < items.size(); ++i) out << format(items[i]) << (i + 1 < items.size() ? ",\n" : ";\n");
}

std::string Floats(const float* v, int n)
{
    std::string text;
    for (int i = 0; i < n; ++i) text += std::to_string(v[i]) + ";";
    return text;
}

void PutFaces(std::ofstream& out, const XMesh& mesh)
{
    PutArray(out, mesh.faces, [](const std::array<DWORD, 3>& f) {
        return "3;" + std::to_string(f[0]) + "," + std::to_string(f[1]) + "," + std::to_string(f[2]) + ";";
    });
}

}  // namespace

void WriteXMesh(const std::string& path, const XMesh& mesh)
{
    std::ofstream out(MakeParent(path), std::ios::binary);
    const auto vector3 = [](const D3DXVECTOR3& p) { return Floats(p, 3); };
    out << "xof 0303txt 0032\nMesh {\n";
    PutArray(out, mesh.positions, vector3);
    PutFaces(out, mesh);
    if (!mesh.normals.empty()) {
        out << "MeshNormals {\n";
        PutArray(out, mesh.normals, vector3);
        PutFaces(out, mesh);
        out << "}\n";
    }
    out << "MeshTextureCoords {\n";
    PutArray(out, mesh.uvs, [](const D3DXVECTOR2& t) { return Floats(t, 2); });
    out << "}\n}\n";
}

std::map<std::string, DWORD> WriteStandInContent(const std::set<std::string>& leaveOut)
{
    for (int k = 0; k < 7; ++k) {
        XMesh strip;
        for (int i = 0; i < k + 3; ++i) {
            strip.positions.push_back(D3DXVECTOR3(float(i / 2), 0.0f, float(i % 2)));
            strip.uvs.push_back(D3DXVECTOR2(float(i / 2), float(i % 2)));
        }
        for (DWORD i = 0; i < DWORD(k + 1); ++i)
            strip.faces.push_back(i % 2 ? std::array<DWORD, 3>{i, i + 2, i + 1} : std::array<DWORD, 3>{i, i + 1, i + 2});
        if (!leaveOut.count(MeshFiles[k])) WriteXMesh(MeshFiles[k], strip);
    }
    std::map<std::string, DWORD> colours;
    for (DWORD i = 0; i < 17; ++i) {
        const std::string path = TextureFiles[i];
        const DWORD colour = colours[path] = 0xFF000000 | ((i + 1) * 0x0B0D0F);
        if (leaveOut.count(path)) continue;
        // D3DX goes by the bytes, not the name: a PNG serves for every file (it cannot save DDS).
        IDirect3DTexture9* texture = SolidTexture(Device, colour);
        D3DXSaveTextureToFileA(MakeParent(path).c_str(), D3DXIFF_PNG, texture, nullptr);
        texture->Release();
    }
    if (EffectsBuilt()) {
        fs::create_directories(fs::path(ContentPath::DefaultEffect).parent_path());
        for (const char* effect : {ContentPath::DefaultEffect, ContentPath::PostProcessEffect})
            fs::copy_file(fs::path(StartFolder) / effect, effect, fs::copy_options::overwrite_existing);
    }
    return colours;
}
