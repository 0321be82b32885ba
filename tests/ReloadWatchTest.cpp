// The real RVFView reading its files again with --watch when they change on disk, keeping the
// mesh and map on screen when a file no longer loads (F5 reads them through the same routine).
// Its screenshots are compared with rvfrender's pictures of the same files.
#include "ViewerProgram.h"

class Reload : public ToolTest {};

// A mesh written slowly is read once, when complete; a map renamed over the old one is noticed;
// a broken mesh keeps the square on screen until the torus comes back.
TEST_F(Reload, WatchReadsEachSettledChangeOnce) {
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    const std::string mesh = dir + "/mesh.rvf", map = dir + "/map.tga", shot = dir + "/mesh-00";
    WriteFile(mesh, FileText(kMesh));
    WriteFile(map, FileText(kMap));
    // A square facing the eye, with the whole map on it: nothing like the torus.
    const std::string square = Text(RvfBytes(
        2, FloatBytes({-1, -1, 0, 1, -1, 0, 1,  1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 1,
                       -1, -1, 0, 1, 1,  0, -1, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 1})));
    WriteFile("square.rvf", square);
    const std::string reloaded = "Reloaded " + mesh + " and " + map + ".\n";
    const std::string squareShown =
        reloaded + "Mesh: 2 triangles, 4 welded vertices. Map: 256 x 256, 32 bits.\n";
    const std::string kept = "Reload failed: the mesh and the map on screen stay.\n";
    auto steps = [&](Session& s) {
        std::ofstream slow(mesh, std::ios::binary);
        // Pieces well within the half second a change must stay quiet, longer than that in all.
        for (size_t at = 0; at < square.size(); at += 8, usleep(20000))
            slow.write(&square[at], std::min<size_t>(8, square.size() - at)).flush();
        slow.close();
        EXPECT_TRUE(s.WaitFor(squareShown));
        WriteFile("new.tga", FileText(kMap));
        ASSERT_EQ(std::rename("new.tga", map.c_str()), 0);
        EXPECT_TRUE(s.WaitFor(squareShown + squareShown));
        WriteFile(mesh, square.substr(0, 40));
        EXPECT_TRUE(s.WaitFor(kept));
        s.Keys("F12");
        EXPECT_TRUE(s.WaitFor(shot + "1.png"));
        WriteFile(mesh, FileText(kMesh));
        EXPECT_TRUE(s.WaitFor(reloaded + kSummary));
        s.Keys("F12 q");
    };
    Outcome o = RunViewer({{"--watch", mesh, map}, {}, "", "", "", steps});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp + kSummary + "Watching " + mesh + " and " + map + " for changes.\n" + squareShown +
                         squareShown + "ERROR: Unable to read file: " + mesh + "\n" + kept + shot +
                         "1.png\n" + reloaded + kSummary + shot + "2.png\n");
    EXPECT_EQ(o.err, "Unable to read triangles\n");
    EXPECT_TRUE(AsRendered(shot + "1.png", "square.rvf " + kMap));
    EXPECT_TRUE(AsRendered(shot + "2.png", kMesh + " " + kMap));
}
