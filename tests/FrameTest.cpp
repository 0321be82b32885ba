#include <cmath>

#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow Frame;

TEST_F(Frame, WireframeIsWhiteLinesOnly) {
    SetSquare();
    SetMap();
    gWireframe = true;
    Show();
    const Rgb white = {255, 255, 255};
    EXPECT_TRUE(AnyIn(85, 300, 89, 300, white)) << "left edge";
    EXPECT_TRUE(AnyIn(300, 423, 300, 427, white)) << "top edge";
    EXPECT_TRUE(AnyIn(254, 254, 258, 258, white)) << "diagonal";
    EXPECT_EQ(At(171, 341), (Rgb{0, 0, 0})) << "inside a triangle";
}

TEST_F(Frame, OverlaysDrawRedNormalsBlueTangentsGreenBinormals) {
    SetSquare();
    SetMap();
    // At the bottom-left corner (pixel 86, 86), leaning towards the eye so that the lines stand
    // in front of the square: normal to the right, tangent up, binormal to the left.
    RvTangentPointD& p = gVertices[0];
    p.normal[0] = p.normal[2] = p.tangent[1] = p.tangent[2] = p.binormal[2] = 1;
    p.binormal[0] = -1;
    p.tangent[0] = p.binormal[1] = 0;
    gShowNormals = true;
    Show();
    EXPECT_TRUE(AnyIn(88, 85, 92, 88, {255, 0, 0}));
    EXPECT_FALSE(AnyIn(80, 80, 95, 95, {0, 0, 255}));
    gShowNormals = false;
    gShowTanCoord = gWireframe = true;
    Show();
    EXPECT_FALSE(AnyIn(80, 80, 95, 95, {255, 0, 0}));
    EXPECT_TRUE(AnyIn(85, 87, 88, 90, {0, 0, 255}));
    EXPECT_TRUE(AnyIn(82, 85, 85, 88, {0, 255, 0}));
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

TEST_F(Frame, ModeOutOfRangeIsDrawnAsDot3AndAnEarlierGlErrorIsTaggedDisplay) {
    SetSquare();
    SetMap();
    gViewMode = 7;
    while (glGetError() != GL_NO_ERROR) {
    }
    glEnable(0x1234);
    CaptureStdout();
    Show();
    Display();
    EXPECT_EQ(CapturedStdout(), "GL_INVALID_ENUM: Display\n");
    EXPECT_EQ(gViewMode, 0);
    EXPECT_GE(At(256, 256)[0], 225);
}

}  // namespace
