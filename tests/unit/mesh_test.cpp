// LoadMesh on the real device with small .x files written at test time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <utility>

#include "content/mesh.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "tests/unit/content_files.h"
#include "tests/unit/device_fixture.h"
#include "tests/unit/matrix_expect.h"

namespace {

struct TangentVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR2 uv;
    D3DXVECTOR3 normal, tangent, binormal;
};

std::vector<TangentVertex> Vertices(ID3DXMesh* mesh)
{
    std::vector<TangentVertex> out;
    TangentVertex* v = nullptr;
    if (mesh->GetNumBytesPerVertex() != sizeof(TangentVertex) ||
        FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&v))))
        return out;
    out.assign(v, v + mesh->GetNumVertices());
    mesh->UnlockVertexBuffer();
    return out;
}

// Every vertex of a flat quad: the normal up, U's direction in the binormal, V's in the tangent.
void ExpectFlatFrame(const std::vector<TangentVertex>& vertices, const D3DXVECTOR3& u, const D3DXVECTOR3& v)
{
    ASSERT_EQ(vertices.size(), 4u);
    for (size_t i = 0; i < vertices.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "vertex " << i);
        ExpectVector(vertices[i].normal, 0, 1, 0, 1e-4f);
        ExpectVector(vertices[i].binormal, u.x, u.y, u.z, 1e-4f);
        ExpectVector(vertices[i].tangent, v.x, v.y, v.z, 1e-4f);
    }
}

// The unit square in the XZ plane, seen from +Y with its faces clockwise (the front side).
XMesh FlatQuad(D3DXVECTOR2 (*uvOf)(float x, float z))
{
    XMesh quad;
    quad.positions = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
    for (const D3DXVECTOR3& p : quad.positions) quad.uvs.push_back(uvOf(p.x, p.z));
    quad.faces = {{0, 3, 2}, {0, 2, 1}};
    return quad;
}

// A patch of the unit sphere around +Y, every face clockwise seen from outside.
XMesh SpherePatch()
{
    XMesh patch;
    const DWORD n = 5;
    for (DWORD a = 0; a < n * n; ++a) {
        const float theta = 0.2f + 0.2f * float(a / n), phi = 0.35f * float(a % n);
        patch.positions.push_back({std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)});
        patch.uvs.push_back({phi, theta});
    }
    for (DWORD a = 0; a < n * (n - 1); ++a)
        if (a % n != n - 1) patch.faces.insert(patch.faces.end(), {{a, a + 1, a + n + 1}, {a, a + n + 1, a + n}});
    return patch;
}

class MeshTest : public testing::Test {
protected:
    GlobalStateGuard guard;
    TempWorkingDir folder;
    size_t listSize = 0;

    void SetUp() override
    {
        REQUIRE_DEVICE();
        listSize = MeshList.size();
    }
    void TearDown() override
    {
        for (size_t i = listSize; i < MeshList.size(); ++i)
            if (MeshList[i]) MeshList[i]->Release();
    }
};

// Every mesh holds the device: once the list's references go, the device count is back, so
// neither load path leaves an intermediate mesh alive.
TEST_F(MeshTest, AMeshWithNormalsKeepsItsOwnLayoutAndNoLoadLeavesAMeshBehind)
{
    XMesh quad = FlatQuad([](float x, float z) { return D3DXVECTOR2(x, z); });
    WriteXMesh("plain.x", quad);
    quad.normals.assign(4, D3DXVECTOR3(0, 1, 0));
    WriteXMesh("normals.x", quad);
    const ULONG before = RefCount(Device);
    ID3DXMesh* mesh = LoadMesh("./normals.x");
    ASSERT_NE(mesh, nullptr);
    ASSERT_NE(LoadMesh("./plain.x"), nullptr);
    EXPECT_EQ(MeshList.size(), listSize + 2);
    EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(RefCount(mesh), 1u) << "MeshList's reference is the only one";
    for (size_t i = listSize; i < MeshList.size(); ++i) std::exchange(MeshList[i], nullptr)->Release();
    EXPECT_EQ(RefCount(Device), before);
}

