#include <cmath>
#include <string>

#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow Frame;

const Rgb kWhite = {255, 255, 255};
const Rgb kBlack = {0, 0, 0};

TEST_F(Frame, WireframeIsWhiteLinesOnly) {
    SetSquare();
    SetFlatMap();
    gWireframe = true;
    gViewMode = 7;
    Show();
    EXPECT_TRUE(AnyIn(85, 300, 89, 300, kWhite)) << "left edge";
    EXPECT_TRUE(AnyIn(300, 423, 300, 427, kWhite)) << "top edge";
    EXPECT_TRUE(AnyIn(254, 254, 258, 258, kWhite)) << "diagonal";
    EXPECT_EQ(At(171, 341), kBlack) << "inside a triangle";
    EXPECT_EQ(gViewMode, 7) << "the mode is not looked at in wire-frame";
}

TEST_F(Frame, ModeOutOfRangeIsDrawnAsDot3AndRepaired) {
    SetSquare();
    SetFlatMap();
    gViewMode = 7;
    Show();
    EXPECT_EQ(gViewMode, 0);
    EXPECT_GE(At(256, 256)[0], 225);
}

// Frame vectors at the bottom-left corner (pixel 86, 86) leaning towards the eye, so that the
// lines stand in front of the square: normal to the right, tangent up, binormal to the left.
void SetLeaningFrame() {
    RvTangentPointD& p = gVertices[0];
    const double normal[3] = {1, 0, 1}, tangent[3] = {0, 1, 1}, binormal[3] = {-1, 0, 1};
    for (int k = 0; k < 3; ++k) {
        p.normal[k] = normal[k];
        p.tangent[k] = tangent[k];
        p.binormal[k] = binormal[k];
    }
}

TEST_F(Frame, OverlaysDrawRedNormalsBlueTangentsGreenBinormals) {
    SetSquare();
    SetFlatMap();
    SetLeaningFrame();
    gShowNormals = true;
    Show();
    EXPECT_TRUE(AnyIn(88, 85, 92, 88, {255, 0, 0}));
    EXPECT_FALSE(AnyIn(80, 80, 95, 95, {0, 0, 255}));

    gShowNormals = false;
    gShowTanCoord = true;
    gWireframe = true;
    Show();
    EXPECT_FALSE(AnyIn(80, 80, 95, 95, {255, 0, 0}));
    EXPECT_TRUE(AnyIn(85, 87, 88, 90, {0, 0, 255}));
    EXPECT_TRUE(AnyIn(82, 85, 85, 88, {0, 255, 0}));
}

TEST_F(Frame, WindowWithoutHeightKeepsAUsableProjection) {
    SetSquare();
    SetFlatMap();
    Reshape(512, 0);
    Display();
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (GLfloat value : projection) EXPECT_TRUE(std::isfinite(value));
    EXPECT_NE(projection[0], 0.0f) << "a projection was set";
}

TEST_F(Frame, ReportsAnEarlierGlErrorTaggedDisplay) {
    SetSquare();
    SetFlatMap();
    while (glGetError() != GL_NO_ERROR) {
    }
    glEnable(0x1234);
    CaptureStdout();
    Display();
    Display();
    EXPECT_EQ(CapturedStdout(), "GL_INVALID_ENUM: Display\n");
}

}  // namespace
