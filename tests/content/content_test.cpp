// Loads every content file with the platform's own loaders and checks what the scene relies
// on: vertex formats, the dinosaur's subsets, tile extents and seams, where the models stand,
// texture formats, tiling and normal-map conventions; then the builder's own behaviour.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "content/content_paths.h"
#include "content_support.h"

namespace {

using namespace ContentPath;

const char* const MeshPaths[] = {TigerMesh, TurtleMesh, TurtleMeshB, TerrainMesh, WaterMesh, SkyMesh, DinoMesh};
const char* const TexturePaths[] = {TigerTexture, WhiteSand, TerrainHeightmap, TurtleTextureB, TurtleTexture,
                                    WaterTexture, WaterHeight, WaterNormalHeight, Sky, SkyStars, Clouds,
                                    Terrain1, Terrain2, Terrain3, DinoBrown, DinoOrange, DinoBump};

const DWORD PosNormalTex = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
const DWORD PosTex = D3DFVF_XYZ | D3DFVF_TEX1;                        // 0x102

std::vector<D3DXVECTOR3> Transformed(const std::vector<D3DXVECTOR3>& points, const D3DXMATRIX& world)
{
    std::vector<D3DXVECTOR3> out(points.size());
    for (size_t i = 0; i < points.size(); ++i) D3DXVec3TransformCoord(&out[i], &points[i], &world);
    return out;
}

struct Bounds { D3DXVECTOR3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f}; };
Bounds BoundsOf(const std::vector<D3DXVECTOR3>& points)
{
    Bounds b;
    for (const D3DXVECTOR3& p : points) {
        D3DXVec3Minimize(&b.lo, &b.lo, &p);
        D3DXVec3Maximize(&b.hi, &b.hi, &p);
    }
    return b;
}

TEST(ContentMeshes, EveryMeshLoadsWithTheVertexFormatItsLoadPathNeeds)
{
    ASSERT_NE(TestDevice(), nullptr);
    for (const char* path : MeshPaths) {
        LoadedMesh m = LoadMesh(path);
        ASSERT_EQ(m.hr, D3D_OK) << path;
        EXPECT_GT(m.mesh->GetNumFaces(), 0u) << path;
    }
    // Normals carried: used as loaded. Positions and texture coordinates only: rebuilt
    // into the tangent-frame layout by the loader.
    for (const char* path : {TerrainMesh, TurtleMesh, TurtleMeshB}) EXPECT_EQ(LoadMesh(path).mesh->GetFVF(), PosNormalTex) << path;
    for (const char* path : {WaterMesh, DinoMesh}) EXPECT_EQ(LoadMesh(path).mesh->GetFVF(), PosTex) << path;
}

// The normals a file carries agree with the ones D3DX derives from its triangles' winding:
// right-way-out faces and the terrain's normals converted to model space.
void ExpectNormalsMatchWinding(const char* path, double minMeanDot)
{
    LoadedMesh m = LoadMesh(path);
    ASSERT_TRUE(m.mesh.p) << path;
    Com<ID3DXMesh> derived;
    ASSERT_EQ(m.mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, m.mesh->GetFVF(), TestDevice(), &derived.p), D3D_OK);
    ASSERT_EQ(D3DXComputeNormals(derived.p, nullptr), D3D_OK);
    struct V { D3DXVECTOR3 p, n; float u, v; };
    V *a = nullptr, *b = nullptr;
    m.mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&a));
    derived->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&b));
    double sum = 0;
    const DWORD n = m.mesh->GetNumVertices();
    for (DWORD i = 0; i < n; ++i) sum += D3DXVec3Dot(&a[i].n, &b[i].n);
    derived->UnlockVertexBuffer();
    m.mesh->UnlockVertexBuffer();
    std::printf("%s: mean dot(file normal, derived normal) %.4f\n", path, sum / n);
    EXPECT_GT(sum / n, minMeanDot) << path;
}

