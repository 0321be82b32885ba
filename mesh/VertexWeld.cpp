// Tolerant welding of triangle corners into distinct vertices through a sorted index searched
// by bisection, and the indexed vertex buffer built from it.
#include <cassert>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"

namespace {

// -1 when a sorts before b (the larger value first), 1 otherwise; 0 when within `tiny`.
// A difference involving a NaN is never beyond the tolerance.
int CompareComponent(float64 a, float64 b, float64 tiny) {
    if (std::fabs(a - b) > tiny) return a > b ? -1 : 1;
    return 0;
}

// Directions agree when their normalised copies meet at a cosine of at least KIV_TAN_ANGLE;
// otherwise the stored x components order them.
int CompareDirection(const float64* a, const float64* b) {
    float64 na[3] = {a[0], a[1], a[2]};
    float64 nb[3] = {b[0], b[1], b[2]};
    NormalizeD(na);
    NormalizeD(nb);
    if (DotProduct3D(na, nb) < KIV_TAN_ANGLE) return a[0] > b[0] ? -1 : 1;
    return 0;
}

}  // namespace

int RvCompareD(const RvTangentPointD* v0, const RvTangentPointD* v1) {
    int c;
    for (int i = 0; i < 3; ++i) {
        if ((c = CompareComponent(v0->vertex[i], v1->vertex[i], KIV_VERT_TINY)) != 0) return c;
    }
    for (int i = 0; i < 3; ++i) {
        if ((c = CompareComponent(v0->normal[i], v1->normal[i], KIV_NORM_TINY)) != 0) return c;
    }
    for (int i = 0; i < 2; ++i) {
        if ((c = CompareComponent(v0->uv[i], v1->uv[i], KIV_TEX_TINY)) != 0) return c;
    }
    if ((c = CompareDirection(v0->tangent, v1->tangent)) != 0) return c;
    return CompareDirection(v0->binormal, v1->binormal);
}

// The index is one flat array; an insertion moves the tail of it.
bool RvSortedIndexInit(RvSortedIndex* index, int capacity) {
    index->count = 0;
    index->entries = new (std::nothrow) int[static_cast<std::size_t>(capacity)];
    return index->entries != nullptr;
}

int RvSortedIndexCount(const RvSortedIndex* index) { return index->count; }

int RvSortedIndexAt(const RvSortedIndex* index, int rank) { return index->entries[rank]; }

void RvSortedIndexInsert(RvSortedIndex* index, int rank, int vertex) {
    std::memmove(index->entries + rank + 1, index->entries + rank,
                 static_cast<std::size_t>(index->count - rank) * sizeof(int));
    index->entries[rank] = vertex;
    ++index->count;
}

void RvSortedIndexRelease(RvSortedIndex* index) {
    delete[] index->entries;
    index->entries = nullptr;
    index->count = 0;
}

int RvIndexBinaryTraverseD(const RvTangentPointD* value, const RvTangentPointD* data,
                           const RvSortedIndex* indices, int count, int* result, PFNRVCOMPARED compare) {
    int high = count;
    int low = 0;
    int mid = low + ((high - low) >> 1);
    *result = -1;
    while (low != high) {
        *result = compare(value, &data[RvSortedIndexAt(indices, mid)]);
        if (*result == 0) break;
        if (*result < 0) {
            high = mid;
        } else {
            low = mid;
        }
        const int nextMid = low + ((high - low) >> 1);
        if (nextMid == mid) break;
        mid = nextMid;
    }
    return mid;
}

void RvCopyPointD(const RvRawTriangle* tri, int v, RvTangentPointD* point) {
    for (int k = 0; k < 3; ++k) point->vertex[k] = tri->vert[v].v[k];
    for (int k = 0; k < 3; ++k) point->normal[k] = tri->norm[v].v[k];
    point->uv[0] = tri->texCoord[v].u;
    point->uv[1] = tri->texCoord[v].v;
    float64 unusedNormal[3];
    ComputeTangentVectorsD(tri, v, point->tangent, unusedNormal, point->binormal);
    point->count = 1;
}

int RvInsertD(const RvRawTriangle* tri, int v, int* num, RvSortedIndex* sortIndex, RvTangentPointD* point) {
    assert(RvSortedIndexCount(sortIndex) == *num);
    const int added = *num;
    if (added < 1) {
        RvCopyPointD(tri, v, &point[added]);
        RvSortedIndexInsert(sortIndex, 0, added);
        ++*num;
        return added;
    }

    // The candidate is built in the slot after the last vertex, so a new vertex is already in
    // its place.
    RvTangentPointD* pt = &point[added];
    RvCopyPointD(tri, v, pt);
    int compValue;
    const int pos = RvIndexBinaryTraverseD(pt, point, sortIndex, added, &compValue, RvCompareD);
    if (compValue == 0) {
        RvTangentPointD* e = &point[RvSortedIndexAt(sortIndex, pos)];
        for (int k = 0; k < 3; ++k) e->tangent[k] += pt->tangent[k];
        for (int k = 0; k < 3; ++k) e->binormal[k] += pt->binormal[k];
        ++e->count;
        return RvSortedIndexAt(sortIndex, pos);
    }
    RvSortedIndexInsert(sortIndex, compValue < 0 ? pos : pos + 1, added);
    ++*num;
    return added;
}

bool RvWeldArraysFit(int numTris) {
    if (numTris > INT_MAX / 3) return false;
    const std::size_t corners = static_cast<std::size_t>(numTris) * 3;
    return corners <= SIZE_MAX / sizeof(RvTangentPointD);
}

int RvWeldTriangles(int numTris, const RvRawTriangle* tris, RvSortedIndex* sortIndex, RvTangentPointD* point,
                    RvIndex* indices) {
    int count = 0;
    for (int i = 0; i < numTris; ++i) {
        for (int j = 0; j < 3; ++j) indices[i].idx[j] = RvInsertD(&tris[i], j, &count, sortIndex, point);
    }

    // Dividing by the count first makes the length test of NormalizeD apply to the average.
    for (int n = 0; n < count; ++n) {
        const float64 corners = point[n].count;
        for (int k = 0; k < 3; ++k) point[n].tangent[k] = point[n].tangent[k] / corners;
        NormalizeD(point[n].tangent);
        for (int k = 0; k < 3; ++k) point[n].binormal[k] = point[n].binormal[k] / corners;
        NormalizeD(point[n].binormal);
    }
    return count;
}

bool RvCreateVertexBuffers(int numTris, const RvRawTriangle* tris, int* numVerts, RvTangentPointD** verts,
                           RvIndex** indices) {
    assert(numVerts != nullptr);
    if (numTris < 1 || tris == nullptr || verts == nullptr || indices == nullptr) return false;
    if (!RvWeldArraysFit(numTris)) return false;
    const std::size_t corners = static_cast<std::size_t>(numTris) * 3;

    // Each array is stored for the caller as soon as it is had; the sorted index is ours.
    RvIndex* index = new (std::nothrow) RvIndex[static_cast<std::size_t>(numTris)];
    if (index == nullptr) return false;
    *indices = index;
    RvSortedIndex sortIndex = {};
    if (!RvSortedIndexInit(&sortIndex, static_cast<int>(corners))) return false;
    RvTangentPointD* point = new (std::nothrow) RvTangentPointD[corners];
    if (point == nullptr) {
        RvSortedIndexRelease(&sortIndex);
        return false;
    }
    *verts = point;

    *numVerts = RvWeldTriangles(numTris, tris, &sortIndex, point, index);
    RvSortedIndexRelease(&sortIndex);
    return true;
}
