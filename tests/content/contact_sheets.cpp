// Contact sheets for looking at the content: every texture on one page, every mesh drawn
// with the fixed-function pipeline on another (the island scene as placed, then each model).
#include "content/content_paths.h"
#include "content_support.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

struct Target {
    Com<IDirect3DTexture9> colour;
    Com<IDirect3DSurface9> surface, depth;
};

Target MakeTarget(UINT w, UINT h)
{
    IDirect3DDevice9* d = TestDevice();
    Target t;
    D3DXCreateTexture(d, w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t.colour.p);
    if (t.colour.p) t.colour->GetSurfaceLevel(0, &t.surface.p);
    d->CreateDepthStencilSurface(w, h, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &t.depth.p, nullptr);
    return t;
}

void Save(const Target& t, UINT w, UINT h, const char* file)
{
    Com<IDirect3DSurface9> copy;
    TestDevice()->CreateOffscreenPlainSurface(w, h, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy.p, nullptr);
    if (!copy.p || FAILED(TestDevice()->GetRenderTargetData(t.surface.p, copy.p))) return;
    D3DXSaveSurfaceToFileA((ScreenshotDir() + "/" + file).c_str(), D3DXIFF_PNG, copy.p, nullptr, nullptr);
}

// Draws into one cell after binding the target, inside BeginScene/EndScene.
void Render(const Target& t, const std::function<void(IDirect3DDevice9*)>& draw)
{
    IDirect3DDevice9* d = TestDevice();
    Com<IDirect3DSurface9> oldColour, oldDepth;
    d->GetRenderTarget(0, &oldColour.p);
    d->GetDepthStencilSurface(&oldDepth.p);
    d->SetRenderTarget(0, t.surface.p);
    d->SetDepthStencilSurface(t.depth.p);
    d->BeginScene();
    draw(d);
    d->EndScene();
    d->SetRenderTarget(0, oldColour.p);
    d->SetDepthStencilSurface(oldDepth.p);
}

void SetCell(IDirect3DDevice9* d, DWORD x, DWORD y, DWORD w, DWORD h, D3DCOLOR background)
{
    D3DVIEWPORT9 vp = {x, y, w, h, 0, 1};
    d->SetViewport(&vp);
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1, 0);
}

}  // namespace

void SaveTextureSheet(const char* file)
{
    using namespace ContentPath;
    const char* paths[] = {WhiteSand, Terrain1, Terrain2, Terrain3, TerrainHeightmap, WaterTexture,
                           WaterHeight, WaterNormalHeight, TurtleTexture, TurtleTextureB, DinoBrown, DinoOrange,
                           DinoBump, Sky, SkyStars, Clouds, TigerTexture};
    const UINT cols = 6, cell = 200, w = cols * cell, h = 3 * cell;
    Target t = MakeTarget(w, h);
    Com<ID3DXSprite> sprite;
    D3DXCreateSprite(TestDevice(), &sprite.p);
    if (!t.surface.p || !sprite.p) return;
    Render(t, [&](IDirect3DDevice9* d) {
        SetCell(d, 0, 0, w, h, D3DCOLOR_XRGB(40, 40, 48));
        for (UINT i = 0; i < sizeof paths / sizeof *paths; ++i) {
            Com<IDirect3DTexture9> tex = LoadTexture(paths[i]);
            if (!tex.p) continue;
            D3DSURFACE_DESC desc;
            tex->GetLevelDesc(0, &desc);
            const float s = 190.0f / std::max(desc.Width, desc.Height);
            D3DXMATRIX m;
            const D3DXVECTOR2 scale(s, s), at(float(i % cols * cell + 5), float(i / cols * cell + 5));
            D3DXMatrixTransformation2D(&m, nullptr, 0, &scale, nullptr, 0, &at);
            const bool blend = paths[i] == Clouds;  // the clouds are alpha over the sky
            sprite->Begin(blend ? D3DXSPRITE_ALPHABLEND : 0);
            sprite->SetTransform(&m);
            sprite->Draw(tex.p, nullptr, nullptr, nullptr, 0xFFFFFFFF);
            sprite->End();
        }
    });
    Save(t, w, h, file);
}

