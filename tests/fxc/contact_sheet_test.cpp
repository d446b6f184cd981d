// Draws every technique on a small test scene of its own and writes
// screenshots/effects_contact_sheet.png (under the build folder) for a person to look at.
// Top row: Default (checkered sphere), Default_NormalMapped (bumpy sphere), Copy (of the first
// cell). Bottom row: Terrain (island), Height (its height image), Water (over the island).
#include "device.h"
#include "render/effect_names.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

constexpr int Cell = 256;
constexpr D3DCOLOR Sky = 0xFF4CCCFF;
constexpr float Pi = 3.14159265f;

struct Mesh {
    std::vector<PlainVertex> plain;
    std::vector<TangentVertex> tangent;
    std::vector<uint16_t> indices;
};

void GridIndices(Mesh& m, int columns, int rows)
{
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            uint16_t a = uint16_t(r * (columns + 1) + c), b = uint16_t(a + columns + 1);
            m.indices.insert(m.indices.end(), {a, b, uint16_t(a + 1), uint16_t(a + 1), b, uint16_t(b + 1)});
        }
}

// Sphere with U around the equator and V from pole to pole; dP/dU and dP/dV analytic.
Mesh Sphere(float radius)
{
    Mesh m;
    const int columns = 32, rows = 16;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c) {
            float u = float(c) / columns, v = float(r) / rows, lon = u * 2 * Pi, lat = v * Pi;
            D3DXVECTOR3 n(std::sin(lat) * std::cos(lon), std::cos(lat), std::sin(lat) * std::sin(lon));
            D3DXVECTOR3 du(-std::sin(lon), 0, std::cos(lon)), dv(std::cos(lat) * std::cos(lon), -std::sin(lat),
                                                                   std::cos(lat) * std::sin(lon));
            D3DXVECTOR3 p = n * radius;
            m.plain.push_back({p.x, p.y, p.z, n.x, n.y, n.z, u * 4, v * 2});
            m.tangent.push_back({p.x, p.y, p.z, u * 4, v * 2, n.x, n.y, n.z, dv.x, dv.y, dv.z, du.x, du.y, du.z});
        }
    GridIndices(m, columns, rows);
    return m;
}

float IslandHeight(float x, float z)
{
    return 5.8f * std::exp(-(x * x + z * z) / 30.0f) - 1.5f + 0.35f * std::sin(x * 0.9f) * std::cos(z * 0.7f);
}

// Heightfield over x, z in [-16, 16], the height camera's view.
Mesh Island()
{
    Mesh m;
    const int cells = 48;
    for (int r = 0; r <= cells; ++r)
        for (int c = 0; c <= cells; ++c) {
            float x = -16 + 32.0f * c / cells, z = -16 + 32.0f * r / cells, e = 0.05f;
            D3DXVECTOR3 n(IslandHeight(x - e, z) - IslandHeight(x + e, z), 2 * e,
                          IslandHeight(x, z - e) - IslandHeight(x, z + e));
            D3DXVec3Normalize(&n, &n);
            m.plain.push_back({x, IslandHeight(x, z), z, n.x, n.y, n.z, x / 4, z / 4});
        }
    GridIndices(m, cells, cells);
    return m;
}

Mesh WaterGrid()
{
    Mesh m;
    const int cells = 32;
    for (int r = 0; r <= cells; ++r)
        for (int c = 0; c <= cells; ++c) {
            float x = -16 + 32.0f * c / cells, z = -16 + 32.0f * r / cells;
            m.tangent.push_back({x, 0, z, float(c), float(r), 0, 1, 0, 0, 0, 1, 1, 0, 0});
        }
    GridIndices(m, cells, cells);
    return m;
}

uint32_t Rgb(float r, float g, float b, float a = 1)
{
    auto byte = [](float v) { return uint32_t(std::lround(std::min(1.0f, std::max(0.0f, v)) * 255)); };
    return byte(a) << 24 | byte(r) << 16 | byte(g) << 8 | byte(b);
}

float Noise(int x, int y)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float(h & 0xFFFF) / 65535.0f;
}

