// The real RVFView and rvfrender opening in one step an OBJ with a run-length Targa stored top row
// first, and a GLB with its map inside, made by ImageMagick and our glTF writer: each must show
// what plain files of the same show (rvftool import; ImageMagick -auto-orient, then rvftool map).
// The map is asymmetric so that flips and swaps show.
#include "GltfFiles.h"
#include "ViewerProgram.h"

class Opening : public ToolTest {
protected:
    // The map's quadrants are red (top left), green, blue and the flat normal.
    void SetUp() override {
        ToolTest::SetUp();
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        WriteFile("head.obj", FileText(RVFTOOL_TEST_DATA "/quad.obj"));
        Run("/usr/bin/convert",
            "-size 4x4 xc:red xc:lime +append ( xc:blue xc:#8080ff +append ) -append PNG24:map.png");
        Run("/usr/bin/convert", "map.png -compress RLE -orient TopLeft head_nm.tga");
        const std::string tga = FileText("head_nm.tga");
        ASSERT_TRUE(tga.size() > 18 && tga[2] == 10 && (tga[17] & 0x20) != 0) << "not run-length, top first";
        ASSERT_TRUE(WriteFile(dir + "/model.glb", Glb(FileBytes("map.png"))));
    }
    void Run(const std::string& program, const std::string& args) {
        RunResult r = RunProgram(program, Words(args));
        ASSERT_EQ(r.status, 0) << program << " " << args << ": " << r.err;
    }
    const std::string map8 =
        " Map: 8 x 8, 24 bits.\nWarning: the map has no alpha channel (the alpha mode shows white).\n";
    const std::string triangle = "Mesh: 1 triangle, 3 welded vertices (tangents in the file)." + map8;
};

// The viewer saves its first frame (mode 0), then after `keys` the next (mode 1), and quits; the
// map comes from inside the GLB, also when F5 reads the file again.
TEST_F(Opening, FilesAsUsersHaveThemShowWhatThePlainFilesShow) {
    const std::string glb = dir + "/model.glb";
    const struct {
        std::string files;     // the viewer's and rvfrender's, the mesh first
        std::string plainMap;  // the map as the plain files' steps take it
        const char* keys;
        std::string summary, reloaded;
    } rows[] = {
        {dir + "/head.obj head_nm.tga", "head_nm.tga", "a",
         "Mesh: 2 triangles, 4 welded vertices (no tangents in the file)." + map8, ""},
        {glb, "map.png", "a F5", triangle, "Reloaded " + glb + " and " + glb + ".\n" + triangle},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.files);
        const std::string mesh = Words(row.files)[0], shot = mesh.substr(0, mesh.rfind('.')) + "-00";
        auto steps = [&](Session& s) {
            EXPECT_TRUE(s.WaitFor(shot + "1.png"));
            s.Keys(row.keys + std::string(" F12"));
            EXPECT_TRUE(s.WaitFor(shot + "2.png"));
            s.Keys("q");
        };
        Outcome o = RunViewer({Words(row.files), {}, "", "F12", "", steps});
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.out,
                  kHelp + row.summary + shot + "1.png\nNormal map.\n" + row.reloaded + shot + "2.png\n");
        Run(RVFTOOL_PATH, "import " + mesh + " plain.rvf");
        Run("/usr/bin/convert", row.plainMap + " -auto-orient upright.png");
        Run(RVFTOOL_PATH, "map upright.png plain.tga");
        EXPECT_TRUE(AsRendered(shot + "1.png", "--mode 0 plain.rvf plain.tga"));
        EXPECT_TRUE(AsRendered(shot + "2.png", "--mode 1 plain.rvf plain.tga"));
        EXPECT_TRUE(AsRendered(shot + "2.png", "--mode 1 " + row.files));
    }
}
