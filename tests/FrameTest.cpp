// The frame, and the GL checks it stands on.
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
    EXPECT_TRUE(AnyIn(42, 300, 46, 300, {255, 255, 255})) << "left edge";
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

}  // namespace
