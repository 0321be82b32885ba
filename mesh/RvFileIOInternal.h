// Routines the files of the mesh module share among themselves: vector helpers, the corner
// frame, the weld comparison, the weld of a triangle list and the memory it works in (the
// weld's sorted index has a header of its own, mesh/SortedIndex.h).
// Not part of the library's interface; the tests reach them here.
#ifndef MESH_RVFILEIOINTERNAL_H
#define MESH_RVFILEIOINTERNAL_H

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "mesh/RvFileIO.h"

// ---------------------------------------------------------------------------------------------
// Vectors and corner frames.

// Normalises the three doubles at v in place; shorter than 1e-7 becomes (1,0,0).
void NormalizeD(float64* v);

// The dot product of two vectors of three doubles, summed left to right.
float64 DotProduct3D(const float64* vectorA, const float64* vectorB);

// The part of a triangle's frame that its three corners share: the tangent and binormal
// directions before they are made perpendicular to a corner's normal.
struct RvFrameDirections {
    float64 tangent[3];
    float64 binormal[3];
};

// The directions of the triangle with positions v1..v3 and texture coordinates t1..t3.
void RvTriangleDirections(const float32* v1, const float32* v2, const float32* v3, const float32* t1,
                          const float32* t2, const float32* t3, RvFrameDirections* dirs);

// Makes the directions perpendicular to `normal` (as given) and of unit length, or the
// defaults when degenerate; with RvTriangleDirections this is TriangleTangentFrame.
void RvProjectFrame(const RvFrameDirections* dirs, const float64* normal, float64* tangent,
                    float64* binormal);

// True when the three u of *tri are all 0.0: its corners then keep the default frame.
bool RvTriangleHasNoU(const RvRawTriangle* tri);

// Whether every number of the triangle (positions, normals, texture coordinates) is finite.
bool RvTriangleIsFinite(const RvRawTriangle* tri);

// The default frame: tangent (1,0,0), binormal (0,0,1).
void RvDefaultFrame(float64* tangent, float64* binormal);

// The frame of corner idx (0..2) of *pgon: tan and binorm receive the triangle's frame made
// perpendicular to that corner's normal, norm the widened normal. Triangles whose three u are
// all 0.0 keep the defaults (1,0,0) and (0,0,1).
void ComputeTangentVectorsD(const RvRawTriangle* pgon, int idx, float64* tan, float64* norm, float64* binorm);

// ---------------------------------------------------------------------------------------------
// Weld comparison.

// -1 when a sorts before b (the larger value first), 1 otherwise; 0 when within `tiny`. A
// difference involving a NaN is never beyond the tolerance.
inline int RvCompareComponent(float64 a, float64 b, float64 tiny) {
    if (std::fabs(a - b) > tiny) return a > b ? -1 : 1;
    return 0;
}

// The weld comparison: -1 when the first record (the one sought) sorts before the second, 1
// after it, 0 when the two are to be welded. Positions, normals and texture coordinates within
// 1e-7 per component, tangents and binormals within a cosine of 0.3. Not a strict order.
int RvCompareD(const RvTangentPointD* v0, const RvTangentPointD* v1);

// ---------------------------------------------------------------------------------------------
// Welding.

struct RvSortedIndex;

// Fills *point from corner v of *tri: widened position, normal and texture coordinate, the
// corner's own frame, count 1.
void RvCopyPointD(const RvRawTriangle* tri, int v, RvTangentPointD* point);

// RvCopyPointD for the three corners of *tri into points[0..2], the directions they share
// computed once.
void RvCopyCornersD(const RvRawTriangle* tri, RvTangentPointD* points);

// Welds all corners of the numTris triangles, triangle by triangle, into `point`, writes each
// triangle's vertex numbers to `indices` and turns every vertex's summed frame into its unit
// average; *numVerts receives the number of vertices. sortIndex is empty with room for
// 3 x numTris entries, point has room for as many vertices. False, with *numVerts unchanged,
// when the weld's working memory cannot be had. The corner records are prepared in chunks of
// 256 triangles: on a second thread, for the call, when there is more than one chunk and the
// thread can be had, else on this one; the results are the same either way.
bool RvWeldTriangles(int numTris, const RvRawTriangle* tris, RvSortedIndex* sortIndex, RvTangentPointD* point,
                     RvIndex* indices, int* numVerts);

// ---------------------------------------------------------------------------------------------
// Memory of the weld.

// The bytes of a cache line, the unit the weld fetches ahead.
constexpr std::size_t kRvCacheLine = 64;

// True when the worst-case weld arrays of numTris triangles (3 x numTris vertices, numbered
// by int) can be sized; numTris is at least 1.
bool RvWeldArraysFit(int numTris);

// Asks the system to back the `bytes` at p, an array of the caller's, with large pages where it
// can: the weld's arrays are big and touched at random, and small pages make both their first
// touch and their address translation slow. Changes nothing else; a no-op where unsupported.
void RvPreferLargePages(void* p, std::size_t bytes);

// Has the system put pages under the array of `bytes` at p from *done (0 at first) up to
// `wanted` bytes from p, in whole large pages, so that whoever writes there later does not stop
// to have them cleared; *done moves on. The pages hold zeros, as on a first touch. A large page
// partly filled with small ones cannot become one, hence whole large pages. A no-op where
// unsupported.
void RvBackPagesAhead(void* p, std::size_t bytes, std::size_t wanted, std::uintptr_t* done);

#endif
