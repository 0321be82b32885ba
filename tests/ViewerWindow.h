// One real 512 x 512 window per test process, meshes and maps put into the viewer's globals.
#ifndef TESTS_VIEWERWINDOW_H
#define TESTS_VIEWERWINDOW_H

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "viewer/RVFView.h"

typedef std::array<int, 3> Rgb;

// Reads the current GL window's 512 x 512 pixels from the X server as RGB bytes, bottom row first.
bool ReadWindow(std::vector<unsigned char>* rgb);

// Puts `tris` in place welded in `basis` as a load welds them, with the file's `fileTangents`.
inline void SetTriangles(const std::vector<RvRawTriangle>& tris, int basis = kBasisOwn,
                         const std::vector<float>& fileTangents = {}) {
    delete[] gTriangles;
    delete[] gFileTangents;
    gNumTris = static_cast<int>(tris.size());
    gTriangles = new RvRawTriangle[tris.size()];
    std::copy(tris.begin(), tris.end(), gTriangles);
    gFileTangents = fileTangents.empty() ? nullptr : new float[fileTangents.size()];
    std::copy(fileTangents.begin(), fileTangents.end(), gFileTangents);
    ASSERT_TRUE(WeldInBasis(basis));
    ObjectInit();
}

// A 50 x 50 square at z = 0 facing +z (pixels 45 to 467), corners from (-25, -25) at `uv`.
inline void SetSquare(int basis = kBasisOwn, std::array<float, 8> uv = {0, 0, 1, 0, 1, 1, 0, 1},
                      std::array<float, 4> fileTangent = {1, 0, 0, 1}) {
    std::vector<RvRawTriangle> tris(2);
    std::vector<float> tangents;
    const int corners[6] = {0, 1, 2, 0, 2, 3};
    for (int c = 0; c < 6; ++c) {
        const int i = corners[c];
        tris[c / 3].vert[c % 3] = {{(i == 1 || i == 2) ? 25.0f : -25.0f, i >= 2 ? 25.0f : -25.0f, 0}};
        tris[c / 3].norm[c % 3] = {{0, 0, 1}};
        tris[c / 3].texCoord[c % 3] = {{uv[2 * i], uv[2 * i + 1]}};
        tangents.insert(tangents.end(), fileTangent.begin(), fileTangent.end());
    }
    SetTriangles(tris, basis, tangents);
}

// The 2 x 2 map whose every texel is `texel`.
inline std::vector<unsigned char> Uniform(Rgb texel) {
    std::vector<unsigned char> texels;
    for (int i = 0; i < 12; ++i) texels.push_back(static_cast<unsigned char>(texel[i % 3]));
    return texels;
}

// A map `side` texels a side, of 3 or 4 bytes, red first, bottom row first; by default flat.
inline void SetMap(const std::vector<unsigned char>& texels = Uniform({128, 128, 255}), int side = 2) {
    delete[] gTexInfo.pixels;
    gTexInfo.pixels = new unsigned char[texels.size()];
    std::copy(texels.begin(), texels.end(), gTexInfo.pixels);
    gTexInfo.width = gTexInfo.height = side;
    const bool alpha = texels.size() == 4u * side * side;
    gTexInfo.bitDepth = alpha ? 32 : 24;
    gTexInfo.format = alpha ? KIV_BITMAP_FORMAT_8888 : KIV_BITMAP_FORMAT_888;
    TextureInit();
}

// The window exists and has been shown; every test starts from the start-up view state.
class ViewerWindow : public testing::Test {
protected:
    void SetUp() override {
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        static bool shown = false;
        if (!shown) {
            int argc = 1;
            char name[] = "rvfview_tests";
            char* argv[] = {name, nullptr};
            glutInit(&argc, argv);
            glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
            glutInitWindowSize(512, 512);
            glutInitWindowPosition(0, 0);  // wholly on the screen, so that it can be read back
            glutCreateWindow(name);
            glutDisplayFunc([] {});
            glutVisibilityFunc([](int state) { shown = shown || state == GLUT_VISIBLE; });
            for (int i = 0; i < 1000 && !shown; ++i, usleep(10000)) glutMainLoopEvent();
            ASSERT_TRUE(shown) << "the test window was never shown";
        }
        StateInit();
        MatrixInit();
        gWidth = gHeight = 512;
        gViewMode = 0;
        gWireframe = gShowNormals = gShowTanCoord = gGreenDown = gEngineView = false;
        gInTangentSpace = true;
        SetBackground(kBackgroundBlack);
        gBasis = kBasisOwn;
        gEngineShow = kShowLit;
        LightInit();
    }

    // Draws a frame and reads the window as the user sees it; (0, 0) is the bottom left.
    void Show() {
        Display();
        ASSERT_TRUE(ReadWindow(&pixels_));
    }

    Rgb At(int x, int y) const {
        const unsigned char* p = &pixels_[3 * (512 * y + x)];
        return {p[0], p[1], p[2]};
    }

    bool AnyIn(int x0, int y0, int x1, int y1, Rgb c) const {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (At(x, y) == c) return true;
        return false;
    }

    std::vector<unsigned char> pixels_;
};

// Colour components within `tolerance` of the expected ones.
inline testing::AssertionResult Near(Rgb actual, Rgb expected, int tolerance = 6) {
    for (int k = 0; k < 3; ++k)
        if (std::abs(actual[k] - expected[k]) > tolerance)
            return testing::AssertionFailure()
                   << testing::PrintToString(actual) << " is not " << testing::PrintToString(expected);
    return testing::AssertionSuccess();
}

// The grey of brightness `value`, clamped to [0, 1].
inline Rgb Grey(double value) {
    const int g = static_cast<int>(std::lround(255 * std::clamp(value, 0.0, 1.0)));
    return {g, g, g};
}

#endif
