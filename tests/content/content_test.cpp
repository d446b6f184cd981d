// Loads every content file with the platform's own loaders and checks what the scene relies
// on: vertex formats, the dinosaur's subsets, tile extents and seams, where the models stand,
// texture formats, tiling and normal-map conventions; then the builder's own behaviour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "content/content_paths.h"
#include "render/renderer.h"
#include "tests/content/content_support.h"

namespace {

using namespace ContentPath;
namespace fs = std::filesystem;

const DWORD PosNormalTex = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
const DWORD PosTex = D3DFVF_XYZ | D3DFVF_TEX1;                        // 0x102

struct Bounds {
    D3DXVECTOR3 lo, hi;
};
Bounds BoundsOf(const std::vector<D3DXVECTOR3>& points)
{
    Bounds b{points[0], points[0]};
    for (const D3DXVECTOR3& p : points) {
        D3DXVec3Minimize(&b.lo, &b.lo, &p);
        D3DXVec3Maximize(&b.hi, &b.hi, &p);
    }
    return b;
}

std::vector<D3DXVECTOR3> Placed(const std::vector<D3DXVECTOR3>& points, const D3DXMATRIX& world)
{
    std::vector<D3DXVECTOR3> out(points.size());
    for (size_t i = 0; i < points.size(); ++i) D3DXVec3TransformCoord(&out[i], &points[i], &world);
    return out;
}

// Meshes with normals are used as loaded, and theirs must agree with the ones D3DX derives from
// the winding (faces right way out); the others are rebuilt by the loader, so every vertex must
// get a derivable normal.
TEST(ContentMeshes, EveryMeshLoadsWithTheNormalsItsLoadPathNeeds)
{
    ASSERT_NE(SharedTestDevice(), nullptr);
    const struct { const char* path; DWORD fvf; double minMeanDot; } meshes[] = {
        {TerrainMesh, PosNormalTex, 0.99}, {TurtleMesh, PosNormalTex, 0.95}, {TurtleMeshB, PosNormalTex, 0.95},
        {WaterMesh, PosTex, 0}, {DinoMesh, PosTex, 0}, {TigerMesh, 0, 0}, {SkyMesh, 0, 0}};
    for (const auto& m : meshes) {
        LoadedMesh loaded = ReadMesh(m.path);
        ASSERT_EQ(loaded.hr, D3D_OK) << m.path;
        EXPECT_GT(loaded.mesh->GetNumFaces(), 0u) << m.path;
        if (!m.fvf) continue;
        EXPECT_EQ(loaded.mesh->GetFVF(), m.fvf) << m.path;
        Com<ID3DXMesh> file, derived;
        ASSERT_EQ(loaded.mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, PosNormalTex, SharedTestDevice(), &file.p), D3D_OK);
        ASSERT_EQ(file->CloneMeshFVF(D3DXMESH_SYSTEMMEM, PosNormalTex, SharedTestDevice(), &derived.p), D3D_OK);
        ASSERT_EQ(D3DXComputeNormals(derived.p, nullptr), D3D_OK);
        struct V { D3DXVECTOR3 p, n; float u, v; } *a = nullptr, *b = nullptr;  // as loaded, as derived
        file->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&a));
        derived->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&b));
        double dots = 0;
        int notUnit = 0;
        for (DWORD i = 0; i < file->GetNumVertices(); ++i) {
            dots += D3DXVec3Dot(&a[i].n, &b[i].n);
            notUnit += !(std::fabs(D3DXVec3Length(&b[i].n) - 1) < 1e-3f);
        }
        derived->UnlockVertexBuffer();
        file->UnlockVertexBuffer();
        if (m.minMeanDot > 0) EXPECT_GT(dots / file->GetNumVertices(), m.minMeanDot) << m.path;
        else EXPECT_EQ(notUnit, 0) << m.path << ": vertices without a derivable normal";
    }
    // The water faces up: every face's winding gives +y.
    LoadedMesh water = ReadMesh(WaterMesh);
    const std::vector<D3DXVECTOR3> p = Positions(water.mesh.p);
    const std::vector<DWORD> idx = Indices(water.mesh.p);
    for (size_t f = 0; f + 2 < idx.size(); f += 3) {
        D3DXVECTOR3 e1 = p[idx[f + 1]] - p[idx[f]], e2 = p[idx[f + 2]] - p[idx[f]], n;
        ASSERT_GT(D3DXVec3Cross(&n, &e1, &e2)->y, 0.0f) << "water face " << f / 3 << " faces down";
    }
}

