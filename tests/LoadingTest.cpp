#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "tests/TestFiles.h"
#include "viewer/RVFView.h"

namespace {

// A temporary file holding `bytes`, removed at the end of the test.
class TempFile {
public:
    explicit TempFile(const Bytes& bytes) {
        int fd = mkstemp(path_);
        if (fd >= 0) {
            if (!bytes.empty() && write(fd, bytes.data(), bytes.size()) < 0) path_[0] = '\0';
            close(fd);
        }
    }
    ~TempFile() { unlink(path_); }
    const char* Path() const { return path_; }

private:
    char path_[32] = "/tmp/rvfview_load_XXXXXX";
};

void PutF32(Bytes& b, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(b, bits);
}

// An RVF file of triangles given as 3 corner positions each; normal +z, distinct uvs.
Bytes MeshFile(const std::vector<std::array<float, 9>>& positions) {
    Bytes b;
    const unsigned long n = positions.size();
    PutBytes(b, "RVF ", 4);
    PutU32(b, 96 * n + 12);
    PutBytes(b, "TRIS", 4);
    PutU32(b, 96 * n + 4);
    PutU32(b, n);
    for (const auto& tri : positions) {
        for (float f : tri) PutF32(b, f);
        for (int c = 0; c < 3; ++c) {
            PutF32(b, 0.0f);
            PutF32(b, 0.0f);
            PutF32(b, 1.0f);
        }
        const float uv[6] = {0, 0, 1, 0, 1, 1};
        for (float f : uv) PutF32(b, f);
    }
    return b;
}

Bytes Targa(unsigned width, unsigned height, unsigned depth, const Bytes& texels) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutU16(b, width);
    PutU16(b, height);
    b.push_back(static_cast<unsigned char>(depth));
    b.push_back(8);
    b.insert(b.end(), texels.begin(), texels.end());
    return b;
}

void ExpectSpan(int axis, double low, double high) {
    double lo = 1e30, hi = -1e30;
    for (int i = 0; i < gNumVerts; ++i) {
        lo = std::fmin(lo, gVertices[i].vertex[axis]);
        hi = std::fmax(hi, gVertices[i].vertex[axis]);
    }
    EXPECT_NEAR(lo, low, 1e-5) << "axis " << axis;
    EXPECT_NEAR(hi, high, 1e-5) << "axis " << axis;
}

TEST(LoadObjectFile, CentresAndScalesTheLargestExtentTo50) {
    TempFile mesh(MeshFile({{-1, 0, 5, 3, 0, 5, 3, 10, 6}, {-1, 0, 5, 3, 10, 6, -1, 10, 6}}));
    ASSERT_TRUE(LoadObjectFile(mesh.Path()));
    EXPECT_EQ(gNumTris, 2);
    ASSERT_GT(gNumVerts, 0);
    ExpectSpan(0, -10, 10);
    ExpectSpan(1, -25, 25);
    ExpectSpan(2, -2.5, 2.5);
}

TEST(LoadObjectFile, MeshAtOnePointIsShownUnscaled) {
    TempFile mesh(MeshFile({{2, 3, 4, 2, 3, 4, 2, 3, 4}}));
    ASSERT_TRUE(LoadObjectFile(mesh.Path()));
    ASSERT_GT(gNumVerts, 0);
    for (int i = 0; i < gNumVerts; ++i)
        for (double c : gVertices[i].vertex) EXPECT_EQ(c, 0.0);
}

// A NaN, an infinity, or finite corners whose extent overflows a float would reach GL.
TEST(LoadObjectFile, RefusesGeometryThatIsNotFinite) {
    const float nan = std::nanf("");
    const float inf = HUGE_VALF;
    for (const std::array<float, 9>& corners : {std::array<float, 9>{0, 0, 0, 1, 0, nan, 0, 1, 0},
                                                std::array<float, 9>{0, 0, 0, inf, 0, 0, 0, 1, 0},
                                                std::array<float, 9>{-3e38f, 0, 0, 3e38f, 0, 0, 0, 1, 0}}) {
        TempFile mesh(MeshFile({corners}));
        CaptureStdout();
        EXPECT_FALSE(LoadObjectFile(mesh.Path()));
        EXPECT_EQ(CapturedStdout(), std::string("ERROR: Unable to read file: ") + mesh.Path() + "\n");
        EXPECT_EQ(gNumVerts, 0);
        EXPECT_EQ(gVertices, nullptr);
        EXPECT_EQ(gTriangles, nullptr);
    }
}

