// Per-corner tangent frames smoothed over the welded vertices of a triangle list.
#include <cstddef>
#include <new>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"
#include "mesh/SortedIndex.h"

namespace {

void CopyPoint(const float64* from, RvRawPointD* to) {
    to->x = from[0];
    to->y = from[1];
    to->z = from[2];
}

void RoundPoint(const RvRawPointD& from, RvRawPoint* to) {
    to->x = static_cast<float32>(from.x);
    to->y = static_cast<float32>(from.y);
    to->z = static_cast<float32>(from.z);
}

}  // namespace

bool RvComputeTangentsD(int numTris, const RvRawTriangle* tris, RvRawTangentSpaceD** tan) {
    if (numTris < 1 || tris == nullptr || tan == nullptr) return false;
    if (!RvWeldArraysFit(numTris)) return false;
    const std::size_t triangles = static_cast<std::size_t>(numTris);
    const std::size_t corners = triangles * 3;

    RvRawTangentSpaceD* out = new (std::nothrow) RvRawTangentSpaceD[triangles];
    if (out == nullptr) return false;
    RvPreferLargePages(out, sizeof(RvRawTangentSpaceD) * triangles);
    *tan = out;

    // The working arrays are released on every path, also when one of them cannot be had.
    RvIndex* indices = new (std::nothrow) RvIndex[triangles];
    RvSortedIndex* sortIndex = indices != nullptr ? RvSortedIndexCreate(static_cast<int>(corners)) : nullptr;
    RvTangentPointD* point = sortIndex != nullptr ? new (std::nothrow) RvTangentPointD[corners] : nullptr;
    if (point != nullptr) {
        RvPreferLargePages(indices, sizeof(RvIndex) * triangles);
        RvPreferLargePages(point, sizeof(RvTangentPointD) * corners);
    }
    int numVerts = 0;
    const bool welded =
        point != nullptr && RvWeldTriangles(numTris, tris, sortIndex, point, indices, &numVerts);
    if (welded) {
        for (std::size_t i = 0; i < triangles; ++i) {
            for (int j = 0; j < 3; ++j) {
                const RvTangentPointD& vertex = point[indices[i].idx[j]];
                CopyPoint(vertex.tangent, &out[i].tangent[j]);
                CopyPoint(vertex.binormal, &out[i].binormal[j]);
            }
        }
    }
    delete[] indices;
    RvSortedIndexRelease(sortIndex);
    delete[] point;
    return welded;
}

bool RvComputeTangents(int numTris, const RvRawTriangle* tris, RvRawTangentSpace** tan) {
    if (numTris < 1 || tris == nullptr || tan == nullptr) return false;
    if (!RvWeldArraysFit(numTris)) return false;
    const std::size_t triangles = static_cast<std::size_t>(numTris);

    RvRawTangentSpace* out = new (std::nothrow) RvRawTangentSpace[triangles];
    if (out == nullptr) return false;
    RvPreferLargePages(out, sizeof(RvRawTangentSpace) * triangles);
    *tan = out;

    RvRawTangentSpaceD* frames = nullptr;
    if (!RvComputeTangentsD(numTris, tris, &frames)) {
        delete[] frames;
        return false;
    }
    for (std::size_t i = 0; i < triangles; ++i) {
        for (int j = 0; j < 3; ++j) RoundPoint(frames[i].tangent[j], &out[i].tangent[j]);
        for (int j = 0; j < 3; ++j) RoundPoint(frames[i].binormal[j], &out[i].binormal[j]);
    }
    delete[] frames;
    return true;
}
