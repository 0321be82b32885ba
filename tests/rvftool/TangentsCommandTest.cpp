#include <sstream>

#include "mesh/RvFileIO.h"
#include "tests/GltfFiles.h"
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

// A flat quad mapped with u along x and v along y, then the same quad with u mirrored: both
// bases give the tangent towards growing u, with w = +1 for the first quad and -1 for the
// mirrored one, so that w * cross(N, T) points towards growing v in both.
TEST_F(Tangents, Vec4GivesTangentsWithSignsInBothBases) {
    std::vector<float> mesh;
    for (float mirror : {0.0f, 1.0f}) {
        const float x = 2 * mirror;
        const float corners[2][3][2] = {{{0, 0}, {1, 0}, {1, 1}}, {{0, 0}, {1, 1}, {0, 1}}};
        for (const auto& tri : corners) {
            for (const auto& c : tri) mesh.insert(mesh.end(), {x + c[0], c[1], 0});
            for (int k = 0; k < 3; ++k) mesh.insert(mesh.end(), {0, 0, 1});
            for (const auto& c : tri) mesh.insert(mesh.end(), {mirror != 0 ? 1 - c[0] : c[0], c[1]});
        }
    }
    WriteFile("m.rvf", RvfFile(mesh));
    std::vector<float> expected;
    for (int corner = 0; corner < 12; ++corner) {
        const float sign = corner < 6 ? 1.0f : -1.0f;
        expected.insert(expected.end(), {sign, 0, 0, sign});
    }
    for (const char* basis : {"own", "mikktspace"}) {
        SCOPED_TRACE(basis);
        RunResult r = Tool({"tangents", "--vec4", "--basis", basis, "m.rvf", "t.bin"});
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string bytes = FileText("t.bin");
        ASSERT_EQ(bytes.size(), 4 + 48 * 4u);
        EXPECT_EQ(bytes.substr(0, 4), std::string("\4\0\0\0", 4));
        std::vector<float> read(expected.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            std::uint32_t bits = 0;
            for (int b = 3; b >= 0; --b) bits = bits << 8 | static_cast<unsigned char>(bytes[4 + 4 * i + b]);
            std::memcpy(&read[i], &bits, 4);
        }
        EXPECT_EQ(read, expected);  // -0 equal to 0: the own frames carry either
    }

    // The text of the MikkTSpace basis carries the binormal w * cross(N, T).
    RunResult r = Tool({"tangents", "--basis=mikktspace", "m.rvf"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string header = "# rvftool tangents: 4 triangles, single precision, MikkTSpace basis\n";
    ASSERT_EQ(r.out.compare(0, header.size(), header), 0) << r.out;
    std::istringstream lines(r.out.substr(r.out.find('\n', header.size()) + 1));
    for (int corner = 0; corner < 12; ++corner) {
        float read[8];
        for (float& f : read) lines >> f;
        const float tx = corner < 6 ? 1.0f : -1.0f;
        const float want[8] = {float(corner / 3), float(corner % 3), tx, 0, 0, 0, 1, 0};
        for (int k = 0; k < 8; ++k) EXPECT_EQ(read[k], want[k]) << "corner " << corner << ", column " << k;
    }
}

TEST_F(Tangents, RefusesAnUnknownBasisAndVec4InDoublePrecision) {
    WriteFile("m.rvf", RvfFile(std::vector<float>(24, 0.5f)));
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"tangents --basis bent m.rvf t.bin",
         "rvftool tangents: unknown basis 'bent' (own, mikktspace or file) (see 'rvftool tangents "
         "--help')\n"},
        {"tangents --vec4 --double m.rvf t.bin",
         "rvftool tangents: --vec4 writes single precision; leave out --double (see 'rvftool tangents "
         "--help')\n"},
    };
    for (const auto& c : cases) {
        RunResult r = Tool(Words(c.args));
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.err, c.message);
        EXPECT_FALSE(std::ifstream("t.bin").good()) << c.args;
    }
}

// The file basis writes the tangents and signs a glTF file stores, as it stores them; an RVF
// file stores none, which is said rather than answered with other frames.
TEST_F(Tangents, FileBasisGivesTheStoredTangents) {
    const PeerDir peer;
    ASSERT_TRUE(peer.made && WriteGltf(peer, "t.gltf", "n.png"));
    RunResult r = Tool({"tangents", "--vec4", "--basis=file", peer.File("t.gltf"), "t.bin"});
    EXPECT_EQ(r.status, 0) << r.err;
    Bytes expected;
    PutU32(expected, 1);
    EXPECT_EQ(FileText("t.bin"), Text(Join({expected, FloatBytes(kTangents)})));

    WriteFile("m.rvf", RvfFile(std::vector<float>(24, 0.5f)));
    r = Tool({"tangents", "--basis", "file", "m.rvf"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rvftool: m.rvf holds no tangents: choose --basis own or mikktspace\n");
    EXPECT_EQ(r.out, "");
}
