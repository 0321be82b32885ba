// Bad files given to the real RVFView as its mesh or as its map. Each is refused with the reader's
// and the loader's words, the matching chooser asks again and is answered with the sample file on
// standard input, and then the program opens its window and quits with "q". A mesh of one point
// is not refused: it loads unscaled; nor is one with some triangles that cannot be drawn, or a map
// worth a warning: the load summary says what they are. Files of the other role say what they
// are, files the importer or a decoder refuses say why.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "ViewerProgram.h"

namespace {

// The PNG files are made by ImageMagick: red, grey, or red with a broken checksum in its header.
enum Kind { kBytes, kAbsent, kDirectory, kPng, kGreyPng, kBadChecksumPng };

struct BadFile {
    const char* name;
    bool asMesh;
    Kind kind;
    Bytes bytes;
    std::string readerSays;  // standard error
    std::string loaderSays;  // standard output, each %s the path; empty when the file loads
    std::string loaded = kSummary;  // what loading both files prints in the end
};

void PrintTo(const BadFile& bad, std::ostream* os) { *os << bad.name; }

// An RVF file whose count says `count` and which holds these triangles: 24 floats each (corner
// positions, normals, texture coordinates), or 9 corner positions with normal +z and texture
// corners (0, 0), (1, 0), (0, 1).
Bytes Mesh(long count, std::vector<std::vector<float>> triangles = {{0, 0, 0, 1, 0, 0, 0, 1, 0}}) {
    Bytes b;
    const unsigned long size = 96 * triangles.size();
    PutBytes(b, "RVF ", 4);
    PutU32(b, size + 12);
    PutBytes(b, "TRIS", 4);
    PutU32(b, size + 4);
    PutU32(b, static_cast<unsigned long>(count));
    for (std::vector<float> tri : triangles) {
        if (tri.size() == 9) tri.insert(tri.end(), {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
        for (float f : tri) {
            std::uint32_t bits;
            std::memcpy(&bits, &f, sizeof bits);
            PutU32(b, bits);
        }
    }
    return b;
}

// A Targa header of that size, depth and descriptor, followed by `texelBytes` bytes.
Bytes Map(unsigned width, unsigned height, unsigned depth, std::size_t texelBytes,
          unsigned char descriptor = 8) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutU16(b, width);
    PutU16(b, height);
    b.push_back(static_cast<unsigned char>(depth));
    b.push_back(descriptor);
    b.resize(b.size() + texelBytes, 0x80);
    return b;
}

Bytes Prefix(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + n); }

const std::string kCannotOpen = "ERROR: Unable to open file: %s\n";
const std::string kCannotRead = "ERROR: Unable to read file: %s\n";
const char* const kBadHeader = "ERROR! Bad Targa header!\n";
const char* const kNoHeader = "Unable to read header\n";
const std::string kMissing = "The system says: No such file or directory\n";
const std::string kIsDirectory = "The system says: Is a directory\n";
const std::string kNoReader =
    "The importer says: No suitable reader found for the file format of file \"%s\".\n";
const std::string kNoImage =
    "%s is no PNG, JPEG or Targa image: if it is a mesh, give it first, then the map\n";
const std::string kWhatGoesFirst = ": give the mesh first, then the map\n";
const std::string kOtherRole = ", not a mesh" + kWhatGoesFirst;
const std::string kDecoderSays = "The decoder says: ";
const std::string kBadChecksum = "not a readable PNG (IHDR: CRC error)\n";
const std::string kNoAlpha = "Warning: the map has no alpha channel (the alpha mode shows white)";
const std::string kGrey = "; the map is greyscale (a height map, not a normal map).\n";

std::vector<BadFile> Table() {
    const float nan = std::nanf(""), inf = HUGE_VALF;
    const std::vector<float> corners = {0, 0, 0, 1, 0, 0, 0, 1, 0}, normals = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    auto triangle = [&](std::vector<float> n, std::vector<float> uv) {
        std::vector<float> t = corners;
        t.insert(t.end(), n.begin(), n.end());
        t.insert(t.end(), uv.begin(), uv.end());
        return t;
    };
    Bytes pastTheEnd;
    PutBytes(pastTheEnd, "RVF ", 4);
    PutU32(pastTheEnd, 100);
    PutBytes(pastTheEnd, "JUNK", 4);
    PutU32(pastTheEnd, 0x7FFFFFF0);
    PutBytes(pastTheEnd, "01234567", 8);
    const std::string sampleMesh = "Mesh: 4096 triangles, 2145 welded vertices. ";
    // Run-length encoded: a packet of four raw pixels, cut short after two.
    Bytes runLengthCut = Map(2, 2, 24, 0);
    runLengthCut[2] = 10;
    runLengthCut.insert(runLengthCut.end(), {3, 1, 2, 3, 4, 5, 6});
    return {
        {"MissingMesh", true, kAbsent, {}, "", kCannotOpen + kMissing},
        {"DirectoryAsMesh", true, kDirectory, {}, kNoHeader, kCannotRead + kIsDirectory},
        {"EmptyMesh", true, kBytes, {}, "", kCannotRead + kNoReader},
        {"UnreadableMesh", true, kBytes, Bytes(13, 'x'), "", kCannotRead + kNoReader},
        {"PngAsMesh", true, kPng, {}, "", kCannotRead + "%s is a PNG image" + kOtherRole},
        {"TargaAsMesh", true, kBytes, Map(2, 2, 24, 12), "",
         kCannotRead + "%s is a Targa image" + kOtherRole},
        {"TruncatedMeshHeader", true, kBytes, Prefix(Mesh(1), 6), kNoHeader, kCannotRead},
        {"ChunkSizePastTheEnd", true, kBytes, pastTheEnd, kNoHeader, kCannotRead},
        // The triangle array is sized by what the file holds, not by the count.
        {"HugeTriangleCount", true, kBytes, Mesh(INT_MAX), "Unable to read triangles\n", kCannotRead},
        {"NegativeTriangleCount", true, kBytes, Mesh(-1), "No triangles found in file\n", kCannotRead},
        // Nothing finite left, or nothing a float can span: nothing to show.
        {"NaNCoordinate", true, kBytes, Mesh(1, {{0, 0, 0, 1, nan, 0, 0, 1, 0}}), "", kCannotRead},
        {"InfiniteCoordinate", true, kBytes, Mesh(1, {{0, 0, 0, 1, 0, 0, 0, -inf, 0}}), "", kCannotRead},
        {"ExtentBeyondFloat", true, kBytes, Mesh(1, {{-3e38f, 0, 0, 3e38f, 0, 0, 0, 1, 0}}), "", kCannotRead},
        // A NaN or an infinity in a position, a normal or a texture coordinate leaves out its triangle.
        {"SomeTrianglesNotFinite", true, kBytes,
         Mesh(4, {corners,
                  {0, 0, 0, 1, 0, nan, 0, 1, 0},
                  triangle({0, 0, 1, 0, inf, 1, 0, 0, 1}, {0, 0, 1, 0, 0, 1}),
                  triangle(normals, {0, 0, 1, 0, 0, -inf})}),
         "", "",
         "Left out 3 triangles with a NaN or an infinity.\n"
         "Mesh: 1 triangle, 3 welded vertices. Map: 256 x 256, 32 bits.\n"},
        {"AllCornersAtOnePoint", true, kBytes, Mesh(1, {{2, 2, 2, 2, 2, 2, 2, 2, 2}}), "", "",
         "Mesh: 1 triangle, 3 welded vertices. Map: 256 x 256, 32 bits.\n"},
        {"TriangleWithoutTextureArea", true, kBytes,
         Mesh(2, {corners, triangle(normals, {0.5f, 0.5f, 0.75f, 0.75f, 1, 1})}), "", "",
         "Mesh: 2 triangles, 6 welded vertices. Map: 256 x 256, 32 bits.\n"
         "Warning: 1 triangle without texture area (the map has no direction there).\n"},
        {"MissingMap", false, kAbsent, {}, "", kCannotOpen + kMissing},
        {"DirectoryAsMap", false, kDirectory, {}, kBadHeader, kCannotOpen + kIsDirectory},
        {"EmptyMap", false, kBytes, {}, "", kCannotOpen + kNoImage},
        {"TruncatedMapHeader", false, kBytes, Prefix(Map(2, 2, 24, 0), 10), "", kCannotOpen + kNoImage},
        {"RvfAsMap", false, kBytes, Mesh(1), "",
         kCannotOpen + "%s is an RVF mesh, not a map" + kWhatGoesFirst},
        {"TruncatedRunLengthPackets", false, kBytes, runLengthCut, "",
         kCannotOpen + kDecoderSays + "the file ends inside the run-length packets\n"},
        {"PngWithBadChecksum", false, kBadChecksumPng, {}, "", kCannotOpen + kDecoderSays + kBadChecksum},
        {"EightBitMap", false, kBytes, Map(2, 2, 8, 4), "", "ERROR: Unhandled Targa bitdepth: 8\n"},
        {"SixteenBitMap", false, kBytes, Map(2, 2, 16, 8), "", "ERROR: Unhandled Targa bitdepth: 16\n"},
        {"ZeroWidthMap", false, kBytes, Map(0, 2, 24, 0), "", kCannotOpen},
        {"ZeroHeightMap", false, kBytes, Map(2, 0, 32, 0), "", kCannotOpen},
        {"MoreTexelsThanTheFileHolds", false, kBytes, Map(4, 4, 24, 6), "ERROR! Couldn't read texels!\n",
         kCannotOpen},
        {"PngMap", false, kPng, {}, "", "", sampleMesh + "Map: 3 x 2, 24 bits.\n" + kNoAlpha + ".\n"},
        {"GreyscaleMap",
         false,
         kGreyPng,
         {},
         "",
         "",
         sampleMesh + "Map: 3 x 2, 24 bits.\n" + kNoAlpha + kGrey},
        // Shown upright, as every map is.
        {"TopRowFirst24BitMap", false, kBytes, Map(2, 1, 24, 6, 0x20), "", "",
         sampleMesh + "Map: 2 x 1, 24 bits.\n" + kNoAlpha + ".\n"},
        {"BottomRowFirst32BitMap", false, kBytes, Map(1, 2, 32, 8), "", "",
         sampleMesh + "Map: 1 x 2, 32 bits.\n"},
    };
}

class BadInput : public testing::TestWithParam<BadFile> {
protected:
    void SetUp() override {
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        ASSERT_NE(mkdtemp(dir_), nullptr);
        path_ = std::string(dir_) + "/" + GetParam().name;
    }
    void TearDown() override {
        unlink(path_.c_str());
        rmdir(path_.c_str());
        rmdir(dir_);
    }
    char dir_[24] = "/tmp/rvfview_bad_XXXXXX";
    std::string path_;
};

TEST_P(BadInput, GetsItsMessagesAndTheViewerStillRuns) {
    const BadFile& bad = GetParam();
    if (bad.kind == kBytes) {
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bad.bytes.data()),
                                                     static_cast<std::streamsize>(bad.bytes.size()));
        ASSERT_EQ(Slurp(path_).size(), bad.bytes.size());
    } else if (bad.kind == kDirectory) {
        ASSERT_EQ(mkdir(path_.c_str(), 0700), 0);
    } else if (bad.kind != kAbsent) {
        const std::string made = bad.kind == kGreyPng ? "xc:gray50 -define png:color-type=0" : "xc:red";
        ASSERT_EQ(system(("/usr/bin/convert -size 3x2 " + made + " 'png:" + path_ + "'").c_str()), 0);
        Bytes png = FileBytes(path_);
        ASSERT_EQ(Prefix(png, 8), Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}));
        // The first byte of the header chunk's checksum.
        if (bad.kind == kBadChecksumPng) png[29] ^= 0xFF;
        ASSERT_TRUE(WriteFile(path_, png));
    }
    std::string said = bad.loaderSays;
    for (std::size_t at = said.find("%s"); at != std::string::npos; at = said.find("%s", at))
        said.replace(at, 2, path_);
    if (!said.empty()) said += bad.asMesh ? kAskMesh : kAskMap;
    said += bad.loaded;
    Outcome o = RunViewer({{bad.asMesh ? path_ : kMesh, bad.asMesh ? kMap : path_}, {}, (bad.asMesh ? kMesh : kMap) + "\n", "q"});
    EXPECT_EQ(o.out, kHelp + said);
    EXPECT_EQ(o.err, bad.readerSays);
    EXPECT_EQ(o.status, 0) << "no window, or not ended by q";
}

INSTANTIATE_TEST_SUITE_P(AsMeshOrMap, BadInput, testing::ValuesIn(Table()),
                         [](const testing::TestParamInfo<BadFile>& row) { return row.param.name; });

}  // namespace