IDirect3DTexture9* Procedural(TestDevice& d, int size, const std::function<uint32_t(int, int)>& texel)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) pixels.push_back(texel(x, y));
    return MakeTexture(d, size, size, pixels);
}

IDirect3DTexture9* Speckled(TestDevice& d, float r, float g, float b)
{
    return Procedural(d, 64, [=](int x, int y) {
        float k = 0.8f + 0.35f * Noise(x, y);
        return Rgb(r * k, g * k, b * k);
    });
}

// Tangent-space normal map of height h(u, v): red along U, green along V, alpha = height.
IDirect3DTexture9* NormalMap(TestDevice& d, int size, const std::function<float(float, float)>& h, float strength)
{
    return Procedural(d, size, [=](int x, int y) {
        float u = (x + 0.5f) / size, v = (y + 0.5f) / size, e = 1.0f / size;
        D3DXVECTOR3 n((h(u - e, v) - h(u + e, v)) * strength, (h(u, v - e) - h(u, v + e)) * strength, 2 * e);
        D3DXVec3Normalize(&n, &n);
        return Rgb(n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f, h(u, v));
    });
}

struct Camera {
    D3DXMATRIX view, projection, viewProj;
    D3DXVECTOR3 eye;
};

Camera LookAt(D3DXVECTOR3 eye, D3DXVECTOR3 at)
{
    Camera c;
    c.eye = eye;
    D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&c.view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&c.projection, Pi / 3, 1, 0.5f, 200);
    c.viewProj = c.view * c.projection;
    return c;
}

void SetCamera(ID3DXEffect* e, const Camera& c, const D3DXMATRIX& viewProj)
{
    e->SetValue(DefaultFx::CameraPosition.name, &c.eye, 12);
    e->SetMatrix(DefaultFx::ViewProj.name, &viewProj);
    e->SetMatrix(DefaultFx::View.name, &c.view);
    D3DXVECTOR4 size(Cell, Cell, 0, 0);
    e->SetVector(DefaultFx::SourceSize.name, &size);
}

void SetMaterial(ID3DXEffect* e, IDirect3DTexture9* texture, float power, D3DXVECTOR4 specular)
{
    D3DXMATRIX world = Identity();
    e->SetTexture(DefaultFx::Texture.name, texture);
    e->SetFloat(DefaultFx::SpecPower.name, power);
    e->SetVector(DefaultFx::SpecColor.name, &specular);
    e->SetMatrix(DefaultFx::World.name, &world);
}

struct Sheet {
    TestDevice& d;
    ID3DXEffect* fx;
    ID3DXEffect* post;
    Target cells[6];
    Target reflection;
    Mesh sphere = Sphere(1.6f), island = Island(), water = WaterGrid();
    std::vector<IDirect3DTexture9*> textures;

    IDirect3DTexture9* Keep(IDirect3DTexture9* t)
    {
        textures.push_back(t);
        return t;
    }
};

void DrawSpheres(Sheet& s)
{
    Camera cam = LookAt({0, 1.5f, -4.5f}, {0, 0, 0});
    SetCamera(s.fx, cam, cam.viewProj);
    IDirect3DTexture9* checker = s.Keep(Procedural(s.d, 128, [](int x, int y) {
        return ((x / 16 + y / 16) & 1) ? Rgb(0.95f, 0.55f, 0.15f) : Rgb(0.95f, 0.95f, 0.9f);
    }));
    SetMaterial(s.fx, checker, 30, {0.6f, 0.6f, 0.6f, 1});
    BeginTarget(s.d, s.cells[0], Sky);
    WithTechnique(s.fx, DefaultFx::TechniqueDefault, [&] { DrawPlain(s.d, s.sphere.plain, s.sphere.indices); });
    s.fx->SetTexture(DefaultFx::NormalHeightMap.name, s.Keep(NormalMap(s.d, 128, [](float u, float v) {
        return 0.5f + 0.5f * std::sin(u * 2 * Pi * 6) * std::sin(v * 2 * Pi * 6);
    }, 0.12f)));
    SetMaterial(s.fx, s.Keep(Speckled(s.d, 0.55f, 0.4f, 0.25f)), 20, {0.5f, 0.5f, 0.5f, 1});
    BeginTarget(s.d, s.cells[1], Sky);
    WithTechnique(s.fx, DefaultFx::TechniqueNormalMapped, [&] { DrawTangent(s.d, s.sphere.tangent, s.sphere.indices); });
}

