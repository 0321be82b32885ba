#include "tests/rvftool/ToolRun.h"

typedef ToolTest Convert;

TEST_F(Convert, BareDataIsToldByItsSizeAndWrappedInAnRvfFile) {
    const Bytes rvf =
        RvfFile({0, 0, 0, 1, 0, 0, 1, 1, 0,     0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 1,
                 0, 0, 0, 1, 1, 0, 0, 1, -2.5f, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0.75f});
    WriteFile("mesh.bin", Text(Bytes(rvf.begin() + 16, rvf.end())));
    RunResult r = Tool({"convert", "mesh.bin", "mesh.rvf"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "mesh.rvf: 2 triangles\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(FileText("mesh.rvf"), Text(rvf));
}

TEST_F(Convert, SmdTrianglesReadBackWithClampedTextureCoordinates) {
    RunResult r = Tool({"convert", RVFTOOL_TEST_DATA "/square.smd", "square.rvf"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "rvftool: warning: " RVFTOOL_TEST_DATA "/square.smd: 2 texture coordinates clamped to 0..1\n");
    EXPECT_EQ(ReadBack("square.rvf"),
              (FloatRows{{0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 1},
                         {0, 0, 0, 2, 2, 0, 0, 2, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0}}));
}