TEST(ContentMeshes, CarriedNormalsMatchTheGeometryAndFacesPointOutwards)
{
    ExpectNormalsMatchWinding(TerrainMesh, 0.99);
    ExpectNormalsMatchWinding(TurtleMesh, 0.95);
    ExpectNormalsMatchWinding(TurtleMeshB, 0.95);
    // Meshes without normals get them derived by the loader: every vertex must get one.
    for (const char* path : {DinoMesh, WaterMesh}) {
        LoadedMesh m = LoadMesh(path);
        ASSERT_TRUE(m.mesh.p) << path;
        Com<ID3DXMesh> derived;
        ASSERT_EQ(m.mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, PosNormalTex, TestDevice(), &derived.p), D3D_OK);
        ASSERT_EQ(D3DXComputeNormals(derived.p, nullptr), D3D_OK);
        struct V { D3DXVECTOR3 p, n; float u, v; };
        V* v = nullptr;
        derived->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&v));
        int bad = 0;
        for (DWORD i = 0; i < derived->GetNumVertices(); ++i) bad += !(std::fabs(D3DXVec3Length(&v[i].n) - 1) < 1e-3f);
        derived->UnlockVertexBuffer();
        EXPECT_EQ(bad, 0) << path << ": vertices without a derivable normal";
    }
    // The water faces up, so its derived normals do.
    LoadedMesh water = LoadMesh(WaterMesh);
    ASSERT_TRUE(water.mesh.p);
    const std::vector<D3DXVECTOR3> p = Positions(water.mesh.p);
    const std::vector<DWORD> idx = Indices(water.mesh.p);
    for (size_t f = 0; f + 2 < idx.size(); f += 3) {
        D3DXVECTOR3 e1 = p[idx[f + 1]] - p[idx[f]], e2 = p[idx[f + 2]] - p[idx[f]], n;
        D3DXVec3Cross(&n, &e1, &e2);
        ASSERT_GT(n.y, 0.0f) << "water face " << f / 3 << " faces down";
    }
}

TEST(ContentMeshes, DinosaurHasNineSubsetsCoveringEveryFaceAndFacesMinusZ)
{
    LoadedMesh dino = LoadMesh(DinoMesh);
    ASSERT_TRUE(dino.mesh.p);
    EXPECT_EQ(dino.materials, 9u);
    const std::vector<DWORD> attributes = Attributes(dino.mesh.p);
    ASSERT_EQ(attributes.size(), dino.mesh->GetNumFaces());
    std::vector<int> faces(9, 0);
    std::vector<D3DXVECTOR3> centre(9, D3DXVECTOR3(0, 0, 0));
    const std::vector<D3DXVECTOR3> p = Positions(dino.mesh.p);
    const std::vector<DWORD> idx = Indices(dino.mesh.p);
    for (size_t f = 0; f < attributes.size(); ++f) {
        ASSERT_LT(attributes[f], 9u) << "face " << f << " is drawn by no DrawSubset(0..8)";
        ++faces[attributes[f]];
        centre[attributes[f]] += p[idx[3 * f]];
    }
    for (int s = 0; s < 9; ++s) EXPECT_GT(faces[s], 0) << "subset " << s;
    const Bounds b = BoundsOf(p);
    EXPECT_NEAR(b.lo.y, 0.0f, 1e-4f) << "feet at model y = 0";
    EXPECT_GT(b.hi.y, 0.8f);
    EXPECT_LT(b.hi.y, 1.2f);
    // The eyes (subset 7) sit ahead of the body (subset 0): the nose points to -Z.
    EXPECT_LT(centre[7].z / faces[7], centre[0].z / faces[0] - 0.3f);
}

TEST(ContentMeshes, TerrainAndWaterTilesMeetExactly)
{
    LoadedMesh terrain = LoadMesh(TerrainMesh), water = LoadMesh(WaterMesh);
    ASSERT_TRUE(terrain.mesh.p && water.mesh.p);
    const std::vector<D3DXVECTOR3> t = Positions(terrain.mesh.p), w = Positions(water.mesh.p);
    const Bounds tb = BoundsOf(t), wb = BoundsOf(w);
    for (float v : {tb.lo.x, tb.lo.z}) EXPECT_FLOAT_EQ(v, -25.0f);
    for (float v : {tb.hi.x, tb.hi.z}) EXPECT_FLOAT_EQ(v, 25.0f);
    for (float v : {wb.lo.x, wb.lo.z}) EXPECT_FLOAT_EQ(v, -12.5f);
    for (float v : {wb.hi.x, wb.hi.z}) EXPECT_FLOAT_EQ(v, 12.5f);
    EXPECT_EQ(wb.lo.y, 0.0f);
    EXPECT_EQ(wb.hi.y, 0.0f);
    // Placed, the terrain tiles span [-15, 0] and [0, 15]: no gap, no overlap.
    D3DXVECTOR3 lo, hi;
    const D3DXMATRIX left = TerrainWorld(-750, -750), right = TerrainWorld(750, 750);
    D3DXVec3TransformCoord(&lo, &tb.lo, &left);
    D3DXVec3TransformCoord(&hi, &tb.hi, &left);
    EXPECT_NEAR(lo.x, -15.0f, 1e-4f);
    EXPECT_NEAR(hi.x, 0.0f, 1e-4f);
    D3DXVec3TransformCoord(&hi, &tb.hi, &right);
    EXPECT_NEAR(hi.z, 15.0f, 1e-4f);
    // Opposite edges carry the same heights, so neighbouring copies join without a step.
    int pairs = 0;
    float worst = 0;
    for (const D3DXVECTOR3& a : t)
        for (const D3DXVECTOR3& b : t) {
            const bool acrossX = a.x == -25.0f && b.x == 25.0f && a.z == b.z;
            const bool acrossZ = a.z == -25.0f && b.z == 25.0f && a.x == b.x;
            if (!acrossX && !acrossZ) continue;
            ++pairs;
            worst = std::max(worst, std::fabs(a.y - b.y));
        }
    EXPECT_GT(pairs, 100);
    EXPECT_LT(worst, 1e-3f) << "edge height mismatch (model units)";
}

