#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "TestFiles.h"
#include "mesh/SMDFileIO.h"

namespace {

const std::string kTriangle = "skin.tga\n0 1 2 3 0 0 1 0.25 0.5\n0 4 5 6 0 1 0 0 1\n0 7 8 9 1 0 0 1 0\n";

// Two triangles behind other sections, with a line after the section.
const std::string kTwo =
    "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\nend\ntriangles\n"
    "skin.tga\n-7 1 2 3 0 0 1 0.25 0.5\n0 4 5 6 0 1 0 0 1\n3 7 8 9 1 0 0 1 0\n"
    "Skin.TGA\n1 -1 -2 -3 0 0 -1 0.125 0.75\n1 -4 -5 -6 0 -1 0 0.5 0.5\n1 -7 -8 -9 -1 0 0 0.75 0.125\n"
    "end\ntrailing\n";

typedef std::tuple<bool, int, bool, std::string> Said;

// What SMDReadTriangles gave for a stream, which is closed: the result, count, whether an array
// was handed over and the console output; the triangles as 24 floats each in record order
// (positions, normals, texture coordinates) and where the stream was left.
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

TEST(SMDReadTriangles, ReadsCornersInOrderFromTheStartAndStopsBehindEnd) {
    FILE* fp = StreamWith(kTwo);
    ASSERT_NE(fp, nullptr);
    std::fseek(fp, 40, SEEK_SET);
    const Smd smd(fp);
    EXPECT_EQ(smd.said, Said(true, 2, true, ""));
    EXPECT_EQ(std::size_t(smd.position), kTwo.find("trailing"));
    EXPECT_EQ(smd.floats,
              (std::vector<float>{1,  2,  3,  4,  5,  6,  7,      8,     9,    0,    0,     1,
                                  0,  1,  0,  1,  0,  0,  0.25f,  0.5f,  0,    1,    1,     0,
                                  -1, -2, -3, -4, -5, -6, -7,     -8,    -9,   0,    0,     -1,
                                  0,  -1, 0,  -1, 0,  0,  0.125f, 0.75f, 0.5f, 0.5f, 0.75f, 0.125f}));
}

TEST(SMDReadTriangles, SectionBeginsAndEndsAtCaseInsensitiveLinePrefixes) {
    // A line of more than 4094 characters is split, so "end" behind the vertex fields is a line.
    std::string longLine = "0 7 8 9 1 0 0 1 0";
    longLine.resize(4094, ' ');
    const std::pair<std::string, int> cases[] = {
        {"TRIANGLES\n" + kTriangle + "END\n", 1},
        {"Triangles\n" + kTriangle + "End\n", 1},
        {"trianglesXYZ\n" + kTriangle + "end\n", 1},
        {" triangles\n" + kTriangle + "end\n", 0},
        {"triangles\n" + kTriangle + "Endcap\n" + kTriangle + "end\n", 1},
        {"triangles\n" + kTriangle + "endcap.tga\nnot a vertex\n", 1},
        {"triangles\nend\n", 0},
        {"version 1\nnodes\nend\n", 0},
        {"triangles\nm\n0 1 2 3 0 0 1 0 0\n0 4 5 6 0 0 1 0 0\n" + longLine + "end\n", 1}};
    for (const auto& [text, numTris] : cases)
        EXPECT_EQ(Smd(text).said, Said(true, numTris, true, "")) << text;
}

TEST(SMDReadTriangles, ClampsTextureCoordinatesWithOneMessageEach) {
    const Smd smd(
        "triangles\nm\n0 0 0 0 0 0 1 -0.25 1.5\n0 0 0 0 0 0 1 0 1\n0 0 0 0 0 0 1 1.5 -0.5\n"
        "m\n0 0 0 0 0 0 1 nan 0.5\n0 0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 1 1\nend\n");
    EXPECT_EQ(smd.said, Said(true, 2, true,
                             "texCoord out of range!: -0.250000\ntexCoord out of range!: 1.500000\n"
                             "texCoord out of range!: -0.500000\ntexCoord out of range!: 1.500000\n"));
    ASSERT_EQ(smd.floats.size(), 48u);
    EXPECT_EQ(std::vector<float>(smd.floats.begin() + 18, smd.floats.begin() + 24),
              (std::vector<float>{0, 1, 0, 1, 1, 0}));
    EXPECT_TRUE(std::isnan(smd.floats[24 + 18]));
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
                                                            : Said(true, 2, true, ""))
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

TEST(SMDReadTriangles, PassesThatDisagreeFailWithinTheArray) {
    // A pipe cannot be rewound: the second pass reads on behind the section the first one counted.
    const std::string one = "triangles\n" + kTriangle + "end\n",
                      two = "triangles\n" + kTriangle + kTriangle + "end\n";
    const std::pair<std::string, int> cases[] = {
        {one + two, 1}, {two + one, 2}, {one + "nodes\n", 1}, {one + "triangles\nm\n0 1 2 3 4 5 6 0 0\n", 1}};
    for (const auto& [text, counted] : cases) {
        const std::string message =
            "ERROR: SMD file changed between reading passes: " + std::to_string(counted) +
            " triangles counted\n";
        EXPECT_EQ(Smd(UnseekableStreamWith(Bytes(text.begin(), text.end()))).said,
                  Said(false, counted, true, message))
            << text;
    }
}
