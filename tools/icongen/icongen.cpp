// Draws the application icon (a water drop over a wave) and writes it as a multi-image .ico:
// 48/32/16 px at 32-bit and 8-bit colour, 32/16 px at 4-bit colour.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Rgba { float r, g, b, a; };

// Coverage-weighted colour of the artwork at unit coordinates (u right, v down).
Rgba Artwork(float u, float v)
{
    const float cx = 0.5f, cy = 0.6f, radius = 0.3f, tip = 0.06f;
    const float dx = u - cx, dy = v - cy;
    bool inside = dx * dx + dy * dy < radius * radius;
    if (!inside && v >= tip && v < cy) {
        const float t = (v - tip) / (cy - tip);
        inside = std::fabs(dx) < radius * std::pow(t, 1.3f);
    }
    if (!inside) return {0, 0, 0, 0};
    // Deep blue at the bottom, lighter at the top, a white gleam on the upper left.
    const float shade = 0.35f + 0.65f * (1.0f - v);
    Rgba c{0.05f * shade, 0.45f * shade + 0.15f, 0.95f * shade + 0.05f, 1};
    const float gx = u - 0.4f, gy = v - 0.52f;
    if (gx * gx * 1.8f + gy * gy * 0.7f < 0.006f) c = {0.95f, 0.98f, 1.0f, 1};
    // A white wave crest across the lower part.
    const float wave = 0.74f + 0.04f * std::sin(u * 12.0f);
    if (std::fabs(v - wave) < 0.035f) c = {0.9f, 0.97f, 1.0f, 1};
    return c;
}

Rgba Sample(int x, int y, int size)
{
    Rgba sum{0, 0, 0, 0};
    const int n = 4;  // 4x4 supersampling for smooth edges
    for (int sy = 0; sy < n; ++sy)
        for (int sx = 0; sx < n; ++sx) {
            Rgba c = Artwork((x + (sx + 0.5f) / n) / size, (y + (sy + 0.5f) / n) / size);
            sum.r += c.r * c.a; sum.g += c.g * c.a; sum.b += c.b * c.a; sum.a += c.a;
        }
    if (sum.a > 0) { sum.r /= sum.a; sum.g /= sum.a; sum.b /= sum.a; }
    sum.a /= n * n;
    return sum;
}

struct Palette { std::vector<uint32_t> bgr; };  // 0x00RRGGBB entries

Palette Cube6()
{
    Palette p;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p.bgr.push_back((r * 51u) << 16 | (g * 51u) << 8 | b * 51u);
    p.bgr.resize(256, 0);
    return p;
}

Palette Vga16()
{
    return {{0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
             0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF}};
}

int Nearest(const Palette& p, Rgba c, int count)
{
    int best = 0;
    float bestD = 1e9f;
    for (int i = 0; i < count; ++i) {
        const float r = ((p.bgr[i] >> 16) & 255) / 255.0f - c.r;
        const float g = ((p.bgr[i] >> 8) & 255) / 255.0f - c.g;
        const float b = (p.bgr[i] & 255) / 255.0f - c.b;
        const float d = r * r + g * g + b * b;
        if (d < bestD) { bestD = d; best = i; }
    }
    return best;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i))); }
void Put16(std::vector<uint8_t>& out, uint16_t v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); }

// One icon image: BITMAPINFOHEADER (double height), palette, colour rows, AND mask; rows bottom-up.
std::vector<uint8_t> IconImage(int size, int bits)
{
    const Palette pal = bits == 8 ? Cube6() : Vga16();
    const int colours = bits == 32 ? 0 : (1 << bits);
    std::vector<uint8_t> img;
    Put32(img, 40); Put32(img, size); Put32(img, size * 2); Put16(img, 1); Put16(img, uint16_t(bits));
    for (int i = 0; i < 6; ++i) Put32(img, 0);
    for (int i = 0; i < colours; ++i) Put32(img, pal.bgr[i]);
    const int colourStride = ((size * bits + 31) / 32) * 4;
    const int maskStride = ((size + 31) / 32) * 4;
    std::vector<uint8_t> colour(colourStride * size, 0), mask(maskStride * size, 0);
    for (int y = 0; y < size; ++y) {
        const int row = size - 1 - y;
        for (int x = 0; x < size; ++x) {
            const Rgba c = Sample(x, y, size);
            if (c.a < 0.5f) mask[row * maskStride + x / 8] |= uint8_t(0x80 >> (x % 8));
            uint8_t* p = &colour[row * colourStride];
            if (bits == 32) {
                p[x * 4 + 0] = uint8_t(c.b * 255 + 0.5f); p[x * 4 + 1] = uint8_t(c.g * 255 + 0.5f);
                p[x * 4 + 2] = uint8_t(c.r * 255 + 0.5f); p[x * 4 + 3] = uint8_t(c.a * 255 + 0.5f);
            } else if (c.a >= 0.5f) {
                const int index = Nearest(pal, c, colours);
                if (bits == 8) p[x] = uint8_t(index);
                else p[x / 2] |= uint8_t(x % 2 ? index : index << 4);
            }
        }
    }
    img.insert(img.end(), colour.begin(), colour.end());
    img.insert(img.end(), mask.begin(), mask.end());
    return img;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) { std::fprintf(stderr, "usage: icongen output.ico\n"); return 2; }
    const struct { int size, bits; } images[] = {{48, 8}, {32, 8}, {16, 8}, {48, 32}, {32, 32}, {16, 32}, {32, 4}, {16, 4}};
    const int count = sizeof images / sizeof images[0];
    std::vector<std::vector<uint8_t>> data;
    for (auto& i : images) data.push_back(IconImage(i.size, i.bits));

    std::vector<uint8_t> file;
    Put16(file, 0); Put16(file, 1); Put16(file, uint16_t(count));
    uint32_t offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        file.push_back(uint8_t(images[i].size)); file.push_back(uint8_t(images[i].size));
        file.push_back(uint8_t(images[i].bits == 4 ? 16 : 0)); file.push_back(0);
        Put16(file, 1); Put16(file, uint16_t(images[i].bits));
        Put32(file, uint32_t(data[i].size())); Put32(file, offset);
        offset += uint32_t(data[i].size());
    }
    for (auto& d : data) file.insert(file.end(), d.begin(), d.end());

    FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "icongen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
