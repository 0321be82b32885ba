// rvfrender's picture against the viewer's own window in the same state, which the viewer
// reaches through its keys and drags.
#include "tests/ViewerWindow.h"
#include "tests/rvfrender/RenderRun.h"

namespace {

enum { kLeftButton = 1, kMiddleButton = 2, kRightButton = 4 };

struct State {
    const char* options;  // rvfrender's, separated by spaces
    const char* keys;     // the viewer's, from the start-up mode and toggles
    int background;       // gBackground: 0 black, 1 blue, 2 grey, 3 white
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
    {"--basis mikktspace --flip-green --tangents --rotate 48,24", "sgt", 0, kLeftButton, 80, 160},
};

// Brings the viewer to `s` as a user would, from its start-up mode and toggles: keys, then one
// drag with the buttons held.
void Reach(const State& s) {
    gViewMode = 0;
    gWireframe = gShowNormals = gShowTanCoord = false;
    gInTangentSpace = true;
    while (gBasis != kBasisOwn) KeyFunc('s', 0, 0);
    if (gGreenDown) KeyFunc('g', 0, 0);
    KeyFunc('r', 0, 0);
    for (const char* k = s.keys; *k != '\0'; ++k) KeyFunc(static_cast<unsigned char>(*k), 0, 0);
    while (gBackground != s.background) KeyFunc('b', 0, 0);
    const int buttons[3] = {GLUT_LEFT_BUTTON, GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON};
    for (int b = 0; b < 3; ++b)
        if (s.buttons & (1 << b)) MouseUpDown(buttons[b], GLUT_DOWN, 200, 200);
    if (s.buttons != 0) MouseMove(200 + s.dx, 200 + s.dy);
    for (int b = 0; b < 3; ++b)
        if (s.buttons & (1 << b)) MouseUpDown(buttons[b], GLUT_UP, 200 + s.dx, 200 + s.dy);
}

}  // namespace

class ViewerMatch : public ViewerWindow {
protected:
    void SetUp() override {
        ViewerWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(LoadObjectFile(kSampleMesh.c_str()) && LoadTextureFile(kSampleMap.c_str()));
        ObjectInit();
        TextureInit();
    }
};

// Both draw with Mesa's llvmpipe rasteriser, the viewer through GLX and rvfrender through
// OSMesa: the pictures are identical to the bit.
TEST_F(ViewerMatch, EveryOptionGivesTheViewersFrame) {
    const std::string out = testing::TempDir() + "rvfrender-" + std::to_string(getpid()) + ".png";
    for (const State& s : kStates) {
        std::vector<std::string> args = Words(s.options);
        args.insert(args.end(), {kSampleMesh, kSampleMap, out});
        RunResult r = RunProgram(RVFRENDER_PATH, args);
        EXPECT_EQ(r.status, 0) << r.err;
        Picture rendered = ReadPng(out);
        Reach(s);
        Show();
        int differing = 0;  // the window's rows are bottom first
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 512; ++x) differing += rendered.At(x, y) != At(x, 511 - y);
        EXPECT_EQ(differing, 0) << s.options;
        const Rgb background = At(0, 0);
        EXPECT_GT(rendered.Count([&](Rgb c) { return c != background; }), 10000)
            << s.options << ": the object is shown";
    }
    std::remove(out.c_str());
}
