#include "tests/fxc/drawing.h"

namespace {

template <class Vertex>
void Draw(const std::vector<Vertex>& vertices, const Indices& indices)
{
    SharedTestDevice()->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, UINT(vertices.size()), UINT(indices.size() / 3),
                                               indices.data(), D3DFMT_INDEX16, vertices.data(), sizeof(Vertex));
}

}  // namespace

ID3DXEffect* LoadEffect(const char* path)
{
    ID3DXEffect* effect = nullptr;
    D3DXCreateEffectFromFileA(SharedTestDevice(), path, nullptr, nullptr, 0, nullptr, &effect, nullptr);
    return effect;
}

void DrawPlain(const std::vector<PlainVertex>& vertices, const Indices& indices)
{
    SharedTestDevice()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    Draw(vertices, indices);
}

void DrawTangent(const std::vector<TangentVertex>& vertices, const Indices& indices)
{
    static IDirect3DVertexDeclaration9* layout = [] {
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            {0, 20, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
            {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
            {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
            D3DDECL_END()};
        IDirect3DVertexDeclaration9* made = nullptr;
        SharedTestDevice()->CreateVertexDeclaration(elements, &made);
        return made;
    }();
    SharedTestDevice()->SetVertexDeclaration(layout);
    Draw(vertices, indices);
}

D3DXMATRIX HeightViewProjection()
{
    D3DXMATRIX view, projection;
    D3DXVECTOR3 eye(0, 100, 0), at(0, 0, 0), up(0, 0, 1);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixOrthoLH(&projection, 32, 32, 1, 255);
    return view * projection;
}

D3DXMATRIX Identity()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}
