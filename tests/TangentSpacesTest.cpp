// Smoothed per-corner tangent spaces.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "mesh/RvFileIO.h"
#include "tests/WeldTestMeshes.h"

namespace {

void ExpectPoint(const RvRawPointD& got, double x, double y, double z) {
    EXPECT_NEAR(got.x, x, 1e-7);
    EXPECT_NEAR(got.y, y, 1e-7);
    EXPECT_NEAR(got.z, z, 1e-7);
}

void ExpectSamePoint(const RvRawPointD& a, const RvRawPointD& b) {
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
}

}  // namespace

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

TEST(RvComputeTangentsD, SingleTriangleGivesEachCornerItsOwnProjection) {
    RvRawTriangle tri = UnitRightTriangle();
    tri.norm[1].x = 1, tri.norm[1].z = 0;
    tri.norm[2].x = 0.6f, tri.norm[2].z = 0.8f;
    RvRawTangentSpaceD* spaces = nullptr;
    ASSERT_TRUE(RvComputeTangentsD(1, &tri, &spaces));
    ExpectPoint(spaces[0].tangent[0], 1, 0, 0);
    ExpectPoint(spaces[0].binormal[0], 0, 1, 0);
    ExpectPoint(spaces[0].tangent[1], 1, 0, 0);
    ExpectPoint(spaces[0].binormal[1], 0, 1, 0);
    // (1,0,0) less its part along (0.6, 0, 0.8), normalised.
    ExpectPoint(spaces[0].tangent[2], 0.8, 0, -0.6);
    ExpectPoint(spaces[0].binormal[2], 0, 1, 0);
    delete[] spaces;
}

TEST(RvComputeTangentsD, SharedCornersGetTheAveragedFrame) {
    // The second triangle shares the edge from (1,0,0) to (0,1,0); its binormal is
    // (-1,2,0)/sqrt 5, the first one's (0,1,0); both tangents are (1,0,0).
    const RvRawTriangle tris[2] = {UnitRightTriangle(), MakeTriangle({{1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                                                     {{1, 0}, {2, 1}, {0, 1}}, {0, 0, 1})};
    RvRawTangentSpaceD* spaces = nullptr;
    ASSERT_TRUE(RvComputeTangentsD(2, tris, &spaces));
    const double root5 = std::sqrt(5.0);
    const double sumX = -1 / root5, sumY = 1 + 2 / root5;
    const double len = std::hypot(sumX, sumY);
    ExpectPoint(spaces[0].binormal[0], 0, 1, 0);
    ExpectPoint(spaces[0].binormal[1], sumX / len, sumY / len, 0);
    ExpectPoint(spaces[1].binormal[1], -1 / root5, 2 / root5, 0);
    ExpectSamePoint(spaces[0].binormal[1], spaces[1].binormal[0]);
    ExpectSamePoint(spaces[0].binormal[2], spaces[1].binormal[2]);
    for (int t = 0; t < 2; ++t) {
        for (int j = 0; j < 3; ++j) ExpectPoint(spaces[t].tangent[j], 1, 0, 0);
    }

    // With other texture coordinates on the far side every corner keeps its own frame.
    RvRawTriangle seam[2] = {tris[0], tris[1]};
    for (auto& tc : seam[1].texCoord) tc.u += 0.5f;
    RvRawTangentSpaceD* apart = nullptr;
    ASSERT_TRUE(RvComputeTangentsD(2, seam, &apart));
    for (int j = 0; j < 3; ++j) ExpectPoint(apart[0].binormal[j], 0, 1, 0);
    for (int j = 0; j < 3; ++j) ExpectPoint(apart[1].binormal[j], -1 / root5, 2 / root5, 0);
    delete[] spaces;
    delete[] apart;
}

TEST(RvComputeTangents, IsTheUnitDoubleResultRounded) {
    std::mt19937 rng(99);
    const std::vector<RvRawTriangle> tris = RandomMesh(&rng, 400);
    const int numTris = static_cast<int>(tris.size());
    RvRawTangentSpaceD* spacesD = nullptr;
    RvRawTangentSpace* spaces = nullptr;
    ASSERT_TRUE(RvComputeTangentsD(numTris, tris.data(), &spacesD));
    ASSERT_TRUE(RvComputeTangents(numTris, tris.data(), &spaces));
    for (int i = 0; i < numTris; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (const RvRawPointD* d : {&spacesD[i].tangent[j], &spacesD[i].binormal[j]}) {
                const bool xAxis = d->x == 1 && d->y == 0 && d->z == 0;
                if (!xAxis) {
                    EXPECT_NEAR(std::sqrt(d->x * d->x + d->y * d->y + d->z * d->z), 1.0, 1e-12);
                }
            }
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(spaces[i].tangent[j].v[k], static_cast<float>(spacesD[i].tangent[j].v[k])) << i;
                ASSERT_EQ(spaces[i].binormal[j].v[k], static_cast<float>(spacesD[i].binormal[j].v[k])) << i;
            }
        }
    }
    delete[] spacesD;
    delete[] spaces;
}
