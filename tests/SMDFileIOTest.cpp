#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
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

struct Smd {
    bool ok;
    int numTris = -1;
    RvRawTriangle* tris = nullptr;
    std::string out;
    explicit Smd(FILE* fp, bool close = false) {
        CaptureStdout();
        ok = SMDReadTriangles(fp, &numTris, &tris);
        out = CapturedStdout();
        if (close) std::fclose(fp);
    }
    explicit Smd(const std::string& text) : Smd(StreamWith(text), true) {}
    ~Smd() { delete[] tris; }
    // Triangle t as its 24 floats in record order: positions, normals, texture coordinates.
    std::vector<float> Floats(int t) const {
        std::vector<float> f(24);
        std::memcpy(f.data(), &tris[t], sizeof(RvRawTriangle));
        return f;
    }
};

// A stream that gives `first` until it is rewound twice, then `second`: the two reading passes
// see different files.
struct TwoPasses {
    std::string text[2];
    int rewinds = 0;
    std::size_t pos = 0;
};

FILE* StreamChangingBetweenPasses(TwoPasses* passes) {
    cookie_io_functions_t io = {};
    io.read = [](void* cookie, char* buf, size_t n) -> ssize_t {
        TwoPasses* p = static_cast<TwoPasses*>(cookie);
        const std::string& text = p->text[p->rewinds < 2 ? 0 : 1];
        n = std::min(n, text.size() - std::min(p->pos, text.size()));
        text.copy(buf, n, p->pos);
        p->pos += n;
        return ssize_t(n);
    };
    io.seek = [](void* cookie, off64_t* offset, int whence) -> int {
        TwoPasses* p = static_cast<TwoPasses*>(cookie);
        if (whence == SEEK_SET && *offset == 0) ++p->rewinds;
        if (whence == SEEK_SET) p->pos = std::size_t(*offset);
        *offset = off64_t(p->pos);
        return 0;
    };
    return fopencookie(passes, "rb", io);
}

}  // namespace

TEST(SMDReadTriangles, ReadsCornersInOrderFromStartAndStopsBehindEnd) {
    FILE* fp = StreamWith(kTwo);
    std::fseek(fp, 40, SEEK_SET);
    Smd smd(fp);
    ASSERT_TRUE(smd.ok) << smd.out;
    EXPECT_EQ(std::size_t(std::ftell(fp)), kTwo.find("trailing"));
    std::fclose(fp);
    ASSERT_EQ(smd.numTris, 2);
    EXPECT_EQ(smd.out, "");
    EXPECT_EQ(smd.Floats(0), (std::vector<float>{1, 2, 3, 4, 5, 6, 7,     8,    9, 0, 0, 1,
                                                 0, 1, 0, 1, 0, 0, 0.25f, 0.5f, 0, 1, 1, 0}));
    EXPECT_EQ(smd.Floats(1),
              (std::vector<float>{-1, -2, -3, -4, -5, -6, -7,     -8,    -9,   0,    0,     -1,
                                  0,  -1, 0,  -1, 0,  0,  0.125f, 0.75f, 0.5f, 0.5f, 0.75f, 0.125f}));
}

TEST(SMDReadTriangles, SectionWordsAreCaseInsensitivePrefixesAndEndcapEndsEarly) {
    const struct {
        std::string text;
        int numTris;
    } cases[] = {
        {"TRIANGLES\n" + kTriangle + "END\n", 1},
        {"Triangles\n" + kTriangle + "End\n", 1},
        {"trianglesXYZ\n" + kTriangle + "end\n", 1},
        {" triangles\n" + kTriangle + "end\n", 0},
        {"triangles\n" + kTriangle + "Endcap\n" + kTriangle + "end\n", 1},
        {"triangles\n" + kTriangle + "endcap.tga\nnot a vertex\n", 1},
        {"triangles\nend\n", 0},
        {"version 1\nnodes\nend\n", 0},
    };
    for (const auto& c : cases) {
        Smd smd(c.text);
        ASSERT_TRUE(smd.ok) << c.text << smd.out;
        EXPECT_EQ(smd.numTris, c.numTris) << c.text;
        EXPECT_NE(smd.tris, nullptr);
        EXPECT_EQ(smd.out, "");
    }
}

