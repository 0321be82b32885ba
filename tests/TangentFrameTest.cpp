// Per-triangle tangent frames and the vector routines of the welding.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"

namespace {

struct Corners {
    float32 v[3][3];
    float32 t[3][2];
};

void ExpectVector(const double* got, const double (&want)[3], double tolerance, const char* what) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], tolerance) << what << " " << k;
}

}  // namespace

// The corner frames built on it meet the library weld's own in the literal-weld comparison.
TEST(TriangleTangentFrame, MatchesTheWorkedExamples) {
    const Corners right = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}};
    const Corners mirrored = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {-1, 0}, {0, 1}}};
    const Corners flatV = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {1, 0}}};
    const Corners sameUV = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}}};
    const Corners skew = {{{0.74f, 1.45f, 1.77f}, {2.65f, 1.44f, 2.53f}, {-2.83f, -0.21f, 2.66f}},
                          {{0.65f, 0.9f}, {0.11f, 0.47f}, {0.25f, 0.54f}}};
    const double h = std::sqrt(0.5);
    const struct {
        const char* what;
        const Corners& corners;
        double normal[3], tangent[3], binormal[3];
        double tolerance;
    } cases[] = {
        {"mirrored u", mirrored, {0, 0, 1}, {-1, 0, 0}, {0, 1, 0}, 1e-15},
        // Without a texture span the edge from the second to the third corner stands in.
        {"no v span", flatV, {0, 0, 1}, {-h, h, 0}, {h, -h, 0}, 1e-15},
        {"no span at all", sameUV, {0, 0, 1}, {-h, h, 0}, {-h, h, 0}, 1e-15},
        // Along the normal the tangent vanishes and takes its default exactly.
        {"tangent along the normal", right, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0},
        // A normal of length sqrt 2 stays so; the binormal's dot product, taken anew per
        // component from (0,1,0), is 0 after the first update gives (-1,1,0).
        {"unnormalised normal", right, {1, 1, 0}, {0, -1, 0}, {-h, h, 0}, 1e-15},
        // Bits from a separate double-precision evaluation of the same steps; they differ from
        // a per-component division, a single binormal dot product, a dot product summed from
        // the right or a fused evaluation.
        {"skew triangle",
         skew,
         {0.148f, -0.974f, -0.567f},
         {-0x1.f3e209e731f98p-1, -0x1.6fdbbbb65abe3p-3, 0x1.ed61f55ff5c4fp-4},
         {0x1.f549fc2a9896ep-1, 0x1.89aeedcb15c9ap-3, -0x1.1140c37fcf45dp-4},
         0},
    };
    for (const auto& c : cases) {
        const Corners& k = c.corners;
        double tangent[3], binormal[3];
        ASSERT_TRUE(TriangleTangentFrame(k.v[0], k.v[1], k.v[2], k.t[0], k.t[1], k.t[2], c.normal, tangent,
                                         binormal));
        ExpectVector(tangent, c.tangent, c.tolerance, c.what);
        ExpectVector(binormal, c.binormal, c.tolerance, c.what);
    }
}

TEST(TriangleTangentFrame, NullPointerFailsWithoutWriting) {
    const float32 v[3] = {0, 0, 0}, t[2] = {0, 0};
    const double up[3] = {0, 0, 1};
    for (int which = 0; which < 9; ++which) {
        double tangent[3] = {7, 7, 7}, binormal[3] = {8, 8, 8};
        auto use = [which](int slot, auto* p) { return slot == which ? nullptr : p; };
        EXPECT_FALSE(TriangleTangentFrame(use(0, v), use(1, v), use(2, v), use(3, t), use(4, t), use(5, t),
                                          use(6, up), use(7, tangent), use(8, binormal)))
            << which;
        ExpectVector(tangent, {7, 7, 7}, 0, "tangent");
        ExpectVector(binormal, {8, 8, 8}, 0, "binormal");
    }
}

TEST(NormalizeD, DividesByTheLengthAndTurnsShortVectorsIntoTheXAxis) {
    // Divided by the length, not multiplied by its reciprocal: 3/5 is 0.6 to the bit.
    const double cases[][2][3] = {{{0, 5e-8, -5e-8}, {1, 0, 0}}, {{3, 0, 4}, {0.6, 0, 0.8}}};
    for (const auto& c : cases) {
        double v[3] = {c[0][0], c[0][1], c[0][2]};
        NormalizeD(v);
        ExpectVector(v, c[1], 0, "normalised");
    }
}
