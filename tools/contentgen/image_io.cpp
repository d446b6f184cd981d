// Image files: DDS is a plain header plus pixels; PNG is written here with stored (uncompressed)
// deflate blocks, which the viewer's loader reads several times faster than compressed ones;
// BMP goes through stb_image_write.
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

void PutBig32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 3; i >= 0; --i) out.push_back(uint8_t(v >> (8 * i)));
}

uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data)
{
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// Length, type, data, and the CRC of type and data.
void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data)
{
    PutBig32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBig32(out, Crc32(&out[start], out.size() - start));
}

// A zlib stream of stored deflate blocks (at most 65535 bytes each); raw is never empty.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw)
{
    const size_t MaxBlock = 65535;
    std::vector<uint8_t> out{0x78, 0x01};
    for (size_t at = 0; at < raw.size(); at += MaxBlock) {
        const size_t size = std::min(MaxBlock, raw.size() - at);
        out.push_back(at + size == raw.size() ? 1 : 0);  // the last block has BFINAL set
        out.insert(out.end(), {uint8_t(size), uint8_t(size >> 8), uint8_t(~size), uint8_t(~size >> 8)});
        out.insert(out.end(), raw.begin() + at, raw.begin() + at + size);
    }
    PutBig32(out, Adler32(raw));
    return out;
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
    const std::vector<uint8_t> rgba = ToBytes(img, 4);
    const size_t row = size_t(img.width) * 4;
    std::vector<uint8_t> raw;  // each row after its filter byte (0: none)
    raw.reserve((row + 1) * img.height);
    for (int y = 0; y < img.height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgba.begin() + y * row, rgba.begin() + (y + 1) * row);
    }
    std::vector<uint8_t> header;
    PutBig32(header, uint32_t(img.width));
    PutBig32(header, uint32_t(img.height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, adaptive filters, no interlace
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", StoredZlib(raw));
    PutChunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> EncodeBmp(const Image& img)
{
    std::vector<uint8_t> out;
    const std::vector<uint8_t> rgb = ToBytes(img, 3);
    stbi_write_bmp_to_func(StbSink, &out, img.width, img.height, 3, rgb.data());
    return out;
}
