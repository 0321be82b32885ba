#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "mesh/RvFileIO.h"
#include "tests/WeldTestMeshes.h"

// The frames themselves are the weld's: its examples pin the averages and seams.
TEST(RvComputeTangents, EachCornerGetsItsWeldedVertexFrameInDoublesOrRounded) {
    std::mt19937 rng(99);
    const std::vector<RvRawTriangle> tris = RandomMesh(&rng, 400);
    const int numTris = static_cast<int>(tris.size());
    RvRawTangentSpaceD* spacesD = nullptr;
    RvRawTangentSpace* spaces = nullptr;
    int numVerts = 0;
    RvTangentPointD* verts = nullptr;
    RvIndex* indices = nullptr;
    ASSERT_TRUE(RvComputeTangentsD(numTris, tris.data(), &spacesD));
    ASSERT_TRUE(RvComputeTangents(numTris, tris.data(), &spaces));
    ASSERT_TRUE(RvCreateVertexBuffers(numTris, tris.data(), &numVerts, &verts, &indices));
    for (int i = 0; i < numTris * 9; ++i) {
        const int t = i / 9, j = i / 3 % 3, k = i % 3;
        const RvTangentPointD& vertex = verts[indices[t].idx[j]];
        ASSERT_EQ(spacesD[t].tangent[j].v[k], vertex.tangent[k]) << t;
        ASSERT_EQ(spacesD[t].binormal[j].v[k], vertex.binormal[k]) << t;
        ASSERT_EQ(spaces[t].tangent[j].v[k], static_cast<float>(vertex.tangent[k])) << t;
        ASSERT_EQ(spaces[t].binormal[j].v[k], static_cast<float>(vertex.binormal[k])) << t;
    }
    delete[] spacesD;
    delete[] spaces;
    delete[] verts;
    delete[] indices;
}
