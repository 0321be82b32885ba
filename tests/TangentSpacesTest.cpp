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

void ExpectPoint(const RvRawPointD& got, const RvRawPointD& want, double tolerance = 1e-7) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(got.v[k], want.v[k], tolerance) << k;
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

TEST(RvComputeTangentsD, SharedCornersGetTheAveragedFrameAndSeamsKeepTheirOwn) {
    // Both tangents are (1,0,0); the binormals (0,1,0) and (-1,2,0)/sqrt 5 average on the edge.
    const double root5 = std::sqrt(5.0);
    const double sumX = -1 / root5, sumY = 1 + 2 / root5, len = std::hypot(sumX, sumY);
    const RvRawPointD up = {0, 1, 0}, skewed = {-1 / root5, 2 / root5, 0}, mean = {sumX / len, sumY / len, 0};
    RvRawTriangle seam = SkewedNeighbour();
    for (auto& tc : seam.texCoord) tc.u += 0.5f;
    const struct {
        RvRawTriangle second;
        RvRawPointD binormals[2][3];
    } cases[] = {{SkewedNeighbour(), {{up, mean, mean}, {mean, skewed, mean}}},
                 {seam, {{up, up, up}, {skewed, skewed, skewed}}}};
    for (const auto& c : cases) {
        const RvRawTriangle tris[2] = {UnitRightTriangle(), c.second};
        RvRawTangentSpaceD* spaces = nullptr;
        ASSERT_TRUE(RvComputeTangentsD(2, tris, &spaces));
        for (int t = 0; t < 2; ++t) {
            for (int j = 0; j < 3; ++j) {
                ExpectPoint(spaces[t].tangent[j], {1, 0, 0});
                ExpectPoint(spaces[t].binormal[j], c.binormals[t][j]);
            }
        }
        if (&c == &cases[0]) {  // the welded corners share one frame, to the bit
            ExpectPoint(spaces[0].binormal[1], spaces[1].binormal[0], 0);
            ExpectPoint(spaces[0].binormal[2], spaces[1].binormal[2], 0);
        }
        delete[] spaces;
    }
}

TEST(RvComputeTangents, IsTheDoubleResultRounded) {
    std::mt19937 rng(99);
    const std::vector<RvRawTriangle> tris = RandomMesh(&rng, 400);
    const int numTris = static_cast<int>(tris.size());
    RvRawTangentSpaceD* spacesD = nullptr;
    RvRawTangentSpace* spaces = nullptr;
    ASSERT_TRUE(RvComputeTangentsD(numTris, tris.data(), &spacesD));
    ASSERT_TRUE(RvComputeTangents(numTris, tris.data(), &spaces));
    for (int i = 0; i < numTris; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(spaces[i].tangent[j].v[k], static_cast<float>(spacesD[i].tangent[j].v[k])) << i;
                ASSERT_EQ(spaces[i].binormal[j].v[k], static_cast<float>(spacesD[i].binormal[j].v[k])) << i;
            }
        }
    }
    delete[] spacesD;
    delete[] spaces;
}
