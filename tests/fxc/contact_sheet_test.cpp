// Draws every technique on a small test scene of its own into
// screenshots/effects_contact_sheet.png for a person to look at. Top row: Default (checkered
// sphere), Default_NormalMapped (bumpy sphere), Copy (of the first cell). Bottom row: Terrain
// (island), Height (its height image), Water (over the island).
#include "content/content_paths.h"
#include "render/effect_names.h"
#include "tests/fxc/drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

constexpr int Cell = 256;
constexpr D3DCOLOR Sky = 0xFF4CCCFF;
constexpr float Pi = 3.14159265f;
using namespace DefaultFx;

struct Mesh {
    std::vector<PlainVertex> plain;
    std::vector<TangentVertex> tangent;
    Indices indices;
};

// A (columns + 1) x (rows + 1) grid of vertices from vertex(u, v), u and v in [0, 1].
Mesh Grid(int columns, int rows, const std::function<void(Mesh&, float, float)>& vertex)
{
    Mesh m;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c) vertex(m, float(c) / columns, float(r) / rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const uint16_t a = uint16_t(r * (columns + 1) + c), b = uint16_t(a + columns + 1);
            m.indices.insert(m.indices.end(), {a, b, uint16_t(a + 1), uint16_t(a + 1), b, uint16_t(b + 1)});
        }
    return m;
}

// U around the equator, V from pole to pole; dP/dU and dP/dV analytic.
Mesh Sphere()
{
    return Grid(32, 16, [](Mesh& m, float u, float v) {
        const float lon = u * 2 * Pi, lat = v * Pi, s = std::sin(lat), c = std::cos(lat);
        const D3DXVECTOR3 n(s * std::cos(lon), c, s * std::sin(lon)), p = n * 1.6f;
        const D3DXVECTOR3 du(-std::sin(lon), 0, std::cos(lon)), dv(c * std::cos(lon), -s, c * std::sin(lon));
        m.plain.push_back({p.x, p.y, p.z, n.x, n.y, n.z, u * 4, v * 2});
        m.tangent.push_back({p.x, p.y, p.z, u * 4, v * 2, n.x, n.y, n.z, dv.x, dv.y, dv.z, du.x, du.y, du.z});
    });
}

float IslandHeight(float x, float z)
{
    return 5.8f * std::exp(-(x * x + z * z) / 30.0f) - 1.5f + 0.35f * std::sin(x * 0.9f) * std::cos(z * 0.7f);
}

// The island over x, z in [-16, 16] (the height camera's view); the water plane over it.
Mesh Island()
{
    return Grid(48, 48, [](Mesh& m, float u, float v) {
        const float x = 32 * u - 16, z = 32 * v - 16, e = 0.05f;
        D3DXVECTOR3 n(IslandHeight(x - e, z) - IslandHeight(x + e, z), 2 * e,
                      IslandHeight(x, z - e) - IslandHeight(x, z + e));
        D3DXVec3Normalize(&n, &n);
        m.plain.push_back({x, IslandHeight(x, z), z, n.x, n.y, n.z, x / 4, z / 4});
    });
}

Mesh Water()
{
    return Grid(32, 32, [](Mesh& m, float u, float v) {
        m.tangent.push_back({32 * u - 16, 0, 32 * v - 16, 32 * u, 32 * v, 0, 1, 0, 0, 0, 1, 1, 0, 0});
    });
}

DWORD Rgb(float r, float g, float b, float a = 1)
{
    auto byte = [](float v) { return DWORD(std::lround(std::min(1.0f, std::max(0.0f, v)) * 255)); };
    return byte(a) << 24 | byte(r) << 16 | byte(g) << 8 | byte(b);
}

float Noise(int x, int y)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    return float(((h ^ (h >> 13)) * 1274126177u) & 0xFFFF) / 65535.0f;
}

D3DXMATRIX PerspectiveViewProj(const D3DXVECTOR3& eye, const D3DXVECTOR3& at, D3DXMATRIX* view = nullptr)
{
    D3DXMATRIX v, projection;
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(view ? view : &v, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, Pi / 3, 1, 0.5f, 200);
    return *(view ? view : &v) * projection;
}

class ContactSheet : public EffectTest {
protected:
    ID3DXEffect* post = LoadEffect(ContentPath::PostProcessEffect);
    Target cells[6], reflection;
    Mesh sphere = Sphere(), island = Island(), water = Water();

