// Routines the files of the mesh module share among themselves: vector helpers, the corner
// frame, the weld comparison and search, the sorted index and the weld of a triangle list.
// Not part of the library's interface; the tests reach them here.
#ifndef MESH_RVFILEIOINTERNAL_H
#define MESH_RVFILEIOINTERNAL_H

#include "mesh/RvFileIO.h"

// ---------------------------------------------------------------------------------------------
// Vectors and corner frames.

// Normalises the three doubles at v in place; shorter than 1e-7 becomes (1,0,0).
void NormalizeD(float64* v);

// The dot product of two vectors of three doubles, summed left to right.
float64 DotProduct3D(const float64* vectorA, const float64* vectorB);

// The frame of corner idx (0..2) of *pgon: tan and binorm receive the triangle's frame made
// perpendicular to that corner's normal, norm the widened normal. Triangles whose three u are
// all 0.0 keep the defaults (1,0,0) and (0,0,1).
void ComputeTangentVectorsD(const RvRawTriangle* pgon, int idx, float64* tan, float64* norm, float64* binorm);

// ---------------------------------------------------------------------------------------------
// Weld comparison and search.

// -1 when the first record (the one sought) sorts before the second, 1 after it, 0 when the
// two are to be welded.
typedef int (*PFNRVCOMPARED)(const RvTangentPointD* v0, const RvTangentPointD* v1);

// The weld comparison: positions, normals and texture coordinates within 1e-7 per component,
// tangents and binormals within a cosine of 0.3. Not a strict order.
int RvCompareD(const RvTangentPointD* v0, const RvTangentPointD* v1);

// The sorted index: vertex numbers in comparison order, addressed by rank. Its storage is
// taken once, for `capacity` entries.
struct RvSortedIndex {
    int* entries;
    int count;
};

// Takes room for `capacity` entries; false, with nothing held, when that cannot be had.
bool RvSortedIndexInit(RvSortedIndex* index, int capacity);
// The number of entries held.
int RvSortedIndexCount(const RvSortedIndex* index);
// The vertex number at `rank` (0 <= rank < count).
int RvSortedIndexAt(const RvSortedIndex* index, int rank);
// Puts `vertex` at `rank` (0 <= rank <= count); the entries from there on move one rank up.
// There must be room for one more entry.
void RvSortedIndexInsert(RvSortedIndex* index, int rank, int vertex);
// Gives the storage back; the index is then empty and holds nothing. Also right for an index
// that is zero-initialised or whose RvSortedIndexInit failed.
void RvSortedIndexRelease(RvSortedIndex* index);

// Bisects the first `count` ranks of `indices`, whose entries number records of `data`, for
// `value`. Returns the rank where the search ended; *result receives the last comparison
// there (0 a match, -1 value belongs before that rank, 1 after it; -1 when count is 0).
int RvIndexBinaryTraverseD(const RvTangentPointD* value, const RvTangentPointD* data,
                           const RvSortedIndex* indices, int count, int* result, PFNRVCOMPARED compare);

// ---------------------------------------------------------------------------------------------
// Welding.

// Fills *point from corner v of *tri: widened position, normal and texture coordinate, the
// corner's own frame, count 1.
void RvCopyPointD(const RvRawTriangle* tri, int v, RvTangentPointD* point);

// Welds corner v of *tri into the *num vertices of `point`: adds its frame to the matching
// vertex or appends it as vertex *num (raising *num) and indexes it. Returns the vertex number
// the corner uses. point and sortIndex have room for one more vertex.
int RvInsertD(const RvRawTriangle* tri, int v, int* num, RvSortedIndex* sortIndex, RvTangentPointD* point);

// True when the worst-case weld arrays of numTris triangles (3 x numTris vertices, numbered
// by int) can be sized; numTris is at least 1.
bool RvWeldArraysFit(int numTris);

// Welds all corners of the numTris triangles, triangle by triangle, into `point`, writes each
// triangle's vertex numbers to `indices` and turns every vertex's summed frame into its unit
// average. sortIndex is empty with room for 3 x numTris entries, point has room for as many
// vertices. Returns the number of vertices.
int RvWeldTriangles(int numTris, const RvRawTriangle* tris, RvSortedIndex* sortIndex, RvTangentPointD* point,
                    RvIndex* indices);

#endif
