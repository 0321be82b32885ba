#include <sstream>

#include "tests/rvftool/ToolRun.h"

namespace {

const float kNorm[9] = {0, 0, 1, 0, 0.6f, 0.8f, 0.6f, 0, 0.8f};

void PutF64(Bytes& b, double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    PutU32(b, bits & 0xFFFFFFFFu);
    PutU32(b, bits >> 32);
}

}  // namespace

// Two triangles sharing an edge, with slanted texture mappings so that every frame differs;
// the expected frames come from the library.
class Tangents : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        Bytes b;
        PutTriangle(b, {0, 0, 0, 2, 0, 0, 0, 1, 0.5f}, kNorm, {0, 0, 1, 0.2f, 0.1f, 1});
        PutTriangle(b, {2, 0, 0, 2, 1, 0, 0, 1, 0.5f}, kNorm, {1, 0.2f, 0.9f, 1.3f, 0.1f, 1});
        WriteFile(Path("m.rvf"), Text(RvfFile(b, 2)));
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
    EXPECT_EQ(r.status, 0);
    const std::string header =
        "# rvftool tangents: 2 triangles, single precision\n"
        "# triangle corner tangent_x tangent_y tangent_z binormal_x binormal_y binormal_z\n";
    ASSERT_EQ(r.out.compare(0, header.size(), header), 0) << r.out;
    std::istringstream in(r.out.substr(header.size()));
    for (int i = 0; i < 6; ++i) {
        int t = -1, c = -1;
        float v[6];
        ASSERT_TRUE(in >> t >> c >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5]);
        ASSERT_EQ(t * 3 + c, i);
        const RvRawPoint& tg = tan[t].tangent[c];
        const RvRawPoint& bn = tan[t].binormal[c];
        EXPECT_EQ(std::vector<float>(v, v + 6), std::vector<float>({tg.x, tg.y, tg.z, bn.x, bn.y, bn.z}));
    }
    std::string rest;
    EXPECT_FALSE(in >> rest) << rest;
    std::string precise = Tool({"tangents", "--double", Path("m.rvf"), "-"}).out;
    EXPECT_EQ(std::strtod(precise.c_str() + precise.find("\n0 0 ") + 5, nullptr), tanD[0].tangent[0].x);
}

TEST_F(Tangents, BinaryIsACountThenLittleEndianRecords) {
    Bytes single, precise;
    PutU32(single, 2);
    PutU32(precise, 2);
    for (int t = 0; t < 2; ++t) {
        for (int i = 0; i < 9; ++i) PutF32(single, tan[t].tangent[i / 3].v[i % 3]);
        for (int i = 0; i < 9; ++i) PutF32(single, tan[t].binormal[i / 3].v[i % 3]);
        for (int i = 0; i < 9; ++i) PutF64(precise, tanD[t].tangent[i / 3].v[i % 3]);
        for (int i = 0; i < 9; ++i) PutF64(precise, tanD[t].binormal[i / 3].v[i % 3]);
    }
    EXPECT_EQ(Tool({"tangents", "--binary", Path("m.rvf"), Path("t.bin")}).status, 0);
    EXPECT_EQ(FileText(Path("t.bin")), Text(single));
    EXPECT_EQ(Tool({"tangents", "--binary", "--double", Path("m.rvf")}).out, Text(precise));
}