void BindTerrainLayers(Sheet& s)
{
    s.fx->SetTexture(DefaultFx::Terrain0.name, s.Keep(Speckled(s.d, 0.86f, 0.78f, 0.56f)));
    s.fx->SetTexture(DefaultFx::Terrain1.name, s.Keep(Speckled(s.d, 0.30f, 0.55f, 0.20f)));
    s.fx->SetTexture(DefaultFx::Terrain2.name, s.Keep(Speckled(s.d, 0.50f, 0.48f, 0.45f)));
    s.fx->SetTexture(DefaultFx::Terrain3.name, s.Keep(Speckled(s.d, 0.95f, 0.96f, 0.98f)));
    SetMaterial(s.fx, s.Keep(Speckled(s.d, 0.80f, 0.70f, 0.48f)), 12, {0.1f, 0.1f, 0.1f, 1});
}

void DrawIsland(Sheet& s, const Target& target, const D3DXMATRIX& viewProj, const char* technique)
{
    D3DXMATRIX world = Identity();
    s.fx->SetMatrix(DefaultFx::World.name, &world);
    s.fx->SetMatrix(DefaultFx::ViewProj.name, &viewProj);
    BeginTarget(s.d, target, technique == DefaultFx::TechniqueHeight ? 0xFF000000 : Sky);
    WithTechnique(s.fx, technique, [&] { DrawPlain(s.d, s.island.plain, s.island.indices); });
}

// As the frame does: the mirrored view, with a clip plane keeping what is above y = -0.07.
void DrawReflection(Sheet& s, const Camera& cam)
{
    D3DXMATRIX mirror, clip, inverse;
    D3DXPLANE water(0, 1, 0, 0), keep(0, -1, 0, 0.07f), clipPlane;
    D3DXMatrixReflect(&mirror, &water);
    D3DXMatrixInverse(&inverse, nullptr, &cam.viewProj);
    D3DXMatrixTranspose(&clip, &inverse);
    D3DXPlaneTransform(&clipPlane, &keep, &clip);
    s.d.device->SetClipPlane(0, clipPlane);
    s.d.device->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
    DrawIsland(s, s.reflection, mirror * cam.viewProj, DefaultFx::TechniqueTerrain);
    s.d.device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
}

void BindWaterMaterial(Sheet& s)
{
    auto waves = [](float u, float v) {
        return 0.5f + 0.25f * std::sin((u * 3 + v) * 2 * Pi) + 0.25f * std::sin((v * 4 - u * 2) * 2 * Pi);
    };
    s.fx->SetTexture(DefaultFx::NormalHeightMap.name, s.Keep(NormalMap(s.d, 64, waves, 0.08f)));
    s.fx->SetTexture(DefaultFx::DisplacementMap.name, s.Keep(Procedural(s.d, 64, [&](int x, int y) {
        float h = waves(x / 64.0f, y / 64.0f);
        return Rgb(h, h, h);
    })));
    s.fx->SetTexture(DefaultFx::FoamTexture.name, s.Keep(Procedural(s.d, 64, [](int x, int y) {
        float n = Noise(x, y) * 0.5f + Noise(x / 4, y / 4) * 0.5f;
        return Rgb(n, n, n);
    })));
    SetMaterial(s.fx, s.Keep(Procedural(s.d, 16, [](int, int) { return Rgb(0.55f, 0.8f, 0.78f); })), 25,
                {0.62f, 0.62f, 0.32f, 1});
    s.fx->SetFloat(DefaultFx::AccumulatedTime.name, 3.0f);
}

