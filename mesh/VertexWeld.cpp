// Tolerant welding of triangle corners into distinct vertices through a sorted index searched
// by bisection, and the indexed vertex buffer built from it.
//
// The weld's results depend on every comparison the bisection makes, so everything here that
// saves work (blocks instead of one flat index, comparisons settled from the position copies
// and x bounds kept in the index, corner records prepared ahead on a second thread) settles
// each comparison a bisection over one flat array makes, at the same rank, in the same order,
// with the same outcome.
#include <cassert>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"

namespace {

// Corner records are prepared ahead in chunks of this many triangles, this many chunks ahead.
constexpr int kAheadChunk = 256;
constexpr int kAheadRing = 64;
// The weld asks for the prepared records of the corner this many corners ahead.
constexpr int kFetchAhead = 16;
// The weld finds the zone of the corner this many corners ahead, which fetches the zone's first
// entries, and from those entries, kMatchAhead corners ahead, the vertex the corner will likely
// be compared with in full.
constexpr int kZoneAhead = 4;
constexpr int kMatchAhead = 2;

// -1 when a sorts before b (the larger value first), 1 otherwise; 0 when within `tiny`.
// A difference involving a NaN is never beyond the tolerance.
int CompareComponent(float64 a, float64 b, float64 tiny) {
    if (std::fabs(a - b) > tiny) return a > b ? -1 : 1;
    return 0;
}

// Directions agree when their normalised copies meet at a cosine of at least KIV_TAN_ANGLE;
// otherwise the stored x components order them. na is a's normalised copy.
int CompareNormalisedDirection(const float64* a, const float64* na, const float64* b) {
    float64 nb[3] = {b[0], b[1], b[2]};
    NormalizeD(nb);
    if (DotProduct3D(na, nb) < KIV_TAN_ANGLE) return a[0] > b[0] ? -1 : 1;
    return 0;
}

int CompareDirection(const float64* a, const float64* b) {
    float64 na[3] = {a[0], a[1], a[2]};
    NormalizeD(na);
    return CompareNormalisedDirection(a, na, b);
}

// RvCompareD's tests of normals and texture coordinates.
int CompareSurface(const RvTangentPointD* v0, const RvTangentPointD* v1) {
    int c;
    for (int i = 0; i < 3; ++i) {
        if ((c = CompareComponent(v0->normal[i], v1->normal[i], KIV_NORM_TINY)) != 0) return c;
    }
    for (int i = 0; i < 2; ++i) {
        if ((c = CompareComponent(v0->uv[i], v1->uv[i], KIV_TEX_TINY)) != 0) return c;
    }
    return 0;
}

}  // namespace

int RvCompareD(const RvTangentPointD* v0, const RvTangentPointD* v1) {
    int c;
    for (int i = 0; i < 3; ++i) {
        if ((c = CompareComponent(v0->vertex[i], v1->vertex[i], KIV_VERT_TINY)) != 0) return c;
    }
    if ((c = CompareSurface(v0, v1)) != 0) return c;
    if ((c = CompareDirection(v0->tangent, v1->tangent)) != 0) return c;
    return CompareDirection(v0->binormal, v1->binormal);
}