TEST(LoadObjectFile, FailureLeavesNoMesh) {
    TempFile good(MeshFile({{0, 0, 0, 1, 0, 0, 0, 1, 0}}));
    ASSERT_TRUE(LoadObjectFile(good.Path()));

    TempFile empty(MeshFile({}));
    CaptureStdout();
    CaptureStderr();
    EXPECT_FALSE(LoadObjectFile(empty.Path()));
    EXPECT_EQ(CapturedStderr(), "No triangles found in file\n");
    EXPECT_EQ(CapturedStdout(), std::string("ERROR: Unable to read file: ") + empty.Path() + "\n");
    EXPECT_EQ(gNumTris, 0);
    EXPECT_EQ(gNumVerts, 0);
    EXPECT_EQ(gTriangles, nullptr);
    EXPECT_EQ(gVertices, nullptr);
    EXPECT_EQ(gIndices, nullptr);

    CaptureStdout();
    EXPECT_FALSE(LoadObjectFile("/nonexistent/mesh.rvf"));
    EXPECT_EQ(CapturedStdout(), "ERROR: Unable to open file: /nonexistent/mesh.rvf\n");
    EXPECT_TRUE(LoadObjectFile(good.Path())) << "a failed load does not stand in the way of the next";
}

TEST(LoadTextureFile, TurnsTexelsRedFirstAndKeepsAlpha) {
    TempFile rgb(Targa(2, 1, 24, {10, 20, 30, 40, 50, 60}));
    ASSERT_TRUE(LoadTextureFile(rgb.Path()));
    EXPECT_EQ(gTexInfo.format, KIV_BITMAP_FORMAT_888);
    EXPECT_EQ(gTexInfo.width, 2);
    EXPECT_EQ(gTexInfo.height, 1);
    EXPECT_EQ(gTexInfo.bitDepth, 24);
    EXPECT_EQ(Bytes(gTexInfo.pixels, gTexInfo.pixels + 6), (Bytes{30, 20, 10, 60, 50, 40}));

    TempFile rgba(Targa(1, 2, 32, {10, 20, 30, 40, 50, 60, 70, 80}));
    ASSERT_TRUE(LoadTextureFile(rgba.Path()));
    EXPECT_EQ(gTexInfo.format, KIV_BITMAP_FORMAT_8888);
    EXPECT_EQ(Bytes(gTexInfo.pixels, gTexInfo.pixels + 8), (Bytes{30, 20, 10, 40, 70, 60, 50, 80}));
}

TEST(LoadTextureFile, RefusesMapsWithoutTexelsOrOfOtherDepths) {
    TempFile noWidth(Targa(0, 4, 24, {}));
    CaptureStdout();
    EXPECT_FALSE(LoadTextureFile(noWidth.Path()));
    EXPECT_EQ(CapturedStdout(), std::string("ERROR: Unable to open file: ") + noWidth.Path() + "\n");
    EXPECT_EQ(gTexInfo.format, KIV_BITMAP_FORMAT_UNKNOWN);

    TempFile noHeight(Targa(4, 0, 32, {}));
    CaptureStdout();
    EXPECT_FALSE(LoadTextureFile(noHeight.Path()));
    EXPECT_EQ(CapturedStdout(), std::string("ERROR: Unable to open file: ") + noHeight.Path() + "\n");

    TempFile sixteen(Targa(1, 1, 16, {1, 2}));
    CaptureStdout();
    EXPECT_FALSE(LoadTextureFile(sixteen.Path()));
    EXPECT_EQ(CapturedStdout(), "ERROR: Unhandled Targa bitdepth: 16\n");
    EXPECT_EQ(gTexInfo.format, KIV_BITMAP_FORMAT_UNKNOWN);
    EXPECT_EQ(gTexInfo.bitDepth, 16);

    TempFile truncated(Targa(2, 2, 24, {1, 2, 3}));
    CaptureStdout();
    CaptureStderr();
    EXPECT_FALSE(LoadTextureFile(truncated.Path()));
    EXPECT_EQ(CapturedStderr(), "ERROR! Couldn't read texels!\n");
    EXPECT_EQ(CapturedStdout(), std::string("ERROR: Unable to open file: ") + truncated.Path() + "\n");
}

}  // namespace
