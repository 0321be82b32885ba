#include "tests/rvftool/ToolRun.h"

typedef ToolTest Import;

// Written as the RVF file of exactly the expected triangles: three positions, three normals and
// three texture coordinates each. OBJ files are the import library's tests' and the opening
// tests', which import them with this command.
TEST_F(Import, PlyTrianglesKeepTheirCornersNormalsAndTextureCoordinates) {
    RunResult r = Tool({"import", RVFTOOL_TEST_DATA "/triangle.ply", "p.rvf"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "p.rvf: 2 triangles\n");
    EXPECT_EQ(FileText("p.rvf"),
              RvfFile({0, 0, 0, 2, 0, 0, 2, 3, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 1,
                       0, 0, 0, 2, 3, 0, 0, 3, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 1}));
}