namespace {

struct Drawable {
    Com<ID3DXMesh> mesh;
    DWORD subsets = 1;
};

// Fixed-function needs normals: meshes without them get computed ones.
Drawable WithNormals(const char* path, bool colourByHeight = false)
{
    Drawable out;
    LoadedMesh m = LoadMesh(path);
    if (!m.mesh.p) return out;
    out.subsets = std::max<DWORD>(m.materials, 1);
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | (colourByHeight ? D3DFVF_DIFFUSE : 0) | D3DFVF_TEX1;
    m.mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, fvf, TestDevice(), &out.mesh.p);
    if (!out.mesh.p) return out;
    if (!(m.mesh->GetFVF() & D3DFVF_NORMAL)) D3DXComputeNormals(out.mesh.p, nullptr);
    if (colourByHeight) {
        struct V { D3DXVECTOR3 p, n; D3DCOLOR c; float u, v; };
        V* v = nullptr;
        out.mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
        for (DWORD i = 0; i < out.mesh->GetNumVertices(); ++i) {
            const float y = 0.15f * v[i].p.y + 0.4f;  // world height of the placed tile
            v[i].c = y < -1.0f ? D3DCOLOR_XRGB(120, 110, 90) : y < 0.25f ? D3DCOLOR_XRGB(225, 210, 160)
                   : y < 2.6f ? D3DCOLOR_XRGB(90, 150, 60) : y < 3.5f ? D3DCOLOR_XRGB(130, 120, 110)
                   : D3DCOLOR_XRGB(245, 245, 250);
        }
        out.mesh->UnlockVertexBuffer();
    }
    return out;
}

struct SceneAssets {
    Drawable terrain, water, dino, turtle, turtleB, tiger, sky;
    Com<IDirect3DTexture9> brown, orange, shell, shellB, tigerSkin, skyTex;
};

void Lights(IDirect3DDevice9* d)
{
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 0.97f, 0.9f, 1};
    D3DXVECTOR3 dir(0.4f, -0.8f, 0.45f);
    D3DXVec3Normalize(reinterpret_cast<D3DXVECTOR3*>(&light.Direction), &dir);
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(80, 80, 90));
    d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    for (D3DSAMPLERSTATETYPE s : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER}) d->SetSamplerState(0, s, D3DTEXF_LINEAR);
}

void Draw(IDirect3DDevice9* d, const Drawable& m, const D3DXMATRIX& world, IDirect3DTexture9* tex,
          const D3DCOLORVALUE* subsetColours = nullptr)
{
    if (!m.mesh.p) return;
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetTexture(0, tex);
    for (DWORD i = 0; i < m.subsets; ++i) {
        D3DMATERIAL9 mat = {};
        mat.Diffuse = mat.Ambient = subsetColours ? subsetColours[i] : D3DCOLORVALUE{1, 1, 1, 1};
        d->SetMaterial(&mat);
        m.mesh->DrawSubset(i);
    }
}

void DrawWater(IDirect3DDevice9* d, const Drawable& water)
{
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    const D3DCOLORVALUE blue = {0.1f, 0.4f, 0.6f, 0.55f};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            D3DXMATRIX s, t, m, scale, world;
            D3DXMatrixScaling(&s, 30, 30, 30);
            D3DXMatrixTranslation(&t, j * 750.0f - 1125, 0, i * 750.0f - 1125);
            D3DXMatrixScaling(&scale, 0.01f, 0.01f, 0.01f);
            D3DXMatrixMultiply(&m, &s, &t);
            D3DXMatrixMultiply(&world, &m, &scale);
            Draw(d, water, world, nullptr, &blue);
        }
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

void DrawScene(IDirect3DDevice9* d, const SceneAssets& a)
{
    for (float z : {-750.0f, 750.0f})
        for (float x : {-750.0f, 750.0f}) Draw(d, a.terrain, TerrainWorld(x, z), nullptr);
    Draw(d, a.dino, BrownDinoWorld(), a.brown.p);
    Draw(d, a.dino, OrangeDinoWorld(), a.orange.p);
    Draw(d, a.turtle, TurtleWorld(), a.shell.p);
    DrawWater(d, a.water);
}

void Camera(IDirect3DDevice9* d, D3DXVECTOR3 eye, D3DXVECTOR3 at, float aspect)
{
    D3DXMATRIX view, proj;
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    const D3DXVECTOR3 offset = eye - at;
    D3DXMatrixPerspectiveFovLH(&proj, 0.785f, aspect, 0.05f * D3DXVec3Length(&offset), 2000);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &proj);
}

// The viewer's starting camera: Translation(-position) x RotationY(yaw) x RotationX(pitch).
void MainCameraView(IDirect3DDevice9* d, float aspect)
{
    D3DXMATRIX t, ry, rx, view, proj;
    D3DXMatrixTranslation(&t, 1.0f, -3.7f, 14.0f);
    D3DXMatrixRotationY(&ry, 0.1f);
    D3DXMatrixRotationX(&rx, -0.25f);
    view = t * ry * rx;
    D3DXMatrixPerspectiveFovLH(&proj, 0.785398f, aspect, 0.1f, 1000);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &proj);
}

void TopView(IDirect3DDevice9* d)
{
    D3DXMATRIX view, proj;
    const D3DXVECTOR3 eye(0, 100, 0), at(0, 0, 0), up(0, 0, 1);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixOrthoLH(&proj, 40, 30, 1, 200);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &proj);
}

