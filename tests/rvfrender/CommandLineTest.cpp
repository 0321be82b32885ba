#include "tests/rvfrender/RenderRun.h"

typedef RenderTest RenderCommandLine;

TEST_F(RenderCommandLine, HelpAndTheNameOfThePictureGoToStandardOutput) {
    RunResult help = Render({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: rvfrender [OPTIONS] MESH.rvf MAP.tga OUT.png\n", 0), 0u) << help.out;
    RunResult r = Render({"--size", "64x32", kSampleMesh, kSampleMap, Path("out.png")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Path("out.png") + ": 64 x 32\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(RunProgram("/bin/ls", {"-A", dir}).out, "out.png\n");
}

// A command line that cannot be obeyed gets status 2, a file that cannot be drawn status 1;
// either way one line and the picture already there left as it was, with no temporary beside it.
TEST_F(RenderCommandLine, EachFailureIsOneLineWithItsStatus) {
    const std::string seeHelp = " (see 'rvfrender --help')", out = Path("out.png");
    WriteFile(Path("short.tga"), std::string("\0\0\2\0\0", 5));
    WriteFile(Path("empty.rvf"), std::string("RVF \x0c\0\0\0TRIS\4\0\0\0\0\0\0\0", 20));
    // One texel of 24 bits.
    WriteFile(Path("rgb.tga"), std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0", 18) + "abc");
    WriteFile(out, "old picture");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"m", "t"}, 2, "needs MESH.rvf MAP.tga OUT.png" + seeHelp},
        {{"m", "t", "o", "x"}, 2, "unexpected operand 'x'" + seeHelp},
        {{"--bogus", "m", "t", "o"}, 2, "unknown option '--bogus'" + seeHelp},
        {{"--wireframe=yes", "m", "t", "o"}, 2, "option '--wireframe' takes no value" + seeHelp},
        {{"m", "t", "o", "--mode"}, 2, "option '--mode' needs a value" + seeHelp},
        {{"--mode=4", "m", "t", "o"}, 2, "bad value '4' for option '--mode'" + seeHelp},
        {{"--background", "red", "m", "t", "o"}, 2, "bad value 'red' for option '--background'" + seeHelp},
        {{"--size", "16385x10", "m", "t", "o"}, 2, "bad value '16385x10' for option '--size'" + seeHelp},
        {{"--size", "99999999999x0", "m", "t", "o"},
         2,
         "bad value '99999999999x0' for option '--size'" + seeHelp},
        {{"--rotate", "30", "m", "t", "o"}, 2, "bad value '30' for option '--rotate'" + seeHelp},
        {{"--zoom", "inf", "m", "t", "o"}, 2, "bad value 'inf' for option '--zoom'" + seeHelp},
        {{kSampleMesh, kSampleMap, dir}, 1, "'" + dir + "' is a directory"},
        {{Path("none.rvf"), kSampleMap, out},
         1,
         "cannot open the mesh '" + Path("none.rvf") + "': No such file or directory"},
        {{kSampleMesh, Path("none.tga"), out},
         1,
         "cannot open the map '" + Path("none.tga") + "': No such file or directory"},
        {{kSampleMap, kSampleMap, out},
         1,
         "cannot load the mesh '" + kSampleMap + "': Unable to read header"},
        {{Path("empty.rvf"), kSampleMap, out},
         1,
         "cannot load the mesh '" + Path("empty.rvf") + "': No triangles found in file"},
        {{kSampleMesh, Path("short.tga"), out},
         1,
         "cannot load the map '" + Path("short.tga") + "': ERROR! Bad Targa header!"},
        {{"--mode", "alpha", kSampleMesh, Path("rgb.tga"), out},
         1,
         "mode 3 (alpha) needs a map with an alpha channel; '" + Path("rgb.tga") + "' has 24 bits"},
    };
    for (const auto& c : cases) {
        RunResult r = Render(c.args);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, "rvfrender: " + c.err + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(FileText(out), "old picture") << c.err;
    }
    EXPECT_EQ(RunProgram("/bin/ls", {"-A", dir}).out, "empty.rvf\nout.png\nrgb.tga\nshort.tga\n");
}
