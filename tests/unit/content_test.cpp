// The content as loaded and placed, where a picture shows it only from some angles (feet on the
// ground, tiles meeting, the turtle under water, nine subsets); undrawn sky textures; builder failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "content/content_paths.h"
#include "content/loading.h"
#include "tests/support/support.h"

namespace {

std::vector<D3DXVECTOR3> Positions(ID3DXMesh* mesh, const D3DXMATRIX* world = nullptr)
{
    std::vector<D3DXVECTOR3> out(mesh->GetNumVertices());
    BYTE* data = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&data));
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = *reinterpret_cast<D3DXVECTOR3*>(data + i * mesh->GetNumBytesPerVertex());
        if (world) D3DXVec3TransformCoord(&out[i], &out[i], world);
    }
    mesh->UnlockVertexBuffer();
    return out;
}

std::vector<DWORD> Indices(ID3DXMesh* mesh)
{
    std::vector<DWORD> out(mesh->GetNumFaces() * 3);
    void* data = nullptr;
    mesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < out.size(); ++i) out[i] = wide ? static_cast<DWORD*>(data)[i] : static_cast<WORD*>(data)[i];
    mesh->UnlockIndexBuffer();
    return out;
}

// Level 0 of a managed texture, 0xAARRGGBB row by row.
std::vector<DWORD> Level0(IDirect3DTexture9* texture)
{
    IDirect3DSurface9* surface = nullptr;
    if (!texture || FAILED(texture->GetSurfaceLevel(0, &surface))) return {};
    const std::vector<DWORD> pixels = LockedPixels(surface);
    surface->Release();
    return pixels;
}

const D3DXMATRIX& World(size_t object) { return TheRenderer->objects.at(object)->world; }

// The world height of the four placed terrain tiles at (x, z), found on the mesh's own
// triangles; false off every tile.
bool GroundAt(float x, float z, float& y)
{
    static const std::vector<D3DXVECTOR3> p = Positions(TerrainMesh);
    static const std::vector<DWORD> idx = Indices(TerrainMesh);
    for (size_t tile = 0; tile < 4; ++tile) {
        const D3DXMATRIX& w = World(tile);  // scale and translation only
        const float px = (x - w._41) / w._11, pz = (z - w._43) / w._33;
        for (size_t f = 0; f + 2 < idx.size(); f += 3) {
            const D3DXVECTOR3 &a = p[idx[f]], &b = p[idx[f + 1]], &c = p[idx[f + 2]];
            const float det = (b.z - c.z) * (a.x - c.x) + (c.x - b.x) * (a.z - c.z);
            if (det == 0) continue;
            const float l1 = ((b.z - c.z) * (px - c.x) + (c.x - b.x) * (pz - c.z)) / det;
            const float l2 = ((c.z - a.z) * (px - c.x) + (a.x - c.x) * (pz - c.z)) / det, l3 = 1 - l1 - l2;
            if (l1 < -1e-4f || l2 < -1e-4f || l3 < -1e-4f) continue;  // a tile's edge may round a step outside
            y = w._22 * (l1 * a.y + l2 * b.y + l3 * c.y) + w._42;
            return true;
        }
    }
    return false;
}

}  // namespace

// The four tiles cover [-15, 15] in x and z without gap or overlap, and opposite edges carry
// the same heights.
TEST(Content, TerrainTilesMeetWithoutGapOrStep)
{
    REQUIRE_VIEWER();
    const std::vector<D3DXVECTOR3> model = Positions(TerrainMesh);
    D3DXVECTOR3 lo = model[0], hi = model[0];
    for (const D3DXVECTOR3& p : model) D3DXVec3Minimize(&lo, &lo, &p), D3DXVec3Maximize(&hi, &hi, &p);
    for (size_t tile = 0; tile < 4; ++tile) {
        D3DXVECTOR3 a, b;
        D3DXVec3TransformCoord(&a, &lo, &World(tile));
        D3DXVec3TransformCoord(&b, &hi, &World(tile));
        EXPECT_TRUE(std::abs(a.x - (tile % 2 ? 0 : -15)) < 1e-4f && std::abs(b.x - (tile % 2 ? 15 : 0)) < 1e-4f &&
                    std::abs(a.z - (tile / 2 ? 0 : -15)) < 1e-4f && std::abs(b.z - (tile / 2 ? 15 : 0)) < 1e-4f)
            << "tile " << tile;
    }
    int pairs = 0;
    float worst = 0;
    for (const D3DXVECTOR3& a : model)
        for (const D3DXVECTOR3& b : model)
            if ((a.x == lo.x && b.x == hi.x && a.z == b.z) || (a.z == lo.z && b.z == hi.z && a.x == b.x)) {
                ++pairs;
                worst = std::max(worst, std::abs(a.y - b.y));
            }
    EXPECT_GT(pairs, 50);
    EXPECT_LT(worst, 1e-3f) << "edge height mismatch (model units)";
}

