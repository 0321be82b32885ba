// The real RVFView reading its files again: on F5 and, with --watch, when they change on disk,
// keeping the mesh and map on screen when a file no longer loads. Its screenshots are compared
// with rvfrender's pictures of the same files and state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ViewerProgram.h"
#include "tests/rvfrender/RenderRun.h"

namespace {

// A square facing the eye, with the whole map on it: nothing like the torus.
std::string SquareMesh() {
    const float corner[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    const int triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    std::vector<float> floats;
    for (const auto& t : triangles) {
        for (int c : t) floats.insert(floats.end(), {corner[c][0], corner[c][1], 0.0f});
        for (int c = 0; c < 3; ++c) floats.insert(floats.end(), {0.0f, 0.0f, 1.0f});
        for (int c : t) floats.insert(floats.end(), {(corner[c][0] + 1) / 2, (corner[c][1] + 1) / 2});
    }
    return RvfFile(floats);
}

// The viewer runs on copies of the sample in a fresh directory, which also takes its screenshots.
class Reload : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        mesh = dir + "/mesh.rvf";
        map = dir + "/map.tga";
        WriteFile(mesh, FileText(kMesh));
        WriteFile(map, FileText(kMap));
        WriteFile("square.rvf", SquareMesh());
    }
    std::string Shot(int n) { return dir + "/mesh-00" + std::to_string(n) + ".png"; }
    // A reload's lines, with the load summary of the torus or the square.
    std::string Reloaded(bool square) {
        return "Reloaded " + mesh + " and " + map + ".\n" +
               (square ? "Mesh: 2 triangles, 4 welded vertices. Map: 256 x 256, 32 bits.\n" : kSummary);
    }
    // The screenshot against rvfrender's picture of `meshFile` and the map with `options`,
    // pixel for pixel as ImageMagick reads both.
    testing::AssertionResult ShowsAsRendered(int shot, const std::string& meshFile,
                                             std::vector<std::string> options = {}) {
        options.insert(options.end(), {meshFile, kMap, "rendered.png"});
        RunResult r = RunProgram(RVFRENDER_PATH, options);
        if (r.status != 0) return testing::AssertionFailure() << r.err;
        return SamePictures(Shot(shot), "rendered.png");
    }
    std::string mesh, map;
};

const std::string kKept = "Reload failed: the mesh and the map on screen stay.\n";

}  // namespace

// The mode and the background stay; a mesh cut short leaves the square on screen.
TEST_F(Reload, F5ShowsTheFilesAgainInTheSameStateOrKeepsWhatIsShown) {
    auto steps = [&](Session& s) {
        EXPECT_TRUE(s.WaitFor(Shot(1)));
        WriteFile(mesh, SquareMesh());
        s.Keys("F5 F12");
        EXPECT_TRUE(s.WaitFor(Shot(2)));
        WriteFile(mesh, SquareMesh().substr(0, 40));
        s.Keys("F5 F12 q");
    };
    Outcome o = RunViewer({{mesh, map}, {}, "", "a b F12", "", steps});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp + kSummary + "Normal map.\n" + Shot(1) + "\n" + Reloaded(true) + Shot(2) + "\n" +
                         "ERROR: Unable to read file: " + mesh + "\n" + kKept + Shot(3) + "\n");
    EXPECT_EQ(o.err, "Unable to read triangles\n");
    const std::vector<std::string> state = {"--mode", "1", "--background", "blue"};
    EXPECT_TRUE(ShowsAsRendered(1, kMesh, state));
    EXPECT_TRUE(ShowsAsRendered(2, "square.rvf", state));
    EXPECT_TRUE(ShowsAsRendered(3, "square.rvf", state));
}

// A mesh written slowly is read once, when complete; a map renamed over the old one is noticed;
// a broken mesh keeps the square on screen until the torus comes back.
TEST_F(Reload, WatchReadsEachSettledChangeOnce) {
    auto steps = [&](Session& s) {
        const std::string square = SquareMesh();
        FILE* fp = std::fopen(mesh.c_str(), "wb");
        ASSERT_NE(fp, nullptr);
        // Pieces well within the half second a change must stay quiet, longer than that in all.
        for (size_t at = 0; at < square.size(); at += 8, usleep(20000)) {
            std::fwrite(square.data() + at, 1, std::min<size_t>(8, square.size() - at), fp);
            std::fflush(fp);
        }
        std::fclose(fp);
        EXPECT_TRUE(s.WaitFor(Reloaded(true)));
        WriteFile("new.tga", FileText(kMap));
        ASSERT_EQ(std::rename("new.tga", map.c_str()), 0);
        EXPECT_TRUE(s.WaitFor(Reloaded(true), 2));
        WriteFile(mesh, square.substr(0, 40));
        EXPECT_TRUE(s.WaitFor(kKept));
        s.Keys("F12");
        EXPECT_TRUE(s.WaitFor(Shot(1)));
        WriteFile(mesh, FileText(kMesh));
        EXPECT_TRUE(s.WaitFor(Reloaded(false)));
        s.Keys("F12 q");
    };
    Outcome o = RunViewer({{"--watch", mesh, map}, {}, "", "", "", steps});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp + kSummary + "Watching " + mesh + " and " + map + " for changes.\n" +
                         Reloaded(true) + Reloaded(true) + "ERROR: Unable to read file: " + mesh + "\n" +
                         kKept + Shot(1) + "\n" + Reloaded(false) + Shot(2) + "\n");
    EXPECT_EQ(o.err, "Unable to read triangles\n");
    EXPECT_TRUE(ShowsAsRendered(1, "square.rvf"));
    EXPECT_TRUE(ShowsAsRendered(2, kMesh));
}
