#include "tests/rvftool/ToolRun.h"

namespace {

const float kUp[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};

Bytes BareBody() {
    Bytes b;
    PutU32(b, 2);
    PutTriangle(b, {0, 0, 0, 1, 0, 0, 1, 1, 0}, kUp, {0, 0, 1, 0, 1, 1});
    PutTriangle(b, {0, 0, 0, 1, 1, 0, 0, 1, -2.5f}, kUp, {0, 0, 1, 1, 0, 0.75f});
    return b;
}

}  // namespace

typedef ToolTest Convert;

TEST_F(Convert, BareDataIsToldByItsSizeAndWrappedInAnRvfFile) {
    Bytes body = BareBody();
    WriteFile(Path("mesh.bin"), Text(body));
    RunResult r = Tool({"convert", Path("mesh.bin"), Path("mesh.rvf")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Path("mesh.rvf") + ": 2 triangles\n");
    EXPECT_EQ(r.err, "");
    Bytes expected;
    PutBytes(expected, "RVF ", 4);
    PutU32(expected, 204);
    PutBytes(expected, "TRIS", 4);
    PutU32(expected, 196);
    expected.insert(expected.end(), body.begin(), body.end());
    EXPECT_EQ(FileText(Path("mesh.rvf")), Text(expected));
}

TEST_F(Convert, SmdTrianglesReadBackWithClampedTextureCoordinates) {
    RunResult r = Tool({"convert", RVFTOOL_TEST_DATA "/square.smd", Path("square.rvf")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "rvftool: warning: " RVFTOOL_TEST_DATA "/square.smd: 2 texture coordinates clamped to 0..1\n");
    ExpectTriangles(ReadBack("square.rvf"), {{0, 0, 0, 0, 0, 1, 0, 0},
                                             {2, 0, 0, 0, 0, 1, 1, 0},
                                             {2, 2, 0, 0, 0, 1, 1, 1},
                                             {0, 0, 0, 0, 0, 1, 0, 0},
                                             {2, 2, 0, 0, 0, 1, 1, 1},
                                             {0, 2, 0, 0, 0, 1, 0, 0}});
}

// Each input it cannot convert gets one line naming it; a named kind is read as such (a byte
// too many keeps a body from being told as bare data, and is refused for its size when named).
TEST_F(Convert, RefusesWhatItCannotConvert) {
    WriteFile(Path("mesh.bin"), Text(BareBody()));
    ASSERT_EQ(Tool({"convert", Path("mesh.bin"), Path("mesh.rvf")}).status, 0);
    WriteFile(Path("odd.bin"), Text(BareBody()) + '\0');
    WriteFile(Path("empty.smd"), "version 1\ntriangles\nend\n");
    const std::vector<std::vector<std::string>> cases = {
        {"--", "mesh.rvf", "already an RVF file"},
        {"--", "odd.bin", "neither an SMD mesh nor bare triangle data (name the kind with --from)"},
        {"--from=bare", "odd.bin", "bare triangle data of 2 triangles takes 196 bytes, the file has 197"},
        {"--", "empty.smd", "no triangles in the SMD file"},
    };
    for (const auto& c : cases) {
        RunResult r = Tool({"convert", c[0], Path(c[1]), Path("out.rvf")});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "rvftool: " + Path(c[1]) + ": " + c[2] + "\n");
        EXPECT_FALSE(Exists(Path("out.rvf")));
    }
}