TEST(SMDReadTriangles, ClampsTextureCoordinatesWithOneMessageEach) {
    Smd smd(
        "triangles\nm\n0 0 0 0 0 0 1 -0.25 1.5\n0 0 0 0 0 0 1 0 1\n0 0 0 0 0 0 1 1.5 -0.5\n"
        "m\n0 0 0 0 0 0 1 nan 0.5\n0 0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 1 1\nend\n");
    ASSERT_TRUE(smd.ok);
    EXPECT_EQ(smd.out,
              "texCoord out of range!: -0.250000\ntexCoord out of range!: 1.500000\n"
              "texCoord out of range!: -0.500000\ntexCoord out of range!: 1.500000\n");
    const std::vector<float> t = smd.Floats(0);
    EXPECT_EQ(std::vector<float>(t.begin() + 18, t.end()), (std::vector<float>{0, 1, 0, 1, 1, 0}));
    EXPECT_TRUE(std::isnan(smd.tris[1].texCoord[0].u));
}

TEST(SMDReadTriangles, SplitsLinesLongerThan4094Characters) {
    // The third vertex line fills the buffer, so "end" behind it on the same line reads as a line.
    std::string vertex = "0 7 8 9 1 0 0 1 0";
    vertex.resize(4094, ' ');
    Smd smd("triangles\nm\n0 1 2 3 0 0 1 0 0\n0 4 5 6 0 0 1 0 0\n" + vertex + "end\n");
    ASSERT_TRUE(smd.ok) << smd.out;
    ASSERT_EQ(smd.numTris, 1);
    EXPECT_EQ(smd.tris[0].vert[2].z, 9);
}

TEST(SMDReadTriangles, MalformedFilesFailWithOneLineAndNoUndefinedValues) {
    // Every prefix: until "triangles" is whole there is no section; after that no "end" line
    // until it is whole.
    const std::size_t opened = kTwo.find("triangles") + 9, closed = kTwo.find("end\ntrailing") + 3;
    for (std::size_t n = 0; n <= kTwo.size(); ++n) {
        Smd smd(kTwo.substr(0, n));
        ASSERT_EQ(smd.ok, n < opened || n >= closed) << n;
        if (!smd.ok) {
            EXPECT_EQ(smd.out,
                      "ERROR: SMD file ends inside the triangles section, without an \"end\" line\n");
            EXPECT_EQ(smd.numTris, 0);
            EXPECT_EQ(smd.tris, nullptr);
        }
    }
    Smd shortLine("triangles\n" + kTriangle +
                  "m\n0 1 2 3 4 5 6 7\n0 1 2 3 4 5 6 0 0\n0 1 2 3 4 5 6 0 0\nend\n");
    EXPECT_FALSE(shortLine.ok);
    EXPECT_EQ(shortLine.out, "ERROR: SMD vertex line with fewer than nine fields in triangle 1\n");
    ASSERT_EQ(shortLine.numTris, 2);
    EXPECT_EQ(shortLine.Floats(0)[2], 3);
    EXPECT_EQ(shortLine.Floats(1), std::vector<float>(24, 0.0f));
}

TEST(SMDReadTriangles, PassesThatDisagreeFailWithinTheArray) {
    const std::string one = "triangles\n" + kTriangle + "end\n",
                      two = "triangles\n" + kTriangle + kTriangle + "end\n";
    const struct {
        std::string first, second;
        int counted;
    } cases[] = {
        {one, two, 1}, {two, one, 2}, {one, "nodes\n", 1}, {one, "triangles\nm\n0 1 2 3 4 5 6 0 0\n", 1}};
    for (const auto& c : cases) {
        TwoPasses passes{{c.first, c.second}};
        FILE* fp = StreamChangingBetweenPasses(&passes);
        Smd smd(fp);
        std::fclose(fp);
        EXPECT_FALSE(smd.ok);
        EXPECT_EQ(smd.out, "ERROR: SMD file changed between reading passes: " + std::to_string(c.counted) +
                               " triangles counted\n");
        EXPECT_EQ(smd.numTris, c.counted);
        EXPECT_NE(smd.tris, nullptr);
    }
}
