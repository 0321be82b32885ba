#include <sstream>

#include "mesh/RvFileIO.h"
#include "tests/rvftool/ToolRun.h"

typedef ToolTest Tangents;

// Two triangles sharing an edge, with slanted texture mappings so that every frame differs:
// text and binary, in single and double precision, give the library's frames of every corner.
TEST_F(Tangents, TextAndBinaryGiveTheLibrarysFrames) {
    const std::vector<float> mesh = {
        0, 0, 0, 2, 0, 0, 0, 1, 0.5f, 0, 0, 1, 0, 0.6f, 0.8f, 0.6f, 0, 0.8f, 0, 0,    1,    0.2f, 0.1f, 1,
        2, 0, 0, 2, 1, 0, 0, 1, 0.5f, 0, 0, 1, 0, 0.6f, 0.8f, 0.6f, 0, 0.8f, 1, 0.2f, 0.9f, 1.3f, 0.1f, 1};
    WriteFile("m.rvf", RvfFile(mesh));
    RvRawTriangle tris[2];
    std::memcpy(tris, mesh.data(), sizeof tris);
    RvRawTangentSpace* tan = nullptr;
    RvRawTangentSpaceD* tanD = nullptr;
    ASSERT_TRUE(RvComputeTangents(2, tris, &tan) && RvComputeTangentsD(2, tris, &tanD));
    float frames[2][18];  // per triangle three tangents, then three binormals, as in the records
    double framesD[2][18];
    std::memcpy(frames, tan, sizeof frames);
    std::memcpy(framesD, tanD, sizeof framesD);
    delete[] tan;
    delete[] tanD;

    // Text: a header, then per corner its triangle, corner, tangent and binormal.
    RunResult r = Tool({"tangents", "m.rvf"});
    EXPECT_EQ(r.status, 0);
    const std::string header =
        "# rvftool tangents: 2 triangles, single precision\n"
        "# triangle corner tangent_x tangent_y tangent_z binormal_x binormal_y binormal_z\n";
    ASSERT_EQ(r.out.compare(0, header.size(), header), 0) << r.out;
    std::vector<float> expected, read;
    for (int i = 0; i < 6; ++i) {
        const float* f = frames[i / 3] + 3 * (i % 3);
        expected.insert(expected.end(), {float(i / 3), float(i % 3), f[0], f[1], f[2], f[9], f[10], f[11]});
    }
    std::istringstream in(r.out.substr(header.size()));
    for (float v; in >> v;) read.push_back(v);
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(read, expected);
    std::string precise = Tool({"tangents", "--double", "m.rvf", "-"}).out;
    EXPECT_EQ(std::strtod(precise.c_str() + precise.find("\n0 0 ") + 5, nullptr), framesD[0][0]);

    // Binary: the count, then the records in little-endian order.
    Bytes single, doubles;
    PutU32(single, 2);
    PutU32(doubles, 2);
    for (int i = 0; i < 36; ++i) {
        std::uint32_t f;
        std::uint64_t d;
        std::memcpy(&f, &frames[i / 18][i % 18], 4);
        std::memcpy(&d, &framesD[i / 18][i % 18], 8);
        PutU32(single, f);
        PutU32(doubles, d & 0xFFFFFFFFu);
        PutU32(doubles, d >> 32);
    }
    EXPECT_EQ(Tool({"tangents", "--binary", "m.rvf", "t.bin"}).status, 0);
    EXPECT_EQ(FileText("t.bin"), Text(single));
    EXPECT_EQ(Tool({"tangents", "--binary", "--double", "m.rvf"}).out, Text(doubles));
}
