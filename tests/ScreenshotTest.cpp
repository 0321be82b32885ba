// Screenshots: the frame the window shows, saved as a PNG under a name that replaces nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

// The PNG at `path` as ImageMagick decodes it, RGB top row first; empty when it cannot.
std::vector<unsigned char> DecodedByImageMagick(const std::string& path) {
    std::vector<unsigned char> rgb;
    FILE* p = popen(("/usr/bin/convert '" + path + "' -depth 8 RGB:- 2>/dev/null").c_str(), "r");
    if (p == nullptr) return rgb;
    unsigned char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) rgb.insert(rgb.end(), buf, buf + n);
    pclose(p);
    return rgb;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Contents(const std::string& path) {
    FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr) return "";
    Bytes b = ContentsOf(fp);
    std::fclose(fp);
    return std::string(b.begin(), b.end());
}

// Each test works in a fresh directory of its own.
class Screenshot : public ViewerWindow {
protected:
    void SetUp() override {
        ViewerWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        char pattern[] = "/tmp/rvfview_shot_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(chdir(pattern), 0);
    }
    void TearDown() override {
        if (dir_.empty()) return;
        EXPECT_EQ(chdir("/"), 0);
        EXPECT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0);
    }
    std::string dir_;
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
    const std::vector<unsigned char> png = DecodedByImageMagick(dir_ + "/square-001.png");
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
        for (const std::string& f : rows[i].existing) WriteText(f, "old");
        gMeshPath = rows[i].mesh;
        CaptureStdout();
        const bool saved = SaveScreenshot();
        EXPECT_EQ(CapturedStdout(), rows[i].saved + "\n");
        EXPECT_TRUE(saved);
        EXPECT_EQ(Contents(rows[i].saved).substr(0, 8), "\x89PNG\r\n\x1a\n");
        for (const std::string& f : rows[i].existing) EXPECT_EQ(Contents(f), "old") << f;
    }
}
