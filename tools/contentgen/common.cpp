// Vector helpers, mesh normals, the binary .x writer and the tiling noise.
#include "contentgen.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

Vec3 Normalize(Vec3 v)
{
    const float len = std::sqrt(Dot(v, v));
    return len > 0 ? v * (1.0f / len) : Vec3{0, 1, 0};
}

void ComputeNormals(Mesh& m)
{
    m.normals.assign(m.positions.size(), Vec3{0, 0, 0});
    for (size_t f = 0; f + 2 < m.indices.size(); f += 3) {
        const uint32_t a = m.indices[f], b = m.indices[f + 1], c = m.indices[f + 2];
        const Vec3 n = Cross(m.positions[b] - m.positions[a], m.positions[c] - m.positions[a]);
        for (uint32_t i : {a, b, c}) m.normals[i] = m.normals[i] + n;
    }
    for (Vec3& n : m.normals) n = Normalize(n);
}

void RemoveDegenerateFaces(Mesh& m)
{
    auto same = [&m](uint32_t a, uint32_t b) {
        const Vec3 d = m.positions[a] - m.positions[b];
        return Dot(d, d) < 1e-10f * (1 + Dot(m.positions[a], m.positions[a]));
    };
    std::vector<uint32_t> indices, attributes, remap(m.positions.size(), UINT32_MAX);
    for (size_t f = 0; f < m.attributes.size(); ++f) {
        const uint32_t a = m.indices[3 * f], b = m.indices[3 * f + 1], c = m.indices[3 * f + 2];
        if (same(a, b) || same(b, c) || same(a, c)) continue;
        indices.insert(indices.end(), {a, b, c});
        attributes.push_back(m.attributes[f]);
    }
    Mesh out;
    out.materialCount = m.materialCount;
    for (uint32_t& i : indices) {
        if (remap[i] == UINT32_MAX) {
            remap[i] = uint32_t(out.positions.size());
            out.positions.push_back(m.positions[i]);
            out.uvs.push_back(m.uvs[i]);
            if (!m.normals.empty()) out.normals.push_back(m.normals[i]);
        }
        i = remap[i];
    }
    out.indices = std::move(indices);
    out.attributes = std::move(attributes);
    m = std::move(out);
}

namespace {

// Tokens of the binary .x format: names, brace pairs, and runs of 32-bit integers or floats
// that fill the template members in order.
enum XToken : uint16_t { XName = 1, XIntegerList = 6, XFloatList = 7, XOpenBrace = 10, XCloseBrace = 11 };

struct XWriter {
    std::vector<uint8_t> out;

    void Raw(const void* data, size_t size)
    {
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        out.insert(out.end(), bytes, bytes + size);
    }
    void Word(uint16_t v) { Raw(&v, sizeof v); }  // the format is little-endian, like the machine
    void Dword(uint32_t v) { Raw(&v, sizeof v); }
    void Open(const std::string& name)
    {
        Word(XName);
        Dword(uint32_t(name.size()));
        Raw(name.data(), name.size());
        Word(XOpenBrace);
    }
    void Close() { Word(XCloseBrace); }
    void Integers(const std::vector<uint32_t>& v)
    {
        Word(XIntegerList);
        Dword(uint32_t(v.size()));
        Raw(v.data(), v.size() * sizeof(uint32_t));
    }
    void Floats(const std::vector<float>& v)
    {
        Word(XFloatList);
        Dword(uint32_t(v.size()));
        Raw(v.data(), v.size() * sizeof(float));
    }
};

// Coordinates keep the five decimals the meshes were always written with, so the scene (and
// every picture of it) does not move by a rounding step.
float FiveDecimals(float v)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.5f", v);
    return std::strtof(text, nullptr);
}

std::vector<float> Flatten(const std::vector<Vec3>& v)
{
    std::vector<float> out;
    out.reserve(v.size() * 3);
    for (const Vec3& p : v) out.insert(out.end(), {FiveDecimals(p.x), FiveDecimals(p.y), FiveDecimals(p.z)});
    return out;
}