    void TearDown() override
    {
        for (Target& t : cells) ReleaseTarget(t);
        ReleaseTarget(reflection);
        if (post) post->Release();
        EffectTest::TearDown();
    }
    IDirect3DTexture9* Texture(int size, const std::function<DWORD(float, float, int, int)>& texel)
    {
        std::vector<DWORD> pixels;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) pixels.push_back(texel((x + 0.5f) / size, (y + 0.5f) / size, x, y));
        return Own(MakeTexture(d, size, size, pixels));
    }
    IDirect3DTexture9* Speckled(float r, float g, float b)
    {
        return Texture(64, [=](float, float, int x, int y) {
            const float k = 0.8f + 0.35f * Noise(x, y);
            return Rgb(r * k, g * k, b * k);
        });
    }
    // Tangent-space normal map of height h(u, v): red along U, green along V, alpha = height.
    IDirect3DTexture9* NormalMap(int size, float strength, const std::function<float(float, float)>& h)
    {
        return Texture(size, [=](float u, float v, int, int) {
            const float e = 1.0f / size;
            D3DXVECTOR3 n((h(u - e, v) - h(u + e, v)) * strength, (h(u, v - e) - h(u, v + e)) * strength, 2 * e);
            D3DXVec3Normalize(&n, &n);
            return Rgb(n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f, h(u, v));
        });
    }
    void Material(IDirect3DTexture9* texture, float power, D3DXVECTOR4 specular)
    {
        fx->SetTexture(DefaultFx::Texture.name, texture);
        fx->SetFloat(SpecPower.name, power);
        fx->SetVector(SpecColor.name, &specular);
    }
    // Eye and view for the lighting; viewProj (a mirrored or the height camera's one) for the vertices.
    void Camera(D3DXVECTOR3 eye, D3DXVECTOR3 at, const D3DXMATRIX* viewProj = nullptr)
    {
        D3DXMATRIX view;
        const D3DXMATRIX world = Identity(), product = PerspectiveViewProj(eye, at, &view);
        const D3DXVECTOR4 size(Cell, Cell, 0, 0);
        fx->SetValue(CameraPosition.name, &eye, 12);
        fx->SetMatrix(View.name, &view);
        fx->SetMatrix(DefaultFx::ViewProj.name, viewProj ? viewProj : &product);
        fx->SetMatrix(DefaultFx::World.name, &world);
        fx->SetVector(SourceSize.name, &size);
    }
    template <class Vertex>
    void Draw(const Target& target, const char* technique, const std::vector<Vertex>& vertices,
              const Indices& indices, D3DCOLOR clear = Sky)
    {
        BeginTarget(d, target, clear);
        WithTechnique(fx, technique, [&] { DrawMesh(vertices, indices); });
    }
    void DrawSpheres();
    void DrawTerrainAndWater();
};

void ContactSheet::DrawSpheres()
{
    Camera({0, 1.5f, -4.5f}, {0, 0, 0});
    Material(Texture(128, [](float, float, int x, int y) {
        return ((x / 16 + y / 16) & 1) ? Rgb(0.95f, 0.55f, 0.15f) : Rgb(0.95f, 0.95f, 0.9f);
    }), 30, {0.6f, 0.6f, 0.6f, 1});
    Draw(cells[0], TechniqueDefault, sphere.plain, sphere.indices);
    fx->SetTexture(NormalHeightMap.name, NormalMap(128, 0.12f, [](float u, float v) {
        return 0.5f + 0.5f * std::sin(u * 2 * Pi * 6) * std::sin(v * 2 * Pi * 6);
    }));
    Material(Speckled(0.55f, 0.4f, 0.25f), 20, {0.5f, 0.5f, 0.5f, 1});
    Draw(cells[1], TechniqueNormalMapped, sphere.tangent, sphere.indices);
}

