// Vector helpers, mesh normals, the .x text writer and the tiling noise.
#include "contentgen.h"

#include <cmath>
#include <cstdio>
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

void Append(std::string& out, const char* fmt, double a, double b, double c, bool three)
{
    char buf[96];
    if (three)
        std::snprintf(buf, sizeof buf, fmt, a, b, c);
    else
        std::snprintf(buf, sizeof buf, fmt, a, b);
    out += buf;
}

const char* Sep(size_t i, size_t n) { return i + 1 < n ? ",\n" : ";\n"; }

void WriteVectors(std::string& out, const std::vector<Vec3>& v)
{
    out += std::to_string(v.size()) + ";\n";
    for (size_t i = 0; i < v.size(); ++i) {
        Append(out, "%.5f;%.5f;%.5f;", v[i].x, v[i].y, v[i].z, true);
        out += Sep(i, v.size());
    }
}

void WriteFaces(std::string& out, const Mesh& m)
{
    const size_t faces = m.indices.size() / 3;
    out += std::to_string(faces) + ";\n";
    for (size_t f = 0; f < faces; ++f) {
        out += "3;" + std::to_string(m.indices[3 * f]) + "," + std::to_string(m.indices[3 * f + 1]) +
               "," + std::to_string(m.indices[3 * f + 2]) + ";";
        out += Sep(f, faces);
    }
}

void WriteMaterials(std::string& out, const Mesh& m)
{
    out += "MeshMaterialList {\n" + std::to_string(m.materialCount) + ";\n" +
           std::to_string(m.attributes.size()) + ";\n";
    for (size_t f = 0; f < m.attributes.size(); ++f)
        out += std::to_string(m.attributes[f]) + (f + 1 < m.attributes.size() ? ",\n" : ";\n");
    for (int i = 0; i < m.materialCount; ++i)
        out += "Material {\n1.0;1.0;1.0;1.0;;\n20.0;\n1.0;1.0;1.0;;\n0.0;0.0;0.0;;\n}\n";
    out += "}\n";
}

}  // namespace

std::string MeshToX(const Mesh& m)
{
    std::string out = "xof 0303txt 0032\nMesh {\n";
    WriteVectors(out, m.positions);
    WriteFaces(out, m);
    if (!m.normals.empty()) {
        out += "MeshNormals {\n";
        WriteVectors(out, m.normals);
        WriteFaces(out, m);  // normal indices equal the position indices
        out += "}\n";
    }
    out += "MeshTextureCoords {\n" + std::to_string(m.uvs.size()) + ";\n";
    for (size_t i = 0; i < m.uvs.size(); ++i) {
        Append(out, "%.5f;%.5f;", m.uvs[i].x, m.uvs[i].y, 0, false);
        out += Sep(i, m.uvs.size());
    }
    out += "}\n";
    WriteMaterials(out, m);
    out += "}\n";
    return out;
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

Rgb Mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
