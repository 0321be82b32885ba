#include <cmath>
#include <cstring>

#include "tests/LiteralFrame.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow Shading;

// Whether ComputeLightVectors gives the literal computation's bits for the first `count`
// vertices; the first that differs is named.
testing::AssertionResult SameLightVectors(GLfloat* light, bool inTangentSpace, int count) {
    const int all = gNumVerts;
    gNumVerts = count;
    std::vector<double> literal(3 * size_t(count));
    LiteralComputeLightVectors(light, inTangentSpace);
    std::memcpy(literal.data(), gLightVec, literal.size() * sizeof(double));
    ComputeLightVectors(light, inTangentSpace);
    gNumVerts = all;
    for (size_t i = 0; i < literal.size(); ++i)
        if (std::memcmp(&literal[i], &gLightVec[i], sizeof(double)) != 0)
            return testing::AssertionFailure()
                   << "vertex " << i / 3 << ": " << gLightVec[i] << " is not " << literal[i];
    return testing::AssertionSuccess();
}

// The sample's vertices and some made to meet Normalize's near-zero bound from either side, lit
// from near, far and on a vertex, in both spaces, for vertex counts that end anywhere in a block.
TEST(LightVectors, AreTheLiteralComputationsToTheBit) {
    ASSERT_TRUE(LoadObjectFile(RVF_SAMPLES_DIR "/torus.rvf"));
    ObjectInit();
    ASSERT_GT(gNumVerts, 40);
    const float belowBound = std::nextafter(1e-7f, 0.0f);
    const double atTheOrigin[][3] = {{0, 0, 0}, {-1e-7f, 0, 0}, {0, -belowBound, 0}, {0, 0, -3e-8}};
    for (int i = 0; i < 4; ++i) std::memcpy(gVertices[i].vertex, atTheOrigin[i], sizeof atTheOrigin[i]);
    for (double* frame : {gVertices[5].tangent, gVertices[5].binormal, gVertices[5].normal})
        frame[0] = frame[1] = frame[2] = 0;
    GLfloat lights[][3] = {
        {0, 0, 0},
        {0, 0, 65},
        {3e37f, -2e37f, 1},
        {static_cast<GLfloat>(gVertices[9].vertex[0]), static_cast<GLfloat>(gVertices[9].vertex[1]),
         static_cast<GLfloat>(gVertices[9].vertex[2])}};
    for (GLfloat* light : lights)
        for (bool inTangentSpace : {true, false})
            for (int count : {gNumVerts, gNumVerts - 1, gNumVerts - 7, 21, 3})
                EXPECT_TRUE(SameLightVectors(light, inTangentSpace, count))
                    << "light " << light[0] << ", " << light[1] << ", " << light[2] << "; tangent space "
                    << inTangentSpace << "; " << count << " vertices";
}

struct Picture {
    const char* what;
    int mode;
    double normalZ;
    std::vector<unsigned char> map;  // empty: the flat map
    Rgb atBottomLeft, atBottomRight, atTopLeft, atTopRight;
    int tolerance;
};

// 2 x 2 map: red, green / blue, yellow (bottom row first); its 6-byte rows are not 4-byte aligned.
const std::vector<unsigned char> kFourColours = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
// Red, green, blue and a dark grey with alpha 0, 80, 160 and 255.
const std::vector<unsigned char> kAlphas = {255, 0, 0, 0, 0, 255, 0, 80, 0, 0, 255, 160, 9, 9, 9, 255};

TEST_F(Shading, ModesDrawTheirPictures) {
    const Rgb grey = {222, 222, 222};  // 0.14 ambient, 0.8 x 0.915 diffuse at the corners
    const Picture pictures[] = {
        {"dot3 light behind", 0, -1.0, {}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 2},
        {"map colours", 1, 1.0, kFourColours, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, 6},
        {"vertex lighting", 2, 1.0, kFourColours, grey, grey, grey, grey, 6},
        {"alpha as grey", 3, 1.0, kAlphas, {0, 0, 0}, {80, 80, 80}, {160, 160, 160}, {255, 255, 255}, 6},
    };
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);  // so that a black square shows
    for (const Picture& p : pictures) {
        SetSquare(p.normalZ);
        p.map.empty() ? SetMap() : SetMap(p.map);
        gViewMode = p.mode;
        Show();
        EXPECT_TRUE(Near(At(171, 171), p.atBottomLeft, p.tolerance)) << p.what;
        EXPECT_TRUE(Near(At(341, 171), p.atBottomRight, p.tolerance)) << p.what;
        EXPECT_TRUE(Near(At(171, 341), p.atTopLeft, p.tolerance)) << p.what;
        EXPECT_TRUE(Near(At(341, 341), p.atTopRight, p.tolerance)) << p.what;
        EXPECT_TRUE(Near(At(5, 5), {128, 128, 128}, 1)) << p.what << ": background";
    }
}

TEST_F(Shading, Dot3LightsTheMapFromTheEye) {
    SetSquare();
    SetMap();
    Show();
    Rgb facing = At(256, 256);
    EXPECT_GE(facing[0], 225);  // 4 x 0.5 x 0.458 from the corners' light vectors
    EXPECT_TRUE(Near(facing, {facing[0], facing[0], facing[0]}, 1)) << "grey";
    // Turned 60 degrees away about y: the diffuse term drops to about a half.
    const float c = 0.5f, s = std::sqrt(3.0f) / 2;
    const GLfloat turned[16] = {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, -65, 1};
    std::memcpy(gViewMat, turned, sizeof turned);
    Show();
    EXPECT_TRUE(Near(At(256, 256), {128, 128, 128}, 24));
}

}  // namespace
