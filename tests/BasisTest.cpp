// The tangent basis and the green direction in the dot3 mode, under a light far off.
#include <cmath>

#include "tests/ViewerWindow.h"

namespace {

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

class Basis : public ViewerWindow {
protected:
    // How many pixels inside the square differ by more than `tolerance` from `other` mirrored.
    int DifferingFromMirror(const std::vector<unsigned char>& other, bool leftRight, int tolerance) const {
        int n = 0;
        for (int y = 60; y <= 451; ++y)
            for (int x = 60; x <= 451; ++x) {
                const unsigned char* q =
                    &other[3 * (512 * (leftRight ? y : 511 - y) + (leftRight ? 511 - x : x))];
                n += !Near(At(x, y), {q[0], q[1], q[2]}, tolerance);
            }
        return n;
    }
};

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

// A bump lit from above: green turned round mirrors its picture top to bottom and back to the bit;
// u mirrored mirrors it left to right in MikkTSpace, whose binormal is then -cross(N, T).
TEST_F(Basis, GreenTurnedOrUMirroredLightsABumpAsTheMirrorImage) {
    const std::vector<unsigned char> texels = Dome(0.5, 0.5);
    SetSquare();
    SetMap(texels, 16);
    LightFrom(0, 0.5f);
    Show();
    const std::vector<unsigned char> first = pixels_;
    EXPECT_GT(DifferingFromMirror(first, false, 20), 1000) << "the bump is lit from above";
    KeyFunc('g', 0, 0);
    Show();
    EXPECT_EQ(DifferingFromMirror(first, false, 2), 0) << "green turned";
    KeyFunc('G', 0, 0);
    Show();
    EXPECT_EQ(pixels_, first);
    EXPECT_EQ(std::vector<unsigned char>(gTexInfo.pixels, gTexInfo.pixels + texels.size()), texels);
    SetSquare(kBasisMikkTSpace, {1, 0, 0, 0, 0, 1, 1, 1});
    Show();
    EXPECT_EQ(DifferingFromMirror(first, true, 2), 0) << "u mirrored";
}

}  // namespace
