#include <cstdlib>
#include <sstream>

#include "tools/rvftool/tests/ToolRun.h"

namespace {

const float kNorm[9] = {0, 0, 1, 0, 0.6f, 0.8f, 0.6f, 0, 0.8f};

// Two triangles sharing an edge, with slanted texture mappings so that every frame differs.
Bytes SkewMesh() {
    Bytes b;
    PutBytes(b, "RVF ", 4);
    PutU32(b, 96 * 2 + 12);
    PutBytes(b, "TRIS", 4);
    PutU32(b, 96 * 2 + 4);
    PutU32(b, 2);
    PutTriangle(b, {0, 0, 0, 2, 0, 0, 0, 1, 0.5f}, kNorm, {0, 0, 1, 0.2f, 0.1f, 1});
    PutTriangle(b, {2, 0, 0, 2, 1, 0, 0, 1, 0.5f}, kNorm, {1, 0.2f, 0.9f, 1.3f, 0.1f, 1});
    return b;
}

void PutF64(Bytes& b, double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    PutU32(b, bits & 0xFFFFFFFFu);
    PutU32(b, bits >> 32);
}

}  // namespace

class Tangents : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        WriteFile(Path("m.rvf"), SkewMesh());
        tris = ReadBack("m.rvf");
        ASSERT_EQ(tris.size(), 2u);
        ASSERT_TRUE(RvComputeTangents(2, tris.data(), &tan));
        ASSERT_TRUE(RvComputeTangentsD(2, tris.data(), &tanD));
    }
    void TearDown() override {
        delete[] tan;
        delete[] tanD;
        ToolTest::TearDown();
    }
    std::vector<RvRawTriangle> tris;
    RvRawTangentSpace* tan = nullptr;
    RvRawTangentSpaceD* tanD = nullptr;
};

TEST_F(Tangents, TextGivesBackTheFramesOfEveryCorner) {
    RunResult r = Tool({"tangents", Path("m.rvf")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "# rvftool tangents: 2 triangles, single precision");
    std::getline(lines, line);
    EXPECT_EQ(line, "# triangle corner tangent_x tangent_y tangent_z binormal_x binormal_y binormal_z");
    for (int t = 0; t < 2; ++t) {
        for (int c = 0; c < 3; ++c) {
            int tn = -1, cn = -1;
            std::string v[6];
            ASSERT_TRUE(lines >> tn >> cn >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5]);
            EXPECT_EQ(tn, t);
            EXPECT_EQ(cn, c);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(std::strtof(v[i].c_str(), nullptr), tan[t].tangent[c].v[i]) << t << " " << c;
                EXPECT_EQ(std::strtof(v[3 + i].c_str(), nullptr), tan[t].binormal[c].v[i]) << t << " " << c;
            }
        }
    }
    EXPECT_FALSE(lines >> line);

    RunResult precise = Tool({"tangents", "--double", Path("m.rvf"), "-"});
    ASSERT_EQ(precise.status, 0) << precise.err;
    std::istringstream first(precise.out.substr(precise.out.find("\n0 0 ") + 5));
    double x;
    ASSERT_TRUE(first >> x);
    EXPECT_EQ(x, tanD[0].tangent[0].x);
}

TEST_F(Tangents, BinaryIsACountThenLittleEndianRecords) {
    Bytes single, precise;
    PutU32(single, 2);
    PutU32(precise, 2);
    for (int t = 0; t < 2; ++t) {
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 3; ++i)
                PutF32(single, tan[t].tangent[c].v[i]), PutF64(precise, tanD[t].tangent[c].v[i]);
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 3; ++i)
                PutF32(single, tan[t].binormal[c].v[i]), PutF64(precise, tanD[t].binormal[c].v[i]);
    }
    ASSERT_EQ(Tool({"tangents", "--binary", Path("m.rvf"), Path("t.bin")}).status, 0);
    EXPECT_EQ(FileBytes(Path("t.bin")), single);
    RunResult toStdout = Tool({"tangents", "--binary", "--double", Path("m.rvf")});
    ASSERT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_EQ(Bytes(toStdout.out.begin(), toStdout.out.end()), precise);
}

TEST_F(Tangents, MissingInputFailsWithoutOutput) {
    RunResult r = Tool({"tangents", Path("none.rvf"), Path("t.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rvftool: " + Path("none.rvf") + ": cannot open: No such file or directory\n");
    EXPECT_EQ(DirEntries(dir).count("t.txt"), 0u);
}