void DrawTerrainAndWater(Sheet& s)
{
    Camera cam = LookAt({-9, 3.5f, -16}, {0, 1, 0});
    D3DXMATRIX heightViewProj = HeightViewProjection();
    SetCamera(s.fx, cam, cam.viewProj);
    BindTerrainLayers(s);
    DrawIsland(s, s.cells[4], heightViewProj, DefaultFx::TechniqueHeight);
    s.fx->SetTexture(DefaultFx::TerrainHeight.name, s.cells[4].texture);
    s.fx->SetMatrix(DefaultFx::HeightViewProj.name, &heightViewProj);
    DrawReflection(s, cam);
    DrawIsland(s, s.cells[3], cam.viewProj, DefaultFx::TechniqueTerrain);
    DrawIsland(s, s.cells[5], cam.viewProj, DefaultFx::TechniqueTerrain);
    BindWaterMaterial(s);
    s.fx->SetTexture(DefaultFx::WaterReflection.name, s.reflection.texture);
    s.fx->SetTexture(DefaultFx::WaterRefraction.name, s.cells[3].texture);
    D3DXMATRIX world = Identity();
    s.fx->SetMatrix(DefaultFx::World.name, &world);
    s.fx->SetMatrix(DefaultFx::ViewProj.name, &cam.viewProj);
    WithTechnique(s.fx, DefaultFx::TechniqueWater, [&] { DrawTangent(s.d, s.water.tangent, s.water.indices); });
}

void DrawCopy(Sheet& s)
{
    ID3DXSprite* sprite = nullptr;
    D3DXCreateSprite(s.d.device, &sprite);
    BeginTarget(s.d, s.cells[2], 0xFF000000);
    s.d.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    s.post->SetTechnique(PostFx::TechniqueCopy);
    sprite->Begin(D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_SORT_TEXTURE);
    WithTechnique(s.post, PostFx::TechniqueCopy, [&] {
        sprite->Draw(s.cells[0].texture, nullptr, nullptr, nullptr, 0xFFFFFFFF);
        sprite->Flush();
    });
    sprite->End();
    s.d.device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    sprite->Release();
}

bool SaveSheet(Sheet& s, const char* path)
{
    IDirect3DSurface9* sheet = nullptr;
    if (FAILED(s.d.device->CreateRenderTarget(Cell * 3, Cell * 2, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &sheet,
                                              nullptr)))
        return false;
    for (int i = 0; i < 6; ++i) {
        IDirect3DSurface9* cell = nullptr;
        s.cells[i].texture->GetSurfaceLevel(0, &cell);
        RECT to = {(i % 3) * Cell, (i / 3) * Cell, (i % 3 + 1) * Cell, (i / 3 + 1) * Cell};
        s.d.device->StretchRect(cell, nullptr, sheet, &to, D3DTEXF_NONE);
        cell->Release();
    }
    CreateDirectoryA("screenshots", nullptr);
    HRESULT hr = D3DXSaveSurfaceToFileA(path, D3DXIFF_PNG, sheet, nullptr, nullptr);
    sheet->Release();
    return SUCCEEDED(hr);
}

}  // namespace

TEST(ContactSheet, EveryTechniqueDrawnOnATestScene)
{
    TestDevice& d = SharedDevice();
    ASSERT_NE(d.device, nullptr);
    Sheet s{d, LoadEffect(d, "Content/Shaders/Default.fx"), LoadEffect(d, "Content/Shaders/PostProcess.fx"), {}, {},
            Sphere(1.6f), Island(), WaterGrid(), {}};
    ASSERT_NE(s.fx, nullptr);
    ASSERT_NE(s.post, nullptr);
    for (Target& t : s.cells) t = MakeTarget(d, Cell);
    s.reflection = MakeTarget(d, Cell);
    d.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    DrawSpheres(s);
    DrawTerrainAndWater(s);
    DrawCopy(s);
    // Each cell shows something other than its clear colour in its middle.
    for (int i = 0; i < 6; ++i) {
        std::vector<uint32_t> pixels = ReadTarget(d, s.cells[i]);
        EXPECT_NE(pixels[Cell * Cell / 2 + Cell / 2], i == 4 ? 0xFF000000u : Sky) << "cell " << i;
    }
    EXPECT_TRUE(SaveSheet(s, "screenshots/effects_contact_sheet.png"));
    for (IDirect3DTexture9* t : s.textures) t->Release();
    for (Target& t : s.cells) ReleaseTarget(t);
    ReleaseTarget(s.reflection);
    s.fx->Release();
    s.post->Release();
}
