// RenderFrame and CopyToBackBuffer on the shared device, with recording effects; pixels are
// read back from the targets and the back buffer.
#include <gtest/gtest.h>

#include <algorithm>

#include "camera/camera.h"
#include "content/materials.h"
#include "gfx/device.h"
#include "render/frame.h"
#include "tests/unit/device_fixture.h"
#include "tests/unit/recording_doubles.h"

namespace {

const DWORD Sky = 0xFF4CCCFF;
const DWORD Red = 0xFFFF0000;

IDirect3DSurface9* BackBuffer()
{
    IDirect3DSurface9* surface = nullptr;
    Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
    return surface;  // caller releases
}

// Draws with real shaders: on BeginPass it binds a vertex shader that applies the World and
// ViewProj it was given, and a pixel shader that writes red.
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
        D3DXMatrixMultiply(&m, &world, &viewProj);
        D3DXMatrixTranspose(&m, &m);
        Device->SetVertexShaderConstantF(0, &m._11, 4);
        Device->SetVertexShader(vertexShader);
        Device->SetPixelShader(pixelShader);
        Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        return RecordingEffect::BeginPass(pass);
    }
    HRESULT STDMETHODCALLTYPE EndPass() override
    {
        Device->SetVertexShader(nullptr);
        Device->SetPixelShader(nullptr);
        return RecordingEffect::EndPass();
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
        if (FAILED(D3DXAssembleShader(source, static_cast<UINT>(strlen(source)), nullptr, nullptr, 0, &code, nullptr)))
            return nullptr;
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
    // Above the origin, looking down over the water plane.
    FlyingCamera camera{D3DXVECTOR3(0.0f, 2.0f, -4.0f), 0.0f, -0.5f};
    Material terrain{"Terrain", nullptr, nullptr, nullptr, 20.0f, D3DXVECTOR4(1, 1, 1, 1)};
    Material water{"Water", nullptr, nullptr, nullptr, 25.0f, D3DXVECTOR4(1, 1, 1, 1)};
    std::vector<RenderObject> objects;

    void SetUp() override
    {
        REQUIRE_DEVICE(true);
        Renderer& r = *TheRenderer;
        r.objects.clear();
        r.defaultEffect = &effect;
        r.postProcessEffect = &post;
        r.mainCamera = &camera;
        r.projection = &ProjectionMatrix;
    }

    void Add(ID3DXMesh* mesh, Material* material, unsigned mask)
    {
        RenderObject object;
        D3DXMatrixIdentity(&object.world);
        object.mesh = mesh;
        object.material = material;
        object.passMask = mask;
        objects.push_back(object);
    }
    void Attach()
    {
        for (RenderObject& o : objects) TheRenderer->objects.push_back(&o);
    }
};

TEST_F(FrameTest, PassMasksDecideHowOftenAnObjectIsDrawnAndWithWhichTechnique)
{
    RecordingMesh land(log, "land"), sea(log, "sea"), hidden(log, "hidden");
    Add(&land, &terrain, PassMain | PassHeight);
    Add(&sea, &water, PassWater);
    Add(&hidden, &terrain, 0);
    Attach();
    ASSERT_EQ(RenderFrame(), D3D_OK);

    EXPECT_EQ(CountCalls(log, "DrawSubset", "land"), 3);
    EXPECT_EQ(CountCalls(log, "DrawSubset", "sea"), 1);
    EXPECT_EQ(CountCalls(log, "DrawSubset", "hidden"), 0);

    std::vector<std::string> steps;
    for (const std::string& line : Summary(log))
        if (line.rfind("DrawSubset", 0) == 0 || line.rfind("SetTechnique", 0) == 0 || line == "SetTexture TerrainHeight" ||
            line == "SetMatrix HeightViewProj" || line.rfind("SetTexture Water", 0) == 0)
            steps.push_back(line);
    EXPECT_EQ(steps, (std::vector<std::string>{
                         "SetTechnique Terrain", "DrawSubset land",                               // reflection
                         "SetTechnique Height", "DrawSubset land",                                // height
                         "SetTexture TerrainHeight", "SetMatrix HeightViewProj",                  //
                         "SetTechnique Terrain", "DrawSubset land",                               // main
                         "SetTexture WaterReflection", "SetTexture WaterRefraction",              //
                         "SetTechnique Water", "DrawSubset sea"}));                               // water
    const Renderer& r = *TheRenderer;
    for (const Call& call : log) {
        const void* expected = call.name == "TerrainHeight"     ? r.heightTarget->texture
                               : call.name == "WaterReflection" ? r.reflectionTarget->texture
                               : call.name == "WaterRefraction" ? r.sceneTarget->texture
                                                                : call.object;
        EXPECT_EQ(call.object, expected) << call.name;
    }
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(Summary(log).front(), "SetVector SourceSize");
    EXPECT_EQ(log.front().values, (std::vector<float>{float(viewport.Width), float(viewport.Height), 0, 0}));
    EXPECT_EQ(Summary(postLog), (std::vector<std::string>{"SetTechnique Copy", "SetTexture CombineTexture",
                                                          "SetVector SourceSize", "Begin", "BeginPass", "EndPass",
                                                          "End"}));
    EXPECT_EQ(r.savedBackBuffer, nullptr);
}

