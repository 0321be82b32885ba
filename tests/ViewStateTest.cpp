#include <gtest/gtest.h>

#include <cmath>

#include "viewer/RVFView.h"

namespace {

TEST(Normalize, ScalesToUnitLengthAndTurnsNothingIntoZ) {
    GLfloat v[3] = {3, 0, 4};
    Normalize(v);
    EXPECT_FLOAT_EQ(v[0], 0.6f);
    EXPECT_EQ(v[1], 0.0f);
    EXPECT_FLOAT_EQ(v[2], 0.8f);
    GLfloat zero[3] = {0, 0, 0};
    Normalize(zero);
    EXPECT_EQ(zero[0], 0.0f);
    EXPECT_EQ(zero[1], 0.0f);
    EXPECT_EQ(zero[2], 1.0f);
    GLfloat tiny[3] = {5e-8f, 0, 0};
    Normalize(tiny);
    EXPECT_EQ(tiny[2], 1.0f);
}

TEST(MatrixHelpers, StartUpViewInvertsToTheEyeAt65) {
    MatrixInit();
    GLfloat inverse[16];
    matrixInvert(gViewMat, inverse);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(inverse[i], (i == 14) ? 65.0f : (i % 5 == 0 ? 1.0f : 0.0f)) << i;
    GLfloat eye[3];
    vecMatMult(gLightpos, inverse, eye);
    EXPECT_EQ(eye[0], 0.0f);
    EXPECT_EQ(eye[1], 0.0f);
    EXPECT_EQ(eye[2], 65.0f);
}

TEST(MatrixHelpers, InverseUndoesARigidMotion) {
    // 30 degrees about z, then a move by (4, -2, 9).
    const GLfloat c = std::cos(0.5235988f), s = std::sin(0.5235988f);
    const GLfloat m[16] = {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 4, -2, 9, 1};
    GLfloat inverse[16];
    matrixInvert(m, inverse);
    const GLfloat point[3] = {1, 2, 3};
    GLfloat moved[3], back[3];
    vecMatMult(point, m, moved);
    EXPECT_NEAR(moved[0], c - 2 * s + 4, 1e-5);
    EXPECT_NEAR(moved[1], s + 2 * c - 2, 1e-5);
    EXPECT_NEAR(moved[2], 12, 1e-5);
    vecMatMult(moved, inverse, back);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], point[k], 1e-5);

    const GLfloat x[3] = {1, 0, 0};
    GLfloat turned[3];
    vecMat3x3Mult(x, m, turned);  // directions ignore the move
    EXPECT_NEAR(turned[0], c, 1e-6);
    EXPECT_NEAR(turned[1], s, 1e-6);
    EXPECT_EQ(turned[2], 0.0f);
}

TEST(ObjectInit, AllocatesZeroedLightVectorsOrEndsWithoutVertices) {
    gNumVerts = 5;
    ObjectInit();
    ASSERT_NE(gLightVec, nullptr);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(gLightVec[i], 0.0);
    gNumVerts = 0;
    EXPECT_EXIT(ObjectInit(), testing::ExitedWithCode(255), "");
}

}  // namespace