TEST(ContentMeshes, DinosaurHasNineSubsetsCoveringEveryFaceAndFacesMinusZ)
{
    LoadedMesh dino = ReadMesh(DinoMesh);
    ASSERT_TRUE(dino.mesh.p);
    EXPECT_EQ(dino.materials, 9u);
    const std::vector<DWORD> attributes = Attributes(dino.mesh.p), idx = Indices(dino.mesh.p);
    const std::vector<D3DXVECTOR3> p = Positions(dino.mesh.p);
    ASSERT_EQ(attributes.size(), dino.mesh->GetNumFaces());
    std::vector<int> faces(9, 0);
    std::vector<float> z(9, 0);
    for (size_t f = 0; f < attributes.size(); ++f) {
        ASSERT_LT(attributes[f], 9u) << "face " << f << " is drawn by no DrawSubset(0..8)";
        ++faces[attributes[f]];
        z[attributes[f]] += p[idx[3 * f]].z;
    }
    for (int s = 0; s < 9; ++s) EXPECT_GT(faces[s], 0) << "subset " << s;
    const Bounds b = BoundsOf(p);
    EXPECT_NEAR(b.lo.y, 0.0f, 1e-4f) << "feet at model y = 0";
    EXPECT_GT(b.hi.y, 0.8f);
    EXPECT_LT(b.hi.y, 1.2f);
    // The eyes (subset 7) sit ahead of the body (subset 0): the nose points to -Z.
    EXPECT_LT(z[7] / faces[7], z[0] / faces[0] - 0.3f);
}

TEST(ContentMeshes, TerrainAndWaterTilesMeetExactlyAndTheTerrainCrossesTheWater)
{
    LoadedMesh terrain = ReadMesh(TerrainMesh), water = ReadMesh(WaterMesh);
    ASSERT_TRUE(terrain.mesh.p && water.mesh.p);
    const std::vector<D3DXVECTOR3> t = Positions(terrain.mesh.p);
    const Bounds tb = BoundsOf(t), wb = BoundsOf(Positions(water.mesh.p));
    EXPECT_TRUE(tb.lo.x == -25 && tb.lo.z == -25 && tb.hi.x == 25 && tb.hi.z == 25);
    EXPECT_TRUE(wb.lo.x == -12.5f && wb.lo.z == -12.5f && wb.hi.x == 12.5f && wb.hi.z == 12.5f);
    EXPECT_TRUE(wb.lo.y == 0 && wb.hi.y == 0);
    // Placed by the viewer, the four tiles cover [-15, 15] in x and z without gap or overlap.
    const std::vector<RenderObject*> scene = ViewerScene();
    for (int i = 0; i < 4; ++i) {
        const Bounds placed = BoundsOf(Placed({tb.lo, tb.hi}, scene[i]->world));
        EXPECT_NEAR(placed.lo.x, i % 2 ? 0 : -15, 1e-4f) << "tile " << i;
        EXPECT_NEAR(placed.hi.x, i % 2 ? 15 : 0, 1e-4f) << "tile " << i;
        EXPECT_NEAR(placed.lo.z, i / 2 ? 0 : -15, 1e-4f) << "tile " << i;
        EXPECT_NEAR(placed.hi.z, i / 2 ? 15 : 0, 1e-4f) << "tile " << i;
    }
    // Opposite edges carry the same heights, so neighbouring copies join without a step.
    int pairs = 0;
    float worst = 0;
    for (const D3DXVECTOR3& a : t)
        for (const D3DXVECTOR3& b : t)
            if ((a.x == -25 && b.x == 25 && a.z == b.z) || (a.z == -25 && b.z == 25 && a.x == b.x)) {
                ++pairs;
                worst = std::max(worst, std::fabs(a.y - b.y));
            }
    EXPECT_GT(pairs, 100);
    EXPECT_LT(worst, 1e-3f) << "edge height mismatch (model units)";
    // Placed, the heights give sea, shallows, shore and dry land.
    int deep = 0, shallow = 0, shore = 0, dry = 0;
    for (const D3DXVECTOR3& p : Placed(t, scene[0]->world)) {
        deep += p.y < -1.0f;
        shallow += p.y >= -1.0f && p.y < 0.0f;
        shore += p.y >= 0.0f && p.y < 0.3f;
        dry += p.y >= 1.0f;
    }
    const int n = int(t.size());
    std::printf("terrain: %d%% deep, %d%% shallow, %d%% shore, %d%% above 1\n", 100 * deep / n, 100 * shallow / n,
                100 * shore / n, 100 * dry / n);
    EXPECT_TRUE(deep > n / 10 && shallow > n / 20 && shore > n / 50 && dry > n / 20);
}

