#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "mesh/RvFileIO.h"

// The finite triangles stay in their order, and each one's 12 tangent floats move with it.
TEST(KeepFiniteTriangles, TangentsMoveWithTheirTriangles) {
    RvRawTriangle tris[3] = {};
    tris[0].norm[1].y = NAN;
    tris[1].texCoord[2].u = 1;
    tris[2].texCoord[2].u = 2;
    std::vector<float> tangents(36), kept(24);
    for (int i = 0; i < 36; ++i) tangents[i] = float(i);
    for (int i = 0; i < 24; ++i) kept[i] = float(12 + i);
    ASSERT_EQ(RvKeepFiniteTriangles(3, tris, tangents.data()), 2);
    EXPECT_EQ(tris[0].texCoord[2].u, 1);
    EXPECT_EQ(tris[1].texCoord[2].u, 2);
    EXPECT_EQ(std::vector<float>(tangents.begin(), tangents.begin() + 24), kept);
}
