// Per-triangle tangent frames of the welding.
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
    const Corners flatV = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {1, 0}}};
    const Corners skew = {{{0.74f, 1.45f, 1.77f}, {2.65f, 1.44f, 2.53f}, {-2.83f, -0.21f, 2.66f}},
                          {{0.65f, 0.9f}, {0.11f, 0.47f}, {0.25f, 0.54f}}};
    const double h = std::sqrt(0.5);
    const struct {
        const char* what;
        const Corners& corners;
        double normal[3], tangent[3], binormal[3];
        double tolerance;
    } cases[] = {
        // Without a texture span the edge from the second to the third corner stands in.
        {"no v span", flatV, {0, 0, 1}, {-h, h, 0}, {h, -h, 0}, 1e-15},
        // Along the normal the tangent vanishes and takes its default exactly.
        {"tangent along the normal", right, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0},
        // Bits from a separate double-precision evaluation of the same steps; they differ from
        // a per-component division, a single binormal dot product, a dot product summed from
        // the right, a fused evaluation, a normal made unit or a tangent turned the other way.
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