// The count and the vectors, then the face count and each face as "3; a, b, c".
void WriteVectorsAndFaces(XWriter& x, const std::vector<Vec3>& v, const Mesh& m)
{
    x.Integers({uint32_t(v.size())});
    x.Floats(Flatten(v));
    std::vector<uint32_t> faces{uint32_t(m.indices.size() / 3)};
    for (size_t f = 0; f + 2 < m.indices.size(); f += 3)
        faces.insert(faces.end(), {3u, m.indices[f], m.indices[f + 1], m.indices[f + 2]});
    x.Integers(faces);
}

void WriteMaterials(XWriter& x, const Mesh& m)
{
    x.Open("MeshMaterialList");
    std::vector<uint32_t> list{uint32_t(m.materialCount), uint32_t(m.attributes.size())};
    list.insert(list.end(), m.attributes.begin(), m.attributes.end());
    x.Integers(list);
    for (int i = 0; i < m.materialCount; ++i) {
        x.Open("Material");
        x.Floats({1, 1, 1, 1, 20, 1, 1, 1, 0, 0, 0});  // white face, power 20, white specular, no emission
        x.Close();
    }
    x.Close();
}

}  // namespace

std::vector<uint8_t> MeshToX(const Mesh& m)
{
    XWriter x;
    const char header[] = "xof 0303bin 0032";
    x.Raw(header, sizeof header - 1);
    x.Open("Mesh");
    WriteVectorsAndFaces(x, m.positions, m);
    if (!m.normals.empty()) {
        x.Open("MeshNormals");
        WriteVectorsAndFaces(x, m.normals, m);  // normal indices equal the position indices
        x.Close();
    }
    x.Open("MeshTextureCoords");
    x.Integers({uint32_t(m.uvs.size())});
    std::vector<float> uvs;
    for (const Vec2& uv : m.uvs) uvs.insert(uvs.end(), {FiveDecimals(uv.x), FiveDecimals(uv.y)});
    x.Floats(uvs);
    x.Close();
    WriteMaterials(x, m);
    x.Close();
    return x.out;
}

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float Clamp01(float x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

float Smoothstep(float e0, float e1, float x)
{
    const float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

namespace {

float Gradient(int ix, int iy, int period, uint32_t seed, float dx, float dy)
{
    const int wx = ((ix % period) + period) % period, wy = ((iy % period) + period) % period;
    const float angle = float(Hash(uint32_t(wx), uint32_t(wy), seed) & 0xFFFF) * (6.2831853f / 65536.0f);
    return std::cos(angle) * dx + std::sin(angle) * dy;
}

float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

}  // namespace

float PeriodicNoise(float x, float y, int period, uint32_t seed)
{
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const float fx = x - ix, fy = y - iy;
    const float n00 = Gradient(ix, iy, period, seed, fx, fy);
    const float n10 = Gradient(ix + 1, iy, period, seed, fx - 1, fy);
    const float n01 = Gradient(ix, iy + 1, period, seed, fx, fy - 1);
    const float n11 = Gradient(ix + 1, iy + 1, period, seed, fx - 1, fy - 1);
    const float u = Fade(fx), v = Fade(fy);
    const float a = n00 + (n10 - n00) * u, b = n01 + (n11 - n01) * u;
    return 1.41421f * (a + (b - a) * v);
}

float PeriodicFbm(float x, float y, int period, int octaves, uint32_t seed, float gain)
{
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * PeriodicNoise(x, y, period, seed + uint32_t(o) * 101u);
        norm += amp;
        amp *= gain;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / norm;
}

uint32_t Pack(Rgb c, float alpha)
{
    auto byte = [](float v) { return uint32_t(Clamp01(v) * 255.0f + 0.5f); };
    return byte(alpha) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

Rgb Scale(Rgb c, float s) { return {c.r * s, c.g * s, c.b * s}; }

Rgb Mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