TEST_F(FrameTest, EachPassGetsItsCameraReflectedOnlyInViewProjOfTheReflectionPass)
{
    ASSERT_EQ(RenderFrame(), D3D_OK);
    CallLog sent;
    for (const Call& call : log)
        if (call.method == "SetValue" || call.method == "SetMatrix") sent.push_back(call);
    const std::vector<std::string> onePass = {"SetValue CameraPosition", "SetValue CameraDirection", "SetMatrix ViewProj",
                                              "SetMatrix View"};
    std::vector<std::string> expected;
    for (int pass = 0; pass < 3; ++pass) {
        expected.insert(expected.end(), onePass.begin(), onePass.end());
        if (pass == 1) expected.push_back("SetMatrix HeightViewProj");
    }
    ASSERT_EQ(Summary(sent), expected);

    auto product = [](const D3DXMATRIX& a, const D3DXMATRIX& b) {
        D3DXMATRIX m;
        D3DXMatrixMultiply(&m, &a, &b);
        return std::vector<float>(&m._11, &m._11 + 16);
    };
    auto values = [](const D3DXMATRIX& m) { return std::vector<float>(&m._11, &m._11 + 16); };
    const FlyingCamera& height = *TheRenderer->heightCamera;
    // Reflection pass: the mirrored view only in ViewProj; position, direction and View unmirrored.
    EXPECT_EQ(sent[0].values, (std::vector<float>{0.0f, 2.0f, -4.0f}));
    EXPECT_GT(sent[1].values.at(2), 0.8f);
    EXPECT_LT(sent[1].values.at(1), -0.4f) << "looking down, not up at the mirror";
    EXPECT_EQ(sent[2].values, product(camera.reflectedView, ProjectionMatrix));
    EXPECT_EQ(sent[3].values, values(camera.view));
    // Height pass: straight down from (0, 100, 0), with the orthographic projection.
    EXPECT_EQ(sent[4].values, (std::vector<float>{0.0f, 100.0f, 0.0f}));
    EXPECT_NEAR(sent[5].values.at(0), 0.0f, 1e-6f);
    EXPECT_NEAR(sent[5].values.at(1), -1.0f, 1e-6f);
    EXPECT_NEAR(sent[5].values.at(2), 0.0f, 1e-6f);
    EXPECT_EQ(sent[6].values, product(height.view, *TheRenderer->heightProjection));
    EXPECT_EQ(sent[8].values, sent[6].values) << "HeightViewProj is the height pass's ViewProj";
    // Main pass.
    EXPECT_EQ(sent[9].values, sent[0].values);
    EXPECT_EQ(sent[10].values, sent[1].values);
    EXPECT_EQ(sent[11].values, product(camera.view, ProjectionMatrix));
    EXPECT_EQ(sent[12].values, values(camera.view));
}