// Both dinosaurs' feet (model y = 0) rest on dry ground and no part of them sinks into it; the
// turtle swims under the water, clear of the sea floor.
TEST(Content, ModelsStandOnTheGroundAndTheTurtleSwims)
{
    REQUIRE_VIEWER();
    const std::vector<D3DXVECTOR3> model = Positions(DinoMesh);
    for (size_t dinosaur : {20, 21}) {
        const std::vector<D3DXVECTOR3> placed = Positions(DinoMesh, &World(dinosaur));
        float worstFoot = 0, deepest = 0, y = 0;
        int feet = 0;
        for (size_t i = 0; i < placed.size(); ++i) {
            ASSERT_TRUE(GroundAt(placed[i].x, placed[i].z, y)) << "dinosaur " << dinosaur;
            deepest = std::max(deepest, y - placed[i].y);
            if (model[i].y > 1e-3f) continue;
            ++feet;
            worstFoot = std::max(worstFoot, std::abs(placed[i].y - y));
            EXPECT_GT(y, 0.1f) << "dinosaur " << dinosaur << ": a foot stands in the water";
        }
        EXPECT_GE(feet, 4);
        EXPECT_LT(worstFoot, 0.01f) << "dinosaur " << dinosaur;
        EXPECT_LT(deepest, 0.01f) << "dinosaur " << dinosaur;
    }
    float clearance = 1e9f, top = -1e9f, y = 0;
    for (const D3DXVECTOR3& p : Positions(TurtleMesh, &World(22))) {
        ASSERT_TRUE(GroundAt(p.x, p.z, y));
        clearance = std::min(clearance, p.y - y);
        top = std::max(top, p.y);
    }
    EXPECT_GT(clearance, 0.0f) << "the turtle cuts into the sea floor";
    EXPECT_LT(top, -0.1f) << "the turtle breaks the surface";
}

// Every face belongs to one of the nine subsets the scene draws, each subset has faces, and the
// eyes (subset 7) sit ahead of the body (subset 0): the model faces -Z, as its placement needs.
TEST(Content, TheDinosaurHasNineSubsetsAndFacesMinusZ)
{
    REQUIRE_VIEWER();
    DWORD* attributes = nullptr;
    ASSERT_EQ(DinoMesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
    const std::vector<DWORD> subsetOf(attributes, attributes + DinoMesh->GetNumFaces()), idx = Indices(DinoMesh);
    DinoMesh->UnlockAttributeBuffer();
    const std::vector<D3DXVECTOR3> p = Positions(DinoMesh);
    std::vector<int> faces(9, 0);
    std::vector<float> z(9, 0);
    for (size_t f = 0; f < subsetOf.size(); ++f) {
        ASSERT_LT(subsetOf[f], 9u) << "face " << f << " is drawn by no subset 0..8";
        ++faces[subsetOf[f]];
        z[subsetOf[f]] += p[idx[3 * f]].z;
    }
    for (int s = 0; s < 9; ++s) EXPECT_GT(faces[s], 0) << "subset " << s;
    EXPECT_LT(z[7] / faces[7], z[0] / faces[0] - 0.3f);
}

// The PNG textures nothing draws arrive with alpha: the clouds' cover runs from clear to full.
TEST(Content, TheUndrawnSkyTexturesArriveWithAlpha)
{
    REQUIRE_VIEWER();
    for (IDirect3DTexture9* png : {SkyTexture, SkyStarsTexture, CloudsTexture}) {
        D3DSURFACE_DESC desc = {};
        if (png) png->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    }
    const std::vector<DWORD> clouds = Level0(CloudsTexture);
    ASSERT_EQ(clouds.size(), 256u * 256u);
    const auto [thinnest, thickest] = std::minmax_element(clouds.begin(), clouds.end());  // alpha is the top byte
    EXPECT_EQ(*thinnest >> 24, 0u);
    EXPECT_EQ(*thickest >> 24, 255u);
}

// The build stops with a message naming what the builder could not write.
TEST(Content, TheBuilderNamesAFileItCannotWrite)
{
    std::string output;
    std::filesystem::create_directories("contentgen_blocked");
    std::ofstream("contentgen_blocked/Content") << "in the way";  // a file where the folder should be
    EXPECT_NE(RunProgram("contentgen.exe contentgen_blocked", output), 0u);
    EXPECT_NE(output.find("cannot write"), std::string::npos) << output;
    EXPECT_NE(output.find("Content/Models/"), std::string::npos) << output;
    std::filesystem::remove_all("contentgen_blocked");
}
