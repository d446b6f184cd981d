// The render targets, RenderFrame and CopyToBackBuffer on the shared device, with recording
// effects; pixels are read back from the targets and the back buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "camera/camera.h"
#include "content/materials.h"
#include "gfx/device.h"
#include "render/frame.h"
#include "tests/unit/device_fixture.h"
#include "tests/unit/matrix_expect.h"
#include "tests/unit/recording_doubles.h"

namespace {

using Lines = std::vector<std::string>;
const DWORD Sky = 0xFF4CCCFF;
const DWORD Red = 0xFFFF0000;
const D3DXMATRIX Identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

IDirect3DSurface9* BackBuffer()  // the caller releases it
{
    IDirect3DSurface9* surface = nullptr;
    Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
    return surface;
}

std::vector<float> Product(const D3DXMATRIX& a, const D3DXMATRIX& b)
{
    D3DXMATRIX m;
    return Values(*D3DXMatrixMultiply(&m, &a, &b));
}

Lines Join(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Draws with real shaders: BeginPass binds a vertex shader that applies the World and ViewProj
// it was given, and a pixel shader that writes red. The copy's sprite unbinds them.
class ShadingEffect : public RecordingEffect {
public:
    explicit ShadingEffect(CallLog& log) : RecordingEffect(log)
    {
        vertexShader = Make<IDirect3DVertexShader9>("vs_2_0\ndcl_position v0\nm4x4 oPos, v0, c0\n");
        pixelShader = Make<IDirect3DPixelShader9>("ps_2_0\ndef c0, 1, 0, 0, 1\nmov oC0, c0\n");
    }
    ~ShadingEffect() override
    {
        if (vertexShader) vertexShader->Release();
        if (pixelShader) pixelShader->Release();
    }
    bool Ready() const { return vertexShader && pixelShader; }

    HRESULT STDMETHODCALLTYPE SetMatrix(D3DXHANDLE p, const D3DXMATRIX* m) override
    {
        if (std::string(p) == "World") world = *m;
        if (std::string(p) == "ViewProj") viewProj = *m;
        return RecordingEffect::SetMatrix(p, m);
    }
    HRESULT STDMETHODCALLTYPE BeginPass(UINT pass) override
    {
        D3DXMATRIX m;
        D3DXMatrixTranspose(&m, D3DXMatrixMultiply(&m, &world, &viewProj));
        Device->SetVertexShaderConstantF(0, &m._11, 4);
        Device->SetVertexShader(vertexShader);
        Device->SetPixelShader(pixelShader);
        Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        return RecordingEffect::BeginPass(pass);
    }

private:
    IDirect3DVertexShader9* vertexShader = nullptr;
    IDirect3DPixelShader9* pixelShader = nullptr;
    D3DXMATRIX world, viewProj;

    template <class Shader>
    Shader* Make(const char* source)
    {
        ID3DXBuffer* code = nullptr;
        Shader* shader = nullptr;
        if (FAILED(D3DXAssembleShader(source, UINT(strlen(source)), nullptr, nullptr, 0, &code, nullptr))) return nullptr;
        const DWORD* bytes = static_cast<const DWORD*>(code->GetBufferPointer());
        if constexpr (std::is_same_v<Shader, IDirect3DVertexShader9>) Device->CreateVertexShader(bytes, &shader);
        else Device->CreatePixelShader(bytes, &shader);
        code->Release();
        return shader;
    }
};

class FrameTest : public testing::Test {
protected:
    GlobalStateGuard guard;
    CallLog log, postLog;
    RecordingEffect effect{log};
    RecordingEffect post{postLog};
    FlyingCamera camera{D3DXVECTOR3(0.0f, 2.0f, -4.0f), 0.0f, -0.5f};  // looking down over the water
    Material terrain{"Terrain", nullptr, nullptr, nullptr, 20.0f, D3DXVECTOR4(1, 1, 1, 1)};
    Material water{"Water", nullptr, nullptr, nullptr, 25.0f, D3DXVECTOR4(1, 1, 1, 1)};
    std::vector<RenderObject> objects;

    void SetUp() override
    {
        REQUIRE_DEVICE(true);
        Wire();
    }
    void Wire()
    {
        Renderer& r = *TheRenderer;
        r.objects.clear();
        r.defaultEffect = &effect;
        r.postProcessEffect = &post;
        r.mainCamera = &camera;
        r.projection = &ProjectionMatrix;
    }
    void Add(ID3DXMesh* mesh, Material* material, unsigned mask, const D3DXMATRIX& world = Identity)
    {
        objects.push_back({world, mesh, material, mask, 1});
        TheRenderer->objects.clear();
        for (RenderObject& o : objects) TheRenderer->objects.push_back(&o);
    }
};

// The whole frame's effect calls: mask 3 is drawn in the reflection, height and main passes,
// mask 4 in the water pass, mask 0 never; each pass with its camera, target and technique.
TEST_F(FrameTest, OneFrameRunsThePassesInOrderWithTheirMasksCamerasAndTargets)
{
    RecordingMesh land(log, "land"), sea(log, "sea"), hidden(log, "hidden");
    Add(&land, &terrain, PassMain | PassHeight);
    Add(&sea, &water, PassWater);
    Add(&hidden, &terrain, 0);
    ASSERT_EQ(RenderFrame(), D3D_OK);

    const Lines cameraSet = {"SetValue CameraPosition", "SetValue CameraDirection", "SetMatrix ViewProj", "SetMatrix View"};
    const auto draw = [](const std::string& technique, const std::string& mesh) {
        return Lines{"SetFloat specPower", "SetVector specColor", "SetMatrix World", "SetTechnique " + technique,
                     "Begin", "BeginPass", "DrawSubset " + mesh, "EndPass", "End"};
    };
    EXPECT_EQ(Summary(log), Join({{"SetVector SourceSize"}, cameraSet, draw("Terrain", "land"),           // reflection
                                  cameraSet, draw("Height", "land"),                                      // height
                                  {"SetTexture TerrainHeight", "SetMatrix HeightViewProj"},              //
                                  cameraSet, draw("Terrain", "land"),                                     // main
                                  {"SetTexture WaterReflection", "SetTexture WaterRefraction"}, draw("Water", "sea")}));
    EXPECT_EQ(Summary(postLog), (Lines{"SetTechnique Copy", "SetTexture CombineTexture", "SetVector SourceSize", "Begin",
                                       "BeginPass", "EndPass", "End"}));
    const Renderer& r = *TheRenderer;
    EXPECT_EQ(r.savedBackBuffer, nullptr);
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    EXPECT_EQ(log.front().values, (std::vector<float>{float(viewport.Width), float(viewport.Height), 0, 0}));

    CallLog sent;  // camera parameters and HeightViewProj, textures
    std::map<std::string, const void*> textures;
    for (const Call& call : log) {
        if ((call.method == "SetValue" || call.method == "SetMatrix") && call.name != "World") sent.push_back(call);
        if (call.method == "SetTexture") textures[call.name] = call.object;
    }
    EXPECT_EQ(textures["TerrainHeight"], r.heightTarget->texture);
    EXPECT_EQ(textures["WaterReflection"], r.reflectionTarget->texture);
    EXPECT_EQ(textures["WaterRefraction"], r.sceneTarget->texture);
    ASSERT_EQ(sent.size(), 13u);
    // Reflection pass: the mirrored view only in ViewProj; position, direction and View unmirrored.
    EXPECT_EQ(sent[0].values, (std::vector<float>{0.0f, 2.0f, -4.0f}));
    EXPECT_GT(sent[1].values.at(2), 0.8f);
    EXPECT_LT(sent[1].values.at(1), -0.4f) << "looking down, not up at the mirror";
    EXPECT_EQ(sent[2].values, Product(camera.reflectedView, ProjectionMatrix));
    EXPECT_EQ(sent[3].values, Values(camera.view));
    // Height pass: straight down from (0, 100, 0), with the orthographic projection.
    EXPECT_EQ(sent[4].values, (std::vector<float>{0.0f, 100.0f, 0.0f}));
    ExpectVector(D3DXVECTOR3(sent[5].values.data()), 0, -1, 0, 1e-6f);
    EXPECT_EQ(sent[6].values, Product(r.heightCamera->view, *r.heightProjection));
    EXPECT_EQ(sent[8].values, sent[6].values) << "HeightViewProj is the height pass's ViewProj";
    // Main pass.
    EXPECT_EQ(sent[9].values, sent[0].values);
    EXPECT_EQ(sent[10].values, sent[1].values);
    EXPECT_EQ(sent[11].values, Product(camera.view, ProjectionMatrix));
    EXPECT_EQ(sent[12].values, Values(camera.view));

    // Nothing the height pass draws moves: later frames keep its image, new targets get it again.
    const auto heightPasses = [&] {
        log.clear();
        RenderFrame();
        const Lines calls = Summary(log);
        return std::count(calls.begin(), calls.end(), "SetTexture TerrainHeight");
    };
    EXPECT_EQ(heightPasses(), 0);
    ReleaseRenderTargets(*TheRenderer);
    CreateRenderTargets(*TheRenderer);
    EXPECT_EQ(heightPasses(), 1);
}

TEST_F(FrameTest, TheReflectionClipPlaneKeepsWhatLiesAboveSevenHundredthsBelowTheWater)
{
    ShadingEffect shading(log);
    ASSERT_TRUE(shading.Ready());
    TheRenderer->defaultEffect = &shading;
    for (float y : {-0.05f, -0.1f}) {
        ID3DXMesh* square = nullptr;  // 6 units wide, turned to lie flat at height y
        ASSERT_EQ(D3DXCreatePolygon(Device, 6.0f, 4, &square, nullptr), D3D_OK);
        D3DXMATRIX flat, lift, world;
        D3DXMatrixMultiply(&world, D3DXMatrixRotationX(&flat, D3DX_PI / 2), D3DXMatrixTranslation(&lift, 0, y, 0));
        objects.clear();
        Add(square, &terrain, PassMain, world);
        ASSERT_EQ(RenderFrame(), D3D_OK);
        const size_t reflected = CountRgb(ReadPixels(Device, TheRenderer->reflectionTarget->surface), Red);
        const size_t seen = CountRgb(ReadPixels(Device, TheRenderer->sceneTarget->surface), Red);
        square->Release();
        EXPECT_GT(seen, 10000u) << "the main pass shows the square at y = " << y;
        // Kept above -0.07 (many pixels reflected), clipped below (none).
        EXPECT_TRUE(y > -0.07f ? reflected > 10000u : reflected == 0u) << reflected << " reflected at y = " << y;
    }
}

TEST_F(FrameTest, AnEmptySceneShowsTheSkyColour)
{
    // A discarding swap chain leaves the back buffer undefined after Present: read it back
    // from a device of its own that copies instead.
    PrivateDevice own;
    ASSERT_TRUE(own.ok);
    PresentParams.SwapEffect = D3DSWAPEFFECT_COPY;
    ASSERT_EQ(Device->Reset(&PresentParams), D3D_OK);
    CreateRenderTargets(*TheRenderer);
    Wire();
    IDirect3DSurface9* backBuffer = BackBuffer();
    ASSERT_NE(backBuffer, nullptr);
    Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(RenderFrame(), D3D_OK);
    const std::vector<DWORD> pixels = ReadPixels(Device, backBuffer);
    backBuffer->Release();
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(CountRgb(pixels, Sky), pixels.size());
    EXPECT_EQ(postLog.size(), 7u) << "the cleared scene image was copied";
}

TEST_F(FrameTest, AFrameThatCannotBeginOnlyPresents)
{
    IDirect3DSurface9 *marked = TheRenderer->sceneTarget->surface, *backBuffer = BackBuffer();
    Device->SetRenderTarget(0, marked);
    Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
    ASSERT_EQ(Device->BeginScene(), D3D_OK);  // so that RenderFrame's own BeginScene fails
    RenderFrame();
    EXPECT_TRUE(log.empty() && postLog.empty()) << "nothing set on the effects";
    EXPECT_EQ(CurrentTarget(), marked) << "no target bound";
    EXPECT_EQ(TheRenderer->savedBackBuffer, nullptr);
    EXPECT_EQ(Device->EndScene(), D3D_OK) << "RenderFrame must not have ended the scene";
    const std::vector<DWORD> pixels = ReadPixels(Device, marked);
    EXPECT_EQ(CountRgb(pixels, 0xFF123456), pixels.size()) << "nothing cleared";
    Device->SetRenderTarget(0, backBuffer);
    backBuffer->Release();
}

TEST_F(FrameTest, TheCopyScalesTheSourceToCoverTheWholeBackBuffer)
{
    IDirect3DSurface9* backBuffer = BackBuffer();
    ASSERT_NE(backBuffer, nullptr);
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    Renderer& r = *TheRenderer;
    for (UINT divisor : {1u, 2u}) {
        SCOPED_TRACE(testing::Message() << "divisor " << divisor);
        const DWORD colour = divisor == 1 ? 0xFF20A040 : 0xFF8040C0;
        const UINT width = viewport.Width / divisor, height = viewport.Height / divisor;
        IDirect3DTexture9* source = MakeTexture(Device, width, height, std::vector<DWORD>(width * height, colour));
        ASSERT_NE(source, nullptr);
        Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        postLog.clear();
        ASSERT_EQ(Device->BeginScene(), D3D_OK);
        BindRenderTarget(r, r.sceneTarget);
        CopyToBackBuffer(source);
        Device->EndScene();

        D3DXMATRIX transform;
        r.sprite->GetTransform(&transform);
        EXPECT_FLOAT_EQ(transform._11, float(viewport.Width) / float(width));
        EXPECT_FLOAT_EQ(transform._22, float(viewport.Height) / float(height));
        EXPECT_EQ(CurrentTarget(), backBuffer);
        EXPECT_EQ(r.savedBackBuffer, nullptr);
        DWORD zenable = 0;
        Device->GetRenderState(D3DRS_ZENABLE, &zenable);
        EXPECT_EQ(zenable, DWORD(D3DZB_TRUE));
        ASSERT_GE(postLog.size(), 3u);
        EXPECT_EQ(postLog[1].object, nullptr) << "CombineTexture holds no texture";
        EXPECT_EQ(postLog[2].values, (std::vector<float>{float(width), float(height), 0, 0}));
        const std::vector<DWORD> pixels = ReadPixels(Device, backBuffer);
        EXPECT_EQ(CountRgb(pixels, colour), pixels.size());
        source->Release();
    }
    backBuffer->Release();
}

// Remade as after a reset: viewport-sized, distinct, each surface its texture's level 0. Then
// three binds fetch the back buffer once, and the restore gives it back with its count.
TEST_F(FrameTest, RemadeTargetsAndThreeBindsThatFetchTheBackBufferOnce)
{
    Renderer& r = *TheRenderer;
    ReleaseRenderTargets(r);
    EXPECT_TRUE(!r.sprite && !r.sceneTarget && !r.reflectionTarget && !r.heightTarget);
    CreateRenderTargets(r);
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    EXPECT_NE(r.sprite, nullptr);
    for (RenderTarget* t : {r.sceneTarget, r.reflectionTarget, r.heightTarget}) {
        ASSERT_TRUE(t && t->texture && t->surface);
        D3DSURFACE_DESC desc;
        t->texture->GetLevelDesc(0, &desc);
        EXPECT_TRUE(desc.Width == viewport.Width && desc.Height == viewport.Height && desc.Format == D3DFMT_A8R8G8B8);
        IDirect3DSurface9* level0 = nullptr;
        t->texture->GetSurfaceLevel(0, &level0);
        EXPECT_EQ(level0, t->surface);
        level0->Release();
    }
    EXPECT_TRUE(r.sceneTarget->texture != r.reflectionTarget->texture &&
                r.reflectionTarget->texture != r.heightTarget->texture);

    ASSERT_EQ(r.savedBackBuffer, nullptr);
    IDirect3DSurface9* backBuffer = CurrentTarget();
    const ULONG before = RefCount(backBuffer);
    BindRenderTarget(r, r.reflectionTarget);
    EXPECT_EQ(r.savedBackBuffer, backBuffer);
    EXPECT_EQ(CurrentTarget(), r.reflectionTarget->surface);
    BindRenderTarget(r, r.heightTarget);
    BindRenderTarget(r, r.sceneTarget);
    EXPECT_EQ(CurrentTarget(), r.sceneTarget->surface);
    EXPECT_EQ(RefCount(backBuffer), before + 1) << "one fetch for the frame, however many binds";
    BindRenderTarget(r, nullptr);
    EXPECT_EQ(CurrentTarget(), backBuffer);
    EXPECT_EQ(r.savedBackBuffer, nullptr);
    EXPECT_EQ(RefCount(backBuffer), before);
    D3DSURFACE_DESC desc;
    backBuffer->GetDesc(&desc);
    Device->GetViewport(&viewport);
    EXPECT_TRUE(viewport.Width == desc.Width && viewport.Height == desc.Height) << "the viewport is the back buffer's";
}

}  // namespace