namespace {

// The bisection over ranks [0, count) as RvIndexBinaryTraverseD makes it. Ranks below
// zoneFirst compare 1 and ranks from zoneEnd on compare -1 without a look; probe(rank, &slot)
// makes the comparison with the entry of any other rank and gives where it is stored. Returns
// the rank where the search ended, with the last comparison in *result and, after a match,
// the matching slot in *slotOut.
template <class Probe>
int Bisect(int count, int zoneFirst, int zoneEnd, const Probe& probe, int* result, std::size_t* slotOut) {
    // Unsigned, so that (low + high) / 2, which is low + (high - low) / 2 for these ranks,
    // cannot overflow, and a rank lies outside the zone when rank - first wraps past its width.
    const unsigned first = static_cast<unsigned>(zoneFirst);
    const unsigned width = static_cast<unsigned>(zoneEnd - zoneFirst);
    unsigned high = static_cast<unsigned>(count);
    unsigned low = 0;
    unsigned mid = high >> 1;
    int r = -1;
    while (low != high) {
        if (mid - first >= width) {
            // Settled by x. Which way is anyone's guess, so the step is taken by masks rather
            // than a branch that would be mispredicted half the time.
            const unsigned after = 0u - static_cast<unsigned>(mid < first);
            low ^= (low ^ mid) & after;
            high = mid ^ ((mid ^ high) & after);
            r = static_cast<int>(after & 2u) - 1;
        } else {
            std::size_t slot;
            r = probe(static_cast<int>(mid), &slot);
            if (r == 0) {
                *slotOut = slot;
                break;
            }
            high = r < 0 ? mid : high;
            low = r < 0 ? low : mid;
        }
        const unsigned nextMid = (low + high) >> 1;
        if (nextMid == mid) break;
        mid = nextMid;
    }
    *result = r;
    return static_cast<int>(mid);
}

// The record being welded, with the normalised copies of its directions that RvCompareD would
// make at every comparison made once.
struct Sought {
    const RvTangentPointD* point;
    float64 tangent[3];
    float64 binormal[3];
    bool normalised;
};

void NormaliseSought(Sought* sought) {
    for (int k = 0; k < 3; ++k) {
        sought->tangent[k] = sought->point->tangent[k];
        sought->binormal[k] = sought->point->binormal[k];
    }
    NormalizeD(sought->tangent);
    NormalizeD(sought->binormal);
    sought->normalised = true;
}

// CompareNormalisedDirection, but without normalising b when the cosine, taken as na . b / |b|,
// is clear of KIV_TAN_ANGLE by far more than the rounding of either way of computing it
// (a few units in the last place, as na and b / |b| are unit vectors).
int CompareDirectionQuickly(const float64* a, const float64* na, const float64* b) {
    constexpr float64 kMargin = 1e-9;
    // Safely above the length below which NormalizeD gives the x axis instead.
    constexpr float64 kLongEnough = 1e-6;
    // The length as NormalizeD takes it, so that b / len is the normalised copy.
    const float64 len = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    if (len >= kLongEnough && len <= std::numeric_limits<float64>::max()) {
        const float64 dot = na[0] * b[0] + na[1] * b[1] + na[2] * b[2];
        if (dot > (KIV_TAN_ANGLE + kMargin) * len) return 0;
        if (dot < (KIV_TAN_ANGLE - kMargin) * len) return a[0] > b[0] ? -1 : 1;
    }
    // Close to the limit, short, huge or not a number: decided exactly.
    return CompareNormalisedDirection(a, na, b);
}

// RvCompareD(sought, v1) once the positions are known to agree.
int CompareSought(Sought* sought, const RvTangentPointD* v1) {
    const RvTangentPointD* v0 = sought->point;
    int c;
    if ((c = CompareSurface(v0, v1)) != 0) return c;
    if (!sought->normalised) NormaliseSought(sought);
    if ((c = CompareDirectionQuickly(v0->tangent, sought->tangent, v1->tangent)) != 0) return c;
    return CompareDirectionQuickly(v0->binormal, sought->binormal, v1->binormal);
}

// RvCompareD for an entry whose x agrees: y and z from the index, the rest from the vertex.
// Out of line, as the rare branch of the hot probe.
__attribute__((noinline)) int ProbeBeyondX(Sought* sought, const RvSortedIndex* index, std::size_t slot,
                                           const RvTangentPointD* data) {
    const RvSortedRest& rest = index->rest[slot];
    int c;
    if ((c = CompareComponent(sought->point->vertex[1], rest.y, KIV_VERT_TINY)) != 0) return c;
    if ((c = CompareComponent(sought->point->vertex[2], rest.z, KIV_VERT_TINY)) != 0) return c;
    return CompareSought(sought, &data[rest.vertex]);
}

// The zone of the index for the sought record; empty for an empty index.
void FindZone(const Sought* sought, RvSortedIndex* index, RvSortedZone* zone) {
    if (index->count == 0) {
        *zone = RvSortedZone{0, 0, 0, 0, 0};
        return;
    }
    RvSortedIndexZone(index, sought->point->vertex[0], zone);
}

// RvIndexBinaryTraverseD with RvCompareD, given the zone for the sought x: the ranks outside it
// are settled by x without a look, and inside it the x copy settles most of the rest.
int WeldSearch(Sought* sought, const RvTangentPointD* data, const RvSortedIndex* index,
               const RvSortedZone& zone, int* result, std::size_t* slotOut) {
    const float64 px = sought->point->vertex[0];
    // The zone knows where its first ranks are stored until a block splits.
    const int storedEnd = zone.splits == index->splits ? zone.first + zone.stored : zone.first;
    auto probe = [=, &zone](int rank, std::size_t* slot) {
        *slot = rank < storedEnd ? zone.slot + static_cast<std::size_t>(rank - zone.first)
                                 : RvSortedIndexSlot(index, rank);
        const float64 x = index->x[*slot];
        if (std::fabs(px - x) > KIV_VERT_TINY) return px > x ? -1 : 1;
        return ProbeBeyondX(sought, index, *slot, data);
    };
    return Bisect(index->count, zone.first, zone.end, probe, result, slotOut);
}

// Where a new vertex went into the sorted index.
struct Added {
    int rank;
    std::size_t slot;
};

// The corner record *pt joins vertex `matched` when compValue is 0; otherwise it becomes vertex
// *num, indexed before (compValue < 0) or after rank pos. Returns the corner's vertex number;
// *added receives the rank and slot of the new entry, rank -1 when the corner joined a vertex.
int JoinOrAdd(const RvTangentPointD* pt, int compValue, int pos, int matched, int* num,
              RvSortedIndex* sortIndex, RvTangentPointD* point, Added* added) {
    if (compValue == 0) {
        for (int k = 0; k < 3; ++k) point[matched].tangent[k] += pt->tangent[k];
        for (int k = 0; k < 3; ++k) point[matched].binormal[k] += pt->binormal[k];
        ++point[matched].count;
        added->rank = -1;
        return matched;
    }
    const int vertex = *num;
    if (pt != &point[vertex]) point[vertex] = *pt;
    added->rank = compValue < 0 ? pos : pos + 1;
    added->slot = RvSortedIndexInsert(sortIndex, added->rank, vertex, pt->vertex);
    ++*num;
    return vertex;
}

// RvInsertPointD for the record of *sought, whose zone in the index as it stands is *zone.
int InsertSought(Sought* sought, const RvSortedZone& zone, int* num, RvSortedIndex* sortIndex,
                 RvTangentPointD* point, Added* added) {
    assert(RvSortedIndexCount(sortIndex) == *num);
    int compValue;
    std::size_t slot;
    const int pos = WeldSearch(sought, point, sortIndex, zone, &compValue, &slot);
    const int matched = compValue == 0 ? sortIndex->rest[slot].vertex : -1;
    return JoinOrAdd(sought->point, compValue, pos, matched, num, sortIndex, point, added);
}

// The zones of the last few x sought, kept valid as entries are added: corners of neighbouring
// triangles share positions, so most x come round again within a few corners.
struct ZoneCache {
    static constexpr int kSize = 8;
    float64 px[kSize];
    RvSortedZone zone[kSize];
    int used;
    int next;
};

// The zone for the sought record, from the cache or found and remembered.
const RvSortedZone& ZoneFor(ZoneCache* cache, const Sought* sought, RvSortedIndex* index) {
    const float64 px = sought->point->vertex[0];
    for (int i = 0; i < cache->used; ++i) {
        if (cache->px[i] == px) return cache->zone[i];
    }
    const int i = cache->next;
    cache->next = (i + 1) % ZoneCache::kSize;
    if (cache->used < ZoneCache::kSize) ++cache->used;
    cache->px[i] = px;
    FindZone(sought, index, &cache->zone[i]);
    return cache->zone[i];
}

// Keeps the cached zones valid after an entry with x `x` was added.
void ZonesAfterAdding(ZoneCache* cache, const Added& added, float32 x) {
    for (int i = 0; i < cache->used; ++i) {
        RvSortedZoneAfterInsert(&cache->zone[i], cache->px[i], added.rank, x, added.slot);
    }
}

// The vertex that the first few entries of the sought record's zone place at its position,
// the one it will most likely be compared with in full; null when there is none. A block
// split since the zone was found may have moved its entries, which makes the answer a worse
// guess, not a wrong vertex: the slots it reads held entries once and are never released.
const RvTangentPointD* LikelyMatch(const RvSortedZone& zone, const Sought* sought, const RvSortedIndex* index,
                                   const RvTangentPointD* point, int num) {
    const float64* p = sought->point->vertex;
    for (int k = 0; k < zone.stored && k < 4; ++k) {
        const RvSortedRest& rest = index->rest[zone.slot + static_cast<std::size_t>(k)];
        if (std::fabs(p[1] - rest.y) <= KIV_VERT_TINY && std::fabs(p[2] - rest.z) <= KIV_VERT_TINY &&
            rest.vertex < num) {
            return &point[rest.vertex];
        }
    }
    return nullptr;
}

// Welds the prepared corner records of `n` triangles in turn (sought[c].point is &corners[c]),
// each triangle's vertex numbers to out. The work on one corner waits on memory at every
// step, so each step is begun corners ahead: the zone of a corner is found kZoneAhead corners
// before its turn (which fetches its first entries), and the vertex it will likely join is
// fetched kMatchAhead corners before.
void InsertSoughtRun(Sought* sought, const RvTangentPointD* corners, int n, ZoneCache* cache, int* num,
                     RvSortedIndex* sortIndex, RvTangentPointD* point, RvIndex* out) {
    n *= 3;
    // The zones of corners c to c + kZoneAhead, at c % kZoneSlots, kept valid as entries are
    // added, like the cache's.
    constexpr int kZoneSlots = kZoneAhead + 1;
    RvSortedZone zones[kZoneSlots];
    for (int c = 0; c < n && c < kZoneSlots; ++c) zones[c] = ZoneFor(cache, &sought[c], sortIndex);
    for (int c = 0; c < n; ++c) {
        // The records were written on the other core; asking for them early hides the transfer.
        if (c + kFetchAhead < n) {
            const char* record = reinterpret_cast<const char*>(&corners[c + kFetchAhead]);
            __builtin_prefetch(&sought[c + kFetchAhead]);
            __builtin_prefetch(record);
            __builtin_prefetch(record + 64);
        }
        // Fetched here rather than in LikelyMatch: the compiler takes a function whose only
        // effect is a fetch for one without effect, and drops the call.
        if (c + kMatchAhead < n) {
            const char* match = reinterpret_cast<const char*>(LikelyMatch(
                zones[(c + kMatchAhead) % kZoneSlots], &sought[c + kMatchAhead], sortIndex, point, *num));
            if (match != nullptr) {
                __builtin_prefetch(match + offsetof(RvTangentPointD, normal));
                __builtin_prefetch(match + offsetof(RvTangentPointD, count));
            }
        }
        Added added;
        out[c / 3].idx[c % 3] =
            InsertSought(&sought[c], zones[c % kZoneSlots], num, sortIndex, point, &added);
        if (added.rank >= 0) {
            const float32 x = static_cast<float32>(sought[c].point->vertex[0]);
            ZonesAfterAdding(cache, added, x);
            for (int k = c + 1; k < n && k < c + kZoneSlots; ++k) {
                RvSortedZoneAfterInsert(&zones[k % kZoneSlots], sought[k].point->vertex[0], added.rank, x,
                                        added.slot);
            }
        }
        if (c + kZoneSlots < n) {
            zones[(c + kZoneSlots) % kZoneSlots] = ZoneFor(cache, &sought[c + kZoneSlots], sortIndex);
        }
    }
}

}  // namespace

