// Whole frames of the real scene from fixed viewpoints at a fixed time, against reference
// pictures in tests/pictures: any fault from the content files to the shaders' pixels (a texture
// swapped, a render state, a projection constant, a camera or placement error) shows here.
// TIDEWATER_UPDATE_PICTURES=1 writes the references anew; look at them before committing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/viewpoints.h"
#include "gfx/device.h"
#include "render/frame.h"
#include "tests/support/support.h"

namespace {

struct Picture {
    UINT width = 0, height = 0;
    std::vector<DWORD> pixels;  // 0xAARRGGBB, row by row
};

// Half size, each pixel the mean of four: the references stay small, and a one-pixel shift of
// an edge stays a small difference.
Picture Halved(const std::vector<DWORD>& pixels, UINT width, UINT height)
{
    Picture half{width / 2, height / 2, {}};
    for (UINT y = 0; y < half.height; ++y)
        for (UINT x = 0; x < half.width; ++x) {
            DWORD sum[3] = {};
            for (UINT k = 0; k < 4; ++k) {
                const DWORD p = pixels[(2 * y + k / 2) * width + 2 * x + k % 2];
                for (int c = 0; c < 3; ++c) sum[c] += p >> (8 * c) & 255;
            }
            half.pixels.push_back(0xFF000000 | (sum[2] + 2) / 4 << 16 | (sum[1] + 2) / 4 << 8 | (sum[0] + 2) / 4);
        }
    return half;
}

IDirect3DSurface9* Surface(UINT width, UINT height)
{
    IDirect3DSurface9* surface = nullptr;
    Device->CreateOffscreenPlainSurface(width, height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface, nullptr);
    return surface;
}

bool Save(const Picture& picture, const std::string& path)
{
    IDirect3DSurface9* surface = Surface(picture.width, picture.height);
    const RECT all = {0, 0, LONG(picture.width), LONG(picture.height)};
    const bool saved = surface &&
        SUCCEEDED(D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, picture.pixels.data(), D3DFMT_A8R8G8B8,
                                            picture.width * 4, nullptr, &all, D3DX_FILTER_NONE, 0)) &&
        SUCCEEDED(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_PNG, surface, nullptr, nullptr));
    if (surface) surface->Release();
    return saved;
}

Picture Load(const std::string& path)
{
    D3DXIMAGE_INFO info;
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(D3DXGetImageInfoFromFileA(path.c_str(), &info)) || !(surface = Surface(info.Width, info.Height)))
        return {};
    Picture picture;
    if (SUCCEEDED(D3DXLoadSurfaceFromFileA(surface, nullptr, nullptr, path.c_str(), nullptr, D3DX_FILTER_NONE, 0,
                                           nullptr)))
        picture = {info.Width, info.Height, LockedPixels(surface)};
    surface->Release();
    return picture;
}

// Pixels whose largest channel differs by more than 8: a wrong texture or a missing object
// changes thousands, foam a little out of place some hundreds; the same frame rendered again
// changes none.
size_t FarApart(const Picture& a, const Picture& b)
{
    size_t apart = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int c = 0; c < 3; ++c)
            if (std::abs(int(a.pixels[i] >> (8 * c) & 255) - int(b.pixels[i] >> (8 * c) & 255)) > 8) {
                ++apart;
                break;
            }
    return apart;
}

// The last frame, as Present showed it.
Picture Shown()
{
    IDirect3DSurface9* backBuffer = nullptr;  // the swap chain copies
    Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    D3DSURFACE_DESC desc;
    backBuffer->GetDesc(&desc);
    const std::vector<DWORD> pixels = ReadPixels(Device, backBuffer);
    backBuffer->Release();
    return Halved(pixels, desc.Width, desc.Height);
}

// Renders one frame from the viewpoint, through the loop's own update and render.
Picture Render(const Viewpoint& view)
{
    ShowViewpoint(view);
    UpdateQuietly();
    RenderFrame();
    return Shown();
}

TEST(Picture, TheSceneFromThreeViewpointsLooksAsItsReferences)
{
    REQUIRE_VIEWER();
    const FlyingCamera start = MainCamera;
    const float time = AccumulatedTime;
    const bool update = std::getenv("TIDEWATER_UPDATE_PICTURES") != nullptr;
    CreateDirectoryA("screenshots", nullptr);
    for (const Viewpoint& view : Viewpoints) {
        SCOPED_TRACE(view.name);
        const Picture actual = Render(view);
        RenderFrame();  // the same instant again, the camera's images kept
        EXPECT_TRUE(Shown().pixels == actual.pixels) << "the kept images changed the picture";
        const std::string reference = std::string(TEST_PICTURES_DIR "/") + view.name + ".png";
        const std::string shown = std::string("screenshots/picture-") + view.name + ".png";
        ASSERT_TRUE(Save(actual, shown));
        if (update) {
            ASSERT_TRUE(Save(actual, reference));
        }
        const Picture expected = Load(reference);
        ASSERT_EQ(expected.pixels.size(), actual.pixels.size()) << "no reference of this size: " << reference;
        const size_t apart = FarApart(actual, expected);
        EXPECT_LE(apart, actual.pixels.size() / 2000) << apart << " pixels differ from " << reference << "; see " << shown;
    }
    MainCamera = start;
    AccumulatedTime = time;
}

}  // namespace