// Both dinosaurs' feet (model y = 0) rest on dry ground and no part of them sinks into it; the
// turtle swims under the water clear of the sea floor.
TEST(ContentScene, ModelsStandOnTheGroundAndTheTurtleSwims)
{
    LoadedMesh terrain = ReadMesh(TerrainMesh), dino = ReadMesh(DinoMesh), turtle = ReadMesh(TurtleMesh);
    ASSERT_TRUE(terrain.mesh.p && dino.mesh.p && turtle.mesh.p);
    const Ground ground(terrain.mesh.p);
    const std::vector<RenderObject*> scene = ViewerScene();
    const std::vector<D3DXVECTOR3> model = Positions(dino.mesh.p);
    for (int which : {20, 21}) {
        const std::vector<D3DXVECTOR3> placed = Placed(model, scene[which]->world);
        float worstFoot = 0, deepest = 0;
        int feet = 0;
        for (size_t i = 0; i < placed.size(); ++i) {
            float y = 0;
            ASSERT_TRUE(ground.HeightAt(placed[i].x, placed[i].z, y)) << "dinosaur " << which;
            if (model[i].y < 1e-3f) {
                ++feet;
                worstFoot = std::max(worstFoot, std::fabs(placed[i].y - y));
                EXPECT_GT(y, 0.1f) << "dinosaur " << which << ": a foot stands in the water";
            }
            deepest = std::max(deepest, y - placed[i].y);
        }
        std::printf("dinosaur %d: %d feet vertices, worst foot %.4f, deepest %.4f\n", which, feet, worstFoot, deepest);
        EXPECT_GE(feet, 4);
        EXPECT_LT(worstFoot, 0.01f) << "dinosaur " << which;
        EXPECT_LT(deepest, 0.01f) << "dinosaur " << which;
    }
    const Bounds mb = BoundsOf(Positions(turtle.mesh.p));
    EXPECT_TRUE(mb.hi.z - mb.lo.z >= 100 && mb.hi.z - mb.lo.z <= 200) << "turtle length " << mb.hi.z - mb.lo.z;
    float floorAtTurtle = 0, clearance = 1e9f, top = -1e9f;
    ASSERT_TRUE(ground.HeightAt(scene[22]->world._41, scene[22]->world._43, floorAtTurtle));
    EXPECT_LT(floorAtTurtle, -0.7f);
    for (const D3DXVECTOR3& p : Placed(Positions(turtle.mesh.p), scene[22]->world)) {
        float y = 0;
        ASSERT_TRUE(ground.HeightAt(p.x, p.z, y));
        clearance = std::min(clearance, p.y - y);
        top = std::max(top, p.y);
    }
    std::printf("turtle: floor %.3f under it, clearance %.3f, top %.3f\n", floorAtTurtle, clearance, top);
    EXPECT_GT(clearance, 0.0f) << "the turtle cuts into the sea floor";
    EXPECT_LT(top, -0.1f) << "the turtle breaks the surface";
}

TEST(ContentTextures, EveryFileHasItsFormatSizeAndFullMipChain)
{
    for (const char* path : TextureFiles) {
        const std::string ext = fs::path(path).extension().string();
        D3DXIMAGE_INFO info;
        ASSERT_EQ(D3DXGetImageInfoFromFileA(path, &info), D3D_OK) << path;
        HRESULT hr = E_FAIL;
        Com<IDirect3DTexture9> tex = ReadTexture(path, &hr);
        ASSERT_EQ(hr, D3D_OK) << path;
        D3DSURFACE_DESC desc;
        tex->GetLevelDesc(0, &desc);
        const bool dds = ext == ".dds", bmp = ext == ".bmp";
        EXPECT_EQ(info.ImageFileFormat, dds ? D3DXIFF_DDS : bmp ? D3DXIFF_BMP : D3DXIFF_PNG) << path;
        EXPECT_EQ(info.Format, bmp ? D3DFMT_R8G8B8 : D3DFMT_A8R8G8B8) << path;
        EXPECT_EQ(desc.Format, bmp ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8) << path;
        EXPECT_TRUE(!dds || info.MipLevels == tex->GetLevelCount()) << path << ": the file's mip chain is incomplete";
        EXPECT_TRUE(!(desc.Width & (desc.Width - 1)) && !(desc.Height & (desc.Height - 1))) << path;
        EXPECT_GE(std::min(desc.Width, desc.Height), 256u) << path;
        UINT levels = 1;
        for (UINT s = std::max(desc.Width, desc.Height); s > 1; s /= 2) ++levels;
        EXPECT_EQ(tex->GetLevelCount(), levels) << path;
    }
}

// The mean step in channel c between columns (or rows) a and b.
double MeanStep(const Pixels& px, int c, bool columns, UINT a, UINT b)
{
    const UINT n = columns ? px.height : px.width;
    double sum = 0;
    for (UINT i = 0; i < n; ++i)
        sum += columns ? std::abs(px.At(a, i, c) - px.At(b, i, c)) : std::abs(px.At(i, a, c) - px.At(i, b, c));
    return sum / n;
}

