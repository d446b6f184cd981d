// Row-by-row matrix assertions for the camera and scene tests.
#pragma once
#include <d3dx9math.h>
#include <gtest/gtest.h>

inline void ExpectRow(const D3DXMATRIX& m, int row, float a, float b, float c, float d, float tolerance = 1e-4f)
{
    EXPECT_NEAR(m(row, 0), a, tolerance) << "row " << row;
    EXPECT_NEAR(m(row, 1), b, tolerance) << "row " << row;
    EXPECT_NEAR(m(row, 2), c, tolerance) << "row " << row;
    EXPECT_NEAR(m(row, 3), d, tolerance) << "row " << row;
}
