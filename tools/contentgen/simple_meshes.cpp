// The water tile and the sky dome: plain grids.
#include "contentgen.h"

#include <cmath>

// 16 x 16 cells over [-12.5, 12.5], 0.47 world units apart once placed: the displaced waves are
// several units long, and each triangle covers many pixels, which llvmpipe shades cheaply.
// Positions and texture coordinates only; the loader derives the tangent frame.
Mesh BuildWater()
{
    Mesh m;
    const float half = 12.5f;
    AddGrid(m, 16, 16, {0, 0, 1, 1}, 0, false, [half](float u, float v) {
        return Vec3{-half + 2 * half * u, 0.0f, -half + 2 * half * v};
    });
    return m;
}

// A hemisphere of radius 500 seen from inside: its faces and normals point inwards.
Mesh BuildSky()
{
    Mesh m;
    const float radius = 500.0f, pi = 3.14159265f;
    auto at = [=](float u, float v) {
        const float a = 2 * pi * u, elevation = 0.5f * pi * (1 - v);
        return Vec3{radius * std::cos(elevation) * std::cos(a), radius * std::sin(elevation),
                    radius * std::cos(elevation) * std::sin(a)};
    };
    // dP/du x dP/dv points outwards here, so the inward front is the other winding.
    AddGrid(m, 32, 8, {0, 0, 1, 1}, 0, false, at);
    ComputeNormals(m);
    return m;
}
