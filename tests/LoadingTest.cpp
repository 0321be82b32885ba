#include <array>
#include <set>

#include "tests/TestFiles.h"
#include "viewer/RVFView.h"

namespace {

// An RVF file `name` in `dir` of flat triangles given as 3 corner positions each; its path.
std::string MeshFile(const PeerDir& dir, const std::string& name,
                     const std::vector<std::vector<float>>& corners) {
    EXPECT_TRUE(dir.made && WriteFile(dir.File(name), RvfBytes(corners.size(), corners)));
    return dir.File(name);
}

TEST(LoadObjectFile, CentresAndScalesTheLargestExtentTo50) {
    const PeerDir dir;
    ASSERT_TRUE(LoadObjectFile(
        MeshFile(dir, "m.rvf", {{-1, 0, 5, 3, 0, 5, 3, 10, 6}, {-1, 0, 5, 3, 10, 6, -1, 10, 6}}).c_str()));
    std::set<std::array<double, 3>> corners;
    for (int i = 0; i < gNumVerts; ++i)
        corners.insert({gVertices[i].vertex[0], gVertices[i].vertex[1], gVertices[i].vertex[2]});
    EXPECT_EQ(corners, (std::set<std::array<double, 3>>{
                           {-10, -25, -2.5}, {10, -25, -2.5}, {10, 25, 2.5}, {-10, 25, 2.5}}));
}

TEST(LoadObjectFile, FailureLeavesNoMeshAndDoesNotStandInTheWayOfTheNext) {
    const PeerDir dir;
    const std::string good = MeshFile(dir, "good.rvf", {{0, 0, 0, 1, 0, 0, 0, 1, 0}});
    // An extent beyond float.
    const std::string infinite = MeshFile(dir, "inf.rvf", {{-3e38f, 0, 0, 3e38f, 0, 0, 0, 1, 0}});
    ASSERT_TRUE(LoadObjectFile(good.c_str()));
    CaptureStdout();
    EXPECT_FALSE(LoadObjectFile(infinite.c_str()));
    EXPECT_EQ(CapturedStdout(), "ERROR: Unable to read file: " + infinite + "\n");
    EXPECT_TRUE(gNumTris == 0 && gNumVerts == 0);
    EXPECT_TRUE(gTriangles == nullptr && gVertices == nullptr && gIndices == nullptr);
    EXPECT_TRUE(LoadObjectFile(good.c_str()));
}

// Rows stay in file order, bottom first, as GL takes them. (A 24-bit map's texels are compared
// with the import library's reading of the same picture in the program's tests.)
TEST(LoadTextureFile, TurnsTexelsRedFirstAndKeepsAlpha) {
    const PeerDir dir;
    ASSERT_TRUE(dir.made &&
                WriteFile(dir.File("m.tga"), TargaBytes(1, 2, 32, {10, 20, 30, 40, 50, 60, 70, 80})));
    ASSERT_TRUE(LoadTextureFile(dir.File("m.tga").c_str()));
    // The map descriptor is byte-packed: its fields are read by value, never bound to a reference.
    EXPECT_EQ(+gTexInfo.format, KIV_BITMAP_FORMAT_8888);
    EXPECT_EQ(Bytes(gTexInfo.pixels, gTexInfo.pixels + 8), (Bytes{30, 20, 10, 40, 70, 60, 50, 80}));
}

}  // namespace
