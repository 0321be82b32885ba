#include <cmath>

#include "tests/rvfrender/RenderRun.h"

typedef ToolTest RenderCommandLine;

// The picture of the asked size is named, its extension told in any case, with no
// temporary beside it; the loader's note on the triangles it leaves out reaches the user.
TEST_F(RenderCommandLine, ThePictureOfTheAskedSizeWithTheLoadersNotes) {
    WriteFile("m.rvf", RvfBytes(2, {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {NAN, 0, 0, 1, 0, 0, 0, 1, 0}}));
    RunResult r = Render({"--size", "64x32", "m.rvf", kMap, "out.PNG"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "out.PNG: 64 x 32\n");
    EXPECT_EQ(r.err, "rvfrender: warning: m.rvf: Left out 1 triangle with a NaN or an infinity.\n");
    EXPECT_EQ(RunProgram("/usr/bin/identify", {"-format", "%w x %h", "out.PNG"}).out, "64 x 32");
    EXPECT_EQ(RunProgram("/bin/ls", {"-A"}).out, "m.rvf\nout.PNG\n");
}

// A command line that cannot be obeyed gets status 2, a file that cannot be drawn status 1;
// either way one line and the picture already there left as it was, with no temporary beside it.
TEST_F(RenderCommandLine, EachFailureIsOneLineWithItsStatus) {
    ASSERT_EQ(symlink(kMesh.c_str(), "torus.rvf"), 0);
    ASSERT_EQ(symlink(kMap.c_str(), "torus.tga"), 0);
    WriteFile("rgb.tga", TargaBytes(1, 1, 24, {1, 2, 3}));
    WriteFile("out.png", "old picture");
    const std::tuple<int, const char*, std::string> cases[] = {
        {2, "m", "needs MESH [MAP] OUT.png"},
        {2, "m t o x", "unexpected operand 'x'"},
        {2, "--mode=4 m t o", "bad value '4' for option '--mode'"},
        {2, "--size 99999999999x0 m t o", "bad value '99999999999x0' for option '--size'"},
        {2, "--zoom inf m t o", "bad value 'inf' for option '--zoom'"},
        {2, "--reference r --threshold 256 m t o", "bad value '256' for option '--threshold'"},
        {2, "--threshold 1 m t o", "option '--threshold' needs --reference"},
        {2, "torus.rvf torus.tga out.jpg",
         "'out.jpg' does not end in .png, and PNG is what rvfrender writes"},
        {1, "none.rvf torus.tga out.png", "cannot open the mesh 'none.rvf': No such file or directory"},
        {1, "torus.rvf none.tga out.png", "cannot open the map 'none.tga': No such file or directory"},
        {1, "torus.tga torus.tga out.png",
         "cannot load the mesh 'torus.tga': torus.tga is a Targa image, not a mesh: give the mesh first, "
         "then the map"},
        {1, "torus.rvf out.png", "the mesh 'torus.rvf' names no normal map: name one before the picture"},
        {1, "--basis file torus.rvf torus.tga out.png",
         "'torus.rvf' holds no tangents: --basis file needs a mesh that stores them"},
        {1, "--mode alpha torus.rvf rgb.tga out.png",
         "mode 3 (alpha) needs a map with an alpha channel; 'rgb.tga' has 24 bits"},
    };
    for (const auto& [status, args, err] : cases) {
        SCOPED_TRACE(args);
        RunResult r = Render(Words(args));
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(r.err, "rvfrender: " + err + (status == 2 ? " (see 'rvfrender --help')\n" : "\n"));
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(FileText("out.png"), "old picture");
    }
    EXPECT_EQ(RunProgram("/bin/ls", {"-A"}).out, "out.png\nrgb.tga\ntorus.rvf\ntorus.tga\n");
}
