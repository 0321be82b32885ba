#include <dirent.h>

#include "tests/rvfrender/RenderRun.h"

namespace {

const char kSeeHelp[] = " (see 'rvfrender --help')\n";

// The names in a directory.
std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(d);
    }
    return names;
}

}  // namespace

typedef RenderTest RenderCommandLine;

TEST_F(RenderCommandLine, HelpGoesToStandardOutput) {
    RunResult r = Render({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: rvfrender [OPTIONS] MESH.rvf MAP.tga OUT.png\n", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST_F(RenderCommandLine, SuccessNamesThePictureOnStandardOutput) {
    RunResult r = Render({"--size", "64x32", kSampleMesh, kSampleMap, Path("out.png")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Path("out.png") + ": 64 x 32\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Listing(dir), std::vector<std::string>({"out.png"}));
}

TEST_F(RenderCommandLine, UnusableCommandLinesAreRefusedWithStatus2) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"m", "t"}, "needs MESH.rvf MAP.tga OUT.png"},
        {{"m", "t", "o", "x"}, "unexpected operand 'x'"},
        {{"--bogus", "m", "t", "o"}, "unknown option '--bogus'"},
        {{"--wireframe=yes", "m", "t", "o"}, "option '--wireframe' takes no value"},
        {{"m", "t", "o", "--mode"}, "option '--mode' needs a value"},
        {{"--mode=4", "m", "t", "o"}, "bad value '4' for option '--mode'"},
        {{"--background", "red", "m", "t", "o"}, "bad value 'red' for option '--background'"},
        {{"--size", "16385x10", "m", "t", "o"}, "bad value '16385x10' for option '--size'"},
        {{"--size", "99999999999x0", "m", "t", "o"}, "bad value '99999999999x0' for option '--size'"},
        {{"--rotate", "30", "m", "t", "o"}, "bad value '30' for option '--rotate'"},
        {{"--zoom", "inf", "m", "t", "o"}, "bad value 'inf' for option '--zoom'"},
    };
    for (const auto& c : cases) {
        RunResult r = Render(c.first);
        EXPECT_EQ(r.status, 2) << c.second;
        EXPECT_EQ(r.err, "rvfrender: " + c.second + kSeeHelp);
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(RenderCommandLine, FilesThatCannotBeDrawnGetOneMessageAndStatus1) {
    WriteFile(Path("short.tga"), std::string("\0\0\2\0\0", 5));
    WriteFile(Path("empty.rvf"), std::string("RVF \x0c\0\0\0TRIS\4\0\0\0\0\0\0\0", 20));
    // One texel of 24 bits.
    WriteFile(Path("rgb.tga"), std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0", 18) + "abc");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{Path("none.rvf"), kSampleMap},
         "cannot open the mesh '" + Path("none.rvf") + "': No such file or directory"},
        {{kSampleMesh, Path("none.tga")},
         "cannot open the map '" + Path("none.tga") + "': No such file or directory"},
        {{kSampleMap, kSampleMap}, "cannot load the mesh '" + kSampleMap + "': Unable to read header"},
        {{Path("empty.rvf"), kSampleMap},
         "cannot load the mesh '" + Path("empty.rvf") + "': No triangles found in file"},
        {{kSampleMesh, Path("short.tga")},
         "cannot load the map '" + Path("short.tga") + "': ERROR! Bad Targa header!"},
        {{"--mode", "alpha", kSampleMesh, Path("rgb.tga")},
         "mode 3 (alpha) needs a map with an alpha channel; '" + Path("rgb.tga") + "' has 24 bits"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.first;
        args.push_back(Path("out.png"));
        RunResult r = Render(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "rvfrender: " + c.second + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(Exists(Path("out.png")));
    }
}

// The picture's place is checked before any work, and a failure leaves the file there as it was.
TEST_F(RenderCommandLine, FailureLeavesAnExistingPictureAsItWas) {
    RunResult r = Render({kSampleMesh, kSampleMap, dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rvfrender: '" + dir + "' is a directory\n");

    WriteFile(Path("out.png"), "old picture");
    r = Render({kSampleMesh, Path("none.tga"), Path("out.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(FileText(Path("out.png")), "old picture");
    EXPECT_EQ(Listing(dir), std::vector<std::string>({"out.png"})) << "no temporary left behind";
}
