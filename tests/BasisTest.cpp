// The tangent basis and the green direction in the dot3 mode, lit by a light so far away that
// its direction is the same everywhere, so that pictures can be checked against the map's
// normals and against their own mirror images.
#include <cmath>

#include "tests/ViewerWindow.h"

namespace {

// Puts the light so far from the object's centre, in the unit direction of the eye's
// coordinates with x = right and y = up, towards the eye, that it lights the object from there.
void LightFrom(float right, float up) {
    const float towards = std::sqrt(1 - right * right - up * up), far = 1e5f;
    gLightpos[0] = far * right;
    gLightpos[1] = far * up;
    gLightpos[2] = far * towards - 65;  // from the object's centre
}

// Tangents for the file's basis: along growing u, and a quarter turned from it.
const float kAlongU[4] = {1, 0, 0, 1};
const float kQuarterTurned[4] = {0, 1, 0, 1};

// A square of two triangles at z = 0 facing +z, or two squares side by side whose texture
// coordinates mirror each other across x = 0 (u growing away from it on both sides), in the
// basis `basis`. Every triangle turns counter-clockwise seen from +z, so the mirrored half's
// texture coordinates turn the other way, as a mirrored island's do. The file stores
// `fileTangent` at every corner.
void UseMesh(bool mirrored, int basis, const float* fileTangent = kAlongU) {
    // Corners x, y (scaled to the window by the load) with u, v.
    const float square[6][4] = {{-1, -1, 0, 0}, {1, -1, 1, 0}, {1, 1, 1, 1},
                                {-1, -1, 0, 0}, {1, 1, 1, 1},  {-1, 1, 0, 1}};
    const float halves[12][4] = {{0, -1, 0, 0},  {1, -1, 1, 0}, {1, 1, 1, 1},  {0, -1, 0, 0},
                                 {1, 1, 1, 1},   {0, 1, 0, 1},  {0, -1, 0, 0}, {-1, 1, 1, 1},
                                 {-1, -1, 1, 0}, {0, -1, 0, 0}, {0, 1, 0, 1},  {-1, 1, 1, 1}};
    const float(*corners)[4] = mirrored ? halves : square;
    const int numTris = mirrored ? 4 : 2;
    delete[] gTriangles;
    gTriangles = new RvRawTriangle[numTris];
    gNumTris = numTris;
    for (int c = 0; c < 3 * numTris; ++c) {
        RvRawTriangle& t = gTriangles[c / 3];
        t.vert[c % 3] = {{corners[c][0], corners[c][1], 0}};
        t.norm[c % 3] = {{0, 0, 1}};
        t.texCoord[c % 3] = {{corners[c][2], corners[c][3]}};
    }
    delete[] gFileTangents;
    gFileTangents = new float[12 * numTris];
    for (int c = 0; c < 3 * numTris; ++c) std::memcpy(gFileTangents + 4 * c, fileTangent, 4 * sizeof(float));
    ASSERT_TRUE(WeldInBasis(basis));
    ObjectInit();
}

const int kSide = 16;

// The texel of a unit normal.
void Pack(double x, double y, double z, unsigned char* texel) {
    const double n[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) texel[k] = static_cast<unsigned char>(std::lround(127.5 * n[k] + 127.5));
}

// A 16 x 16 map of a dome centred at (cu, cv) on a flat ground, bottom row first.
std::vector<unsigned char> Dome(double cu, double cv) {
    std::vector<unsigned char> texels(3 * kSide * kSide);
    const double r = 0.3;
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const double du = (i + 0.5) / kSide - cu, dv = (j + 0.5) / kSide - cv, d2 = du * du + dv * dv;
            unsigned char* texel = &texels[3 * (kSide * j + i)];
            if (d2 < r * r)
                Pack(du / r, dv / r, std::sqrt(r * r - d2) / r, texel);
            else
                Pack(0, 0, 1, texel);
        }
    return texels;
}

void UseMap(const std::vector<unsigned char>& texels) {
    delete[] gTexInfo.pixels;
    gTexInfo.pixels = new unsigned char[texels.size()];
    std::memcpy(gTexInfo.pixels, texels.data(), texels.size());
    gTexInfo.width = gTexInfo.height = kSide;
    gTexInfo.bitDepth = 24;
    gTexInfo.format = KIV_BITMAP_FORMAT_888;
    TextureInit();
}

// Where a pixel lies in the picture mirrored left to right, or top to bottom.
void LeftRight(int* x, int*) { *x = 511 - *x; }
void TopBottom(int*, int* y) { *y = 511 - *y; }

// The mesh covers pixels 45 to 467 of the start-up view: the pixels looked at lie well inside.
const int kLow = 60, kHigh = 451;