TEST_F(FrameTest, TheReflectionClipPlaneKeepsWhatLiesAboveSevenHundredthsBelowTheWater)
{
    ShadingEffect shading(log);
    ASSERT_TRUE(shading.Ready());
    TheRenderer->defaultEffect = &shading;
    for (float y : {-0.05f, -0.1f}) {
        // A square 6 units wide, turned to lie flat at height y.
        ID3DXMesh* square = nullptr;
        ASSERT_EQ(D3DXCreatePolygon(Device, 6.0f, 4, &square, nullptr), D3D_OK);
        objects.clear();
        TheRenderer->objects.clear();
        Add(square, &terrain, PassMain);
        D3DXMATRIX flat, lift;
        D3DXMatrixMultiply(&objects.back().world, D3DXMatrixRotationX(&flat, D3DX_PI / 2),
                           D3DXMatrixTranslation(&lift, 0, y, 0));
        Attach();
        ASSERT_EQ(RenderFrame(), D3D_OK);
        const size_t reflected = CountRgb(ReadPixels(Device, TheRenderer->reflectionTarget->surface), Red);
        const size_t seen = CountRgb(ReadPixels(Device, TheRenderer->sceneTarget->surface), Red);
        square->Release();
        EXPECT_GT(seen, 10000u) << "the main pass shows the square at y = " << y;
        if (y > -0.07f) {
            EXPECT_GT(reflected, 10000u) << "reflected at y = " << y;
        } else {
            EXPECT_EQ(reflected, 0u) << "clipped at y = " << y;
        }
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
    TheRenderer->defaultEffect = &effect;
    TheRenderer->postProcessEffect = &post;
    TheRenderer->mainCamera = &camera;
    TheRenderer->projection = &ProjectionMatrix;

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
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    IDirect3DTexture9* marker = nullptr;
    ASSERT_EQ(D3DXCreateTexture(Device, viewport.Width, viewport.Height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                D3DPOOL_DEFAULT, &marker),
              D3D_OK);
    IDirect3DSurface9* markerSurface = nullptr;
    marker->GetSurfaceLevel(0, &markerSurface);
    IDirect3DSurface9* backBuffer = BackBuffer();
    Device->SetRenderTarget(0, markerSurface);
    Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);

    ASSERT_EQ(Device->BeginScene(), D3D_OK);  // so that RenderFrame's own BeginScene fails
    RenderFrame();
    EXPECT_TRUE(log.empty()) << "nothing set on the effect";
    EXPECT_TRUE(postLog.empty());
    EXPECT_EQ(CurrentTarget(), markerSurface) << "no target bound";
    EXPECT_EQ(TheRenderer->savedBackBuffer, nullptr);
    EXPECT_EQ(Device->EndScene(), D3D_OK) << "RenderFrame must not have ended the scene";
    const std::vector<DWORD> pixels = ReadPixels(Device, markerSurface);
    EXPECT_EQ(CountRgb(pixels, 0xFF123456), pixels.size()) << "nothing cleared";

    Device->SetRenderTarget(0, backBuffer);
    backBuffer->Release();
    markerSurface->Release();
    marker->Release();
}

TEST_F(FrameTest, TheCopyScalesTheSourceToCoverTheWholeBackBuffer)
{
    IDirect3DSurface9* backBuffer = BackBuffer();
    ASSERT_NE(backBuffer, nullptr);
    D3DVIEWPORT9 viewport;
    Device->GetViewport(&viewport);
    Renderer& r = *TheRenderer;
    for (UINT divisor : {1u, 2u}) {
        const DWORD colour = divisor == 1 ? 0xFF20A040 : 0xFF8040C0;
        IDirect3DTexture9* source = MakeTexture(Device, viewport.Width / divisor, viewport.Height / divisor,
                        std::vector<DWORD>(viewport.Width / divisor * (viewport.Height / divisor), colour));
        ASSERT_NE(source, nullptr);
        D3DSURFACE_DESC desc;
        source->GetLevelDesc(0, &desc);
        Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        postLog.clear();
        ASSERT_EQ(Device->BeginScene(), D3D_OK);
        BindRenderTarget(r, r.sceneTarget);
        CopyToBackBuffer(source);
        Device->EndScene();

        D3DXMATRIX transform;
        r.sprite->GetTransform(&transform);
        EXPECT_FLOAT_EQ(transform._11, float(viewport.Width) / float(desc.Width)) << "divisor " << divisor;
        EXPECT_FLOAT_EQ(transform._22, float(viewport.Height) / float(desc.Height)) << "divisor " << divisor;
        EXPECT_NEAR(transform._11, float(divisor), 0.01f);
        EXPECT_NEAR(transform._22, float(divisor), 0.01f);
        EXPECT_EQ(transform._33, 1.0f);
        EXPECT_EQ(CurrentTarget(), backBuffer);
        EXPECT_EQ(r.savedBackBuffer, nullptr);
        DWORD zenable = 0;
        Device->GetRenderState(D3DRS_ZENABLE, &zenable);
        EXPECT_EQ(zenable, static_cast<DWORD>(D3DZB_TRUE));
        ASSERT_GE(postLog.size(), 3u);
        EXPECT_EQ(postLog[1].object, nullptr) << "CombineTexture holds no texture";
        EXPECT_EQ(postLog[2].values, (std::vector<float>{float(desc.Width), float(desc.Height), 0, 0}));
        const std::vector<DWORD> pixels = ReadPixels(Device, backBuffer);
        EXPECT_EQ(CountRgb(pixels, colour), pixels.size()) << "divisor " << divisor;
        source->Release();
    }
    backBuffer->Release();
}

}  // namespace