TEST(ContentScene, TerrainCrossesTheWaterWithSeaShallowsShoreAndDryLand)
{
    LoadedMesh terrain = LoadMesh(TerrainMesh);
    ASSERT_TRUE(terrain.mesh.p);
    int deep = 0, shallow = 0, shore = 0, dry = 0;
    for (const D3DXVECTOR3& p : Positions(terrain.mesh.p)) {
        const float y = 0.15f * p.y + 0.4f;
        deep += y < -1.0f;
        shallow += y >= -1.0f && y < 0.0f;
        shore += y >= 0.0f && y < 0.3f;
        dry += y >= 1.0f;
    }
    const int n = int(terrain.mesh->GetNumVertices());
    std::printf("terrain: %d%% deep, %d%% shallow, %d%% shore, %d%% above 1\n", 100 * deep / n,
                100 * shallow / n, 100 * shore / n, 100 * dry / n);
    EXPECT_GT(deep, n / 10);
    EXPECT_GT(shallow, n / 20);
    EXPECT_GT(shore, n / 50);
    EXPECT_GT(dry, n / 20);
}

// The feet (model y = 0) rest on the ground, and no part of the body sinks into it.
void ExpectStandingOnGround(const TerrainSampler& ground, const D3DXMATRIX& world, const char* name)
{
    LoadedMesh dino = LoadMesh(DinoMesh);
    ASSERT_TRUE(dino.mesh.p);
    const std::vector<D3DXVECTOR3> model = Positions(dino.mesh.p);
    const std::vector<D3DXVECTOR3> placed = Transformed(model, world);
    float worstFoot = 0, deepest = 0;
    int feet = 0;
    for (size_t i = 0; i < placed.size(); ++i) {
        float y = 0;
        ASSERT_TRUE(ground.HeightAt(placed[i].x, placed[i].z, y)) << name;
        if (model[i].y < 1e-3f) {
            ++feet;
            worstFoot = std::max(worstFoot, std::fabs(placed[i].y - y));
            EXPECT_GT(y, 0.1f) << name << ": a foot stands in the water";
        }
        deepest = std::max(deepest, y - placed[i].y);
    }
    std::printf("%s: %d foot vertices, worst foot-to-ground %.4f, deepest below ground %.4f\n", name, feet,
                worstFoot, deepest);
    EXPECT_GE(feet, 4);
    EXPECT_LT(worstFoot, 0.01f) << name;
    EXPECT_LT(deepest, 0.01f) << name;
}

TEST(ContentScene, BothDinosaursStandOnDryGround)
{
    LoadedMesh terrain = LoadMesh(TerrainMesh);
    ASSERT_TRUE(terrain.mesh.p);
    const TerrainSampler ground = SampleTerrain(terrain.mesh.p);
    ExpectStandingOnGround(ground, BrownDinoWorld(), "brown dinosaur");
    ExpectStandingOnGround(ground, OrangeDinoWorld(), "orange dinosaur");
}