class Basis : public ViewerWindow {
protected:
    void SetUp() override {
        ViewerWindow::SetUp();
        std::memcpy(savedLight_, gLightpos, sizeof savedLight_);
    }
    void TearDown() override {
        std::memcpy(gLightpos, savedLight_, sizeof savedLight_);
        gGreenDown = false;
        delete[] gFileTangents;
        gFileTangents = nullptr;
    }

    // How many pixels looked at differ by more than `tolerance` from the pixel that `mirror`
    // gives of `other` (the window's rows bottom first).
    int Differing(const std::vector<unsigned char>& other, void (*mirror)(int* x, int* y),
                  int tolerance) const {
        int n = 0;
        for (int y = kLow; y <= kHigh; ++y)
            for (int x = kLow; x <= kHigh; ++x) {
                int mx = x, my = y;
                mirror(&mx, &my);
                const unsigned char* q = &other[3 * (512 * my + mx)];
                n += !Near(At(x, y), {q[0], q[1], q[2]}, tolerance);
            }
        return n;
    }

    GLfloat savedLight_[4];
};

// Every basis gives a flat square the frame (x, y, z): the map's normal is lit as it is, the
// same in all three. A file's tangent +y turns it: T = y, B = w * cross(z, y) = -x.
TEST_F(Basis, FlatSquareIsLitByTheMapsNormalInEveryBasis) {
    const unsigned char texel[3] = {180, 100, 230};
    std::vector<unsigned char> texels;
    for (int i = 0; i < kSide * kSide; ++i) texels.insert(texels.end(), texel, texel + 3);
    UseMap(texels);
    const float light[3] = {0.3f, 0.4f, std::sqrt(0.75f)};
    LightFrom(light[0], light[1]);
    double n[3];
    for (int k = 0; k < 3; ++k) n[k] = 2 * texel[k] / 255.0 - 1;
    const double lit = light[0] * n[0] + light[1] * n[1] + light[2] * n[2];
    const double turned = -light[0] * n[1] + light[1] * n[0] + light[2] * n[2];
    std::vector<unsigned char> own;
    for (int basis : {kBasisOwn, kBasisMikkTSpace, kBasisFile}) {
        UseMesh(false, basis);
        Show();
        const int grey = static_cast<int>(std::lround(255 * lit));
        EXPECT_TRUE(Near(At(256, 256), {grey, grey, grey}, 3)) << BasisTitle(basis);
        if (basis == kBasisOwn) own = pixels_;
        EXPECT_EQ(pixels_, own) << BasisTitle(basis) << " against own";
    }
    UseMesh(false, kBasisFile, kQuarterTurned);
    Show();
    const int grey = static_cast<int>(std::lround(255 * turned));
    EXPECT_TRUE(Near(At(256, 256), {grey, grey, grey}, 3)) << "quarter turned";
}

// Where the texture coordinates mirror across the middle, the picture of a light from above
// mirrors too: the mirrored half's binormal is w * cross(N, T) with w = -1.
TEST_F(Basis, MirroredHalfIsLitAsTheMirrorImageInMikkTSpace) {
    UseMesh(true, kBasisMikkTSpace);
    UseMap(Dome(0.6, 0.35));
    LightFrom(0, 0.5f);
    Show();
    EXPECT_EQ(Differing(pixels_, LeftRight, 2), 0);
    EXPECT_GT(Differing(pixels_, TopBottom, 20), 1000) << "the bump is lit from above";
}

// A dome whose rows mirror in v: turning green round is the same as mirroring the map top to
// bottom, so a light from above lights the picture mirrored. Turning it back gives the first
// picture to the bit, and the loaded texels never change.
TEST_F(Basis, FlippingGreenMirrorsTheLightingOfABumpTopToBottom) {
    std::vector<unsigned char> texels = Dome(0.5, 0.5);
    for (int j = 0; j < kSide / 2; ++j)
        for (int i = 0; i < kSide; ++i) {
            const unsigned char* below = &texels[3 * (kSide * j + i)];
            unsigned char* above = &texels[3 * (kSide * (kSide - 1 - j) + i)];
            above[0] = below[0], above[1] = static_cast<unsigned char>(255 - below[1]), above[2] = below[2];
        }
    UseMesh(false, kBasisOwn);
    UseMap(texels);
    LightFrom(0, 0.5f);
    Show();
    const std::vector<unsigned char> up = pixels_;
    EXPECT_GT(Differing(up, TopBottom, 20), 1000) << "the bump is lit from above";
    KeyFunc('g', 0, 0);
    Show();
    EXPECT_EQ(Differing(up, TopBottom, 2), 0);
    KeyFunc('G', 0, 0);
    Show();
    EXPECT_EQ(pixels_, up);
    EXPECT_EQ(std::vector<unsigned char>(gTexInfo.pixels, gTexInfo.pixels + texels.size()), texels);
}

}  // namespace
