#include "tests/unit/content_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "content/content_paths.h"
#include "gfx/device.h"
#include "tests/unit/device_fixture.h"

namespace fs = std::filesystem;

namespace {

const UINT ImageSize = 4;

void MakeParent(const std::string& path)
{
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent);
}

void Put(std::ofstream& out, DWORD value)
{
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string Floats(std::initializer_list<float> values)
{
    std::string text;
    char number[32];
    for (float v : values) {
        std::snprintf(number, sizeof number, "%.6f;", v);
        text += number;
    }
    return text;
}

// One .x array: elements separated by ",", the last closed by ";".
template <class T, class F>
void PutArray(std::ofstream& out, const std::vector<T>& items, F format)
{
    out << items.size() << ";\n";
    for (size_t i = 0; i < items.size(); ++i) out << format(items[i]) << (i + 1 < items.size() ? ",\n" : ";\n");
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
    MakeParent(path);
    std::ofstream out(path);
    out << "xof 0303txt 0032\nMesh {\n";
    PutArray(out, mesh.positions, [](const D3DXVECTOR3& p) { return Floats({p.x, p.y, p.z}); });
    PutFaces(out, mesh);
    if (!mesh.normals.empty()) {
        out << "MeshNormals {\n";
        PutArray(out, mesh.normals, [](const D3DXVECTOR3& n) { return Floats({n.x, n.y, n.z}); });
        PutFaces(out, mesh);
        out << "}\n";
    }
    if (!mesh.uvs.empty()) {
        out << "MeshTextureCoords {\n";
        PutArray(out, mesh.uvs, [](const D3DXVECTOR2& t) { return Floats({t.x, t.y}); });
        out << "}\n";
    }
    out << "}\n";
}

XMesh TriangleStrip(int triangles)
{
    XMesh mesh;
    for (int i = 0; i < triangles + 2; ++i) {
        const float x = static_cast<float>(i / 2), z = static_cast<float>(i % 2);
        mesh.positions.push_back(D3DXVECTOR3(x, 0.0f, z));
        mesh.uvs.push_back(D3DXVECTOR2(x, z));
    }
    for (int i = 0; i < triangles; ++i) {
        const DWORD a = i, b = i + 1, c = i + 2;
        mesh.faces.push_back(i % 2 ? std::array<DWORD, 3>{a, c, b} : std::array<DWORD, 3>{a, b, c});
    }
    return mesh;
}

void WriteDds(const std::string& path, DWORD colour)
{
    MakeParent(path);
    std::ofstream out(path, std::ios::binary);
    out.write("DDS ", 4);
    DWORD header[31] = {124, 0x100F /* caps, height, width, pitch, pixel format */, ImageSize, ImageSize,
                        ImageSize * 4};
    const DWORD pixelFormat[8] = {32, 0x41 /* RGB with alpha */, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    std::copy(pixelFormat, pixelFormat + 8, header + 18);  // after depth, mip count and 11 reserved
    header[26] = 0x1000;                                   // a plain texture
    for (DWORD value : header) Put(out, value);
    for (UINT i = 0; i < ImageSize * ImageSize; ++i) Put(out, colour);
}

void WriteImage(const std::string& path, D3DXIMAGE_FILEFORMAT format, DWORD colour)
{
    MakeParent(path);
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTexture(Device, ImageSize, ImageSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return;
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
        for (UINT y = 0; y < ImageSize; ++y)
            for (UINT x = 0; x < ImageSize; ++x)
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] = colour;
        texture->UnlockRect(0);
    }
    D3DXSaveTextureToFileA(path.c_str(), format, texture, nullptr);
    texture->Release();
}

std::map<std::string, DWORD> WriteStandInContent(const std::set<std::string>& leaveOut)
{
    const char* meshes[] = {ContentPath::TigerMesh,   ContentPath::TurtleMesh, ContentPath::TurtleMeshB,
                            ContentPath::TerrainMesh, ContentPath::WaterMesh,  ContentPath::SkyMesh,
                            ContentPath::DinoMesh};
    for (int k = 0; k < 7; ++k)
        if (!leaveOut.count(meshes[k])) WriteXMesh(meshes[k], TriangleStrip(k + 1));

    const char* textures[] = {ContentPath::TigerTexture, ContentPath::WhiteSand,   ContentPath::TerrainHeightmap,
                              ContentPath::TurtleTextureB, ContentPath::TurtleTexture, ContentPath::WaterTexture,
                              ContentPath::WaterHeight,  ContentPath::WaterNormalHeight, ContentPath::Sky,
                              ContentPath::SkyStars,     ContentPath::Clouds,      ContentPath::Terrain1,
                              ContentPath::Terrain2,     ContentPath::Terrain3,    ContentPath::DinoBrown,
                              ContentPath::DinoOrange,   ContentPath::DinoBump};
    std::map<std::string, DWORD> colours;
    for (DWORD i = 0; i < sizeof textures / sizeof *textures; ++i) {
        const std::string path = textures[i];
        const DWORD colour = 0xFF000000 | ((i + 1) * 0x0B0D0F);
        colours[path] = colour;
        if (leaveOut.count(path)) continue;
        const std::string extension = fs::path(path).extension().string();
        if (extension == ".dds") WriteDds(path, colour);
        else WriteImage(path, extension == ".png" ? D3DXIFF_PNG : D3DXIFF_BMP, colour);
    }

    if (EffectsBuilt()) {
        fs::create_directories(fs::path(ContentPath::DefaultEffect).parent_path());
        for (const char* effect : {ContentPath::DefaultEffect, ContentPath::PostProcessEffect})
            fs::copy_file(fs::path(StartFolder()) / effect, effect, fs::copy_options::overwrite_existing);
    }
    return colours;
}
