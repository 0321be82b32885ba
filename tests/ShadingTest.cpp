// The shading modes' pictures, and the dot3 mode in each tangent basis and green direction.
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
        {"mode out of range, as dot3, light behind", 7, -130, flat, black, black, black, black, 2},
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
    }
}

// Puts the light far off in the unit direction of eye space (right, up, towards the eye).
void LightFrom(float right, float up) {
    const float far = 1e5f;
    gLightpos[0] = far * right;
    gLightpos[1] = far * up;
    gLightpos[2] = far * std::sqrt(1 - right * right - up * up) - 65;  // from the object's centre
}

// A 16 x 16 map of a dome centred at (cu, cv) on a flat ground, bottom row first.
std::vector<unsigned char> Dome(double cu, double cv) {
    std::vector<unsigned char> texels;
    const double r = 0.3;
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i) {
            const double du = (i + 0.5) / 16 - cu, dv = (j + 0.5) / 16 - cv, d2 = du * du + dv * dv;
            const bool in = d2 < r * r;
            for (double c : {in ? du / r : 0, in ? dv / r : 0, in ? std::sqrt(r * r - d2) / r : 1})
                texels.push_back(static_cast<unsigned char>(std::lround(127.5 * c + 127.5)));
        }
    return texels;
}

// How many pixels inside the square differ by more than `tolerance` between `a` and `b` upside down.
int DifferingFromMirror(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b,
                        int tolerance) {
    int n = 0;
    for (int y = 60; y <= 451; ++y)
        for (int x = 60; x <= 451; ++x) {
            const unsigned char *p = &a[3 * (512 * y + x)], *q = &b[3 * (512 * (511 - y) + x)];
            n += !Near({p[0], p[1], p[2]}, {q[0], q[1], q[2]}, tolerance);
        }
    return n;
}

typedef ViewerWindow Basis;

// Every basis gives a flat square the frame (x, y, z): the map's normal is lit as it is, the
// same in all three. A file's tangent +y turns it: T = y, B = w * cross(z, y) = -x.
TEST_F(Basis, FlatSquareIsLitByTheMapsNormalInEveryBasis) {
    const Rgb texel = {180, 100, 230};
    SetMap(Uniform(texel));
    const float light[3] = {0.3f, 0.4f, std::sqrt(0.75f)};
    LightFrom(light[0], light[1]);
    double n[3];
    for (int k = 0; k < 3; ++k) n[k] = 2 * texel[k] / 255.0 - 1;
    std::vector<unsigned char> own;
    for (int basis : {kBasisOwn, kBasisMikkTSpace, kBasisFile}) {
        SetSquare(basis);
        Show();
        EXPECT_TRUE(Near(At(256, 256), Grey(light[0] * n[0] + light[1] * n[1] + light[2] * n[2]), 3))
            << BasisTitle(basis);
        if (basis == kBasisOwn) own = pixels_;
        EXPECT_EQ(pixels_, own) << BasisTitle(basis) << " against own";
    }
    SetSquare(kBasisFile, {0, 0, 1, 0, 1, 1, 0, 1}, {0, 1, 0, 1});
    Show();
    EXPECT_TRUE(Near(At(256, 256), Grey(-light[0] * n[1] + light[1] * n[0] + light[2] * n[2]), 3))
        << "quarter turned";
}

// A bump lit from above: green turned round mirrors its picture top to bottom and back to the bit.
TEST_F(Basis, GreenTurnedLightsABumpAsTheMirrorImage) {
    const std::vector<unsigned char> texels = Dome(0.5, 0.5);
    SetSquare();
    SetMap(texels, 16);
    LightFrom(0, 0.5f);
    Show();
    const std::vector<unsigned char> first = pixels_;
    EXPECT_GT(DifferingFromMirror(pixels_, first, 20), 1000) << "the bump is lit from above";
    KeyFunc('g', 0, 0);
    Show();
    EXPECT_EQ(DifferingFromMirror(pixels_, first, 2), 0) << "green turned";
    KeyFunc('G', 0, 0);
    Show();
    EXPECT_EQ(pixels_, first);
}

}  // namespace