TEST(ContentScene, TurtleSwimsUnderWaterClearOfTheSeaFloor)
{
    LoadedMesh terrain = LoadMesh(TerrainMesh), turtle = LoadMesh(TurtleMesh);
    ASSERT_TRUE(terrain.mesh.p && turtle.mesh.p);
    const TerrainSampler ground = SampleTerrain(terrain.mesh.p);
    const std::vector<D3DXVECTOR3> model = Positions(turtle.mesh.p);
    const Bounds mb = BoundsOf(model);
    EXPECT_GE(mb.hi.z - mb.lo.z, 100.0f);
    EXPECT_LE(mb.hi.z - mb.lo.z, 200.0f);
    float floorAtTurtle = 0;
    ASSERT_TRUE(ground.HeightAt(0.15f, 0.4f, floorAtTurtle));
    EXPECT_LT(floorAtTurtle, -0.7f);
    float clearance = 1e9f, top = -1e9f;
    for (const D3DXVECTOR3& p : Transformed(model, TurtleWorld())) {
        float y = 0;
        ASSERT_TRUE(ground.HeightAt(p.x, p.z, y));
        clearance = std::min(clearance, p.y - y);
        top = std::max(top, p.y);
    }
    std::printf("turtle: sea floor %.3f under its centre, clearance %.3f, top at %.3f\n", floorAtTurtle,
                clearance, top);
    EXPECT_GT(clearance, 0.0f) << "the turtle cuts into the sea floor";
    EXPECT_LT(top, -0.1f) << "the turtle breaks the surface";
}

bool IsPowerOfTwo(UINT v) { return v && !(v & (v - 1)); }

TEST(ContentTextures, EveryFileHasItsFormatSizeAndFullMipChain)
{
    for (const char* path : TexturePaths) {
        D3DXIMAGE_INFO info;
        ASSERT_EQ(D3DXGetImageInfoFromFileA(path, &info), D3D_OK) << path;
        HRESULT hr = E_FAIL;
        Com<IDirect3DTexture9> tex = LoadTexture(path, &hr);
        ASSERT_EQ(hr, D3D_OK) << path;
        D3DSURFACE_DESC desc;
        tex->GetLevelDesc(0, &desc);
        const std::string p = path;
        const std::string ext = p.substr(p.size() - 4);
        if (ext == ".dds") {
            EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS) << path;
            EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8) << path;
            EXPECT_EQ(info.MipLevels, tex->GetLevelCount()) << path << ": the file's mip chain is incomplete";
        } else if (ext == ".bmp") {
            EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP) << path;
            EXPECT_EQ(info.Format, D3DFMT_R8G8B8) << path << ": not a 24-bit BMP";
        } else {
            EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG) << path;
            EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8) << path;
        }
        EXPECT_EQ(desc.Format, ext == ".bmp" ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8) << path;
        EXPECT_TRUE(IsPowerOfTwo(desc.Width) && IsPowerOfTwo(desc.Height)) << path;
        EXPECT_GE(std::min(desc.Width, desc.Height), 256u) << path;
        UINT levels = 1;
        for (UINT s = std::max(desc.Width, desc.Height); s > 1; s /= 2) ++levels;
        EXPECT_EQ(tex->GetLevelCount(), levels) << path;
    }
}

int Channel(DWORD p, int c) { return int((p >> (8 * c)) & 0xFF); }

// The step across the wrap (last column to first, last row to first) against the steps
// beside it inside the image: a map that does not tile jumps at its edges.
double MeanStep(const Pixels& px, int c, bool columns, UINT a, UINT b)
{
    const UINT n = columns ? px.height : px.width;
    double sum = 0;
    for (UINT i = 0; i < n; ++i)
        sum += columns ? std::abs(Channel(px.At(a, i), c) - Channel(px.At(b, i), c))
                       : std::abs(Channel(px.At(i, a), c) - Channel(px.At(i, b), c));
    return sum / n;
}

void ExpectTiles(const char* path)
{
    Com<IDirect3DTexture9> tex = LoadTexture(path);
    ASSERT_TRUE(tex.p) << path;
    const Pixels px = ReadLevel0(tex.p);
    const UINT w = px.width, h = px.height;
    for (int c = 0; c < 4; ++c) {
        const double besideX = (MeanStep(px, c, true, 0, 1) + MeanStep(px, c, true, w - 2, w - 1)) / 2;
        const double besideY = (MeanStep(px, c, false, 0, 1) + MeanStep(px, c, false, h - 2, h - 1)) / 2;
        EXPECT_LE(MeanStep(px, c, true, w - 1, 0), 2 * besideX + 0.5) << path << " channel " << c << " left/right";
        EXPECT_LE(MeanStep(px, c, false, h - 1, 0), 2 * besideY + 0.5) << path << " channel " << c << " top/bottom";
    }
}

