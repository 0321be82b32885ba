// The weld's sorted index: vertex numbers in the order of the weld comparison, each with a copy
// of its vertex's position, searched by bisection. Internal to the mesh module; only
// mesh/SortedIndex.cpp touches the index's storage.
//
// A search ends where a bisection over one flat array of vertex numbers with RvCompareD ends:
// positions are compared from the index's copies, the rest of the comparison is asked of a
// probe. Most positions are settled by x alone, so the ranks whose x lies within the tolerance
// of the sought x are located first, from bounds the index keeps, and only those are looked at.
#ifndef MESH_SORTEDINDEX_H
#define MESH_SORTEDINDEX_H

#include "mesh/RvFileIO.h"

struct RvSortedIndex;

// The sought x as the index compares it: an entry whose x is above `after` puts the sought
// record after it, one whose x is below `before` puts it before it; any other x (NaN among
// them) agrees within the tolerance. Exactly the outcomes of RvCompareD's test of x.
struct RvSortedKey {
    float32 after;
    float32 before;
};

// Where the zone of a key most likely is, as found ahead of the search: the ranks whose
// comparison with the key x alone does not settle. Block and samples say where its first entry
// most likely is; the offsets, when known (else -1), where in that block it begins and ends.
// The rest, when version is not 0, is the search settled by the last step for the key and the
// position's y and z given: the block's version then, the offset in it of the match or of the
// place where the record belongs, and the vertex to ask the probe about there (else -1).
struct RvSortedGuess {
    int block;
    int samples;
    int first;
    int end;
    unsigned version;
    int place;
    int vertex;
    RvSortedKey key;
    float64 y, z;
};

// A guess that knows nothing yet.
constexpr RvSortedGuess kRvSortedNoGuess = {-1, -1, -1, -1, 0, -1, -1, {0, 0}, 0, 0};

// Where a search ended: the vertex matched and its rank, or -1 and the rank where the record
// belongs, which the entries from there on follow.
struct RvSortedFound {
    int rank;
    int vertex;
};

// The comparison of the sought record with vertex `vertex`, whose position agrees with the
// sought position within tolerance: -1, 0 or 1 as RvCompareD.
typedef int (*RvSortedProbe)(void* sought, int vertex);

// The key of x `px` (a double widened from a float, or NaN or infinite).
void RvSortedKeyOf(float64 px, RvSortedKey* key);

// A new, empty index with room for `capacity` entries (capacity > 0); null when that cannot be
// had. Released with RvSortedIndexRelease.
RvSortedIndex* RvSortedIndexCreate(int capacity);

// Gives the index's storage back; null is allowed.
void RvSortedIndexRelease(RvSortedIndex* index);

// Searches the index for the record at `position` (three doubles widened from floats) whose x
// has `key`, starting from *guess: *found receives the match or the place where a bisection
// over one flat array of the entries ends, with low = 0, high = count and mid = (low + high) / 2
// at first, high = mid after -1, low = mid after 1, until a match or a mid that no longer moves.
// probe(sought, vertex) is asked only where the positions agree.
void RvSortedIndexSearch(const RvSortedIndex* index, const RvSortedKey* key, const RvSortedGuess* guess,
                         const float64* position, RvSortedProbe probe, void* sought, RvSortedFound* found);

// Puts `vertex`, at `position` (three doubles widened from floats), at `rank` (0 <= rank <=
// count); the entries from there on move one rank up. There must be room for one more entry.
void RvSortedIndexInsert(RvSortedIndex* index, int rank, int vertex, const float64* position);

// A guess is made in three steps, each taken some time before the next, as each asks for the
// memory the next will read; the index may change in between, which only makes the guess less
// often right. Any guess will do for a search, and the last steps take any guess.

// Step 1: the block where the zone of `key` begins, found from the block and samples of *guess
// (those of a key likely near this one, or any); the rest of *guess is made anew.
void RvSortedIndexFetchBlock(const RvSortedIndex* index, const RvSortedKey* key, RvSortedGuess* guess);

// Step 2: the span of 16 entries in that block where the zone begins.
void RvSortedIndexFetchEntries(const RvSortedIndex* index, const RvSortedKey* key, RvSortedGuess* guess);

// Step 3: where the zone begins and ends in that block, and the search settled when the
// positions there fall in order. Returns the vertex of its first entry whose position agrees
// with `position` within tolerance, the vertex a search will most likely ask the probe about;
// -1 when there is none.
int RvSortedIndexLikelyVertex(const RvSortedIndex* index, const RvSortedKey* key, const float64* position,
                              RvSortedGuess* guess);

#endif
