#include "tests/fxc/drawing.h"

#include "content/content_paths.h"
#include "render/effect_names.h"

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

void DrawMesh(const std::vector<PlainVertex>& vertices, const Indices& indices)
{
    SharedTestDevice()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    Draw(vertices, indices);
}

void DrawMesh(const std::vector<TangentVertex>& vertices, const Indices& indices)
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

std::vector<PlainVertex> ClipSquare(float half, D3DXVECTOR3 n)
{
    std::vector<PlainVertex> v;
    for (int i = 0; i < 4; ++i)
        v.push_back({i & 1 ? half : -half, i & 2 ? half : -half, 0.5f, n.x, n.y, n.z, float(i & 1), float(i >> 1)});
    return v;
}

std::vector<TangentVertex> WithFrame(const std::vector<PlainVertex>& vertices, D3DXVECTOR3 t, D3DXVECTOR3 b)
{
    std::vector<TangentVertex> out;
    for (const PlainVertex& p : vertices)
        out.push_back({p.x, p.y, p.z, p.u, p.v, p.nx, p.ny, p.nz, t.x, t.y, t.z, b.x, b.y, b.z});
    return out;
}

void SpriteCopy(ID3DXEffect* post, IDirect3DTexture9* texture)
{
    IDirect3DDevice9* d = SharedTestDevice();
    ID3DXSprite* sprite = nullptr;
    if (FAILED(D3DXCreateSprite(d, &sprite))) return;
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    sprite->Begin(D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_SORT_TEXTURE);
    WithTechnique(post, PostFx::TechniqueCopy, [&] {
        sprite->Draw(texture, nullptr, nullptr, nullptr, 0xFFFFFFFF);
        sprite->Flush();  // drawn at End, after the effect's End, the quad would miss the pass
    });
    sprite->End();
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    sprite->Release();
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

void EffectTest::SetUp()
{
    ASSERT_NE(d, nullptr);
    fx = LoadEffect(ContentPath::DefaultEffect);
    ASSERT_NE(fx, nullptr);
    target = MakeTarget(d, Size, Size);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
}

void EffectTest::Matrices(const D3DXMATRIX& world, const D3DXMATRIX& viewProj)
{
    fx->SetMatrix(DefaultFx::World.name, &world);
    fx->SetMatrix(DefaultFx::ViewProj.name, &viewProj);
}
