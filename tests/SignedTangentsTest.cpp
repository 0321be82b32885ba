// Welding with the tangents and signs a mesh brings: exact, field by field.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "mesh/RvFileIO.h"
#include "tests/WeldTestMeshes.h"

namespace {

// Two triangles of a square sharing the corners at (0,0,0) and (1,1,0); texture coordinates as
// the positions, normal (0,0,2), tangent (1,0,0) with sign -1 everywhere.
struct Square {
    RvRawTriangle tris[2] = {
        MakeTriangle({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 0}, {1, 0}, {1, 1}}, {0, 0, 2}),
        MakeTriangle({{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 0}, {1, 1}, {0, 1}}, {0, 0, 2})};
    float tangents[24] = {1, 0, 0, -1, 1, 0, 0, -1, 1, 0, 0, -1, 1, 0, 0, -1, 1, 0, 0, -1, 1, 0, 0, -1};
};

}  // namespace

// Triangle 1's corner at (0,0,0) is changed in one number; it stays welded to triangle 0's only
// where the numbers are equal.
TEST(SignedVertexBuffers, WeldsCornersOnlyWhereEverythingAgrees) {
    const struct {
        const char* change;
        float* (*at)(Square&);  // the number changed
        float value;
        int numVerts;
    } rows[] = {
        {"tangent y to -0", [](Square& s) { return &s.tangents[13]; }, -0.0f, 4},
        {"sign", [](Square& s) { return &s.tangents[15]; }, 1.0f, 5},
        {"position x one step", [](Square& s) { return &s.tris[1].vert[0].x; }, 1e-45f, 5},
        {"normal y", [](Square& s) { return &s.tris[1].norm[0].y; }, 1e-30f, 5},
        {"v", [](Square& s) { return &s.tris[1].texCoord[0].v; }, -1e-30f, 5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.change);
        Square square;
        *row.at(square) = row.value;
        Welded w;
        ASSERT_TRUE(RvCreateSignedVertexBuffers(2, square.tris, square.tangents, &w.numVerts, &w.verts,
                                                &w.indices, &w.signs));
        EXPECT_EQ(w.numVerts, row.numVerts);
        const int first = row.numVerts == 4 ? 0 : 3;  // the changed corner's vertex
        EXPECT_EQ(std::vector<int>(w.indices[1].idx, w.indices[1].idx + 3),
                  (std::vector<int>{first, 2, 3 + (first == 3)}));
    }
}
