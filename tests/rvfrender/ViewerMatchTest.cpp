#include "tests/ViewerWindow.h"
#include "tests/rvfrender/RenderRun.h"

namespace {

const int kLeft = GLUT_LEFT_BUTTON, kMiddle = GLUT_MIDDLE_BUTTON, kRight = GLUT_RIGHT_BUTTON;

// rvfrender's options; the viewer's keys from its start-up state, and the buttons held during one
// pointer move by (dx, dy) pixels, chosen so that the viewer's factors (0.3 degrees and 0.1 units
// a pixel) give the options exactly in single precision.
const std::tuple<const char*, const char*, std::vector<int>, int, int> kStates[] = {
    {"", "", {}, 0, 0},
    {"--mode 1 --background blue --rotate 24,48", "ab", {kLeft}, 160, 80},
    {"--mode 2 --background grey --rotate -12,-12 --zoom -8", "aabb", {kLeft, kRight}, -40, -40},
    {"--mode 3 --background white --normals --tangents --pan 5,3", "aaantbbb", {kMiddle}, 50, -30},
    {"--object-space --rotate 48,24", "c", {kLeft}, 80, 160},
    {"--wireframe --normals --tangents --rotate -24,24", "wnt", {kLeft}, 80, -80},
    {"--basis mikktspace --flip-green --tangents --rotate 48,24", "sgt", {kLeft}, 80, 160},
};

}  // namespace

typedef ViewerWindow ViewerMatch;

// rvfrender's picture and the viewer's window in the same state, which the viewer reaches as a
// user would: both draw with Mesa's llvmpipe rasteriser, the viewer through GLX and rvfrender
// through OSMesa, so the pictures are identical to the bit.
TEST_F(ViewerMatch, EveryOptionGivesTheViewersFrame) {
    ASSERT_TRUE(LoadObjectFile(kMesh.c_str()) && LoadTextureFile(kMap.c_str()));
    ObjectInit();
    TextureInit();
    const PeerDir dir;
    const std::string out = dir.File("out.png"), window = dir.File("window.ppm");
    for (const auto& [options, keys, buttons, dx, dy] : kStates) {
        SCOPED_TRACE(options);
        std::vector<std::string> args = Words(options);
        args.insert(args.end(), {kMesh, kMap, out});
        RunResult r = RunProgram(RVFRENDER_PATH, args);
        EXPECT_EQ(r.status, 0) << r.err;
        // Keys undo what rebuilds the mesh and the map; the rest is reset to the start-up state.
        while (gBasis != kBasisOwn) KeyFunc('s', 0, 0);
        if (gGreenDown) KeyFunc('g', 0, 0);
        SetUp();
        for (const char* k = keys; *k != '\0'; ++k) KeyFunc(static_cast<unsigned char>(*k), 0, 0);
        for (int b : buttons) MouseUpDown(b, GLUT_DOWN, 200, 200);
        MouseMove(200 + dx, 200 + dy);
        for (int b : buttons) MouseUpDown(b, GLUT_UP, 200 + dx, 200 + dy);
        Show();
        std::string ppm = "P6 512 512 255\n";  // the window's rows are bottom first
        for (int y = 511; y >= 0; --y) ppm.append(reinterpret_cast<char*>(&pixels_[3 * 512 * y]), 3 * 512);
        WriteFile(window, ppm);
        EXPECT_TRUE(SamePictures(out, window));
    }
}
