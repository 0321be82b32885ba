#include <gtest/gtest.h>

#include <cmath>

#include "viewer/RVFView.h"

namespace {

TEST(MatrixHelpers, InverseUndoesARigidMotion) {
    // 30 degrees about z, then a move by (4, -2, 9).
    const GLfloat c = std::cos(0.5235988f), s = std::sin(0.5235988f);
    const GLfloat m[16] = {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 4, -2, 9, 1};
    const GLfloat point[3] = {1, 2, 3}, x[3] = {1, 0, 0};
    GLfloat inverse[16], moved[3], back[3], turned[3];
    matrixInvert(m, inverse);
    vecMatMult(point, m, moved);
    vecMatMult(moved, inverse, back);
    vecMat3x3Mult(x, m, turned);  // directions ignore the move
    const GLfloat expected[9] = {c - 2 * s + 4, s + 2 * c - 2, 12, 1, 2, 3, c, s, 0};
    const GLfloat* actual[3] = {moved, back, turned};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(actual[i / 3][i % 3], expected[i], 1e-5) << i;
}

TEST(ObjectInit, EndsWithoutVertices) {
    gNumVerts = 0;
    EXPECT_EXIT(ObjectInit(), testing::ExitedWithCode(255), "");
}

}  // namespace
