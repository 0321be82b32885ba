#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "TestFiles.h"
#include "mesh/SMDFileIO.h"

namespace {

const std::string kTriangle = "skin.tga\n0 1 2 3 0 0 1 0.25 0.5\n0 4 5 6 0 1 0 0 1\n0 7 8 9 1 0 0 1 0\n";

// Two triangles behind other sections, with a line after the section; texture coordinates below 0
// and above 1 in both directions, and a NaN, which no comparison takes as out of range.
const std::string kTwo =
    "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\nend\ntriangles\n"
    "skin.tga\n-7 1 2 3 0 0 1 -0.25 1.5\n0 4 5 6 0 1 0 0 1\n3 7 8 9 1 0 0 1 0\n"
    "Skin.TGA\n1 -1 -2 -3 0 0 -1 0.125 0.75\n1 -4 -5 -6 0 -1 0 nan 0.5\n1 -7 -8 -9 -1 0 0 1.5 -0.5\n"
    "end\ntrailing\n";
// What reading all of it prints: one line for each coordinate clamped.
const std::string kClamped =
    "texCoord out of range!: -0.250000\ntexCoord out of range!: 1.500000\n"
    "texCoord out of range!: -0.500000\ntexCoord out of range!: 1.500000\n";

typedef std::tuple<bool, int, bool, std::string> Said;

// What SMDReadTriangles gave for a stream, which it closes: result, count, array handed over,
// console output; the triangles' floats in record order and where the stream was left.
struct Smd {
    Said said{false, -1, false, ""};
    std::vector<float> floats;
    long position = -1;
    explicit Smd(FILE* fp) {
        if (fp == nullptr) return;
        auto& [ok, numTris, handedOver, out] = said;
        RvRawTriangle* tris = nullptr;
        CaptureStdout();
        ok = SMDReadTriangles(fp, &numTris, &tris);
        out = CapturedStdout();
        position = std::ftell(fp);
        std::fclose(fp);
        handedOver = tris != nullptr;
        const float* f = reinterpret_cast<const float*>(tris);
        if (handedOver) floats.assign(f, f + 24 * std::size_t(numTris));
        delete[] tris;
    }
    explicit Smd(const std::string& text) : Smd(StreamWith(text)) {}
};

}  // namespace

TEST(SMDReadTriangles, ReadsCornersInOrderFromTheStartClampingTextureCoordinatesAndStopsBehindEnd) {
    FILE* fp = StreamWith(kTwo);
    ASSERT_NE(fp, nullptr);
    std::fseek(fp, 40, SEEK_SET);
    const Smd smd(fp);
    EXPECT_EQ(smd.said, Said(true, 2, true, kClamped));
    EXPECT_EQ(std::size_t(smd.position), kTwo.find("trailing"));
    EXPECT_EQ(FloatBytes(smd.floats),
              FloatBytes({1,  2, 3, 4,  5, 6,  7, 8,  9,  0,  0,      1,     0,   1,    0,  1,
                          0,  0, 0, 1,  0, 1,  1, 0,  -1, -2, -3,     -4,    -5,  -6,   -7, -8,
                          -9, 0, 0, -1, 0, -1, 0, -1, 0,  0,  0.125f, 0.75f, NAN, 0.5f, 1,  0}));
}

// The section begins and ends at case-insensitive line prefixes; the passes must agree.
TEST(SMDReadTriangles, SectionRulesAndPassesThatDisagree) {
    // A line of more than 4094 characters is split, so "end" behind the vertex fields is a line.
    std::string longLine = "0 7 8 9 1 0 0 1 0";
    longLine.resize(4094, ' ');
    const std::string one = "triangles\n" + kTriangle + "end\n",
                      two = "triangles\n" + kTriangle + kTriangle + "end\n";
    auto took = [](int numTris) { return Said(true, numTris, true, ""); };
    auto changed = [](int counted) {
        return Said(false, counted, true,
                    "ERROR: SMD file changed between reading passes: " + std::to_string(counted) +
                        " triangles counted\n");
    };
    // From a pipe, which cannot be rewound, the second pass reads on behind the section the first
    // one counted.
    const std::tuple<std::string, bool, Said> cases[] = {
        {"TRIANGLES\n" + kTriangle + "END\n", false, took(1)},
        {" triangles\n" + kTriangle + "end\n", false, took(0)},
        {"triangles\n" + kTriangle + "Endcap\n" + kTriangle + "end\n", false, took(1)},
        {"triangles\nm\n0 1 2 3 0 0 1 0 0\n0 4 5 6 0 0 1 0 0\n" + longLine + "end\n", false, took(1)},
        {one + two, true, changed(1)}};
    for (const auto& [text, pipe, said] : cases)
        EXPECT_EQ(Smd(pipe ? UnseekableStreamWith(BytesOf(text)) : StreamWith(text)).said, said) << text;
}

TEST(SMDReadTriangles, MalformedFilesFailWithOneLineAndNoUndefinedValues) {
    // Every prefix: until "triangles" is whole there is no section; after that no "end" line
    // until it is whole.
    const std::size_t opened = kTwo.find("triangles") + 9, closed = kTwo.find("end\ntrailing") + 3;
    for (std::size_t n = 0; n <= kTwo.size(); ++n) {
        const char* const unclosed =
            "ERROR: SMD file ends inside the triangles section, without an \"end\" line\n";
        EXPECT_EQ(Smd(kTwo.substr(0, n)).said, n < opened   ? Said(true, 0, true, "")
                                               : n < closed ? Said(false, 0, false, unclosed)
                                                            : Said(true, 2, true, kClamped))
            << n;
    }
    const Smd shortLine("triangles\n" + kTriangle +
                        "m\n0 1 2 3 4 5 6 7\n0 1 2 3 4 5 6 0 0\n0 1 2 3 4 5 6 0 0\nend\n");
    EXPECT_EQ(shortLine.said,
              Said(false, 2, true, "ERROR: SMD vertex line with fewer than nine fields in triangle 1\n"));
    ASSERT_EQ(shortLine.floats.size(), 48u);
    EXPECT_EQ(shortLine.floats[2], 3);
    EXPECT_EQ(std::vector<float>(shortLine.floats.begin() + 24, shortLine.floats.end()),
              std::vector<float>(24, 0.0f));
}
