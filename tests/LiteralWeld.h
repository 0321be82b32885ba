// The weld written literally: the sorted index in one flat array whose tail moves on every
// insertion, each corner's frame computed when it is inserted, one thread. The library's weld must
// give the same results to the bit; the tests compare the two, the benchmarks time them.
#ifndef TESTS_LITERALWELD_H
#define TESTS_LITERALWELD_H

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <new>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"

// The bisection over the `count` vertex numbers at `indices`: returns where it ends, *result
// the last comparison there (-1 with nothing to compare).
inline int LiteralTraverse(const RvTangentPointD* value, const RvTangentPointD* data, const int* indices,
                           int count, int* result) {
    int high = count;
    int low = 0;
    int mid = low + ((high - low) >> 1);
    *result = -1;
    while (low != high) {
        *result = RvCompareD(value, &data[indices[mid]]);
        if (*result == 0) break;
        (*result < 0 ? high : low) = mid;
        const int nextMid = low + ((high - low) >> 1);
        if (nextMid == mid) break;
        mid = nextMid;
    }
    return mid;
}

// RvCreateVertexBuffers step by step; numTris >= 1.
inline bool LiteralCreateVertexBuffers(int numTris, const RvRawTriangle* tris, int* numVerts,
                                       RvTangentPointD** verts, RvIndex** indices) {
    const std::size_t corners = static_cast<std::size_t>(numTris) * 3;
    *indices = new (std::nothrow) RvIndex[static_cast<std::size_t>(numTris)];
    int* sortIndex = new (std::nothrow) int[corners];
    *verts = new (std::nothrow) RvTangentPointD[corners];
    if (*indices == nullptr || sortIndex == nullptr || *verts == nullptr) {
        delete[] sortIndex;
        return false;
    }
    int count = 0;
    for (std::size_t c = 0; c < corners; ++c) {
        RvTangentPointD* pt = &(*verts)[count];
        RvCopyPointD(&tris[c / 3], static_cast<int>(c % 3), pt);
        int compValue;
        const int pos = LiteralTraverse(pt, *verts, sortIndex, count, &compValue);
        int& vertex = (*indices)[c / 3].idx[c % 3];
        if (compValue == 0) {
            RvTangentPointD* e = &(*verts)[sortIndex[pos]];
            for (int k = 0; k < 3; ++k) e->tangent[k] += pt->tangent[k];
            for (int k = 0; k < 3; ++k) e->binormal[k] += pt->binormal[k];
            ++e->count;
            vertex = sortIndex[pos];
            continue;
        }
        const int at = compValue < 0 ? pos : pos + 1;
        std::memmove(&sortIndex[at + 1], &sortIndex[at], static_cast<std::size_t>(count - at) * sizeof(int));
        sortIndex[at] = vertex = count++;
    }
    *numVerts = count;
    for (int n = 0; n < count; ++n) {
        for (float64* v : {(*verts)[n].tangent, (*verts)[n].binormal}) {
            for (int k = 0; k < 3; ++k) v[k] /= static_cast<float64>((*verts)[n].count);
            NormalizeD(v);
        }
    }
    delete[] sortIndex;
    return true;
}

#endif
