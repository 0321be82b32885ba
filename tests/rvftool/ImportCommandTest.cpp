#include "tests/rvftool/ToolRun.h"

typedef ToolTest Import;

// Written as the RVF files of exactly the expected triangles: three positions, three normals
// and three texture coordinates each.
TEST_F(Import, ObjAndPlyTrianglesKeepTheirCornersNormalsAndTextureCoordinates) {
    RunResult r = Tool({"import", RVFTOOL_TEST_DATA "/triangles.obj", "t.rvf"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "t.rvf: 2 triangles\n");
    EXPECT_EQ(FileText("t.rvf"),
              RvfFile({0,    0, 0.5f, 1, 0, 0.5f, 1, 1,    0.5f, 0,    0,    1, 0.6f, 0,    0.8f, 0,
                       0,    1, 0,    0, 1, 0,    1, 1,    0,    0,    0.5f, 1, 1,    0.5f, 0,    1,
                       0.5f, 0, 0,    1, 0, 0,    1, 0.6f, 0,    0.8f, 0,    0, 1,    1,    0,    1}));
    EXPECT_EQ(Tool({"import", RVFTOOL_TEST_DATA "/triangle.ply", "p.rvf"}).status, 0);
    EXPECT_EQ(FileText("p.rvf"),
              RvfFile({0, 0, 0, 2, 0, 0, 2, 3, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 1,
                       0, 0, 0, 2, 3, 0, 0, 3, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 1}));
}