// As the frame does: height image, mirrored terrain clipped below y = -0.07, terrain, water.
void ContactSheet::DrawTerrainAndWater()
{
    const D3DXVECTOR3 eye(-9, 3.5f, -16), at(0, 1, 0);
    const D3DXMATRIX heightViewProj = HeightViewProjection(), viewProj = PerspectiveViewProj(eye, at);
    const std::pair<EffectParam, D3DXVECTOR3> layers[] = {{Terrain0, {0.86f, 0.78f, 0.56f}},
                                                          {Terrain1, {0.30f, 0.55f, 0.20f}},
                                                          {Terrain2, {0.50f, 0.48f, 0.45f}},
                                                          {Terrain3, {0.95f, 0.96f, 0.98f}}};
    for (const auto& [layer, c] : layers) fx->SetTexture(layer.name, Speckled(c.x, c.y, c.z));
    Material(Speckled(0.80f, 0.70f, 0.48f), 12, {0.1f, 0.1f, 0.1f, 1});
    Camera(eye, at, &heightViewProj);
    Draw(cells[4], TechniqueHeight, island.plain, island.indices, 0xFF000000);
    fx->SetTexture(TerrainHeight.name, cells[4].texture);
    fx->SetMatrix(HeightViewProj.name, &heightViewProj);

    D3DXMATRIX mirror, inverse, clip;
    D3DXPLANE clipPlane;
    const D3DXPLANE surface(0, 1, 0, 0), keep(0, -1, 0, 0.07f);
    D3DXMatrixReflect(&mirror, &surface);
    const D3DXMATRIX mirrored = mirror * viewProj;
    D3DXMatrixTranspose(&clip, D3DXMatrixInverse(&inverse, nullptr, &viewProj));
    d->SetClipPlane(0, *D3DXPlaneTransform(&clipPlane, &keep, &clip));
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
    Camera(eye, at, &mirrored);
    Draw(reflection, TechniqueTerrain, island.plain, island.indices);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    Camera(eye, at);
    Draw(cells[3], TechniqueTerrain, island.plain, island.indices);
    Draw(cells[5], TechniqueTerrain, island.plain, island.indices);

    auto waves = [](float u, float v) {
        return 0.5f + 0.25f * std::sin((u * 3 + v) * 2 * Pi) + 0.25f * std::sin((v * 4 - u * 2) * 2 * Pi);
    };
    fx->SetTexture(NormalHeightMap.name, NormalMap(64, 0.08f, waves));
    fx->SetTexture(DisplacementMap.name, Texture(64, [&](float u, float v, int, int) {
        return Rgb(waves(u, v), waves(u, v), waves(u, v));
    }));
    fx->SetTexture(FoamTexture.name, Texture(64, [](float, float, int x, int y) {
        const float n = Noise(x, y) * 0.5f + Noise(x / 4, y / 4) * 0.5f;
        return Rgb(n, n, n);
    }));
    Material(Texture(16, [](float, float, int, int) { return Rgb(0.55f, 0.8f, 0.78f); }), 25, {0.62f, 0.62f, 0.32f, 1});
    fx->SetFloat(AccumulatedTime.name, 3.0f);
    fx->SetTexture(WaterReflection.name, reflection.texture);
    fx->SetTexture(WaterRefraction.name, cells[3].texture);
    WithTechnique(fx, TechniqueWater, [&] { DrawMesh(water.tangent, water.indices); });
}

}  // namespace

TEST_F(ContactSheet, EveryTechniqueDrawnOnATestScene)
{
    ASSERT_NE(post, nullptr);
    for (Target& t : cells) t = MakeTarget(d, Cell, Cell);
    reflection = MakeTarget(d, Cell, Cell);
    DrawSpheres();
    DrawTerrainAndWater();
    BeginTarget(d, cells[2], 0xFF000000);
    SpriteCopy(post, cells[0].texture);
    Target sheet = MakeTarget(d, Cell * 3, Cell * 2);
    for (int i = 0; i < 6; ++i) {
        EXPECT_NE(ReadPixels(d, cells[i].surface)[Cell * Cell / 2 + Cell / 2], i == 4 ? 0xFF000000u : Sky)
            << "cell " << i << " shows only its clear colour in the middle";
        const RECT to = {(i % 3) * Cell, (i / 3) * Cell, (i % 3 + 1) * Cell, (i / 3 + 1) * Cell};
        d->StretchRect(cells[i].surface, nullptr, sheet.surface, &to, D3DTEXF_NONE);
    }
    EXPECT_TRUE(SaveScreenshot(sheet.surface, "effects_contact_sheet.png"));
    ReleaseTarget(sheet);
}
