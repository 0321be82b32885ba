// Per-triangle tangent frames and the vector routines of the welding.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"
#include "tests/WeldTestMeshes.h"

namespace {

const double kHalfRoot2 = std::sqrt(0.5);

struct Corners {
    float32 v[3][3];
    float32 t[3][2];
};

// The unit right triangle in the xy plane with u along x and v along y.
Corners RightTriangle() { return Corners{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}}; }

struct Frame {
    double tangent[3];
    double binormal[3];
};

Frame FrameOf(const Corners& c, const double* normal) {
    Frame f = {{-9, -9, -9}, {-9, -9, -9}};
    EXPECT_TRUE(
        TriangleTangentFrame(c.v[0], c.v[1], c.v[2], c.t[0], c.t[1], c.t[2], normal, f.tangent, f.binormal));
    return f;
}

void ExpectVector(const double* got, double x, double y, double z) {
    EXPECT_NEAR(got[0], x, 1e-15);
    EXPECT_NEAR(got[1], y, 1e-15);
    EXPECT_NEAR(got[2], z, 1e-15);
}

}  // namespace

TEST(TriangleTangentFrame, FollowsGrowingTextureCoordinates) {
    const double up[3] = {0, 0, 1};
    Frame f = FrameOf(RightTriangle(), up);
    ExpectVector(f.tangent, 1, 0, 0);
    ExpectVector(f.binormal, 0, 1, 0);

    Corners scaled = {{{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{0, 0}, {1, 0}, {0, 1}}};
    f = FrameOf(scaled, up);
    ExpectVector(f.tangent, 1, 0, 0);
    ExpectVector(f.binormal, 0, 1, 0);

    Corners mirrored = RightTriangle();
    mirrored.t[1][0] = -1;
    f = FrameOf(mirrored, up);
    ExpectVector(f.tangent, -1, 0, 0);
    ExpectVector(f.binormal, 0, 1, 0);
}

TEST(TriangleTangentFrame, NoTextureSpanTakesEdgeFromSecondToThirdCorner) {
    const double up[3] = {0, 0, 1};
    Corners flatV = RightTriangle();
    flatV.t[0][0] = 0, flatV.t[0][1] = 0;
    flatV.t[1][0] = 1, flatV.t[1][1] = 0;
    flatV.t[2][0] = 1, flatV.t[2][1] = 0;
    Frame f = FrameOf(flatV, up);
    ExpectVector(f.tangent, -kHalfRoot2, kHalfRoot2, 0);
    ExpectVector(f.binormal, kHalfRoot2, -kHalfRoot2, 0);

    Corners same = RightTriangle();
    for (auto& t : same.t) t[0] = t[1] = 0.5f;
    f = FrameOf(same, up);
    ExpectVector(f.tangent, -kHalfRoot2, kHalfRoot2, 0);
    ExpectVector(f.binormal, -kHalfRoot2, kHalfRoot2, 0);
}

TEST(TriangleTangentFrame, ProjectsOntoTheNormalAsGiven) {
    // Along the normal the tangent vanishes and takes its default exactly.
    const double alongX[3] = {1, 0, 0};
    Frame f = FrameOf(RightTriangle(), alongX);
    EXPECT_EQ(f.tangent[0], 1.0);
    EXPECT_EQ(f.tangent[1], 0.0);
    EXPECT_EQ(f.tangent[2], 0.0);
    ExpectVector(f.binormal, 0, 1, 0);

    // A normal of length sqrt 2 is not normalised. The tangent subtracts one dot product from
    // (1,0,0), giving (0,-1,0); the binormal takes it anew per component from (0,1,0): the
    // first update gives (-1,1,0), whose dot product is 0, so the other two change nothing.
    const double diagonal[3] = {1, 1, 0};
    f = FrameOf(RightTriangle(), diagonal);
    ExpectVector(f.tangent, 0, -1, 0);
    ExpectVector(f.binormal, -kHalfRoot2, kHalfRoot2, 0);
}

TEST(TriangleTangentFrame, MatchesIndependentEvaluationBitForBit) {
    // Expected bits from a separate double-precision evaluation of the same steps; they differ
    // from a per-component division, a single binormal dot product or a fused evaluation.
    const Corners c = {{{0.74f, 1.45f, 1.77f}, {2.65f, 1.44f, 2.53f}, {-2.83f, -0.21f, 2.66f}},
                       {{0.65f, 0.9f}, {0.11f, 0.47f}, {0.25f, 0.54f}}};
    const double normal[3] = {0.148f, -0.974f, -0.567f};
    Frame f = FrameOf(c, normal);
    EXPECT_EQ(f.tangent[0], -0x1.f3e209e731f98p-1);
    EXPECT_EQ(f.tangent[1], -0x1.6fdbbbb65abe3p-3);
    EXPECT_EQ(f.tangent[2], 0x1.ed61f55ff5c4fp-4);
    EXPECT_EQ(f.binormal[0], 0x1.f549fc2a9896ep-1);
    EXPECT_EQ(f.binormal[1], 0x1.89aeedcb15c9ap-3);
    EXPECT_EQ(f.binormal[2], -0x1.1140c37fcf45dp-4);
}

TEST(TriangleTangentFrame, NullPointerFailsWithoutWriting) {
    const Corners c = RightTriangle();
    const double up[3] = {0, 0, 1};
    for (int which = 0; which < 9; ++which) {
        const float32* v[3] = {c.v[0], c.v[1], c.v[2]};
        const float32* t[3] = {c.t[0], c.t[1], c.t[2]};
        const double* normal = up;
        double tangent[3] = {7, 7, 7};
        double binormal[3] = {8, 8, 8};
        double* tanOut = tangent;
        double* biOut = binormal;
        if (which < 3) v[which] = nullptr;
        if (which >= 3 && which < 6) t[which - 3] = nullptr;
        if (which == 6) normal = nullptr;
        if (which == 7) tanOut = nullptr;
        if (which == 8) biOut = nullptr;
        EXPECT_FALSE(TriangleTangentFrame(v[0], v[1], v[2], t[0], t[1], t[2], normal, tanOut, biOut))
            << which;
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(tangent[k], 7.0) << which;
            EXPECT_EQ(binormal[k], 8.0) << which;
        }
    }
}

