// Vector and matrix-row assertions for the camera, input, mesh and scene tests.
#pragma once
#include <d3dx9math.h>
#include <gtest/gtest.h>

inline void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

inline void ExpectRow(const D3DXMATRIX& m, int row, float a, float b, float c, float d, float tolerance = 1e-4f)
{
    SCOPED_TRACE(testing::Message() << "row " << row);
    ExpectVector(D3DXVECTOR3(m(row, 0), m(row, 1), m(row, 2)), a, b, c, tolerance);
    EXPECT_NEAR(m(row, 3), d, tolerance);
}
