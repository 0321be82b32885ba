#include "tests/rvftool/ToolRun.h"

typedef ToolTest Convert;

TEST_F(Convert, BareDataIsToldByItsSizeAndWrappedInAnRvfFile) {
    const std::string rvf =
        RvfFile({0, 0, 0, 1, 0, 0, 1, 1, 0,     0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 1,
                 0, 0, 0, 1, 1, 0, 0, 1, -2.5f, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0.75f});
    WriteFile("mesh.bin", rvf.substr(16));
    RunResult r = Tool({"convert", "mesh.bin", "mesh.rvf"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "mesh.rvf: 2 triangles\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(FileText("mesh.rvf"), rvf);
}

// The clamped values and the corners' order are the SMD reader's tests'; here the count of
// clamps that the library's messages make.
TEST_F(Convert, SmdTrianglesWithClampedTextureCoordinates) {
    RunResult r = Tool({"convert", RVFTOOL_TEST_DATA "/square.smd", "square.rvf"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "square.rvf: 2 triangles\n");
    EXPECT_EQ(r.err,
              "rvftool: warning: " RVFTOOL_TEST_DATA "/square.smd: 2 texture coordinates clamped to 0..1\n");
}
