#include "tests/rvfrender/RenderRun.h"

typedef RenderTest RenderCommandLine;

TEST_F(RenderCommandLine, HelpAndTheNameOfThePictureGoToStandardOutput) {
    RunResult help = Render({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: rvfrender [OPTIONS] MESH.rvf MAP.tga OUT.png\n", 0), 0u) << help.out;
    RunResult r = Render({kSampleMesh, kSampleMap, "out.png"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "out.png: 512 x 512\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(RunProgram("/bin/ls", {"-A"}).out, "out.png\n");
}

// A command line that cannot be obeyed gets status 2, a file that cannot be drawn status 1;
// either way one line and the picture already there left as it was, with no temporary beside it.
TEST_F(RenderCommandLine, EachFailureIsOneLineWithItsStatus) {
    const std::string seeHelp = " (see 'rvfrender --help')";
    WriteFile("rgb.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0", 18) + "abc");  // one texel
    WriteFile("short.tga", std::string("\0\0\2\0\0", 5));
    WriteFile("out.png", "old picture");
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
        {{"--size", "99999999999x0", "m", "t", "o"},
         2,
         "bad value '99999999999x0' for option '--size'" + seeHelp},
        {{"--rotate", "30", "m", "t", "o"}, 2, "bad value '30' for option '--rotate'" + seeHelp},
        {{"--zoom", "inf", "m", "t", "o"}, 2, "bad value 'inf' for option '--zoom'" + seeHelp},
        {{"none.rvf", kSampleMap, "out.png"},
         1,
         "cannot open the mesh 'none.rvf': No such file or directory"},
        {{kSampleMesh, "none.tga", "out.png"},
         1,
         "cannot open the map 'none.tga': No such file or directory"},
        {{kSampleMap, kSampleMap, "out.png"},
         1,
         "cannot load the mesh '" + kSampleMap + "': Unable to read header"},
        {{kSampleMesh, "short.tga", "out.png"},
         1,
         "cannot load the map 'short.tga': ERROR! Bad Targa header!"},
        {{"--mode", "alpha", kSampleMesh, "rgb.tga", "out.png"},
         1,
         "mode 3 (alpha) needs a map with an alpha channel; 'rgb.tga' has 24 bits"},
    };
    for (const auto& c : cases) {
        RunResult r = Render(c.args);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, "rvfrender: " + c.err + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(FileText("out.png"), "old picture") << c.err;
    }
    EXPECT_EQ(RunProgram("/bin/ls", {"-A"}).out, "out.png\nrgb.tga\nshort.tga\n");
}
