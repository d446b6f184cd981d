// Contact sheets for looking at the content: every texture on one page, every mesh drawn with
// the fixed-function pipeline on another (the viewer's scene from four angles, then each model).
#include <algorithm>
#include <cmath>
#include <functional>

#include "camera/camera.h"
#include "content/content_paths.h"
#include "content/loading.h"
#include "content/materials.h"
#include "render/renderer.h"
#include "tests/content/content_support.h"

namespace {

// Draws into a target of the sheet's size, inside BeginScene/EndScene, then saves it.
void Render(UINT width, UINT height, const char* file, const std::function<void(IDirect3DDevice9*)>& draw)
{
    IDirect3DDevice9* d = SharedTestDevice();
    Target t = MakeTarget(d, width, height);
    BeginTarget(d, t, D3DCOLOR_XRGB(40, 40, 48));
    d->BeginScene();
    draw(d);
    d->EndScene();
    SaveScreenshot(t.surface, file);
    ReleaseTarget(t);
}

// Fixed function needs normals: meshes without them get computed ones. The terrain is coloured
// by the height it is placed at: sea floor, beach, grass, rock, snow.
Com<ID3DXMesh> Drawable(const char* path, bool colourByHeight = false)
{
    Com<ID3DXMesh> out;
    LoadedMesh m = ReadMesh(path);
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | (colourByHeight ? D3DFVF_DIFFUSE : 0) | D3DFVF_TEX1;
    if (!m.mesh.p || FAILED(m.mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, fvf, SharedTestDevice(), &out.p))) return out;
    if (!(m.mesh->GetFVF() & D3DFVF_NORMAL)) D3DXComputeNormals(out.p, nullptr);
    struct V { D3DXVECTOR3 p, n; D3DCOLOR c; float u, v; } *v = nullptr;
    if (!colourByHeight || FAILED(out->LockVertexBuffer(0, reinterpret_cast<void**>(&v)))) return out;
    for (DWORD i = 0; i < out->GetNumVertices(); ++i) {
        const float y = 0.15f * v[i].p.y + 0.4f;
        v[i].c = y < -1.0f ? D3DCOLOR_XRGB(120, 110, 90) : y < 0.25f ? D3DCOLOR_XRGB(225, 210, 160)
               : y < 2.6f ? D3DCOLOR_XRGB(90, 150, 60) : y < 3.5f ? D3DCOLOR_XRGB(130, 120, 110)
               : D3DCOLOR_XRGB(245, 245, 250);
    }
    out->UnlockVertexBuffer();
    return out;
}

void Lights(IDirect3DDevice9* d)
{
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 0.97f, 0.9f, 1};
    light.Direction = {0.4f, -0.8f, 0.45f};
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(80, 80, 90));
    d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    for (auto s : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER}) d->SetSamplerState(0, s, D3DTEXF_LINEAR);
}

// Every subset in one material colour (white: the texture as it is), or each in its own colour.
void Draw(IDirect3DDevice9* d, ID3DXMesh* mesh, const D3DXMATRIX& world, IDirect3DTexture9* texture, int subsets,
          D3DCOLORVALUE colour = {1, 1, 1, 1}, bool colourEachSubset = false)
{
    if (!mesh) return;
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetTexture(0, texture);
    for (int i = 0; i < subsets; ++i) {
        D3DMATERIAL9 material = {};
        material.Diffuse = material.Ambient =
            colourEachSubset ? D3DCOLORVALUE{0.5f + 0.5f * std::cos(i * 0.7f), 0.5f + 0.5f * std::cos(i * 0.7f + 2.1f),
                                             0.5f + 0.5f * std::cos(i * 0.7f + 4.2f), 1}
                             : colour;
        d->SetMaterial(&material);
        mesh->DrawSubset(i);
    }
}

// The viewer's scene, its water tiles see-through blue and drawn last.
void DrawScene(IDirect3DDevice9* d, const std::vector<RenderObject*>& scene)
{
    for (const RenderObject* o : scene)
        if (o->passMask != PassWater) Draw(d, o->mesh, o->world, o->material->texture, o->subsetCount);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    for (const RenderObject* o : scene)
        if (o->passMask == PassWater) Draw(d, o->mesh, o->world, nullptr, 1, {0.1f, 0.4f, 0.6f, 0.55f});
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

void Camera(IDirect3DDevice9* d, D3DXVECTOR3 eye, D3DXVECTOR3 at, float aspect)
{
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 up(0, 1, 0), offset = eye - at;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 0.785f, aspect, 0.05f * D3DXVec3Length(&offset), 2000);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &projection);
}

}  // namespace

