// Test helpers of the viewer: one real 512 x 512 GLUT window per test process, hand-made meshes
// and maps put straight into the viewer's globals, and pixels read back from the window.
#ifndef TESTS_VIEWERWINDOW_H
#define TESTS_VIEWERWINDOW_H

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "viewer/RVFView.h"

typedef std::array<int, 3> Rgb;

// Reads the current GL window's 512 x 512 pixels from the X server as RGB bytes, bottom row first.
bool ReadWindow(std::vector<unsigned char>* rgb);

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
        gWireframe = gShowNormals = gShowTanCoord = false;
        gInTangentSpace = true;
        SetBackground(kBackgroundBlack);
        gBasis = kBasisOwn;
        gGreenDown = false;
        gEngineView = false;
        gEngineShow = kShowLit;
        LightInit();
    }

    // A 40 x 40 square at z = 0 facing +z (or -z), texture square (0,0) to (1,1), tangent +x,
    // binormal +y (or -y, its sign then -1 when the normal is +z); it covers pixels 87 to 425 of
    // the start-up view.
    static void SetSquare(double normalZ = 1.0, double binormalY = 1.0) {
        delete[] gVertices;
        delete[] gIndices;
        delete[] gTangentSigns;
        gVertices = new RvTangentPointD[4];
        gIndices = new RvIndex[2]{{{0, 1, 2}}, {{0, 2, 3}}};
        gTangentSigns = new float[4];
        for (int i = 0; i < 4; ++i) {
            const double x = (i == 1 || i == 2) ? 1 : 0, y = i >= 2 ? 1 : 0;
            gVertices[i] = {
                {40 * x - 20, 40 * y - 20, 0}, {0, 0, normalZ}, {x, y}, {1, 0, 0}, {0, binormalY, 0}, 1};
            gTangentSigns[i] = normalZ * binormalY < 0 ? -1.0f : 1.0f;
        }
        gNumVerts = 4;
        gNumTris = 2;
        ObjectInit();
    }

    // A map of width x height texels of 3 or 4 bytes, red first, uploaded as the texture; by
    // default the flat map, every texel the unperturbed normal.
    static void SetMap(std::vector<unsigned char> texels = {128, 128, 255, 128, 128, 255, 128, 128, 255, 128,
                                                            128, 255}) {
        delete[] gTexInfo.pixels;
        gTexInfo.pixels = new unsigned char[texels.size()];
        std::memcpy(gTexInfo.pixels, texels.data(), texels.size());
        gTexInfo.width = gTexInfo.height = 2;
        gTexInfo.bitDepth = texels.size() == 16 ? 32 : 24;
        gTexInfo.format = texels.size() == 16 ? KIV_BITMAP_FORMAT_8888 : KIV_BITMAP_FORMAT_888;
        TextureInit();
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

    // True when some pixel of the box [x0, x1] x [y0, y1] has exactly the colour c.
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
                   << "(" << actual[0] << ", " << actual[1] << ", " << actual[2] << ") is not ("
                   << expected[0] << ", " << expected[1] << ", " << expected[2] << ")";
    return testing::AssertionSuccess();
}

#endif
