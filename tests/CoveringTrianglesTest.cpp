#include <gtest/gtest.h>

#include "viewer/RVFView.h"

namespace {

// What the frame's comparison with the literal draw does not meet: a triangle whose corner behind
// the eye, seen through it, falls between the same pixel centres as its other corners. It runs
// out to the edges of the window.
TEST(FindCoveringTriangles, KeepATriangleWithACornerBehindTheEye) {
    // Window coordinates (256.2, 256.2), (255.7, 256.3), (256.3, 255.7) of a 512 x 512 viewport,
    // through the identity transform but for w = 1 - 2 z.
    const float positions[9] = {0.2f / 256, 0.2f / 256,  1, -0.3f / 256, 0.3f / 256, 0,
                                0.3f / 256, -0.3f / 256, 0};
    const double clipFromObject[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, -2, 0, 0, 0, 1};
    const float viewport[4] = {0, 0, 512, 512};
    const RvIndex triangle = {{0, 1, 2}};
    CoveringVertex placed[3];
    GLuint kept[3];
    int sent = 0;
    FindCoveringTriangles(
        positions, 3, &triangle, 1, clipFromObject, viewport, placed, kept,
        [](int, int count, void* total) { *static_cast<int*>(total) += count; }, &sent);
    EXPECT_EQ(sent, 1);
}

}  // namespace
