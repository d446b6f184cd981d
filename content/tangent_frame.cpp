// Per-vertex normals and texture-space partial derivatives for meshes in TangentFrameLayout.
// Matches the platform computation's defaults: angle-weighted, normalised, orthogonalised
// from U; U derivative into the binormal element, V derivative into the tangent element.
#include <algorithm>
#include <cmath>
#include <vector>

#include "content/mesh.h"

namespace {

struct TangentVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR2 uv;
    D3DXVECTOR3 normal;
    D3DXVECTOR3 tangent;   // dP/dV
    D3DXVECTOR3 binormal;  // dP/dU
};
static_assert(sizeof(TangentVertex) == 56, "vertex must match TangentFrameLayout");

float CornerAngle(const D3DXVECTOR3& at, const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    D3DXVECTOR3 u = a - at, v = b - at;
    const float lengths = D3DXVec3Length(&u) * D3DXVec3Length(&v);
    if (lengths <= 0.0f) return 0.0f;
    float c = D3DXVec3Dot(&u, &v) / lengths;
    c = c > 1.0f ? 1.0f : (c < -1.0f ? -1.0f : c);
    return std::acos(c);
}

// Adds one triangle's weighted normal and partials to its three corners.
void AccumulateFace(std::vector<TangentVertex>& v, const DWORD corner[3])
{
    TangentVertex& a = v[corner[0]];
    TangentVertex& b = v[corner[1]];
    TangentVertex& c = v[corner[2]];
    const D3DXVECTOR3 e1 = b.position - a.position, e2 = c.position - a.position;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &e1, &e2);  // front faces wind clockwise
    D3DXVec3Normalize(&normal, &normal);
    const float du1 = b.uv.x - a.uv.x, dv1 = b.uv.y - a.uv.y, du2 = c.uv.x - a.uv.x, dv2 = c.uv.y - a.uv.y;
    const float det = du1 * dv2 - du2 * dv1;
    D3DXVECTOR3 dPdU(0, 0, 0), dPdV(0, 0, 0);
    if (std::fabs(det) > 1e-12f) {
        dPdU = (e1 * dv2 - e2 * dv1) / det;
        dPdV = (e2 * du1 - e1 * du2) / det;
        D3DXVec3Normalize(&dPdU, &dPdU);
        D3DXVec3Normalize(&dPdV, &dPdV);
    }
    const float weight[3] = {CornerAngle(a.position, b.position, c.position),
                             CornerAngle(b.position, c.position, a.position),
                             CornerAngle(c.position, a.position, b.position)};
    for (int i = 0; i < 3; ++i) {
        v[corner[i]].normal += normal * weight[i];
        v[corner[i]].binormal += dPdU * weight[i];
        v[corner[i]].tangent += dPdV * weight[i];
    }
}

// Gram-Schmidt against the normal, then unit length; a degenerate axis stays zero.
D3DXVECTOR3 Orthonormal(const D3DXVECTOR3& axis, const D3DXVECTOR3& normal)
{
    D3DXVECTOR3 out = axis - normal * D3DXVec3Dot(&normal, &axis);
    if (D3DXVec3LengthSq(&out) < 1e-20f) return D3DXVECTOR3(0, 0, 0);
    D3DXVec3Normalize(&out, &out);
    return out;
}

bool ReadIndices(ID3DXMesh* mesh, std::vector<DWORD>& indices)
{
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    void* data = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) return false;
    indices.resize(mesh->GetNumFaces() * 3);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = wide ? static_cast<const DWORD*>(data)[i] : static_cast<const WORD*>(data)[i];
    mesh->UnlockIndexBuffer();
    return true;
}

}  // namespace

bool ComputeTangentFrameInPlace(ID3DXMesh* mesh)
{
    if (!mesh || mesh->GetNumBytesPerVertex() != sizeof(TangentVertex)) return false;
    std::vector<DWORD> indices;
    if (!ReadIndices(mesh, indices)) return false;
    TangentVertex* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&data)))) return false;
    std::vector<TangentVertex> vertices(data, data + mesh->GetNumVertices());
    for (TangentVertex& v : vertices) v.normal = v.tangent = v.binormal = D3DXVECTOR3(0, 0, 0);
    for (size_t f = 0; f + 2 < indices.size(); f += 3)
        if (indices[f] < vertices.size() && indices[f + 1] < vertices.size() && indices[f + 2] < vertices.size())
            AccumulateFace(vertices, &indices[f]);
    for (TangentVertex& v : vertices) {
        D3DXVec3Normalize(&v.normal, &v.normal);
        v.binormal = Orthonormal(v.binormal, v.normal);
        // V follows U (orthogonalised from U, the default): keep only its part across U.
        v.tangent = Orthonormal(v.tangent - v.binormal * D3DXVec3Dot(&v.binormal, &v.tangent), v.normal);
    }
    std::copy(vertices.begin(), vertices.end(), data);
    mesh->UnlockVertexBuffer();
    return true;
}
