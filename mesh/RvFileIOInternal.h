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

// The default frame: tangent (1,0,0), binormal (0,0,1).
void RvDefaultFrame(float64* tangent, float64* binormal);

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

// The sorted index: vertex numbers in comparison order, addressed by rank. It is held in
// blocks of up to a thousand-odd entries, listed in rank order, so that an insertion moves
// entries inside one block and the block starts after it, never the whole tail. Beside each
// vertex number it keeps a copy of that vertex's position, which settles most comparisons
// without reading the vertex, and for every block bounds of its x that settle whole runs of
// comparisons at once (see RvSortedIndexZone). Its storage is taken once, for `capacity`
// entries.
struct RvSortedRest {
    float32 y, z;
    int vertex;
};

// One block, in rank order. A NaN x widens the bounds to the infinities.
struct RvSortedBlock {
    int run;             // which run of slots holds it
    int monotone;        // its x never grows from one entry to the next (no NaN)
    float32 low, high;   // bounds of its x
    float32 prefixLow;   // the lowest bound of this block and all before it
    float32 suffixHigh;  // the highest bound of this block and all after it
};

struct RvSortedIndex {
    float32* x;          // the x copies, one run of slots per block
    RvSortedRest* rest;  // the rest of each entry, in the same slots
    float32* sample;     // per run, the x of every 16th slot
    RvSortedBlock* blocks;
    int* first;       // first[b]: the rank of block b's first entry, less groupFirst[b / 64]
    int* groupFirst;  // groupFirst[g]: the rank of block 64 g's first entry
    int* cell;        // cell[c]: a block near rank c * 128, as of the last refresh
    int numBlocks;
    int numCells;
    int sinceRefresh;  // insertions since the cells were refreshed
    int splits;        // blocks split so far
    int staleFrom;     // the lowest rank inserted or moved to another block since then
    int zoneHint;      // the block where the last zone began
    int count;
    int capacity;
};

// Takes room for `capacity` entries; false, with nothing held, when that cannot be had.
bool RvSortedIndexInit(RvSortedIndex* index, int capacity);
// The number of entries held.
int RvSortedIndexCount(const RvSortedIndex* index);
// Where the entry of `rank` (0 <= rank < count) is stored: index->x[slot], index->rest[slot].
std::size_t RvSortedIndexSlot(const RvSortedIndex* index, int rank);
// The vertex number at `rank` (0 <= rank < count).
int RvSortedIndexAt(const RvSortedIndex* index, int rank);
// Puts `vertex`, whose position (three doubles widened from float32) is `position`, at `rank`
// (0 <= rank <= count); the entries from there on move one rank up. There must be room for one
// more entry. Returns the slot where the entry is stored.
std::size_t RvSortedIndexInsert(RvSortedIndex* index, int rank, int vertex, const float64* position);
// Gives the storage back; the index is then empty and holds nothing. Also right for an index
// that is zero-initialised or whose RvSortedIndexInit failed.
void RvSortedIndexRelease(RvSortedIndex* index);
// The ranks whose comparison with a record at x `px` RvCompareD does not settle by x alone:
// every entry below `first` has px - x < -KIV_VERT_TINY (px sorts after it), every entry from
// `end` on has px - x > KIV_VERT_TINY (px sorts before it). Only ranks in between need a look.
struct RvSortedZone {
    int first;
    int end;
    std::size_t slot;  // where rank `first` is stored, while no block has split since
    int stored;        // how many of the zone's ranks are stored one after another from slot
    int splits;        // the index's splits when the zone was found
};

// Finds the zone for px; starts where the last zone began, and fetches the zone's first
// entry ahead of its use.
void RvSortedIndexZone(RvSortedIndex* index, float64 px, RvSortedZone* zone);
// Keeps the zone for px valid after an entry with x `x` was inserted at `rank` and stored at
// `slot`; its slot and stored run stay right unless a block split.
void RvSortedZoneAfterInsert(RvSortedZone* zone, float64 px, int rank, float32 x, std::size_t slot);

// Bisects the first `count` ranks of `indices`, whose entries number records of `data`, for
// `value`. Returns the rank where the search ended; *result receives the last comparison
// there (0 a match, -1 value belongs before that rank, 1 after it; -1 when count is 0).
// With RvCompareD over the whole index the comparisons are settled from the index's position
// copies and x bounds exactly as RvCompareD settles them; only positions that agree read the
// record.
int RvIndexBinaryTraverseD(const RvTangentPointD* value, const RvTangentPointD* data, RvSortedIndex* indices,
                           int count, int* result, PFNRVCOMPARED compare);

// ---------------------------------------------------------------------------------------------
// Welding.

// Fills *point from corner v of *tri: widened position, normal and texture coordinate, the
// corner's own frame, count 1.
void RvCopyPointD(const RvRawTriangle* tri, int v, RvTangentPointD* point);

// RvCopyPointD for the three corners of *tri into points[0..2], the directions they share
// computed once.
void RvCopyCornersD(const RvRawTriangle* tri, RvTangentPointD* points);

// Welds the corner record *pt (made by RvCopyPointD) into the *num vertices of `point`: adds its
// frame to the matching vertex, or copies it to point[*num] (it may already be there), raises
// *num and indexes it. Returns the vertex number the corner uses. point and sortIndex have
// room for one more vertex.
int RvInsertPointD(const RvTangentPointD* pt, int* num, RvSortedIndex* sortIndex, RvTangentPointD* point);

// Welds corner v of *tri, built in point[*num], with RvInsertPointD.
int RvInsertD(const RvRawTriangle* tri, int v, int* num, RvSortedIndex* sortIndex, RvTangentPointD* point);

// Asks the system to back the `bytes` at p, an array of the caller's, with large pages where it
// can: the weld's arrays are big and touched at random, and small pages make both their first
// touch and their address translation slow. Changes nothing else; a no-op where unsupported.
void RvPreferLargePages(void* p, std::size_t bytes);

// True when the worst-case weld arrays of numTris triangles (3 x numTris vertices, numbered
// by int) can be sized; numTris is at least 1.
bool RvWeldArraysFit(int numTris);

// Welds all corners of the numTris triangles, triangle by triangle, into `point`, writes each
// triangle's vertex numbers to `indices` and turns every vertex's summed frame into its unit
// average. sortIndex is empty with room for 3 x numTris entries, point has room for as many
// vertices. Returns the number of vertices. Big lists have their corner records prepared
// ahead on a second thread; the result is the same to the bit.
int RvWeldTriangles(int numTris, const RvRawTriangle* tris, RvSortedIndex* sortIndex, RvTangentPointD* point,
                    RvIndex* indices);

#endif
