// Screenshots: the frame the window shows, saved as a PNG under a name that replaces nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

// Each test works in a fresh directory of its own.
class Screenshot : public ViewerWindow {
protected:
    void SetUp() override {
        ViewerWindow::SetUp();
        ASSERT_TRUE(peer_.made && chdir(peer_.path) == 0);
    }
    void TearDown() override { EXPECT_EQ(chdir("/"), 0); }
    const PeerDir peer_;
    const std::string dir_ = peer_.path;
};

}  // namespace

// The asymmetric map's colours, upright: a flipped or swapped picture differs from the window.
TEST_F(Screenshot, SavesTheFrameTheWindowShows) {
    SetSquare();
    SetMap({255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    gViewMode = 1;
    gMeshPath = dir_ + "/square.rvf";
    gScreenshotAsked = true;
    CaptureStdout();
    Show();
    EXPECT_EQ(CapturedStdout(), dir_ + "/square-001.png\n");
    // As ImageMagick decodes it, RGB top row first.
    ASSERT_TRUE(RunConvert(dir_ + "/square-001.png -depth 8 RGB:" + dir_ + "/shot.rgb"));
    const Bytes png = FileBytes(dir_ + "/shot.rgb");
    ASSERT_EQ(png.size(), pixels_.size());
    int differing = 0;  // the window's rows are bottom first
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            for (int k = 0; k < 3; ++k)
                differing += png[3 * (512 * y + x) + k] != pixels_[3 * (512 * (511 - y) + x) + k];
    EXPECT_EQ(differing, 0);
    CaptureStdout();
    Show();
    EXPECT_EQ(CapturedStdout(), "") << "one screenshot for one request";
}

// Names relative to the working directory; files already there keep their contents.
TEST_F(Screenshot, TakesTheFirstFreeNameBesideTheMeshOrHere) {
    const struct {
        const char* name;
        std::string mesh;
        std::vector<std::string> existing;
        std::string saved;
    } rows[] = {
        {"beside the mesh", "d/square.rvf", {}, "d/square-001.png"},
        {"first free number", "d/square.rvf", {"d/square-001.png", "d/square-003.png"}, "d/square-002.png"},
        {"dot in a directory, none in the name", "d.e/square", {}, "d.e/square-001.png"},
        {"the mesh's directory is gone", "gone/square.rvf", {"square-001.png"}, "square-002.png"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SCOPED_TRACE(rows[i].name);
        const std::string row = dir_ + "/" + std::to_string(i);
        ASSERT_TRUE(mkdir(row.c_str(), 0755) == 0 && chdir(row.c_str()) == 0);
        ASSERT_TRUE(mkdir("d", 0755) == 0 && mkdir("d.e", 0755) == 0);
        for (const std::string& f : rows[i].existing) ASSERT_TRUE(WriteFile(f, Bytes{'o', 'l', 'd'}));
        gMeshPath = rows[i].mesh;
        CaptureStdout();
        const bool saved = SaveScreenshot();
        EXPECT_EQ(CapturedStdout(), rows[i].saved + "\n");
        EXPECT_TRUE(saved);
        EXPECT_EQ(Prefix(FileBytes(rows[i].saved), 8), (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}));
        for (const std::string& f : rows[i].existing) EXPECT_EQ(FileBytes(f), (Bytes{'o', 'l', 'd'})) << f;
    }
}
