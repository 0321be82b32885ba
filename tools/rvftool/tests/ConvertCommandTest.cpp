#include "tools/rvftool/tests/ToolRun.h"

namespace {

const float kUp[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};

Bytes BareBody() {
    Bytes b;
    PutU32(b, 2);
    PutTriangle(b, {0, 0, 0, 1, 0, 0, 1, 1, 0}, kUp, {0, 0, 1, 0, 1, 1});
    PutTriangle(b, {0, 0, 0, 1, 1, 0, 0, 1, -2.5f}, kUp, {0, 0, 1, 1, 0, 0.75f});
    return b;
}

void ExpectCorner(const RvRawTriangle& t, int c, std::vector<float> pos, std::vector<float> uv) {
    EXPECT_EQ(std::vector<float>(t.vert[c].v, t.vert[c].v + 3), pos) << "corner " << c;
    EXPECT_EQ(std::vector<float>(t.norm[c].v, t.norm[c].v + 3), std::vector<float>({0, 0, 1}))
        << "corner " << c;
    EXPECT_EQ(std::vector<float>(t.texCoord[c].uv, t.texCoord[c].uv + 2), uv) << "corner " << c;
}

}  // namespace

typedef ToolTest Convert;

TEST_F(Convert, BareDataIsToldByItsSizeAndWrappedInAnRvfFile) {
    Bytes body = BareBody();
    WriteFile(Path("mesh.bin"), body);
    RunResult r = Tool({"convert", Path("mesh.bin"), Path("mesh.rvf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Path("mesh.rvf") + ": 2 triangles\n");
    EXPECT_EQ(r.err, "");
    Bytes expected;
    PutBytes(expected, "RVF ", 4);
    PutU32(expected, 204);
    PutBytes(expected, "TRIS", 4);
    PutU32(expected, 196);
    expected.insert(expected.end(), body.begin(), body.end());
    EXPECT_EQ(FileBytes(Path("mesh.rvf")), expected);
}

TEST_F(Convert, SmdTrianglesReadBackWithClampedTextureCoordinates) {
    RunResult r = Tool({"convert", RVFTOOL_TEST_DATA "/square.smd", Path("square.rvf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "rvftool: warning: " RVFTOOL_TEST_DATA "/square.smd: 2 texture coordinates clamped to 0..1\n");
    EXPECT_EQ(r.out, Path("square.rvf") + ": 2 triangles\n");
    std::vector<RvRawTriangle> tris = ReadBack("square.rvf");
    ASSERT_EQ(tris.size(), 2u);
    ExpectCorner(tris[0], 0, {0, 0, 0}, {0, 0});
    ExpectCorner(tris[0], 1, {2, 0, 0}, {1, 0});
    ExpectCorner(tris[0], 2, {2, 2, 0}, {1, 1});
    ExpectCorner(tris[1], 0, {0, 0, 0}, {0, 0});
    ExpectCorner(tris[1], 1, {2, 2, 0}, {1, 1});
    ExpectCorner(tris[1], 2, {0, 2, 0}, {0, 0});
}

TEST_F(Convert, NamedKindOverridesTheContent) {
    // A bare body with a byte too many is not told as bare; named, it is refused for its size.
    Bytes body = BareBody();
    body.push_back(0);
    WriteFile(Path("odd.bin"), body);
    RunResult guessed = Tool({"convert", Path("odd.bin"), Path("out.rvf")});
    EXPECT_EQ(guessed.status, 1);
    EXPECT_EQ(guessed.err, "rvftool: " + Path("odd.bin") +
                               ": neither an SMD mesh nor bare triangle data (name the kind with --from)\n");
    RunResult named = Tool({"convert", "--from", "bare", Path("odd.bin"), Path("out.rvf")});
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.err, "rvftool: " + Path("odd.bin") +
                             ": bare triangle data of 2 triangles takes 196 bytes, the file has 197\n");

    WriteFile(Path("mesh.txt"), FileText(RVFTOOL_TEST_DATA "/square.smd"));
    RunResult smd = Tool({"convert", "--from=smd", Path("mesh.txt"), Path("out.rvf")});
    EXPECT_EQ(smd.status, 0) << smd.err;
    EXPECT_EQ(ReadBack("out.rvf").size(), 2u);
}

TEST_F(Convert, RefusesRvfInputAndEmptySmd) {
    WriteFile(Path("mesh.bin"), BareBody());
    ASSERT_EQ(Tool({"convert", Path("mesh.bin"), Path("mesh.rvf")}).status, 0);
    RunResult again = Tool({"convert", Path("mesh.rvf"), Path("copy.rvf")});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "rvftool: " + Path("mesh.rvf") + ": already an RVF file\n");

    WriteFile(Path("empty.smd"), std::string("version 1\ntriangles\nend\n"));
    RunResult empty = Tool({"convert", Path("empty.smd"), Path("empty.rvf")});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "rvftool: " + Path("empty.smd") + ": no triangles in the SMD file\n");
    EXPECT_EQ(DirEntries(dir), std::set<std::string>({"mesh.bin", "mesh.rvf", "empty.smd"}));
}

TEST_F(Convert, MalformedSmdFailsWithOneLine) {
    WriteFile(Path("bad.smd"),
              std::string("triangles\nmat\n0 1 2 3\n0 1 2 3 4 5 6 7 8\n0 1 2 3 4 5 6 7 8\nend\n"));
    RunResult r = Tool({"convert", Path("bad.smd"), Path("bad.rvf")});
    EXPECT_EQ(r.status, 1);
    std::string prefix = "rvftool: " + Path("bad.smd") + ": ";
    EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
    EXPECT_GT(r.err.size(), prefix.size() + 1);
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(DirEntries(dir).count("bad.rvf"), 0u);
}
