#include <cmath>

#include "tools/rvftool/tests/ToolRun.h"

namespace {

typedef std::vector<float> Floats;

Floats Corner(const RvRawTriangle& t, int c) {
    return {t.vert[c].x, t.vert[c].y, t.vert[c].z,     t.norm[c].x,
            t.norm[c].y, t.norm[c].z, t.texCoord[c].u, t.texCoord[c].v};
}

}  // namespace

typedef ToolTest Import;

TEST_F(Import, ObjTrianglesKeepTheirCornersNormalsAndTextureCoordinates) {
    RunResult r = Tool({"import", RVFTOOL_TEST_DATA "/triangles.obj", Path("t.rvf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Path("t.rvf") + ": 2 triangles\n");
    std::vector<RvRawTriangle> tris = ReadBack("t.rvf");
    ASSERT_EQ(tris.size(), 2u);
    EXPECT_EQ(Corner(tris[0], 0), Floats({0, 0, 0.5f, 0, 0, 1, 0, 0}));
    EXPECT_EQ(Corner(tris[0], 1), Floats({1, 0, 0.5f, 0.6f, 0, 0.8f, 1, 0}));
    EXPECT_EQ(Corner(tris[0], 2), Floats({1, 1, 0.5f, 0, 0, 1, 1, 1}));
    EXPECT_EQ(Corner(tris[1], 0), Floats({0, 0, 0.5f, 0, 0, 1, 0, 0}));
    EXPECT_EQ(Corner(tris[1], 1), Floats({1, 1, 0.5f, 0, 0, 1, 1, 1}));
    EXPECT_EQ(Corner(tris[1], 2), Floats({0, 1, 0.5f, 0.6f, 0, 0.8f, 0, 1}));
}

TEST_F(Import, PlyTrianglesReadBack) {
    RunResult r = Tool({"import", RVFTOOL_TEST_DATA "/triangle.ply", Path("p.rvf")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<RvRawTriangle> tris = ReadBack("p.rvf");
    ASSERT_EQ(tris.size(), 2u);
    EXPECT_EQ(Corner(tris[0], 0), Floats({0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(Corner(tris[0], 1), Floats({2, 0, 0, 0, 0, 1, 1, 0}));
    EXPECT_EQ(Corner(tris[0], 2), Floats({2, 3, 0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(Corner(tris[1], 0), Floats({0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(Corner(tris[1], 1), Floats({2, 3, 0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(Corner(tris[1], 2), Floats({0, 3, 0, 0, 0, 1, 0, 1}));
}

// The quad becomes two counter-clockwise triangles that cover it, with unit normals made
// facing the viewer and each corner's texture coordinate following its position.
TEST_F(Import, QuadWithoutNormalsIsSplitAndGetsNormals) {
    RunResult r = Tool({"import", RVFTOOL_TEST_DATA "/quad.obj", Path("q.rvf")});
    ASSERT_EQ(r.status, 0) << r.err;
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
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(DirEntries(dir).count("u.rvf"), 0u);
}

TEST_F(Import, RefusesAFileThatIsNoMesh) {
    WriteFile(Path("notes.txt"), std::string("no mesh in here\n"));
    RunResult r = Tool({"import", Path("notes.txt"), Path("n.rvf")});
    EXPECT_EQ(r.status, 1);
    std::string prefix = "rvftool: " + Path("notes.txt") + ": ";
    EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(DirEntries(dir).count("n.rvf"), 0u);
}
