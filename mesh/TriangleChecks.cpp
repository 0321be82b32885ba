// What a mesh can show: finite triangles, and triangles whose texture coordinates span an area.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"

namespace {

bool AllFinite(const float32* values, int count) {
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

}  // namespace

bool RvTriangleIsFinite(const RvRawTriangle* tri) {
    for (int c = 0; c < 3; ++c)
        if (!AllFinite(tri->vert[c].v, 3) || !AllFinite(tri->norm[c].v, 3) ||
            !AllFinite(tri->texCoord[c].uv, 2))
            return false;
    return true;
}

int RvKeepFiniteTriangles(int numTris, RvRawTriangle* tris, float* tangents) {
    int kept = 0;
    for (int t = 0; t < numTris; ++t) {
        if (!RvTriangleIsFinite(&tris[t])) continue;
        if (tangents != nullptr)
            std::copy_n(tangents + 12 * std::size_t(t), 12, tangents + 12 * std::size_t(kept));
        tris[kept++] = tris[t];
    }
    return kept;
}

bool RvTriangleHasTextureArea(const RvRawTriangle* tri) {
    double du1 = double(tri->texCoord[1].u) - double(tri->texCoord[0].u);
    double dv1 = double(tri->texCoord[1].v) - double(tri->texCoord[0].v);
    double du2 = double(tri->texCoord[2].u) - double(tri->texCoord[0].u);
    double dv2 = double(tri->texCoord[2].v) - double(tri->texCoord[0].v);
    double cross = du1 * dv2 - dv1 * du2;
    return cross * cross > 1e-14 * (du1 * du1 + dv1 * dv1) * (du2 * du2 + dv2 * dv2);
}
