// Bad files given to the real RVFView as its mesh or as its map. Each is refused with the reader's
// and the loader's words, the matching chooser asks again and is answered with the sample file on
// standard input, and then the program opens its window and quits with "q". A mesh of one point
// is not refused: it loads unscaled.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "ViewerProgram.h"

namespace {

enum Role { kAsMesh, kAsMap };
enum Kind { kBytes, kMissing, kDirectory, kPng };

struct BadFile {
    const char* name;
    Role role;
    Kind kind;
    Bytes bytes;
    std::string readerSays;  // standard error
    std::string loaderSays;  // standard output, %s for the path; empty when the file loads
};

void PrintTo(const BadFile& bad, std::ostream* os) { *os << bad.name; }

void PutF32(Bytes& b, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutU32(b, bits);
}

// An RVF file whose count says `count` and which holds one triangle with these corner positions,
// normal +z and texture corners (0, 0), (1, 0), (0, 1).
Bytes Mesh(long count, std::array<float, 9> corners = {0, 0, 0, 1, 0, 0, 0, 1, 0}) {
    Bytes b;
    PutBytes(b, "RVF ", 4);
    PutU32(b, 96 + 12);
    PutBytes(b, "TRIS", 4);
    PutU32(b, 96 + 4);
    PutU32(b, static_cast<unsigned long>(count));
    for (float f : corners) PutF32(b, f);
    for (int c = 0; c < 3; ++c)
        for (float f : {0.0f, 0.0f, 1.0f}) PutF32(b, f);
    for (float f : {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f}) PutF32(b, f);
    return b;
}

// A Targa header of that size and depth, followed by `texelBytes` bytes.
Bytes Map(unsigned width, unsigned height, unsigned depth, std::size_t texelBytes) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutU16(b, width);
    PutU16(b, height);
    b.push_back(static_cast<unsigned char>(depth));
    b.push_back(8);
    b.resize(b.size() + texelBytes, 0x80);
    return b;
}

Bytes Prefix(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + n); }

Bytes ChunkPastTheEnd() {
    Bytes b;
    PutBytes(b, "RVF ", 4);
    PutU32(b, 100);
    PutBytes(b, "JUNK", 4);
    PutU32(b, 0x7FFFFFF0);
    PutBytes(b, "01234567", 8);
    return b;
}

const char* const kCannotOpen = "ERROR: Unable to open file: %s\n";
const char* const kCannotRead = "ERROR: Unable to read file: %s\n";
const char* const kBadHeader = "ERROR! Bad Targa header!\n";

std::vector<BadFile> Table() {
    const float nan = std::nanf("");
    const float inf = HUGE_VALF;
    return {
        {"MissingMesh", kAsMesh, kMissing, {}, "", kCannotOpen},
        {"DirectoryAsMesh", kAsMesh, kDirectory, {}, "Unable to read header\n", kCannotRead},
        {"EmptyMesh", kAsMesh, kBytes, {}, "Unable to read header\n", kCannotRead},
        {"TruncatedMeshHeader", kAsMesh, kBytes, Prefix(Mesh(1), 6), "Unable to read header\n", kCannotRead},
        {"ChunkSizePastTheEnd", kAsMesh, kBytes, ChunkPastTheEnd(), "Unable to read header\n", kCannotRead},
        // The triangle array is sized by what the file holds, not by the count.
        {"HugeTriangleCount", kAsMesh, kBytes, Mesh(INT_MAX), "Unable to read triangles\n", kCannotRead},
        {"NegativeTriangleCount", kAsMesh, kBytes, Mesh(-1), "No triangles found in file\n", kCannotRead},
        {"NaNCoordinate", kAsMesh, kBytes, Mesh(1, {0, 0, 0, 1, nan, 0, 0, 1, 0}), "", kCannotRead},
        {"InfiniteCoordinate", kAsMesh, kBytes, Mesh(1, {0, 0, 0, 1, 0, 0, 0, -inf, 0}), "", kCannotRead},
        {"AllCornersAtOnePoint", kAsMesh, kBytes, Mesh(1, {2, 2, 2, 2, 2, 2, 2, 2, 2}), "", ""},
        {"MissingMap", kAsMap, kMissing, {}, "", kCannotOpen},
        {"DirectoryAsMap", kAsMap, kDirectory, {}, kBadHeader, kCannotOpen},
        {"EmptyMap", kAsMap, kBytes, {}, kBadHeader, kCannotOpen},
        {"TruncatedMapHeader", kAsMap, kBytes, Prefix(Map(2, 2, 24, 0), 10), kBadHeader, kCannotOpen},
        {"EightBitMap", kAsMap, kBytes, Map(2, 2, 8, 4), "", "ERROR: Unhandled Targa bitdepth: 8\n"},
        {"SixteenBitMap", kAsMap, kBytes, Map(2, 2, 16, 8), "", "ERROR: Unhandled Targa bitdepth: 16\n"},
        {"ZeroSizeMap", kAsMap, kBytes, Map(0, 2, 24, 0), "", kCannotOpen},
        {"MoreTexelsThanTheFileHolds", kAsMap, kBytes, Map(4, 4, 24, 6), "ERROR! Couldn't read texels!\n",
         kCannotOpen},
        // The signature and IHDR read as a header of depth 0 behind a 137-byte identification field.
        {"PngAsMap", kAsMap, kPng, {}, "", "ERROR: Unhandled Targa bitdepth: 0\n"},
    };
}