int RvIndexBinaryTraverseD(const RvTangentPointD* value, const RvTangentPointD* data, RvSortedIndex* indices,
                           int count, int* result, PFNRVCOMPARED compare) {
    std::size_t slot;
    if (compare == RvCompareD && count == indices->count) {
        Sought sought = {value, {0, 0, 0}, {0, 0, 0}, false};
        RvSortedZone zone;
        FindZone(&sought, indices, &zone);
        return WeldSearch(&sought, data, indices, zone, result, &slot);
    }
    auto probe = [=](int rank, std::size_t* at) {
        *at = RvSortedIndexSlot(indices, rank);
        return compare(value, &data[indices->rest[*at].vertex]);
    };
    return Bisect(count, 0, count, probe, result, &slot);
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

void RvCopyCornersD(const RvRawTriangle* tri, RvTangentPointD* points) {
    const bool noU = RvTriangleHasNoU(tri);
    RvFrameDirections dirs;
    if (!noU) {
        RvTriangleDirections(tri->vert[0].v, tri->vert[1].v, tri->vert[2].v, tri->texCoord[0].uv,
                             tri->texCoord[1].uv, tri->texCoord[2].uv, &dirs);
    }
    for (int v = 0; v < 3; ++v) {
        RvTangentPointD* point = &points[v];
        for (int k = 0; k < 3; ++k) point->vertex[k] = tri->vert[v].v[k];
        for (int k = 0; k < 3; ++k) point->normal[k] = tri->norm[v].v[k];
        point->uv[0] = tri->texCoord[v].u;
        point->uv[1] = tri->texCoord[v].v;
        if (noU) {
            RvDefaultFrame(point->tangent, point->binormal);
        } else {
            RvProjectFrame(&dirs, point->normal, point->tangent, point->binormal);
        }
        point->count = 1;
    }
}

int RvInsertPointD(const RvTangentPointD* pt, int* num, RvSortedIndex* sortIndex, RvTangentPointD* point) {
    assert(RvSortedIndexCount(sortIndex) == *num);
    int compValue;
    const int pos = RvIndexBinaryTraverseD(pt, point, sortIndex, *num, &compValue, RvCompareD);
    const int matched = compValue == 0 ? RvSortedIndexAt(sortIndex, pos) : -1;
    Added added;
    return JoinOrAdd(pt, compValue, pos, matched, num, sortIndex, point, &added);
}

int RvInsertD(const RvRawTriangle* tri, int v, int* num, RvSortedIndex* sortIndex, RvTangentPointD* point) {
    // The candidate is built in the slot after the last vertex, so a new vertex is already in
    // its place.
    RvCopyPointD(tri, v, &point[*num]);
    return RvInsertPointD(&point[*num], num, sortIndex, point);
}

void RvPreferLargePages(void* p, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    // Only whole large pages inside the array are advised.
    const std::uintptr_t large = std::uintptr_t{1} << 21;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(p) + large - 1) & ~(large - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(large - 1);
    if (begin < end) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

bool RvWeldArraysFit(int numTris) {
    if (numTris > INT_MAX / 3) return false;
    const std::size_t corners = static_cast<std::size_t>(numTris) * 3;
    return corners <= SIZE_MAX / sizeof(RvTangentPointD);
}

namespace {

// Corner records of the triangles, prepared chunk by chunk on a second thread while the weld,
// which must take the corners in order, works through the chunks already prepared. Each side
// sleeps only when it must and is woken only when the other has done enough: waking a thread
// costs far more than a chunk of work.
struct CornerRing {
    const RvRawTriangle* tris;
    int numTris;
    int numChunks;
    int ringChunks;            // kAheadRing, or fewer for a short list
    RvTangentPointD* corners;  // ringChunks chunks of 3 x kAheadChunk records
    Sought* sought;            // the same, with their normalised directions
    RvTangentPointD* point;    // the vertex array, room for 3 x numTris records
    std::mutex lock;
    std::condition_variable changed;
    int prepared;        // chunks ready to be welded
    int welded;          // chunks whose slots may be prepared again
    int vertices;        // vertices collected when the last chunk was welded
    bool preparerWaits;  // for half the ring to be free
    bool welderWaits;    // for the next chunk
};

std::size_t ChunkStart(const CornerRing& ring, int chunk) {
    return static_cast<std::size_t>(chunk % ring.ringChunks) * 3 * kAheadChunk;
}

// Has the system put pages under the vertex array from `*done` bytes to a little beyond the
// vertices collected, so that the weld, which writes new vertices there, does not stop to
// have them cleared. The pages hold zeros, as they would on the weld's own first touch. They
// are asked for in whole large pages, as a large page partly filled with small ones cannot
// become one.
void PopulateVertexPages(const CornerRing* ring, int vertices, std::uintptr_t* done) {
#if defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t kLarge = std::uintptr_t{1} << 21;
    constexpr std::uintptr_t kAheadBytes = std::uintptr_t{4} << 20;
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(ring->point);
    const std::uintptr_t end =
        (base + sizeof(RvTangentPointD) * 3 * static_cast<std::size_t>(ring->numTris)) &
        ~std::uintptr_t{4095};
    if (*done == 0) *done = (base + kLarge - 1) & ~(kLarge - 1);
    std::uintptr_t want = base + sizeof(RvTangentPointD) * static_cast<std::size_t>(vertices) + kAheadBytes;
    want = (want + kLarge - 1) & ~(kLarge - 1);
    want = want < end ? want : end;
    if (want <= *done) return;
    madvise(reinterpret_cast<void*>(*done), want - *done, MADV_POPULATE_WRITE);
    *done = want;
#else
    (void)ring;
    (void)vertices;
    (void)done;
#endif
}

void PrepareCorners(CornerRing* ring) {
    std::uintptr_t populated = 0;
    for (int chunk = 0; chunk < ring->numChunks; ++chunk) {
        int vertices;
        {
            std::unique_lock<std::mutex> hold(ring->lock);
            if (chunk - ring->welded >= ring->ringChunks) {
                ring->preparerWaits = true;
                ring->changed.wait(hold, [&] { return chunk - ring->welded <= ring->ringChunks / 2; });
                ring->preparerWaits = false;
            }
            vertices = ring->vertices;
        }
        PopulateVertexPages(ring, vertices, &populated);
        RvTangentPointD* corners = ring->corners + ChunkStart(*ring, chunk);
        Sought* sought = ring->sought + ChunkStart(*ring, chunk);
        const int begin = chunk * kAheadChunk;
        const int end = ring->numTris - begin < kAheadChunk ? ring->numTris : begin + kAheadChunk;
        for (int i = begin; i < end; ++i) {
            const int at = 3 * (i - begin);
            RvCopyCornersD(&ring->tris[i], corners + at);
            for (int j = at; j < at + 3; ++j) {
                sought[j].point = &corners[j];
                NormaliseSought(&sought[j]);
            }
        }
        bool wake;
        {
            std::lock_guard<std::mutex> hold(ring->lock);
            ring->prepared = chunk + 1;
            wake = ring->welderWaits;
        }
        if (wake) ring->changed.notify_one();
    }
}

// Welds with the corner records prepared on a second thread. False, with nothing welded, when
// that thread or its buffer cannot be had.
bool WeldPreparedAhead(int numTris, const RvRawTriangle* tris, RvSortedIndex* sortIndex,
                       RvTangentPointD* point, RvIndex* indices, int* count) {
    CornerRing ring;
    ring.tris = tris;
    ring.numTris = numTris;
    ring.numChunks = (numTris + kAheadChunk - 1) / kAheadChunk;
    ring.ringChunks = ring.numChunks < kAheadRing ? ring.numChunks : kAheadRing;
    ring.point = point;
    ring.prepared = 0;
    ring.welded = 0;
    ring.vertices = 0;
    ring.preparerWaits = false;
    ring.welderWaits = false;
    const std::size_t ringSize = static_cast<std::size_t>(ring.ringChunks) * 3 * kAheadChunk;
    ring.corners = new (std::nothrow) RvTangentPointD[ringSize];
    ring.sought = new (std::nothrow) Sought[ringSize];
    std::thread preparer;
    if (ring.corners != nullptr && ring.sought != nullptr) {
        try {
            preparer = std::thread(PrepareCorners, &ring);
        } catch (const std::system_error&) {
        }
    }
    if (!preparer.joinable()) {
        delete[] ring.corners;
        delete[] ring.sought;
        return false;
    }

    ZoneCache cache;
    cache.used = 0;
    cache.next = 0;
    for (int chunk = 0; chunk < ring.numChunks; ++chunk) {
        {
            std::unique_lock<std::mutex> hold(ring.lock);
            if (ring.prepared <= chunk) {
                ring.welderWaits = true;
                ring.changed.wait(hold, [&] { return ring.prepared > chunk; });
                ring.welderWaits = false;
            }
        }
        const int begin = chunk * kAheadChunk;
        const int end = numTris - begin < kAheadChunk ? numTris : begin + kAheadChunk;
        InsertSoughtRun(ring.sought + ChunkStart(ring, chunk), ring.corners + ChunkStart(ring, chunk),
                        end - begin, &cache, count, sortIndex, point, indices + begin);
        bool wake;
        {
            std::lock_guard<std::mutex> hold(ring.lock);
            ring.welded = chunk + 1;
            ring.vertices = *count;
            wake = ring.preparerWaits && ring.prepared - ring.welded <= ring.ringChunks / 2;
        }
        if (wake) ring.changed.notify_one();
    }
    preparer.join();
    delete[] ring.corners;
    delete[] ring.sought;
    return true;
}

}  // namespace

int RvWeldTriangles(int numTris, const RvRawTriangle* tris, RvSortedIndex* sortIndex, RvTangentPointD* point,
                    RvIndex* indices) {
    int count = 0;
    if (numTris <= kAheadChunk || !WeldPreparedAhead(numTris, tris, sortIndex, point, indices, &count)) {
        for (int i = 0; i < numTris; ++i) {
            for (int j = 0; j < 3; ++j) indices[i].idx[j] = RvInsertD(&tris[i], j, &count, sortIndex, point);
        }
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
    RvPreferLargePages(index, sizeof(RvIndex) * static_cast<std::size_t>(numTris));
    *indices = index;
    RvSortedIndex sortIndex = {};
    if (!RvSortedIndexInit(&sortIndex, static_cast<int>(corners))) return false;
    RvTangentPointD* point = new (std::nothrow) RvTangentPointD[corners];
    if (point == nullptr) {
        RvSortedIndexRelease(&sortIndex);
        return false;
    }
    RvPreferLargePages(point, sizeof(RvTangentPointD) * corners);
    *verts = point;

    *numVerts = RvWeldTriangles(numTris, tris, &sortIndex, point, index);
    RvSortedIndexRelease(&sortIndex);
    return true;
}
