// rvfrender's picture against the frame the viewer shows in a real window for the same state,
// which the viewer reaches through its own keys and drags.
#include <GL/freeglut.h>
#include <unistd.h>

#include <sstream>

#include "tests/rvfrender/RenderRun.h"
#include "viewer/RVFView.h"

namespace {

enum { kLeftButton = 1, kMiddleButton = 2, kRightButton = 4 };

struct State {
    const char* options;  // rvfrender's, separated by spaces
    const char* keys;     // the viewer's, from the start-up mode and toggles
    int background;       // 0 black, 1 blue, 2 grey, 3 white
    int buttons;          // held during one pointer move by (dx, dy) pixels
    int dx, dy;
};

// The drags are chosen so that the viewer's factors (0.3 degrees and 0.1 units a pixel) give
// these options exactly in single precision.
const State kStates[] = {
    {"", "", 0, 0, 0, 0},
    {"--mode 1 --background blue --rotate 24,48", "a", 1, kLeftButton, 160, 80},
    {"--mode 2 --background grey --rotate -12,-12 --zoom -8", "aa", 2, kLeftButton | kRightButton, -40, -40},
    {"--mode 3 --background white --normals --tangents --pan 5,3", "aaant", 3, kMiddleButton, 50, -30},
    {"--object-space --rotate 48,24", "c", 0, kLeftButton, 80, 160},
    {"--wireframe --normals --tangents --rotate -24,24", "wnt", 0, kLeftButton, 80, -80},
};

// Brings the viewer to `s` as a user would, from its start-up mode and toggles: keys, then one
// drag with the buttons held.
void Reach(const State& s) {
    static int presses = 0;  // of "b" in this process; the viewer keeps its own count
    gViewMode = 0;
    gWireframe = gShowNormals = gShowTanCoord = false;
    gInTangentSpace = true;
    KeyFunc('r', 0, 0);
    for (const char* k = s.keys; *k != '\0'; ++k) KeyFunc(static_cast<unsigned char>(*k), 0, 0);
    // After n presses the colour is blue, grey, white, black for n = 1, 2, 3, 4 (modulo 4).
    for (; presses % 4 != s.background; ++presses) KeyFunc('b', 0, 0);
    const int buttons[3] = {GLUT_LEFT_BUTTON, GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON};
    for (int b = 0; b < 3; ++b)
        if (s.buttons & (1 << b)) MouseUpDown(buttons[b], GLUT_DOWN, 200, 200);
    if (s.buttons != 0) MouseMove(200 + s.dx, 200 + s.dy);
    for (int b = 0; b < 3; ++b)
        if (s.buttons & (1 << b)) MouseUpDown(buttons[b], GLUT_UP, 200 + s.dx, 200 + s.dy);
}

}  // namespace

class ViewerMatch : public RenderTest {
protected:
    void SetUp() override {
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        int argc = 1;
        char name[] = "rvfrender_viewer_tests";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(512, 512);
        static bool shown = false;
        glutCreateWindow("RVF Viewer");
        glutDisplayFunc([] {});
        glutVisibilityFunc([](int state) { shown = shown || state == GLUT_VISIBLE; });
        for (int i = 0; i < 1000 && !shown; ++i) {  // 10 s at most
            glutMainLoopEvent();
            usleep(10000);
        }
        ASSERT_TRUE(shown) << "the window was never shown";
        RenderTest::SetUp();  // rvfrender runs without the display
        checkExtensions();
        ASSERT_TRUE(LoadObjectFile(kSampleMesh.c_str()));
        ASSERT_TRUE(LoadTextureFile(kSampleMap.c_str()));
        StateInit();
        ObjectInit();
        TextureInit();
        MatrixInit();
    }

    // The viewer's frame in its window, top row first: the back buffer that Display would swap
    // to the front, read with glReadPixels just before the swap. (Mesa's software rasteriser
    // under X gives no pixels back from the front buffer.)
    std::vector<unsigned char> ViewerFrame() {
        DrawFrame();
        std::vector<unsigned char> rows(512 * 512 * 3), picture;
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 512, 512, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
        glutSwapBuffers();
        for (int y = 511; y >= 0; --y)
            picture.insert(picture.end(), &rows[3 * 512 * y], &rows[3 * 512 * (y + 1)]);
        return picture;
    }
};

// Both draw with Mesa's llvmpipe rasteriser, the viewer through GLX and rvfrender through
// OSMesa: the pictures are identical to the bit.
TEST_F(ViewerMatch, EveryOptionGivesTheViewersFrame) {
    for (const State& s : kStates) {
        std::istringstream words(s.options);
        Picture p = Draw(kSampleMesh, kSampleMap, {std::istream_iterator<std::string>(words), {}});
        Reach(s);
        EXPECT_TRUE(p.rgb == ViewerFrame()) << s.options;
        const Rgb background = p.At(0, 0);
        EXPECT_GT(p.Count([&](Rgb c) { return c != background; }), 10000)
            << s.options << ": the object is shown";
    }
}