class BadInput : public testing::TestWithParam<BadFile> {
protected:
    static void SetUpTestSuite() {
        char dir[] = "/tmp/rvfview_bad_XXXXXX";
        if (mkdtemp(dir) != nullptr) dir_ = dir;
    }
    static void TearDownTestSuite() { rmdir(dir_.c_str()); }

    void SetUp() override {
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        ASSERT_FALSE(dir_.empty());
        path_ = dir_ + "/" + GetParam().name;
    }
    void TearDown() override {
        unlink(path_.c_str());
        rmdir(path_.c_str());
    }

    static std::string dir_;
    std::string path_;
};

std::string BadInput::dir_;

TEST_P(BadInput, GetsItsMessagesAndTheViewerStillRuns) {
    const BadFile& bad = GetParam();
    switch (bad.kind) {
        case kBytes: {
            FILE* fp = fopen(path_.c_str(), "wb");
            ASSERT_NE(fp, nullptr);
            if (!bad.bytes.empty()) {
                ASSERT_EQ(fwrite(bad.bytes.data(), 1, bad.bytes.size(), fp), bad.bytes.size());
            }
            ASSERT_EQ(fclose(fp), 0);
            break;
        }
        case kMissing:
            break;
        case kDirectory:
            ASSERT_EQ(mkdir(path_.c_str(), 0700), 0);
            break;
        case kPng:
            Command({"/usr/bin/convert", "-size", "3x2", "xc:red", "png:" + path_});
            ASSERT_EQ(Slurp(path_).substr(0, 8), "\x89PNG\r\n\x1a\n") << "no PNG from /usr/bin/convert";
            break;
    }

    const bool mesh = bad.role == kAsMesh;
    std::string expected = kHelp;
    if (!bad.loaderSays.empty()) {
        std::string said = bad.loaderSays;
        const std::size_t at = said.find("%s");
        if (at != std::string::npos) said.replace(at, 2, path_);
        expected +=
            said + (mesh ? "Select Relievo Data File (.rvf)\n" : "Select Normal Map Texture (.tga)\n");
    }
    Outcome o =
        RunViewer({{mesh ? path_ : kMesh, mesh ? kMap : path_}, {}, (mesh ? kMesh : kMap) + "\n", {"q"}});
    EXPECT_EQ(o.out, expected);
    EXPECT_EQ(o.err, bad.readerSays);
    EXPECT_EQ(o.status, 0) << "no window, or not ended by q";
}

INSTANTIATE_TEST_SUITE_P(AsMeshOrMap, BadInput, testing::ValuesIn(Table()),
                         [](const testing::TestParamInfo<BadFile>& row) { return row.param.name; });

}  // namespace
