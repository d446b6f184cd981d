// Image files: DDS is a plain header plus pixels; PNG and BMP go through stb_image_write.
#include "contentgen.h"

#include <algorithm>
#include <cstring>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// Next mip level: 2x2 box filter per channel (sizes are powers of two).
Image Halve(const Image& src)
{
    Image dst(src.width > 1 ? src.width / 2 : 1, src.height > 1 ? src.height / 2 : 1);
    for (int y = 0; y < dst.height; ++y)
        for (int x = 0; x < dst.width; ++x) {
            const int x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
            const int y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
            const uint32_t p[4] = {src.At(x0, y0), src.At(x1, y0), src.At(x0, y1), src.At(x1, y1)};
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 2;
                for (uint32_t q : p) sum += (q >> shift) & 0xFF;
                out |= (sum / 4) << shift;
            }
            dst.At(x, y) = out;
        }
    return dst;
}

int MipCount(int w, int h)
{
    int n = 1;
    while (w > 1 || h > 1) {
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        ++n;
    }
    return n;
}

void WriteDdsHeader(std::vector<uint8_t>& out, const Image& img, int mips)
{
    const uint32_t caps = 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | 0x8;  // CAPS|HEIGHT|WIDTH|PIXELFORMAT|MIPMAPCOUNT|PITCH
    out.insert(out.end(), {'D', 'D', 'S', ' '});
    Put32(out, 124);
    Put32(out, caps);
    Put32(out, uint32_t(img.height));
    Put32(out, uint32_t(img.width));
    Put32(out, uint32_t(img.width) * 4);  // pitch
    Put32(out, 0);                        // depth
    Put32(out, uint32_t(mips));
    for (int i = 0; i < 11; ++i) Put32(out, 0);  // reserved
    Put32(out, 32);                              // pixel format size
    Put32(out, 0x1 | 0x40);                      // ALPHAPIXELS | RGB
    Put32(out, 0);
    Put32(out, 32);
    Put32(out, 0x00FF0000u);
    Put32(out, 0x0000FF00u);
    Put32(out, 0x000000FFu);
    Put32(out, 0xFF000000u);
    Put32(out, 0x1000 | 0x8 | 0x400000);  // TEXTURE | COMPLEX | MIPMAP
    for (int i = 0; i < 4; ++i) Put32(out, 0);   // caps2..4, reserved
}

void StbSink(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

std::vector<uint8_t> ToBytes(const Image& img, int channels)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(img.pixels.size() * channels);
    for (uint32_t p : img.pixels) {
        bytes.push_back(uint8_t(p >> 16));
        bytes.push_back(uint8_t(p >> 8));
        bytes.push_back(uint8_t(p));
        if (channels == 4) bytes.push_back(uint8_t(p >> 24));
    }
    return bytes;
}

}  // namespace

std::vector<uint8_t> EncodeDds(const Image& img)
{
    const int mips = MipCount(img.width, img.height);
    std::vector<uint8_t> out;
    WriteDdsHeader(out, img, mips);
    Image level = img;
    for (int i = 0; i < mips; ++i) {
        for (uint32_t p : level.pixels) Put32(out, p);
        if (i + 1 < mips) level = Halve(level);
    }
    return out;
}

std::vector<uint8_t> EncodePng(const Image& img)
{
    std::vector<uint8_t> out;
    const std::vector<uint8_t> rgba = ToBytes(img, 4);
    stbi_write_png_to_func(StbSink, &out, img.width, img.height, 4, rgba.data(), img.width * 4);
    return out;
}

std::vector<uint8_t> EncodeBmp(const Image& img)
{
    std::vector<uint8_t> out;
    const std::vector<uint8_t> rgb = ToBytes(img, 3);
    stbi_write_bmp_to_func(StbSink, &out, img.width, img.height, 3, rgb.data());
    return out;
}