TEST(ContentTextures, RepeatedMapsContinueAcrossTheirEdges)
{
    for (const char* path : {WaterNormalHeight, WaterHeight, WaterTexture, WhiteSand, Terrain1, Terrain2, Terrain3})
        ExpectTiles(path);
    Com<IDirect3DTexture9> height = LoadTexture(WaterHeight);
    ASSERT_TRUE(height.p);
    for (DWORD p : ReadLevel0(height.p).data) {
        ASSERT_EQ(Channel(p, 3), 255);
        ASSERT_TRUE(Channel(p, 0) == Channel(p, 1) && Channel(p, 1) == Channel(p, 2)) << "height not in R, G, B";
    }
}

// Correlation of a normal map's R with -d(height)/dU and G with -d(height)/dV, the height
// read from alpha: the convention the normal-mapped shaders decode.
void ExpectNormalMapConvention(const char* path)
{
    Com<IDirect3DTexture9> tex = LoadTexture(path);
    ASSERT_TRUE(tex.p) << path;
    const Pixels px = ReadLevel0(tex.p);
    const UINT w = px.width, h = px.height;
    double su = 0, sv = 0, nu = 0, nv = 0, gu = 0, gv = 0;
    int facingOut = 0;
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x) {
            const DWORD p = px.At(x, y);
            const double du = Channel(px.At((x + 1) % w, y), 3) - Channel(px.At((x + w - 1) % w, y), 3);
            const double dv = Channel(px.At(x, (y + 1) % h), 3) - Channel(px.At(x, (y + h - 1) % h), 3);
            const double r = Channel(p, 2) - 127.5, g = Channel(p, 1) - 127.5;
            su += r * -du;
            sv += g * -dv;
            nu += r * r;
            nv += g * g;
            gu += du * du;
            gv += dv * dv;
            facingOut += Channel(p, 0) > 128;
        }
    const double cu = su / std::sqrt(nu * gu + 1e-9), cv = sv / std::sqrt(nv * gv + 1e-9);
    std::printf("%s: R~-dh/dU %.2f, G~-dh/dV %.2f\n", path, cu, cv);
    EXPECT_GT(cu, 0.7) << path;
    EXPECT_GT(cv, 0.7) << path;
    EXPECT_EQ(facingOut, int(w * h)) << path << ": normals must point out of the surface";
}

TEST(ContentTextures, NormalMapsPutUInRedVInGreenAndHeightInAlpha)
{
    ExpectNormalMapConvention(WaterNormalHeight);
    ExpectNormalMapConvention(DinoBump);
}

// Runs contentgen.exe (beside the test, in the build folder) with `args`; stderr to a file.
DWORD RunBuilder(const std::string& args, const char* errorFile)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE err = CreateFileA(errorFile, GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdError = si.hStdOutput = err;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "contentgen.exe " + args;
    DWORD code = 0xFFFFFFFF;
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(err);
    return code;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ContentBuilder, WritesTheSameBytesEveryRun)
{
    namespace fs = std::filesystem;
    fs::remove_all("contentgen_rerun");
    ASSERT_EQ(RunBuilder("contentgen_rerun", "contentgen_rerun.err"), 0u) << ReadAll("contentgen_rerun.err");
    for (const char* path : MeshPaths) EXPECT_TRUE(ReadAll(path) == ReadAll(fs::path("contentgen_rerun") / path)) << path;
    for (const char* path : TexturePaths) EXPECT_TRUE(ReadAll(path) == ReadAll(fs::path("contentgen_rerun") / path)) << path;
    fs::remove_all("contentgen_rerun");
    fs::remove("contentgen_rerun.err");
}

TEST(ContentBuilder, FailsNamingTheFileItCannotWrite)
{
    namespace fs = std::filesystem;
    // A plain file where the Content folder should be: no output can be written.
    fs::remove_all("contentgen_blocked");
    fs::create_directory("contentgen_blocked");
    std::ofstream("contentgen_blocked/Content") << "in the way";
    EXPECT_NE(RunBuilder("contentgen_blocked", "contentgen_blocked.err"), 0u);
    const std::string message = ReadAll("contentgen_blocked.err");
    EXPECT_NE(message.find("cannot write"), std::string::npos) << message;
    EXPECT_NE(message.find("Content/Models/tiger.x"), std::string::npos) << message;
    fs::remove_all("contentgen_blocked");
    fs::remove("contentgen_blocked.err");
}

TEST(ContentSheets, TexturesAndMeshesAreDrawnForLooking)
{
    ASSERT_NE(TestDevice(), nullptr);
    SaveTextureSheet("content_textures.png");
    SaveMeshSheet("content_meshes.png");
    EXPECT_TRUE(std::filesystem::file_size("screenshots/content_textures.png") > 10000);
    EXPECT_TRUE(std::filesystem::file_size("screenshots/content_meshes.png") > 10000);
}

}  // namespace
