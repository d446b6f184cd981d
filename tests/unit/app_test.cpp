// The loop's device test and the device set-up's failures.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "app/app.h"
#include "content/materials.h"
#include "content/loading.h"
#include "gfx/device.h"
#include "gfx/resource_lists.h"
#include "render/effect_names.h"
#include "tests/support/support.h"

// Lost: no frame, time still grows, only the reset path ends it. A failing Reset (a default-pool texture
// alive) keeps it lost and says so once; the next makes fresh effects with their start-up textures.
TEST(DeviceStep, LossSuspendsFramesNotTimeAndAResetRemakesTheEffects)
{
    REQUIRE_VIEWER();
    const float start = AccumulatedTime;
    for (HRESULT state : {D3DERR_DEVICELOST, D3D_OK, E_FAIL}) {
        UpdateQuietly();
        EXPECT_EQ(RunDeviceStep(state), FrameOutcome::NotRendered) << std::hex << state;
    }
    EXPECT_FLOAT_EQ(AccumulatedTime, start + 3 * 0.02f);

    IDirect3DTexture9* blocker = nullptr;
    ASSERT_EQ(D3DXCreateTexture(Device, 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &blocker),
              D3D_OK);
    testing::internal::CaptureStdout();
    for (int tries = 0; tries < 2; ++tries) EXPECT_EQ(RunDeviceStep(D3DERR_DEVICENOTRESET), FrameOutcome::NotRendered);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: Could not reset the device: 0x8876086C\n") << "said once";
    EXPECT_TRUE(DeviceLost && DefaultEffect == nullptr);
    UpdateQuietly();  // time values with no effects must not touch the released ones
    blocker->Release();
    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICENOTRESET), FrameOutcome::ResetAndRendered);
    EXPECT_FALSE(DeviceLost);
    ASSERT_TRUE(DefaultEffect && PostProcessEffect) << "the effects did not load again";
    ASSERT_EQ(EffectList, (std::vector<ID3DXEffect*>{DefaultEffect, PostProcessEffect}));
    const std::pair<const char*, IDirect3DTexture9*> bound[] = {
        {DefaultFx::Terrain0.name, Terrain0Texture}, {DefaultFx::Terrain1.name, Terrain1Texture},
        {DefaultFx::Terrain2.name, Terrain2Texture}, {DefaultFx::Terrain3.name, Terrain3Texture},
        {DefaultFx::FoamTexture.name, WaterFoamTexture}};
    for (const auto& [name, texture] : bound) {
        IDirect3DBaseTexture9* held = nullptr;
        DefaultEffect->GetTexture(name, &held);
        EXPECT_EQ(held, texture) << name;
        if (held) held->Release();
    }
    EXPECT_EQ(RunDeviceStep(D3DERR_DEVICENOTRESET), FrameOutcome::ResetAndRendered);
    EXPECT_EQ(RunDeviceStep(D3D_OK), FrameOutcome::Rendered);
    // The new height target got the terrain's heights (black is deeper than all of it).
    const std::vector<DWORD> heights = ReadPixels(Device, TheRenderer->heightTarget->surface);
    EXPECT_LT(CountRgb(heights, 0), heights.size() / 2);
}

namespace {

// A Direct3D object that answers each set-up step with the result chosen for it.
struct Direct3D : IDirect3D9 {
    HRESULT mode = S_OK, depth = S_OK, caps = S_OK, vertexTextures = S_OK;
    DWORD vertexFilters = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void*) override { return E_FAIL; }
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER9*) override { return E_FAIL; }
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT, D3DFORMAT) override { return 0; }
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT, D3DFORMAT, UINT, D3DDISPLAYMODE*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* m) override { *m = {}; return mode; }
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD usage, D3DRESOURCETYPE,
                                                D3DFORMAT) override
    {
        return usage == D3DUSAGE_QUERY_VERTEXTEXTURE ? vertexTextures : depth;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE,
                                                         DWORD*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                                     D3DFORMAT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT, D3DDEVTYPE, D3DFORMAT,
                                                          D3DFORMAT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS9* c) override
    {
        *c = {};
        c->VertexTextureFilterCaps = vertexFilters;
        return caps;
    }
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT) override { return nullptr; }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                           IDirect3DDevice9**) override { return D3DERR_NOTAVAILABLE; }
} Answers;

}  // namespace

// Each failed step prints its one line, and no device is left behind.
TEST(InitDevice, EachFailedStepSaysSoAndLeavesNoDevice)
{
    struct Case { bool made; HRESULT mode, depth, caps; const char* message; } cases[] = {
        {false, S_OK, S_OK, S_OK, "ERROR: Could not create D3D Object!"},
        {true, E_FAIL, S_OK, S_OK, "ERROR: Could not get adapter display mode!"},
        {true, S_OK, D3DERR_NOTAVAILABLE, S_OK, "ERROR: Couldn't get a 16-bit z-buffer?!"},
        {true, S_OK, D3DERR_INVALIDCALL, S_OK, "ERROR: Couldn't check for a 16-bit z-buffer!"},
        {true, S_OK, S_OK, E_FAIL, "ERROR: Couldn't get device caps!"},
        {true, S_OK, S_OK, S_OK, "ERROR: Couldn't create device!"},
    };
    const auto saved = std::make_tuple(CreateDirect3D, Direct3DObject, Device, TheRenderer, PresentParams);
    Device = nullptr;
    TheRenderer = nullptr;
    for (const Case& c : cases) {
        Answers.mode = c.mode, Answers.depth = c.depth, Answers.caps = c.caps;
        CreateDirect3D = c.made ? [](UINT) -> IDirect3D9* { return &Answers; } : [](UINT) -> IDirect3D9* { return nullptr; };
        testing::internal::CaptureStdout();
        EXPECT_FALSE(InitDevice());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(c.message) + "\n");
        EXPECT_TRUE(Device == nullptr && TheRenderer == nullptr) << c.message;
    }
    std::tie(CreateDirect3D, Direct3DObject, Device, TheRenderer, PresentParams) = saved;
}

// The water's vertex shader reads two A8R8G8B8 textures, filtered linearly (with mip levels for
// the tint). A format the device refuses is one error for both textures; filters alone a note.
TEST(VertexTextures, WhatTheDeviceLacksForTheWaterIsNamedOnce)
{
    REQUIRE_VIEWER();
    const DWORD linear = D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MIPFLINEAR;
    struct Case { HRESULT format; DWORD filters; const char* said; } cases[] = {
        {S_OK, linear, ""},
        {D3DERR_NOTAVAILABLE, linear,
         "ERROR: The device has no vertex texture support for format 21: the water may draw flat and untinted\n"},
        {S_OK, D3DPTFILTERCAPS_MAGFLINEAR, "The device reports no vertex texture support for linear min filter, "
                                           "linear mip filter: the water's waves may look coarser\n"},
    };
    IDirect3D9* const object = std::exchange(Direct3DObject, &Answers);
    for (const Case& c : cases) {
        Answers.vertexTextures = c.format, Answers.vertexFilters = c.filters;
        testing::internal::CaptureStdout();
        CheckWaterVertexTextures();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.said);
    }
    Direct3DObject = object;
}
