// Bad files given to the real RVFView as its mesh or its map: each gets the reader's and the
// loader's words, the chooser asks again and is answered with the sample on standard input, and
// the program then runs and quits with "q". Meshes with some triangles that cannot be drawn, and
// maps worth a warning, load: the summary says what they are.
#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "ViewerProgram.h"

namespace {

// The PNG files are made by ImageMagick: red, grey, or red with a broken checksum in its header.
enum Kind { kBytes, kDirectory, kPng, kGreyPng, kBadChecksumPng };

struct BadFile {
    const char* name;
    bool asMesh;
    Bytes bytes;
    std::string loaderSays;  // standard output, each %s the path; empty when the file loads
    Kind kind = kBytes;
    std::string readerSays = "";    // standard error
    std::string loaded = kSummary;  // what loading both files prints in the end
};

void PrintTo(const BadFile& bad, std::ostream* os) { *os << bad.name; }

const std::string kCannotOpen = "ERROR: Unable to open file: %s\n",
                  kCannotRead = "ERROR: Unable to read file: %s\n";
const std::string kIsDirectory = "The system says: Is a directory\n", kDecoderSays = "The decoder says: ";
const std::string kWhatGoesFirst = ": give the mesh first, then the map\n";

std::vector<BadFile> Table() {
    const float nan = std::nanf(""), inf = HUGE_VALF;
    const std::vector<float> corners = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    auto one = [](std::vector<float> tri) { return RvfBytes(1, {tri}); };
    // A Targa of that size and depth.
    auto map = [](unsigned width, unsigned height, unsigned depth) {
        return TargaBytes(width, height, depth, Bytes(width * height * depth / 8, 0x80));
    };
    return {
        {"DirectoryAsMesh", true, {}, kCannotRead + kIsDirectory, kDirectory, "Unable to read header\n"},
        {"UnreadableMesh", true, Bytes(13, 'x'),
         kCannotRead + "The importer says: No suitable reader found for the file format of file \"%s\".\n"},
        {"PngAsMesh", true, {}, kCannotRead + "%s is a PNG image, not a mesh" + kWhatGoesFirst, kPng},
        // Nothing finite left: nothing to show.
        {"NaNCoordinate", true, one({0, 0, 0, 1, nan, 0, 0, 1, 0}), kCannotRead},
        // A NaN or an infinity in a position or a texture coordinate leaves out its triangle.
        {"SomeTrianglesNotFinite", true,
         RvfBytes(3, {corners, {0, 0, 0, 1, 0, nan, 0, 1, 0}, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1,
                                                               0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, -inf}}),
         "", kBytes, "",
         "Left out 2 triangles with a NaN or an infinity.\n"
         "Mesh: 1 triangle, 3 welded vertices. Map: 256 x 256, 32 bits.\n"},
        {"TriangleWithoutTextureArea", true,
         RvfBytes(2, {corners, {0, 0, 0, 1, 0, 0, 0,    1,    0,     0,     0, 1,
                                0, 0, 1, 0, 0, 1, 0.5f, 0.5f, 0.75f, 0.75f, 1, 1}}),
         "", kBytes, "",
         "Mesh: 2 triangles, 6 welded vertices. Map: 256 x 256, 32 bits.\n"
         "Warning: 1 triangle without texture area (the map has no direction there).\n"},
        {"DirectoryAsMap", false, {}, kCannotOpen + kIsDirectory, kDirectory, "ERROR! Bad Targa header!\n"},
        {"EmptyMap",
         false,
         {},
         kCannotOpen + "%s is no PNG, JPEG or Targa image: if it is a mesh, give it first, then the map\n"},
        {"RvfAsMap", false, one(corners), kCannotOpen + "%s is an RVF mesh, not a map" + kWhatGoesFirst},
        // Run-length encoded: a packet of four raw pixels, cut short after two.
        {"TruncatedRunLengthPackets", false, TargaBytes(2, 2, 24, {3, 1, 2, 3, 4, 5, 6}, 10),
         kCannotOpen + kDecoderSays + "the file ends inside the run-length packets\n"},
        {"PngWithBadChecksum",
         false,
         {},
         kCannotOpen + kDecoderSays + "not a readable PNG (IHDR: CRC error)\n",
         kBadChecksumPng},
        {"EightBitMap", false, map(2, 2, 8), "ERROR: Unhandled Targa bitdepth: 8\n"},
        {"ZeroWidthMap", false, map(0, 2, 24), kCannotOpen},
        {"ZeroHeightMap", false, map(2, 0, 32), kCannotOpen},
        {"GreyscaleMap",
         false,
         {},
         "",
         kGreyPng,
         "",
         "Mesh: 4096 triangles, 2145 welded vertices. Map: 3 x 2, 24 bits.\nWarning: the map has no alpha "
         "channel (the alpha mode shows white); the map is greyscale (a height map, not a normal map).\n"},
    };
}

class BadInput : public testing::TestWithParam<BadFile> {};

TEST_P(BadInput, GetsItsMessagesAndTheViewerStillRuns) {
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    const BadFile& bad = GetParam();
    const PeerDir dir;
    const std::string path = dir.File(bad.name);
    const std::string picture = bad.kind == kGreyPng ? "xc:gray50 -define png:color-type=0" : "xc:red";
    ASSERT_TRUE(dir.made && (bad.kind < kPng || RunConvert("-size 3x2 " + picture + " png:" + path)));
    Bytes bytes = bad.kind < kPng ? bad.bytes : FileBytes(path);
    // The first byte of the header chunk's checksum.
    if (bad.kind == kBadChecksumPng) bytes[29] ^= 0xFF;
    ASSERT_TRUE(bad.kind == kDirectory ? mkdir(path.c_str(), 0700) == 0 : WriteFile(path, bytes));
    std::string said = bad.loaderSays;
    for (std::size_t at = said.find("%s"); at != std::string::npos; at = said.find("%s", at))
        said.replace(at, 2, path);
    if (!said.empty()) said += bad.asMesh ? kAskMesh : kAskMap;
    Outcome o = RunViewer(
        {{bad.asMesh ? path : kMesh, bad.asMesh ? kMap : path}, {}, (bad.asMesh ? kMesh : kMap) + "\n", "q"});
    EXPECT_EQ(o.out, kHelp + said + bad.loaded);
    EXPECT_EQ(o.err, bad.readerSays);
    EXPECT_EQ(o.status, 0) << "no window, or not ended by q";
}

INSTANTIATE_TEST_SUITE_P(AsMeshOrMap, BadInput, testing::ValuesIn(Table()),
                         [](const testing::TestParamInfo<BadFile>& row) { return row.param.name; });

}  // namespace
