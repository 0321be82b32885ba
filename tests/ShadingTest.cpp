#include <cmath>

#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow Shading;

// Packed light vector of vertex v.
Rgb Packed(int v) {
    Rgb c;
    for (int k = 0; k < 3; ++k) c[k] = static_cast<int>(std::lround(gLightVec[3 * v + k] * 1000));
    return c;
}

TEST_F(Shading, LightVectorsArePackedTangentSpaceDirections) {
    SetSquare();
    gVertices[0].tangent[0] = 0.0;  // vertex 0: tangent +z, binormal +y, normal +x
    gVertices[0].tangent[2] = 1.0;
    gVertices[0].normal[0] = 1.0;
    gVertices[0].normal[2] = 0.0;

    GLfloat alongTangent[3] = {-20.0f, -20.0f, 30.0f};
    ComputeLightVectors(alongTangent, true);
    EXPECT_EQ(Packed(0), (Rgb{1000, 500, 500}));
    EXPECT_EQ(Packed(2), (Rgb{188, 188, 734}));  // (-40, -40, 30) / 64.03 from (20, 20, 0)
    GLfloat behind[3] = {20.0f, 20.0f, -30.0f};
    ComputeLightVectors(behind, true);
    EXPECT_EQ(Packed(2), (Rgb{500, 500, 0}));

    GLfloat atVertex[3] = {20.0f, 20.0f, 0.0f};
    ComputeLightVectors(atVertex, false);
    EXPECT_EQ(Packed(2), (Rgb{500, 500, 1000}));
    GLfloat object[3] = {20.0f, -10.0f, 0.0f};
    ComputeLightVectors(object, false);
    EXPECT_EQ(Packed(2), (Rgb{500, 0, 500}));  // object space: straight down from (20, 20)
}

TEST_F(Shading, Dot3LightsTheMapFromTheEye) {
    SetSquare();
    SetFlatMap();
    Show();
    Rgb facing = At(256, 256);
    EXPECT_GE(facing[0], 225);  // 4 x 0.5 x 0.458 from the corners' light vectors
    EXPECT_TRUE(Near(facing, {facing[0], facing[0], facing[0]}, 1)) << "grey";

    // Turned 60 degrees away about y: the diffuse term drops to about a half.
    const float c = 0.5f, s = std::sqrt(3.0f) / 2;
    GLfloat turned[16] = {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, -65, 1};
    std::memcpy(gViewMat, turned, sizeof turned);
    Show();
    EXPECT_TRUE(Near(At(256, 256), {128, 128, 128}, 24));
}

TEST_F(Shading, Dot3WithTheLightBehindIsBlack) {
    SetSquare(-1.0);
    SetFlatMap();
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    Show();
    EXPECT_TRUE(Near(At(256, 256), {0, 0, 0}, 2));
    EXPECT_TRUE(Near(At(10, 10), {128, 128, 128}, 1));
}

// 2 x 2 map: red, green / blue, yellow (bottom row first). Its 6-byte rows are not 4-byte aligned.
const std::vector<unsigned char> kFourColours = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};

TEST_F(Shading, NormalMapModeShowsTheMapColours) {
    SetSquare();
    SetMap(2, 2, kFourColours);
    gViewMode = 1;
    Show();
    EXPECT_TRUE(Near(At(171, 171), {255, 0, 0}));
    EXPECT_TRUE(Near(At(341, 171), {0, 255, 0}));
    EXPECT_TRUE(Near(At(171, 341), {0, 0, 255}));
    EXPECT_TRUE(Near(At(341, 341), {255, 255, 0}));
}

TEST_F(Shading, VertexLightingIsUntexturedGrey) {
    SetSquare();
    SetMap(2, 2, kFourColours);
    gViewMode = 2;
    Show();
    // Ambient 0.04 + 0.1, diffuse 0.8 x 0.915 at the corners, no visible highlight.
    EXPECT_TRUE(Near(At(171, 171), {222, 222, 222}, 6));
    EXPECT_TRUE(Near(At(341, 341), {222, 222, 222}, 6));
}

TEST_F(Shading, AlphaModeShowsTheAlphaAsGrey) {
    SetSquare();
    SetMap(2, 2, {255, 0, 0, 0, 0, 255, 0, 80, 0, 0, 255, 160, 9, 9, 9, 255});
    gViewMode = 3;
    Show();
    EXPECT_TRUE(Near(At(171, 171), {0, 0, 0}));
    EXPECT_TRUE(Near(At(341, 171), {80, 80, 80}));
    EXPECT_TRUE(Near(At(171, 341), {160, 160, 160}));
    EXPECT_TRUE(Near(At(341, 341), {255, 255, 255}));
}

}  // namespace
