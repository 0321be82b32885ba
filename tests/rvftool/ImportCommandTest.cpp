#include "tests/rvftool/ToolRun.h"

typedef ToolTest Import;

TEST_F(Import, ObjTrianglesKeepTheirCornersNormalsAndTextureCoordinates) {
    RunResult r = Tool({"import", RVFTOOL_TEST_DATA "/triangles.obj", Path("t.rvf")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Path("t.rvf") + ": 2 triangles\n");
    ExpectTriangles(ReadBack("t.rvf"), {{0, 0, 0.5f, 0, 0, 1, 0, 0},
                                        {1, 0, 0.5f, 0.6f, 0, 0.8f, 1, 0},
                                        {1, 1, 0.5f, 0, 0, 1, 1, 1},
                                        {0, 0, 0.5f, 0, 0, 1, 0, 0},
                                        {1, 1, 0.5f, 0, 0, 1, 1, 1},
                                        {0, 1, 0.5f, 0.6f, 0, 0.8f, 0, 1}});
}

TEST_F(Import, PlyTrianglesReadBack) {
    EXPECT_EQ(Tool({"import", RVFTOOL_TEST_DATA "/triangle.ply", Path("p.rvf")}).status, 0);
    ExpectTriangles(ReadBack("p.rvf"), {{0, 0, 0, 0, 0, 1, 0, 0},
                                        {2, 0, 0, 0, 0, 1, 1, 0},
                                        {2, 3, 0, 0, 0, 1, 1, 1},
                                        {0, 0, 0, 0, 0, 1, 0, 0},
                                        {2, 3, 0, 0, 0, 1, 1, 1},
                                        {0, 3, 0, 0, 0, 1, 0, 1}});
}

// The quad becomes two counter-clockwise triangles that cover it, with unit normals made
// facing the viewer and each corner's texture coordinate following its position.
TEST_F(Import, QuadWithoutNormalsIsSplitAndGetsNormals) {
    EXPECT_EQ(Tool({"import", RVFTOOL_TEST_DATA "/quad.obj", Path("q.rvf")}).status, 0);
    std::vector<RvRawTriangle> tris = ReadBack("q.rvf");
    ASSERT_EQ(tris.size(), 2u);
    double area = 0;
    for (const RvRawTriangle& t : tris) {
        double ax = t.vert[1].x - t.vert[0].x, ay = t.vert[1].y - t.vert[0].y;
        double bx = t.vert[2].x - t.vert[0].x, by = t.vert[2].y - t.vert[0].y;
        area += 0.5 * (ax * by - ay * bx);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(t.vert[c].z, 0.0f);
            EXPECT_NEAR(t.norm[c].x, 0.0f, 1e-6);
            EXPECT_NEAR(t.norm[c].y, 0.0f, 1e-6);
            EXPECT_NEAR(t.norm[c].z, 1.0f, 1e-6);
            EXPECT_EQ(t.texCoord[c].u, (t.vert[c].x + 1) / 4);
            EXPECT_EQ(t.texCoord[c].v, (t.vert[c].y + 2) / 4);
        }
    }
    EXPECT_DOUBLE_EQ(area, 16.0);
}

TEST_F(Import, RefusesAMeshWithoutTextureCoordinates) {
    RunResult r = Tool({"import", RVFTOOL_TEST_DATA "/untextured.obj", Path("u.rvf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "rvftool: " RVFTOOL_TEST_DATA "/untextured.obj: mesh 'Bare' has no texture coordinates\n");
    EXPECT_FALSE(Exists(Path("u.rvf")));
}
