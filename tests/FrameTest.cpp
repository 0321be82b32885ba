// The frame, and the GL checks and view matrices it stands on.
#include <algorithm>
#include <cmath>

#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow Frame;

// At the square's bottom-left corner (pixel 44, 44) the frame leans towards the eye so that its
// lines stand in front of the square: normal to the right, tangent up, binormal to the left.
TEST_F(Frame, OverlaysDrawRedNormalsBlueTangentsGreenBinormalsAndTheWireframeWhite) {
    SetSquare();
    SetMap();
    RvTangentPointD& p = *std::find_if(gVertices, gVertices + gNumVerts, [](const RvTangentPointD& v) {
        return v.vertex[0] < 0 && v.vertex[1] < 0;
    });
    p.normal[0] = p.normal[2] = p.tangent[1] = p.tangent[2] = p.binormal[2] = 3;
    p.binormal[0] = -3;
    p.tangent[0] = p.binormal[1] = 0;
    gShowNormals = true;
    Show();
    EXPECT_TRUE(AnyIn(50, 39, 53, 42, {255, 0, 0}));
    gShowNormals = false;
    gShowTanCoord = gWireframe = true;
    Show();
    EXPECT_FALSE(AnyIn(26, 34, 58, 56, {255, 0, 0}));
    EXPECT_TRUE(AnyIn(40, 48, 43, 51, {0, 0, 255}));
    EXPECT_TRUE(AnyIn(30, 40, 34, 43, {0, 255, 0}));
    EXPECT_TRUE(AnyIn(254, 254, 258, 258, {255, 255, 255})) << "diagonal";
    EXPECT_EQ(At(171, 341), (Rgb{0, 0, 0})) << "inside a triangle";
}

TEST_F(Frame, WindowWithoutHeightKeepsAUsableProjection) {
    SetSquare();
    SetMap();
    Reshape(512, 0);
    Display();
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (GLfloat value : projection) EXPECT_TRUE(std::isfinite(value));
    EXPECT_NE(projection[0], 0.0f) << "a projection was set";
}

TEST_F(Frame, PrintErrorReportsOneErrorInFixedWords) {
    while (glGetError() != GL_NO_ERROR) {
    }
    glLineWidth(-1.0f);
    CaptureStdout();
    PrintError(nullptr);
    EXPECT_EQ(CapturedStdout(), "GL_INVALID_VALUE\n");
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    CaptureStdout();
    PrintError("pop");
    EXPECT_EQ(CapturedStdout(), "GL_STACK_UNDERFLOW: pop\n");
}

// The light goes into the object's space through the inverse view: a rotated view must undo its move.
TEST(MatrixHelpers, InverseUndoesARigidMotion) {
    // 30 degrees about z, then a move by (4, -2, 9).
    const GLfloat c = std::cos(0.5235988f), s = std::sin(0.5235988f);
    const GLfloat m[16] = {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 4, -2, 9, 1};
    const GLfloat point[3] = {1, 2, 3};
    GLfloat inverse[16], moved[3], back[3];
    matrixInvert(m, inverse);
    vecMatMult(point, m, moved);
    vecMatMult(moved, inverse, back);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], point[k], 1e-5) << k;
}

}  // namespace