TEST(ComputeTangentVectorsD, ProjectsTheTriangleFrameOntoEachCornerNormal) {
    RvRawTriangle tri = UnitRightTriangle();
    tri.norm[1].x = 1, tri.norm[1].z = 0;
    tri.norm[2].x = 0.6f, tri.norm[2].z = 0.8f;
    double tan[3], norm[3], bi[3];

    ComputeTangentVectorsD(&tri, 0, tan, norm, bi);
    ExpectVector(norm, 0, 0, 1);
    ExpectVector(tan, 1, 0, 0);
    ExpectVector(bi, 0, 1, 0);

    ComputeTangentVectorsD(&tri, 1, tan, norm, bi);
    ExpectVector(norm, 1, 0, 0);
    ExpectVector(tan, 1, 0, 0);
    ExpectVector(bi, 0, 1, 0);

    // (1,0,0) less its part along (0.6, 0, 0.8) is (0.64, 0, -0.48), of length 0.8.
    ComputeTangentVectorsD(&tri, 2, tan, norm, bi);
    EXPECT_EQ(norm[0], static_cast<double>(0.6f));
    EXPECT_NEAR(tan[0], 0.8, 1e-7);
    EXPECT_NEAR(tan[1], 0, 1e-7);
    EXPECT_NEAR(tan[2], -0.6, 1e-7);
    ExpectVector(bi, 0, 1, 0);
}

TEST(ComputeTangentVectorsD, TriangleWithoutUKeepsDefaults) {
    const RvRawTriangle tri =
        MakeTriangle({{5, 1, 2}, {-3, 8, 0}, {2, 2, 9}}, {{0, 0.1f}, {0, 0.9f}, {-0.0f, 0.4f}}, {0, 1, 0});
    double tan[3] = {4, 4, 4}, norm[3], bi[3] = {4, 4, 4};
    ComputeTangentVectorsD(&tri, 2, tan, norm, bi);
    EXPECT_EQ(tan[0], 1.0);
    EXPECT_EQ(tan[1], 0.0);
    EXPECT_EQ(tan[2], 0.0);
    EXPECT_EQ(bi[0], 0.0);
    EXPECT_EQ(bi[1], 0.0);
    EXPECT_EQ(bi[2], 1.0);
    ExpectVector(norm, 0, 1, 0);
}

TEST(NormalizeD, ShortVectorsBecomeXAxis) {
    double zero[3] = {0, 0, 0};
    NormalizeD(zero);
    EXPECT_EQ(zero[0], 1.0);
    EXPECT_EQ(zero[1], 0.0);
    EXPECT_EQ(zero[2], 0.0);

    double tiny[3] = {0, 5e-8, -5e-8};
    NormalizeD(tiny);
    EXPECT_EQ(tiny[0], 1.0);
    EXPECT_EQ(tiny[1], 0.0);
    EXPECT_EQ(tiny[2], 0.0);

    // Divided by the length, not multiplied by its reciprocal: 3/5 is 0.6 to the bit.
    double v[3] = {3, 0, 4};
    NormalizeD(v);
    EXPECT_EQ(v[0], 0.6);
    EXPECT_EQ(v[1], 0.0);
    EXPECT_EQ(v[2], 0.8);
}

TEST(DotProduct3D, SumsLeftToRight) {
    const double a[3] = {1e16, 1, -1e16};
    const double ones[3] = {1, 1, 1};
    EXPECT_EQ(DotProduct3D(a, ones), 0.0);
    const double b[3] = {2, -3, 0.5};
    const double c[3] = {4, 1, -2};
    EXPECT_EQ(DotProduct3D(b, c), 4.0);
}