void SaveTextureSheet(const char* file)
{
    const UINT columns = 6, cell = 200;
    Com<ID3DXSprite> sprite;
    D3DXCreateSprite(SharedTestDevice(), &sprite.p);
    Render(columns * cell, 3 * cell, file, [&](IDirect3DDevice9*) {
        for (UINT i = 0; i < 17; ++i) {
            Com<IDirect3DTexture9> texture = ReadTexture(TextureFiles[i]);
            if (!texture.p) continue;
            D3DSURFACE_DESC desc;
            texture->GetLevelDesc(0, &desc);
            const float s = 190.0f / std::max(desc.Width, desc.Height);
            const D3DXVECTOR2 scale(s, s), at(float(i % columns * cell + 5), float(i / columns * cell + 5));
            D3DXMATRIX m;
            D3DXMatrixTransformation2D(&m, nullptr, 0, &scale, nullptr, 0, &at);
            // The clouds are alpha over the sky.
            sprite->Begin(TextureFiles[i] == ContentPath::Clouds ? D3DXSPRITE_ALPHABLEND : 0);
            sprite->SetTransform(&m);
            sprite->Draw(texture.p, nullptr, nullptr, nullptr, 0xFFFFFFFF);
            sprite->End();
        }
    });
}

void SaveMeshSheet(const char* file)
{
    namespace P = ContentPath;
    Com<ID3DXMesh> terrain = Drawable(P::TerrainMesh, true), water = Drawable(P::WaterMesh),
                   dino = Drawable(P::DinoMesh), turtle = Drawable(P::TurtleMesh), turtleB = Drawable(P::TurtleMeshB),
                   tiger = Drawable(P::TigerMesh), sky = Drawable(P::SkyMesh);
    Com<IDirect3DTexture9> brown = ReadTexture(P::DinoBrown), orange = ReadTexture(P::DinoOrange),
                           shell = ReadTexture(P::TurtleTexture), shellB = ReadTexture(P::TurtleTextureB),
                           skin = ReadTexture(P::TigerTexture), skyImage = ReadTexture(P::Sky);
    // The scene is built over these, so it draws them where the viewer puts its own.
    TerrainMesh = terrain.p, WaterMesh = water.p, DinoMesh = dino.p, TurtleMesh = turtle.p;
    DinoBrownTexture = brown.p, DinoOrangeTexture = orange.p, TurtleTexture = shell.p;
    const std::vector<RenderObject*> scene = ViewerScene();
    TerrainMesh = WaterMesh = DinoMesh = TurtleMesh = nullptr;
    DinoBrownTexture = DinoOrangeTexture = TurtleTexture = nullptr;

    const UINT w = 400, h = 300;
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    using Cell = std::function<void(IDirect3DDevice9*)>;
    auto sceneFrom = [&](D3DXVECTOR3 eye, D3DXVECTOR3 at) -> Cell {
        return [&, eye, at](IDirect3DDevice9* d) { Camera(d, eye, at, float(w) / h); DrawScene(d, scene); };
    };
    auto model = [&](D3DXVECTOR3 eye, D3DXVECTOR3 at, ID3DXMesh* mesh, IDirect3DTexture9* texture, int subsets = 1,
                     bool colourEachSubset = false) -> Cell {
        return [=, &id](IDirect3DDevice9* d) {
            Camera(d, eye, at, float(w) / h);
            Draw(d, mesh, id, texture, subsets, {1, 1, 1, 1}, colourEachSubset);
        };
    };
    const Cell cells[] = {
        [&](IDirect3DDevice9* d) {  // the viewer's start view
            D3DXMATRIX projection;
            D3DXMatrixPerspectiveFovLH(&projection, 0.785398f, float(w) / h, 0.1f, 1000);
            d->SetTransform(D3DTS_VIEW, &MainCamera.view);
            d->SetTransform(D3DTS_PROJECTION, &projection);
            DrawScene(d, scene);
        },
        sceneFrom({0, 40, -0.1f}, {0, 0, 0}),
        sceneFrom({-1.2f, 2.4f, -3.2f}, {0.7f, 0.0f, 0.4f}),
        sceneFrom({12.0f, 2.5f, 1.0f}, {-3.0f, 1.0f, 2.0f}),
        model({1.2f, 1.0f, -1.8f}, {0, 0.5f, -0.1f}, dino.p, brown.p, 9),
        model({-2.2f, 0.7f, 0.3f}, {0, 0.45f, 0}, dino.p, orange.p, 9),
        model({1.3f, 1.9f, 1.2f}, {0, 0.45f, 0}, dino.p, nullptr, 9, true),
        model({120, 150, -170}, {0, 0, 0}, turtle.p, shell.p),
        model({-200, -60, 60}, {0, 0, 0}, turtleB.p, shellB.p),
        model({1.4f, 1.2f, -1.4f}, {0, 0.4f, 0}, tiger.p, skin.p),
        model({0, 60, -1}, {0, 200, 400}, sky.p, skyImage.p),
        [&](IDirect3DDevice9* d) {
            Camera(d, {0, 14, -20}, {0, 0, 0}, float(w) / h);
            d->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
            Draw(d, water.p, id, nullptr, 1);
            d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
        },
    };
    Render(4 * w, 3 * h, file, [&](IDirect3DDevice9* d) {
        Lights(d);
        for (UINT i = 0; i < 12; ++i) {
            const D3DVIEWPORT9 viewport = {i % 4 * w, i / 4 * h, w, h, 0, 1};
            d->SetViewport(&viewport);
            d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(150, 180, 210), 1, 0);
            cells[i](d);
        }
    });
}
