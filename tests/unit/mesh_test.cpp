// Meshes as the viewer loaded them, and the tangent frame we compute where the platform cannot.
#include <gtest/gtest.h>

#include <cstdint>

#include "content/loading.h"
#include "content/mesh.h"
#include "gfx/device.h"
#include "tests/unit/matrix_expect.h"
#include "tests/support/support.h"

namespace {

struct TangentVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR2 uv;
    D3DXVECTOR3 normal, tangent, binormal;
};

std::vector<TangentVertex> Vertices(ID3DXMesh* mesh)
{
    TangentVertex* v = nullptr;
    if (mesh->GetNumBytesPerVertex() != sizeof(TangentVertex) ||
        FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&v))))
        return {};
    const std::vector<TangentVertex> out(v, v + mesh->GetNumVertices());
    mesh->UnlockVertexBuffer();
    return out;
}

// The unit square in the XZ plane, its front side up, with 16- or 32-bit indices.
template <class Index>
ID3DXMesh* FlatQuad(D3DXVECTOR2 (*uvOf)(float x, float z))
{
    ID3DXMesh* mesh = nullptr;
    const DWORD options = D3DXMESH_SYSTEMMEM | (sizeof(Index) == 4 ? D3DXMESH_32BIT : 0);
    if (FAILED(D3DXCreateMesh(2, 4, options, TangentFrameLayout, Device, &mesh))) return nullptr;
    TangentVertex* v = nullptr;
    Index* index = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& [x, z] : corners) *v++ = {{x, 0, z}, uvOf(x, z), {}, {}, {}};
    mesh->UnlockVertexBuffer();
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
    for (Index corner : {0, 3, 2, 0, 2, 1}) *index++ = corner;
    mesh->UnlockIndexBuffer();
    return mesh;
}

}  // namespace

// The terrain has normals and is used as loaded; the dinosaur and the water get the 56-byte
// tangent frame, their normals pointing out of the surface as the platform's own would.
TEST(Mesh, MeshesWithoutNormalsGetATangentFrameLikeThePlatforms)
{
    REQUIRE_VIEWER();
    EXPECT_EQ(TerrainMesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    for (ID3DXMesh* mesh : {DinoMesh, WaterMesh}) {
        const std::vector<TangentVertex> ours = Vertices(mesh);
        ASSERT_EQ(ours.size(), mesh->GetNumVertices());
        ID3DXMesh* reference = nullptr;
        ASSERT_EQ(mesh->CloneMesh(D3DXMESH_SYSTEMMEM, TangentFrameLayout, Device, &reference), D3D_OK);
        ASSERT_EQ(D3DXComputeNormals(reference, nullptr), D3D_OK);
        const std::vector<TangentVertex> expected = Vertices(reference);
        reference->Release();
        int astray = 0;
        for (size_t i = 0; i < ours.size(); ++i) {
            const TangentVertex& v = ours[i];
            astray += D3DXVec3Dot(&v.normal, &expected[i].normal) < 0.999f || std::abs(D3DXVec3Dot(&v.normal, &v.tangent)) > 1e-3f ||
                      std::abs(D3DXVec3Dot(&v.normal, &v.binormal)) > 1e-3f;
        }
        EXPECT_EQ(astray, 0) << "vertices whose frame is off, of " << ours.size();
    }
}

// U along +X and V along -Z, then U along +Z and V along +X, so that swapped or mirrored
// derivatives cannot pass both; then a sheared mapping (u = x + z, v = z), where V is taken
// orthogonal to U on V's side, as the platform does. Big meshes come with 32-bit indices.
TEST(Mesh, TheBinormalFollowsUAndTheTangentV)
{
    REQUIRE_VIEWER();
    const struct {
        D3DXVECTOR2 (*uv)(float, float);
        D3DXVECTOR3 u, v;
    } cases[] = {
        {[](float x, float z) { return D3DXVECTOR2(x, 1 - z); }, {1, 0, 0}, {0, 0, -1}},
        {[](float x, float z) { return D3DXVECTOR2(z, x); }, {0, 0, 1}, {1, 0, 0}},
        {[](float x, float z) { return D3DXVECTOR2(x + z, z); }, {1, 0, 0}, {0, 0, 1}},
    };
    for (const auto& c : cases)
        for (ID3DXMesh* quad : {FlatQuad<uint16_t>(c.uv), FlatQuad<uint32_t>(c.uv)}) {
            ASSERT_NE(quad, nullptr);
            EXPECT_TRUE(ComputeTangentFrameInPlace(quad));
            for (const TangentVertex& vertex : Vertices(quad)) {
                ExpectVector(vertex.normal, 0, 1, 0, 1e-4f);
                ExpectVector(vertex.binormal, c.u.x, c.u.y, c.u.z, 1e-4f);
                ExpectVector(vertex.tangent, c.v.x, c.v.y, c.v.z, 1e-4f);
            }
            quad->Release();
        }
}
