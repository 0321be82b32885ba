#include "tests/GltfFiles.h"
#include "tests/rvftool/ToolRun.h"

namespace {

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

}  // namespace

typedef ToolTest Tangents;

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
    // As frames, the binormal made from the sign: the numbers past the two comment lines.
    const std::string out = Tool({"tangents", "--basis=mikktspace", "m.rvf"}).out;
    std::istringstream numbers(out.substr(out.find('\n', out.find('\n') + 1) + 1));
    EXPECT_EQ(std::vector<float>(std::istream_iterator<float>(numbers), {}), text);
}