// The step across the wrap against the steps beside it: a map that does not tile jumps there.
TEST(ContentTextures, RepeatedMapsContinueAcrossTheirEdges)
{
    for (const char* path : {WaterNormalHeight, WaterHeight, WaterTexture, WhiteSand, Terrain1, Terrain2, Terrain3}) {
        Com<IDirect3DTexture9> tex = ReadTexture(path);
        ASSERT_TRUE(tex.p) << path;
        const Pixels px = ReadLevel0(tex.p);
        const UINT w = px.width, h = px.height;
        for (int c = 0; c < 4; ++c) {
            const double besideX = (MeanStep(px, c, true, 0, 1) + MeanStep(px, c, true, w - 2, w - 1)) / 2;
            const double besideY = (MeanStep(px, c, false, 0, 1) + MeanStep(px, c, false, h - 2, h - 1)) / 2;
            EXPECT_LE(MeanStep(px, c, true, w - 1, 0), 2 * besideX + 0.5) << path << " channel " << c << " left/right";
            EXPECT_LE(MeanStep(px, c, false, h - 1, 0), 2 * besideY + 0.5) << path << " channel " << c << " top/bottom";
        }
        for (UINT i = 0; path == WaterHeight && i < w * h; ++i) {
            const DWORD p = px.data[i];
            ASSERT_TRUE(p >> 24 == 255 && (p >> 16 & 255) == (p >> 8 & 255) && (p >> 8 & 255) == (p & 255))
                << "height not in opaque R, G, B";
        }
    }
}

// R must follow -d(height)/dU and G -d(height)/dV, the height read from alpha: the convention
// the normal-mapped shaders decode.
TEST(ContentTextures, NormalMapsPutUInRedVInGreenAndHeightInAlpha)
{
    for (const char* path : {WaterNormalHeight, DinoBump}) {
        Com<IDirect3DTexture9> tex = ReadTexture(path);
        ASSERT_TRUE(tex.p) << path;
        const Pixels px = ReadLevel0(tex.p);
        const UINT w = px.width, h = px.height;
        double su = 0, sv = 0, nu = 0, nv = 0, gu = 0, gv = 0;
        int facingOut = 0;
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x) {
                const double du = px.At(x + 1, y, 3) - px.At(x + w - 1, y, 3);
                const double dv = px.At(x, y + 1, 3) - px.At(x, y + h - 1, 3);
                const double r = px.At(x, y, 2) - 127.5, g = px.At(x, y, 1) - 127.5;
                su -= r * du, sv -= g * dv, nu += r * r, nv += g * g, gu += du * du, gv += dv * dv;
                facingOut += px.At(x, y, 0) > 128;
            }
        const double cu = su / std::sqrt(nu * gu + 1e-9), cv = sv / std::sqrt(nv * gv + 1e-9);
        std::printf("%s: R~-dh/dU %.2f, G~-dh/dV %.2f\n", path, cu, cv);
        EXPECT_GT(cu, 0.7) << path;
        EXPECT_GT(cv, 0.7) << path;
        EXPECT_EQ(facingOut, int(w * h)) << path << ": normals must point out of the surface";
    }
}

TEST(ContentBuilder, WritesTheSameBytesEveryRunAndFailsNamingAFileItCannotWrite)
{
    std::string output;
    fs::remove_all("contentgen_rerun");
    ASSERT_EQ(RunProgram("contentgen.exe contentgen_rerun", output), 0u) << output;
    std::vector<const char*> files(std::begin(MeshFiles), std::end(MeshFiles));
    files.insert(files.end(), std::begin(TextureFiles), std::end(TextureFiles));
    for (const char* path : files)
        EXPECT_TRUE(ReadText(path) == ReadText((fs::path("contentgen_rerun") / path).string())) << path;
    fs::remove_all("contentgen_rerun");
    // A plain file where the Content folder should be: no output can be written.
    fs::create_directory("contentgen_blocked");
    std::ofstream("contentgen_blocked/Content") << "in the way";
    EXPECT_NE(RunProgram("contentgen.exe contentgen_blocked", output), 0u);
    EXPECT_NE(output.find("cannot write"), std::string::npos) << output;
    EXPECT_NE(output.find("Content/Models/tiger.x"), std::string::npos) << output;
    fs::remove_all("contentgen_blocked");
}

TEST(ContentSheets, TexturesAndMeshesAreDrawnForLooking)
{
    ASSERT_NE(SharedTestDevice(), nullptr);
    SaveTextureSheet("content_textures.png");
    SaveMeshSheet("content_meshes.png");
    EXPECT_GT(fs::file_size("screenshots/content_textures.png"), 10000u);
    EXPECT_GT(fs::file_size("screenshots/content_meshes.png"), 10000u);
}

}  // namespace
