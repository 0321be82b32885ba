// What the routines over triangle lists check before and while they work: bad counts, memory
// that cannot be had, triangles that are not finite.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "mesh/MikkTSpace.h"
#include "mesh/RvFileIO.h"
#include "tests/WeldTestMeshes.h"

// A pointer no routine would write.
template <typename T>
static T* Held() {
    return reinterpret_cast<T*>(std::uintptr_t{0x10});
}

// Every bad count is refused with all arrays given; the failing line names the routine.
TEST(TriangleRoutines, RefuseBadCountsWithoutWriting) {
    const RvRawTriangle tri = {};
    const float stored[12] = {1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1};
    int n = 77;
    RvTangentPointD* v = Held<RvTangentPointD>();
    RvIndex* i = Held<RvIndex>();
    float* s = Held<float>();
    RvRawTangentSpace* t = Held<RvRawTangentSpace>();
    RvRawTangentSpaceD* d = Held<RvRawTangentSpaceD>();
    std::vector<float> mikk(12, -7.0f);
    for (int numTris : {0, -1, INT_MIN, INT_MAX / 3 + 1, INT_MAX}) {
        SCOPED_TRACE(testing::Message() << numTris << " triangles");
        EXPECT_FALSE(RvCreateVertexBuffers(numTris, &tri, &n, &v, &i));
        EXPECT_FALSE(RvCreateSignedVertexBuffers(numTris, &tri, stored, &n, &v, &i, &s));
        EXPECT_FALSE(RvComputeTangents(numTris, &tri, &t));
        EXPECT_FALSE(RvComputeTangentsD(numTris, &tri, &d));
        EXPECT_FALSE(RvComputeMikkTangents(numTris, &tri, mikk.data()));
    }
    // MikkTSpace tangents also refuse a NaN or an infinity of either sign, in any field of any triangle.
    std::vector<RvRawTriangle> many(600, tri);
    std::vector<float> out(600 * 12, -7.0f);
    for (int field = 0; field < 24; ++field) {
        const float bad[3] = {NAN, INFINITY, -INFINITY};
        many[417] = tri;
        (&many[417].vert[0].x)[field] = bad[field % 3];
        EXPECT_FALSE(RvComputeMikkTangents(600, many.data(), out.data())) << "float " << field;
    }
    EXPECT_TRUE(n == 77 && v == Held<RvTangentPointD>() && i == Held<RvIndex>() && s == Held<float>());
    EXPECT_TRUE(t == Held<RvRawTangentSpace>() && d == Held<RvRawTangentSpaceD>());
    EXPECT_EQ(mikk, std::vector<float>(12, -7.0f));
    EXPECT_EQ(out, std::vector<float>(600 * 12, -7.0f));
}

// In a child whose address space ends a little above what a million triangles and the outputs
// take: the working arrays do not fit. Tangent spaces are the caller's once handed over; the
// MikkTSpace tangents are left as they were.
TEST(TriangleRoutines, ReportFailedAllocations) {
    if (!kAddressLimitWorks) GTEST_SKIP() << "no address-space limit under the sanitizers";
    EXPECT_EXIT(
        {
            const int numTris = 1000000;
            std::vector<float> mikk(std::size_t(numTris) * 12, -7.0f);
            const RvRawTriangle* tris = ZeroTrianglesUnderMemoryLimit(numTris, 256u << 20);
            RvRawTangentSpaceD* spacesD = nullptr;
            RvRawTangentSpace* spaces = nullptr;
            const int failures = !RvComputeTangentsD(numTris, tris, &spacesD) + 2 * (spacesD != nullptr) +
                                 4 * !RvComputeTangents(numTris, tris, &spaces) + 8 * (spaces != nullptr) +
                                 16 * !RvComputeMikkTangents(numTris, tris, mikk.data()) +
                                 32 * (mikk == std::vector<float>(mikk.size(), -7.0f));
            delete[] spacesD;
            delete[] spaces;
            std::exit(failures == 63 ? 0 : failures);
        },
        testing::ExitedWithCode(0), "");
}

// The finite triangles stay in their order, and each one's 12 tangent floats move with it.
TEST(KeepFiniteTriangles, TangentsMoveWithTheirTriangles) {
    RvRawTriangle tris[3] = {};
    tris[0].norm[1].y = NAN;
    tris[1].texCoord[2].u = 1;
    tris[2].texCoord[2].u = 2;
    std::vector<float> tangents(36);
    for (int i = 0; i < 36; ++i) tangents[i] = float(i);
    ASSERT_EQ(RvKeepFiniteTriangles(3, tris, tangents.data()), 2);
    EXPECT_EQ(tris[0].texCoord[2].u, 1);
    EXPECT_EQ(tris[1].texCoord[2].u, 2);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(tangents[i], float(12 + i)) << i;
}