SceneAssets LoadAssets()
{
    using namespace ContentPath;
    SceneAssets a;
    a.terrain = WithNormals(TerrainMesh, true);
    a.water = WithNormals(WaterMesh);
    a.dino = WithNormals(DinoMesh);
    a.turtle = WithNormals(TurtleMesh);
    a.turtleB = WithNormals(TurtleMeshB);
    a.tiger = WithNormals(TigerMesh);
    a.sky = WithNormals(SkyMesh);
    a.brown = LoadTexture(DinoBrown);
    a.orange = LoadTexture(DinoOrange);
    a.shell = LoadTexture(TurtleTexture);
    a.shellB = LoadTexture(TurtleTextureB);
    a.tigerSkin = LoadTexture(TigerTexture);
    a.skyTex = LoadTexture(Sky);
    return a;
}

}  // namespace

void SaveMeshSheet(const char* file)
{
    // Two large views of the placed scene on top, then three rows of four small cells.
    const UINT cw = 320, ch = 240, w = 4 * cw, h = 2 * ch + 3 * ch;
    const float aspect = float(cw) / ch;
    Target t = MakeTarget(w, h);
    if (!t.surface.p) return;
    SceneAssets a = LoadAssets();
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    const D3DCOLORVALUE subsetColours[9] = {{0.8f, 0.5f, 0.3f, 1}, {0.9f, 0.8f, 0.2f, 1}, {0.3f, 0.7f, 0.3f, 1},
                                            {0.2f, 0.5f, 0.9f, 1}, {0.5f, 0.3f, 0.9f, 1}, {0.9f, 0.3f, 0.6f, 1},
                                            {0.3f, 0.9f, 0.9f, 1}, {1, 1, 1, 1},          {0.9f, 0.2f, 0.2f, 1}};
    using CellDraw = std::function<void(IDirect3DDevice9*)>;
    const CellDraw large[] = {
        [&](IDirect3DDevice9* d) { MainCameraView(d, aspect); DrawScene(d, a); },
        [&](IDirect3DDevice9* d) { Camera(d, {-1.2f, 2.4f, -3.2f}, {0.7f, 0.0f, 0.4f}, aspect); DrawScene(d, a); },
    };
    const CellDraw small[] = {
        [&](IDirect3DDevice9* d) { TopView(d); DrawScene(d, a); },
        [&](IDirect3DDevice9* d) { Camera(d, {-9.0f, 5.5f, -1.5f}, {-5.1f, 2.8f, 3.9f}, aspect); DrawScene(d, a); },
        [&](IDirect3DDevice9* d) { Camera(d, {4.0f, 3.0f, 6.0f}, {-1.0f, 0.5f, 0.0f}, aspect); DrawScene(d, a); },
        [&](IDirect3DDevice9* d) { Camera(d, {12.0f, 2.5f, 1.0f}, {-3.0f, 1.0f, 2.0f}, aspect); DrawScene(d, a); },
        [&](IDirect3DDevice9* d) { Camera(d, {1.2f, 1.0f, -1.8f}, {0, 0.5f, -0.1f}, aspect); Draw(d, a.dino, id, a.brown.p); },
        [&](IDirect3DDevice9* d) { Camera(d, {-2.2f, 0.7f, 0.3f}, {0, 0.45f, 0}, aspect); Draw(d, a.dino, id, a.orange.p); },
        [&](IDirect3DDevice9* d) { Camera(d, {1.3f, 1.9f, 1.2f}, {0, 0.45f, 0}, aspect); Draw(d, a.dino, id, nullptr, subsetColours); },
        [&](IDirect3DDevice9* d) { Camera(d, {120, 150, -170}, {0, 0, 0}, aspect); Draw(d, a.turtle, id, a.shell.p); },
        [&](IDirect3DDevice9* d) { Camera(d, {-200, -60, 60}, {0, 0, 0}, aspect); Draw(d, a.turtleB, id, a.shellB.p); },
        [&](IDirect3DDevice9* d) { Camera(d, {1.4f, 1.2f, -1.4f}, {0, 0.4f, 0}, aspect); Draw(d, a.tiger, id, a.tigerSkin.p); },
        [&](IDirect3DDevice9* d) { Camera(d, {0, 60, -1}, {0, 200, 400}, aspect); Draw(d, a.sky, id, a.skyTex.p); },
        [&](IDirect3DDevice9* d) {
            Camera(d, {0, 14, -20}, {0, 0, 0}, aspect);
            d->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
            Draw(d, a.water, id, nullptr);
            d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
        },
    };
    const D3DCOLOR background = D3DCOLOR_XRGB(150, 180, 210);
    Render(t, [&](IDirect3DDevice9* d) {
        Lights(d);
        for (UINT i = 0; i < 2; ++i) {
            SetCell(d, i * 2 * cw, 0, 2 * cw, 2 * ch, background);
            large[i](d);
        }
        for (UINT i = 0; i < 12; ++i) {
            SetCell(d, i % 4 * cw, 2 * ch + i / 4 * ch, cw, ch, background);
            small[i](d);
        }
    });
    Save(t, w, h, file);
}
