#include <cmath>

#include "tests/rvfrender/RenderRun.h"

typedef RenderTest RenderCommandLine;

TEST_F(RenderCommandLine, HelpAndThePictureOfTheAskedSizeAreNamedOnStandardOutput) {
    RunResult help = Render({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: rvfrender [OPTIONS] MESH [MAP] OUT.png\n", 0), 0u) << help.out;
    RunResult version = Render({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "rvfrender " RVF_VERSION "\n");
    // The name's extension is told in any case.
    RunResult r = Render({"--size", "64x32", kSampleMesh, kSampleMap, "out.PNG"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "out.PNG: 64 x 32\n");
    Picture p = ReadPng("out.PNG");
    EXPECT_TRUE(p.width == 64 && p.height == 32) << p.width << " x " << p.height;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(RunProgram("/bin/ls", {"-A"}).out, "out.PNG\n");
}

// A command line that cannot be obeyed gets status 2, a file that cannot be drawn status 1;
// either way one line and the picture already there left as it was, with no temporary beside it.
TEST_F(RenderCommandLine, EachFailureIsOneLineWithItsStatus) {
    ASSERT_EQ(symlink(kSampleMesh.c_str(), "torus.rvf"), 0);
    ASSERT_EQ(symlink(kSampleMap.c_str(), "torus.tga"), 0);
    WriteFile("rgb.tga", TargaBytes(1, 1, 24, {1, 2, 3}));
    WriteFile("out.png", "old picture");
    const struct {
        int status;
        const char* args;
        std::string err;
    } cases[] = {
        {2, "m", "needs MESH [MAP] OUT.png"},
        {2, "m t o x", "unexpected operand 'x'"},
        {2, "--bogus=1 m t o", "unknown option '--bogus'"},
        {2, "--mode=4 m t o", "bad value '4' for option '--mode'"},
        {2, "--size 99999999999x0 m t o", "bad value '99999999999x0' for option '--size'"},
        {2, "--rotate 30 m t o", "bad value '30' for option '--rotate'"},
        {2, "--zoom inf m t o", "bad value 'inf' for option '--zoom'"},
        {2, "--basis=MikkTSpace m t o", "bad value 'MikkTSpace' for option '--basis'"},
        {2, "--reference r --threshold 256 m t o", "bad value '256' for option '--threshold'"},
        {2, "--threshold 1 m t o", "option '--threshold' needs --reference"},
        {2, "--diff d m t o", "option '--diff' needs --reference"},
        {2, "--reference r --diff d.jpg torus.rvf torus.tga out.png",
         "'d.jpg' does not end in .png, and PNG is what rvfrender writes"},
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        RunResult r = Render(Words(c.args));
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, "rvfrender: " + c.err + (c.status == 2 ? " (see 'rvfrender --help')\n" : "\n"));
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(FileText("out.png"), "old picture");
    }
    EXPECT_EQ(RunProgram("/bin/ls", {"-A"}).out, "out.png\nrgb.tga\ntorus.rvf\ntorus.tga\n");
}

// The loader's note on triangles it leaves out reaches the user; the picture is still made.
TEST_F(RenderCommandLine, TrianglesLeftOutAreWarnedOf) {
    WriteFile("m.rvf", RvfBytes(2, {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {NAN, 0, 0, 1, 0, 0, 0, 1, 0}}));
    RunResult r = Render({"--size", "8x8", "m.rvf", kSampleMap, "out.png"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "rvfrender: warning: m.rvf: Left out 1 triangle with a NaN or an infinity.\n");
}
