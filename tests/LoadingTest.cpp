#include <unistd.h>

#include <cmath>
#include <string>

#include "tests/TestFiles.h"
#include "viewer/RVFView.h"

namespace {

// A temporary file holding `bytes`, removed at the end of the test.
class TempFile {
public:
    explicit TempFile(const Bytes& bytes) {
        int fd = mkstemp(path_);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            path_[0] = 0;
        if (fd >= 0) close(fd);
    }
    ~TempFile() { unlink(path_); }
    const char* Path() const { return path_; }

private:
    char path_[32] = "/tmp/rvfview_load_XXXXXX";
};

// An RVF file of flat triangles given as 3 corner positions each.
Bytes MeshFile(const std::vector<std::vector<float>>& corners) { return RvfBytes(corners.size(), corners); }

TEST(LoadObjectFile, CentresAndScalesTheLargestExtentTo50) {
    TempFile mesh(MeshFile({{-1, 0, 5, 3, 0, 5, 3, 10, 6}, {-1, 0, 5, 3, 10, 6, -1, 10, 6}}));
    ASSERT_TRUE(LoadObjectFile(mesh.Path()));
    EXPECT_EQ(gNumTris, 2);
    ASSERT_GT(gNumVerts, 0);
    const double half[3] = {10, 25, 2.5};
    for (int axis = 0; axis < 3; ++axis) {
        double lo = 1e30, hi = -1e30;
        for (int i = 0; i < gNumVerts; ++i) {
            lo = std::fmin(lo, gVertices[i].vertex[axis]);
            hi = std::fmax(hi, gVertices[i].vertex[axis]);
        }
        EXPECT_NEAR(lo, -half[axis], 1e-5) << "axis " << axis;
        EXPECT_NEAR(hi, half[axis], 1e-5) << "axis " << axis;
    }
}

TEST(LoadObjectFile, MeshAtOnePointIsShownUnscaled) {
    TempFile mesh(MeshFile({{2, 3, 4, 2, 3, 4, 2, 3, 4}}));
    ASSERT_TRUE(LoadObjectFile(mesh.Path()));
    ASSERT_GT(gNumVerts, 0);
    for (int i = 0; i < gNumVerts; ++i)
        for (double c : gVertices[i].vertex) EXPECT_EQ(c, 0.0);
}

TEST(LoadObjectFile, FailureLeavesNoMeshAndDoesNotStandInTheWayOfTheNext) {
    TempFile good(MeshFile({{0, 0, 0, 1, 0, 0, 0, 1, 0}}));
    TempFile infinite(MeshFile({{-3e38f, 0, 0, 3e38f, 0, 0, 0, 1, 0}}));  // an extent beyond float
    ASSERT_TRUE(LoadObjectFile(good.Path()));
    CaptureStdout();
    EXPECT_FALSE(LoadObjectFile(infinite.Path()));
    EXPECT_EQ(CapturedStdout(), std::string("ERROR: Unable to read file: ") + infinite.Path() + "\n");
    EXPECT_TRUE(gNumTris == 0 && gNumVerts == 0);
    EXPECT_TRUE(gTriangles == nullptr && gVertices == nullptr && gIndices == nullptr);
    EXPECT_TRUE(LoadObjectFile(good.Path()));
}

TEST(LoadTextureFile, TurnsTexelsRedFirstAndKeepsAlpha) {
    TempFile rgb(TargaBytes(2, 1, 24, {10, 20, 30, 40, 50, 60}));
    TempFile rgba(TargaBytes(1, 2, 32, {10, 20, 30, 40, 50, 60, 70, 80}));
    // The map descriptor is byte-packed: its fields are read by value, never bound to a reference.
    ASSERT_TRUE(LoadTextureFile(rgb.Path()));
    EXPECT_EQ(+gTexInfo.format, KIV_BITMAP_FORMAT_888);
    EXPECT_EQ(+gTexInfo.width, 2);
    EXPECT_EQ(+gTexInfo.height, 1);
    EXPECT_EQ(+gTexInfo.bitDepth, 24);
    EXPECT_EQ(Bytes(gTexInfo.pixels, gTexInfo.pixels + 6), (Bytes{30, 20, 10, 60, 50, 40}));
    ASSERT_TRUE(LoadTextureFile(rgba.Path()));
    EXPECT_EQ(+gTexInfo.format, KIV_BITMAP_FORMAT_8888);
    EXPECT_EQ(Bytes(gTexInfo.pixels, gTexInfo.pixels + 8), (Bytes{30, 20, 10, 40, 70, 60, 50, 80}));
}

TEST(LoadTextureFile, RefusesOtherDepthsSayingWhichAndKeepsNoFormat) {
    TempFile rgb(TargaBytes(1, 1, 24, {10, 20, 30})), sixteen(TargaBytes(1, 1, 16, {1, 2}));
    ASSERT_TRUE(LoadTextureFile(rgb.Path()));
    CaptureStdout();
    EXPECT_FALSE(LoadTextureFile(sixteen.Path()));
    EXPECT_EQ(CapturedStdout(), "ERROR: Unhandled Targa bitdepth: 16\n");
    EXPECT_EQ(+gTexInfo.format, KIV_BITMAP_FORMAT_UNKNOWN);
}

}  // namespace
