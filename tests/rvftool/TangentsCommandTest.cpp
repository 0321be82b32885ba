#include "mesh/RvFileIO.h"
#include "tests/GltfFiles.h"
#include "tests/rvftool/ToolRun.h"

namespace {

// The numbers of text output past its two comment lines, up to the first text that is none.
template <typename T>
std::vector<T> TextNumbers(const std::string& out) {
    std::istringstream in(out.substr(out.find('\n', out.find('\n') + 1) + 1));
    return {std::istream_iterator<T>(in), std::istream_iterator<T>()};
}

// The count and the floats of binary output, little-endian; bytes short of a whole number throw.
std::pair<std::uint32_t, std::vector<float>> Decoded(const std::string& bytes) {
    std::pair<std::uint32_t, std::vector<float>> out(0, {});
    for (std::size_t at = 0; at < bytes.size(); at += 4) {
        std::uint32_t bits = 0;
        for (std::size_t b = 4; b-- > 0;) bits = bits << 8 | static_cast<unsigned char>(bytes.at(at + b));
        float value;
        std::memcpy(&value, &bits, 4);
        if (at == 0)
            out.first = bits;
        else
            out.second.push_back(value);
    }
    return out;
}

// Records (three tangents, then three binormals) as text lists them: triangle, corner, tangent, binormal.
template <typename T>
std::vector<T> Listed(const std::vector<T>& records) {
    std::vector<T> listed;
    for (std::size_t i = 0; i < records.size() / 6; ++i) {
        const T* f = &records[18 * (i / 3) + 3 * (i % 3)];
        listed.insert(listed.end(), {T(i / 3), T(i % 3), f[0], f[1], f[2], f[9], f[10], f[11]});
    }
    return listed;
}

}  // namespace

typedef ToolTest Tangents;

// Two triangles sharing an edge, with slanted texture mappings so that every frame differs:
// text in double precision and binary rounded to single give the library's frames of every corner.
TEST_F(Tangents, TextAndBinaryGiveTheLibrarysFrames) {
    const std::vector<float> mesh = {
        0, 0, 0, 2, 0, 0, 0, 1, 0.5f, 0, 0, 1, 0, 0.6f, 0.8f, 0.6f, 0, 0.8f, 0, 0,    1,    0.2f, 0.1f, 1,
        2, 0, 0, 2, 1, 0, 0, 1, 0.5f, 0, 0, 1, 0, 0.6f, 0.8f, 0.6f, 0, 0.8f, 1, 0.2f, 0.9f, 1.3f, 0.1f, 1};
    WriteFile("m.rvf", RvfBytes(2, FloatBytes(mesh)));
    RvRawTriangle tris[2];
    std::memcpy(tris, mesh.data(), sizeof tris);
    RvRawTangentSpaceD* tan = nullptr;
    ASSERT_TRUE(RvComputeTangentsD(2, tris, &tan));
    std::vector<double> recordsD(36);
    std::memcpy(recordsD.data(), tan, sizeof *tan * 2);
    delete[] tan;
    const std::vector<float> records(recordsD.begin(), recordsD.end());
    EXPECT_EQ(TextNumbers<double>(Tool({"tangents", "--double", "m.rvf", "-"}).out), Listed(recordsD));
    EXPECT_EQ(Decoded(Tool({"tangents", "--binary", "m.rvf"}).out), std::make_pair(2u, records));
}

// Two flat triangles facing +z, v along +y, u along +x and, mirrored, along -x: the computed bases
// give the tangent towards growing u and w = +1, then -1, so that the binormal w * cross(N, T)
// points towards growing v. The file basis gives what a glTF file stores, as it stores it.
TEST_F(Tangents, EveryBasisGivesTangentsWithSigns) {
    WriteFile("m.rvf", RvfBytes(2, {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {5, 0, 0, 6, 0, 0, 5, 1, 0, 0, 0, 1,
                                                                  0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1, 1}}));
    std::vector<float> vec4, text;
    for (int corner = 0; corner < 6; ++corner) {
        const float w = corner < 3 ? 1 : -1;
        vec4.insert(vec4.end(), {w, 0, 0, w});
        text.insert(text.end(), {float(corner / 3), float(corner % 3), w, 0, 0, 0, 1, 0});
    }
    ASSERT_TRUE(WriteGltf(peer_, "t.gltf", "n.png"));
    const std::tuple<const char*, const char*, std::uint32_t, std::vector<float>> rows[] = {
        {"own", "m.rvf", 2, vec4},  // -0 equal to 0: the own frames carry either
        {"mikktspace", "m.rvf", 2, vec4},
        {"file", "t.gltf", 1, kTangents}};
    for (const auto& [basis, mesh, numTris, tangents] : rows) {
        SCOPED_TRACE(basis);
        RunResult r = Tool({"tangents", "--vec4", "--basis", basis, mesh, "t.bin"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Decoded(FileText("t.bin")), std::make_pair(numTris, tangents));
    }
    // As frames, the binormal made from the sign.
    EXPECT_EQ(TextNumbers<float>(Tool({"tangents", "--basis=mikktspace", "m.rvf"}).out), text);
}