// U along +X and V along -Z, then U along +Z and V along +X, so that swapped or mirrored
// derivatives cannot pass both; then a sheared mapping (u = x + z, v = z): U keeps its own
// derivative and V is taken orthogonal to it on V's side, as the platform's default does.
TEST_F(MeshTest, AMeshWithoutNormalsGetsTheTangentFrameLayoutWithUAndVDirections)
{
    const struct {
        D3DXVECTOR2 (*uv)(float, float);
        D3DXVECTOR3 u, v;
    } cases[] = {
        {[](float x, float z) { return D3DXVECTOR2(x, 1 - z); }, {1, 0, 0}, {0, 0, -1}},
        {[](float x, float z) { return D3DXVECTOR2(z, x); }, {0, 0, 1}, {1, 0, 0}},
        {[](float x, float z) { return D3DXVECTOR2(x + z, z); }, {1, 0, 0}, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        WriteXMesh("quad.x", FlatQuad(c.uv));
        ID3DXMesh* mesh = LoadMesh("./quad.x");
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(MeshList.back(), mesh);
        EXPECT_EQ(RefCount(mesh), 1u) << "MeshList's reference is the only one";
        D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
        ASSERT_EQ(mesh->GetDeclaration(declaration), D3D_OK);
        EXPECT_EQ(std::memcmp(declaration, TangentFrameLayout, sizeof TangentFrameLayout), 0);
        ExpectFlatFrame(Vertices(mesh), c.u, c.v);
    }
}

TEST_F(MeshTest, ComputedNormalsPointOutOfACurvedSurfaceAsThePlatformsDo)
{
    WriteXMesh("patch.x", SpherePatch());
    ID3DXMesh *ours = LoadMesh("./patch.x"), *reference = nullptr;
    ASSERT_NE(ours, nullptr);
    ASSERT_EQ(ours->CloneMesh(D3DXMESH_SYSTEMMEM, TangentFrameLayout, Device, &reference), D3D_OK);
    ASSERT_EQ(D3DXComputeNormals(reference, nullptr), D3D_OK);
    const std::vector<TangentVertex> vertices = Vertices(ours), expected = Vertices(reference);
    reference->Release();
    ASSERT_EQ(vertices.size(), expected.size());
    for (size_t i = 0; i < vertices.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "vertex " << i);
        const TangentVertex& v = vertices[i];
        EXPECT_GT(D3DXVec3Dot(&v.normal, &v.position), 0.9f) << "outward";
        EXPECT_GT(D3DXVec3Dot(&v.normal, &expected[i].normal), 0.999f) << "as the platform's";
        EXPECT_NEAR(D3DXVec3Length(&v.normal), 1.0f, 1e-4f);
        EXPECT_NEAR(D3DXVec3Dot(&v.normal, &v.tangent), 0.0f, 1e-4f);
        EXPECT_NEAR(D3DXVec3Dot(&v.normal, &v.binormal), 0.0f, 1e-4f);
    }
}

// Big meshes load with 32-bit indices; the same quad must come out the same.
TEST_F(MeshTest, TheFillInReadsThirtyTwoBitIndicesAndRefusesOtherLayouts)
{
    WriteXMesh("quad.x", FlatQuad([](float x, float z) { return D3DXVECTOR2(x, 1 - z); }));
    ID3DXMesh *plain = nullptr, *wide = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXA("quad.x", D3DXMESH_SYSTEMMEM, Device, nullptr, nullptr, nullptr, nullptr, &plain), D3D_OK);
    ASSERT_EQ(plain->CloneMesh(D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, TangentFrameLayout, Device, &wide), D3D_OK);
    EXPECT_TRUE(ComputeTangentFrameInPlace(wide));
    ExpectFlatFrame(Vertices(wide), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, -1));
    wide->Release();
    EXPECT_FALSE(ComputeTangentFrameInPlace(plain));
    EXPECT_FALSE(ComputeTangentFrameInPlace(nullptr));
    plain->Release();
}

TEST_F(MeshTest, AMissingOrUnreadableFileIsReportedAndNothingIsAppended)
{
    std::ofstream("broken.x") << "xof 0303txt 0032\nMesh {\n 3;\n 0.0;0.0;";
    std::ofstream("garbage.x", std::ios::binary) << std::string("\x01\xFF\x7F garbage", 11);
    for (const char* path : {"./Content/Models/absent.x", "./broken.x", "./garbage.x"}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(LoadMesh(path), nullptr) << path;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("ERROR: Could not load mesh ") + path + "\n");
        EXPECT_EQ(MeshList.size(), listSize) << path;
    }
}

}  // namespace
