#include <cmath>
#include <cstring>

#include "tests/LiteralFrame.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow Shading;

// The sample's vertices and some made to meet Normalize's near-zero bound from either side, lit
// from near, far and on a vertex, in both spaces, for vertex counts that end anywhere in a block.
TEST(LightVectors, AreTheLiteralComputationsToTheBit) {
    ASSERT_TRUE(LoadObjectFile(RVF_SAMPLES_DIR "/torus.rvf"));
    ObjectInit();
    const int all = gNumVerts;
    const float belowBound = std::nextafter(1e-7f, 0.0f);
    const double atTheOrigin[][3] = {{0, 0, 0}, {-1e-7f, 0, 0}, {0, -belowBound, 0}, {0, 0, -3e-8}};
    for (int i = 0; i < 4; ++i) std::memcpy(gVertices[i].vertex, atTheOrigin[i], sizeof atTheOrigin[i]);
    for (double* frame : {gVertices[5].tangent, gVertices[5].binormal, gVertices[5].normal})
        frame[0] = frame[1] = frame[2] = 0;
    GLfloat lights[][3] = {{0, 0, 0}, {0, 0, 65}, {3e37f, -2e37f, 1}};
    for (GLfloat* light : lights)
        for (bool inTangentSpace : {true, false})
            for (int count : {all, all - 1, all - 7, 21, 3}) {
                gNumVerts = count;
                LiteralComputeLightVectors(light, inTangentSpace);
                const std::vector<double> literal(gLightVec, gLightVec + 3 * count);
                ComputeLightVectors(light, inTangentSpace);
                EXPECT_EQ(std::memcmp(literal.data(), gLightVec, literal.size() * sizeof(double)), 0)
                    << "light " << light[0] << ", " << light[1] << ", " << light[2] << "; tangent space "
                    << inTangentSpace << "; " << count << " vertices";
            }
}

// 2 x 2 map: red, green / blue, yellow (bottom row first); its 6-byte rows are not 4-byte aligned.
const std::vector<unsigned char> kFourColours = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
// Red, green, blue and a dark grey with alpha 0, 80, 160 and 255.
const std::vector<unsigned char> kAlphas = {255, 0, 0, 0, 0, 255, 0, 80, 0, 0, 255, 160, 9, 9, 9, 255};

// The middles of the square's quarters; lit from the eye, each corner's light vector makes
// 65 / |(25, 25, 65)| with the normal (dot3 with the flat map, and vertex lighting's diffuse).
TEST_F(Shading, ModesDrawTheirPictures) {
    const double facing = 65 / std::sqrt(25 * 25 * 2 + 65 * 65);
    const Rgb lit = Grey(facing), vertexLit = Grey(0.14 + 0.8 * facing), black = {0, 0, 0};
    const std::vector<unsigned char> flat = Uniform({128, 128, 255});
    const struct {
        const char* what;
        int mode;
        GLfloat lightZ;  // in eye coordinates: 0 at the eye, -130 behind the square
        std::vector<unsigned char> map;
        Rgb atBottomLeft, atBottomRight, atTopLeft, atTopRight;
        int tolerance;
    } pictures[] = {
        {"dot3", 0, 0, flat, lit, lit, lit, lit, 2},
        {"dot3, light behind", 0, -130, flat, black, black, black, black, 2},
        {"mode out of range, as dot3", 7, -130, flat, black, black, black, black, 2},
        {"map colours", 1, 0, kFourColours, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, 6},
        {"vertex lighting", 2, 0, kFourColours, vertexLit, vertexLit, vertexLit, vertexLit, 6},
        {"alpha as grey", 3, 0, kAlphas, black, {80, 80, 80}, {160, 160, 160}, {255, 255, 255}, 6},
    };
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);  // so that a black square shows
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.what);
        SetSquare();
        gLightpos[2] = p.lightZ;
        SetMap(p.map);
        gViewMode = p.mode;
        Show();
        EXPECT_TRUE(Near(At(150, 150), p.atBottomLeft, p.tolerance));
        EXPECT_TRUE(Near(At(361, 150), p.atBottomRight, p.tolerance));
        EXPECT_TRUE(Near(At(150, 361), p.atTopLeft, p.tolerance));
        EXPECT_TRUE(Near(At(361, 361), p.atTopRight, p.tolerance));
        EXPECT_TRUE(Near(At(5, 5), {128, 128, 128}, 1)) << "background";
        EXPECT_EQ(gViewMode, p.mode > 3 ? 0 : p.mode);
    }
}

}  // namespace
