// Smoothed per-corner tangent spaces.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <vector>

#include "mesh/RvFileIO.h"
#include "tests/WeldTestMeshes.h"

TEST(RvComputeTangents, RejectBadArgumentsWithoutWriting) {
    const RvRawTriangle tri = UnitRightTriangle();
    RvRawTangentSpaceD* spacesD = reinterpret_cast<RvRawTangentSpaceD*>(0x10);
    RvRawTangentSpace* spaces = reinterpret_cast<RvRawTangentSpace*>(0x20);
    for (int numTris : {0, -1, INT_MIN, INT_MAX / 3 + 1, INT_MAX}) {
        EXPECT_FALSE(RvComputeTangentsD(numTris, &tri, &spacesD)) << numTris;
        EXPECT_FALSE(RvComputeTangents(numTris, &tri, &spaces)) << numTris;
    }
    EXPECT_FALSE(RvComputeTangentsD(1, nullptr, &spacesD));
    EXPECT_FALSE(RvComputeTangents(1, nullptr, &spaces));
    EXPECT_FALSE(RvComputeTangentsD(1, &tri, nullptr));
    EXPECT_FALSE(RvComputeTangents(1, &tri, nullptr));
    EXPECT_EQ(spacesD, reinterpret_cast<RvRawTangentSpaceD*>(0x10));
    EXPECT_EQ(spaces, reinterpret_cast<RvRawTangentSpace*>(0x20));
}

TEST(RvComputeTangents, FailedAllocationReportsFalse) {
    if (!kAddressLimitWorks) GTEST_SKIP() << "no address-space limit under the sanitizers";
    // The outputs fit under the limit, the weld's vertex array does not.
    EXPECT_EXIT(
        {
            const int numTris = 1000000;
            const RvRawTriangle* tris = ZeroTrianglesUnderMemoryLimit(numTris, 256u << 20);
            RvRawTangentSpaceD* spacesD = nullptr;
            const bool okD = RvComputeTangentsD(numTris, tris, &spacesD);
            const bool handedD = spacesD != nullptr;
            delete[] spacesD;
            RvRawTangentSpace* spaces = nullptr;
            const bool ok = RvComputeTangents(numTris, tris, &spaces);
            const bool handed = spaces != nullptr;
            delete[] spaces;
            std::exit(!okD && handedD && !ok && handed ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

// The frames themselves are the weld's: its examples pin the averages and seams.
TEST(RvComputeTangents, EachCornerGetsItsWeldedVertexFrameInDoublesOrRounded) {
    std::mt19937 rng(99);
    const std::vector<RvRawTriangle> tris = RandomMesh(&rng, 400);
    const int numTris = static_cast<int>(tris.size());
    RvRawTangentSpaceD* spacesD = nullptr;
    RvRawTangentSpace* spaces = nullptr;
    int numVerts = 0;
    RvTangentPointD* verts = nullptr;
    RvIndex* indices = nullptr;
    ASSERT_TRUE(RvComputeTangentsD(numTris, tris.data(), &spacesD));
    ASSERT_TRUE(RvComputeTangents(numTris, tris.data(), &spaces));
    ASSERT_TRUE(RvCreateVertexBuffers(numTris, tris.data(), &numVerts, &verts, &indices));
    for (int i = 0; i < numTris * 9; ++i) {
        const int t = i / 9, j = i / 3 % 3, k = i % 3;
        const RvTangentPointD& vertex = verts[indices[t].idx[j]];
        ASSERT_EQ(spacesD[t].tangent[j].v[k], vertex.tangent[k]) << t;
        ASSERT_EQ(spacesD[t].binormal[j].v[k], vertex.binormal[k]) << t;
        ASSERT_EQ(spaces[t].tangent[j].v[k], static_cast<float>(vertex.tangent[k])) << t;
        ASSERT_EQ(spaces[t].binormal[j].v[k], static_cast<float>(vertex.binormal[k])) << t;
    }
    delete[] spacesD;
    delete[] spaces;
    delete[] verts;
    delete[] indices;
}
