// Tolerant welding of triangle corners into distinct vertices through a sorted index searched
// by bisection, and the indexed vertex buffer built from it.
//
// The weld's results depend on where the bisection ends, and as the tolerant comparison does
// not order records strictly, that can depend on every comparison it makes. So everything here
// that saves work (the sorted index with its position copies and x bounds, corner records
// prepared ahead) ends where a bisection over one flat array ends: it settles that bisection's
// comparisons at the same ranks with the same outcomes, or, where the outcomes around the
// sought record fall in rank order, finds the one place where every bisection ends.
//
// There is one way through: the triangles are taken in chunks; a chunk's corner records are
// prepared (records, frames, normalised directions, index keys), then its corners are welded in
// order. A list of more than one chunk has its chunks prepared ahead on a second thread; a list
// of one chunk, or one whose thread cannot be had, has each chunk prepared on this thread just
// before it is welded.
#include <cassert>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <thread>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"
#include "mesh/SortedIndex.h"

namespace {

// Corner records are prepared in chunks of this many triangles, up to this many chunks ahead.
constexpr int kChunk = 256;
constexpr int kRingChunks = 64;
// The work on a corner waits on memory at every step, so each step is begun corners ahead: the
// corner's prepared records, written on the other thread and so not in this one's cache, are
// asked for kRecordsAhead corners before the corner's turn, the sorted index's block
// kBlockAhead before, its entries kEntriesAhead before, and the vertex the corner will likely
// be compared with kMatchAhead before.
constexpr int kRecordsAhead = 32;
constexpr int kBlockAhead = 16;
constexpr int kEntriesAhead = 8;
constexpr int kMatchAhead = 4;
// Corner c's guess is guess[c % kGuessRing] from kBlockAhead corners before its turn on.
constexpr int kGuessRing = 32;
static_assert(kMatchAhead < kEntriesAhead && kEntriesAhead < kBlockAhead && kBlockAhead < kGuessRing &&
                  kBlockAhead < kRecordsAhead,
              "look-ahead order");
// The preparing thread has the system back the vertex array this far beyond the vertices
// collected.
constexpr std::size_t kBackedAhead = std::size_t{4} << 20;

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
        if ((c = RvCompareComponent(v0->normal[i], v1->normal[i], KIV_NORM_TINY)) != 0) return c;
    }
    for (int i = 0; i < 2; ++i) {
        if ((c = RvCompareComponent(v0->uv[i], v1->uv[i], KIV_TEX_TINY)) != 0) return c;
    }
    return 0;
}

}  // namespace

int RvCompareD(const RvTangentPointD* v0, const RvTangentPointD* v1) {
    int c;
    for (int i = 0; i < 3; ++i) {
        if ((c = RvCompareComponent(v0->vertex[i], v1->vertex[i], KIV_VERT_TINY)) != 0) return c;
    }
    if ((c = CompareSurface(v0, v1)) != 0) return c;
    if ((c = CompareDirection(v0->tangent, v1->tangent)) != 0) return c;
    return CompareDirection(v0->binormal, v1->binormal);
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

namespace {

// A prepared corner: its record, the normalised copies of its directions that RvCompareD would
// make at every comparison, and its key in the sorted index.
struct Sought {
    const RvTangentPointD* point;
    float64 tangent[3];
    float64 binormal[3];
    RvSortedKey key;
};

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

// What the index's search asks about: the sought record against a vertex at its position.
struct Probing {
    const Sought* sought;
    const RvTangentPointD* point;
};

// RvCompareD(sought, vertex) once the positions are known to agree.
int ProbeVertex(void* probing, int vertex) {
    const Sought* sought = static_cast<const Probing*>(probing)->sought;
    const RvTangentPointD* v0 = sought->point;
    const RvTangentPointD* v1 = &static_cast<const Probing*>(probing)->point[vertex];
    int c;
    if ((c = CompareSurface(v0, v1)) != 0) return c;
    if ((c = CompareDirectionQuickly(v0->tangent, sought->tangent, v1->tangent)) != 0) return c;
    return CompareDirectionQuickly(v0->binormal, sought->binormal, v1->binormal);
}

// Welds one prepared corner into the *num vertices of `point`: adds its frame to the vertex the
// search matches, or makes it vertex *num, indexed where the search ended. Returns the
// corner's vertex number.
int WeldCorner(const Sought& sought, const RvSortedGuess& guess, RvSortedIndex* index, RvTangentPointD* point,
               int* num) {
    const RvTangentPointD* pt = sought.point;
    Probing probing = {&sought, point};
    RvSortedFound found;
    RvSortedIndexSearch(index, &sought.key, &guess, pt->vertex, ProbeVertex, &probing, &found);
    if (found.vertex >= 0) {
        RvTangentPointD& matched = point[found.vertex];
        for (int k = 0; k < 3; ++k) matched.tangent[k] += pt->tangent[k];
        for (int k = 0; k < 3; ++k) matched.binormal[k] += pt->binormal[k];
        ++matched.count;
        return found.vertex;
    }
    const int vertex = (*num)++;
    point[vertex] = *pt;
    RvSortedIndexInsert(index, found.rank, vertex, pt->vertex);
    return vertex;
}

// Welds the `n` prepared corners of a chunk in turn (their records at `corners`, prepared for the
// search at `sought`), each triangle's vertex numbers to out, with every step for a corner begun
// the given number of corners before its turn.
void WeldChunk(const Sought* sought, const RvTangentPointD* corners, int n, RvSortedIndex* index,
               RvTangentPointD* point, int* num, RvIndex* out) {
    RvSortedGuess guess[kGuessRing];
    for (int c = -kBlockAhead; c < n; ++c) {
        const int r = c + kRecordsAhead;
        if (r < n) {
            const char* record = reinterpret_cast<const char*>(&corners[r]);
            __builtin_prefetch(&sought[r]);
            __builtin_prefetch(record);
            __builtin_prefetch(record + sizeof(RvTangentPointD) - 1);
        }
        const int b = c + kBlockAhead;
        if (b < n) {
            // Corners of neighbouring triangles come in turn, so the last corner's block and span
            // are a start; the rest of a guess is made anew.
            RvSortedGuess& next = guess[b % kGuessRing];
            if (b > 0) {
                next.block = guess[(b - 1) % kGuessRing].block;
                next.samples = guess[(b - 1) % kGuessRing].samples;
            } else {
                next = kRvSortedNoGuess;
            }
            RvSortedIndexFetchBlock(index, &sought[b].key, &guess[b % kGuessRing]);
        }
        const int e = c + kEntriesAhead;
        if (e >= 0 && e < n) RvSortedIndexFetchEntries(index, &sought[e].key, &guess[e % kGuessRing]);
        const int m = c + kMatchAhead;
        if (m >= 0 && m < n) {
            const Sought& s = sought[m];
            const int likely =
                RvSortedIndexLikelyVertex(index, &s.key, s.point->vertex, &guess[m % kGuessRing]);
            if (likely >= 0) {
                // Every line from the normal to the count, which the probe and the sum read:
                // three where the record starts late in a line.
                const char* match = reinterpret_cast<const char*>(&point[likely]);
                __builtin_prefetch(match + offsetof(RvTangentPointD, normal));
                __builtin_prefetch(match + offsetof(RvTangentPointD, normal) + kRvCacheLine);
                __builtin_prefetch(match + offsetof(RvTangentPointD, count));
            }
        }
        if (c >= 0) out[c / 3].idx[c % 3] = WeldCorner(sought[c], guess[c % kGuessRing], index, point, num);
    }
}

// The corner records of the triangles, chunk by chunk in a ring of prepared chunks. With a
// second thread preparing, the weld, which must take the corners in order, works through the
// chunks already prepared; each side sleeps only when it must and is woken only when the other
// has done enough: waking a thread costs far more than a chunk of work.
struct CornerRing {
    const RvRawTriangle* tris;
    int numTris;
    int numChunks;
    int ringChunks;            // kRingChunks, or fewer for a short list
    RvTangentPointD* corners;  // 3 x kChunk records per chunk of the ring
    Sought* sought;            // the same records prepared for the search
    RvTangentPointD* point;    // the vertex array, room for 3 x numTris records
    std::uintptr_t backed;     // where the vertex array's pages are backed up to
    std::mutex lock;
    std::condition_variable changed;
    int prepared;        // chunks ready to be welded
    int welded;          // chunks whose slots may be prepared again
    int vertices;        // vertices collected when the last chunk was welded
    bool preparerWaits;  // for half the ring to be free
    bool welderWaits;    // for the next chunk
};

std::size_t ChunkStart(const CornerRing& ring, int chunk) {
    return static_cast<std::size_t>(chunk % ring.ringChunks) * 3 * kChunk;
}

int ChunkEnd(const CornerRing& ring, int chunk) {
    const int begin = chunk * kChunk;
    return ring.numTris - begin < kChunk ? ring.numTris : begin + kChunk;
}

// Prepares the corners of `chunk` in its place in the ring. The pages of the vertex array a
// little beyond the `vertices` collected are backed first, so that the weld, which writes new
// vertices there, does not stop to have them cleared.
void PrepareChunk(CornerRing* ring, int chunk, int vertices) {
    RvBackPagesAhead(ring->point, sizeof(RvTangentPointD) * 3 * static_cast<std::size_t>(ring->numTris),
                     sizeof(RvTangentPointD) * static_cast<std::size_t>(vertices) + kBackedAhead,
                     &ring->backed);
    RvTangentPointD* corners = ring->corners + ChunkStart(*ring, chunk);
    Sought* sought = ring->sought + ChunkStart(*ring, chunk);
    const int begin = chunk * kChunk;
    const int end = ChunkEnd(*ring, chunk);
    for (int i = begin; i < end; ++i) {
        const int at = 3 * (i - begin);
        RvCopyCornersD(&ring->tris[i], corners + at);
        for (int j = at; j < at + 3; ++j) {
            Sought& s = sought[j];
            s.point = &corners[j];
            for (int k = 0; k < 3; ++k) s.tangent[k] = corners[j].tangent[k];
            for (int k = 0; k < 3; ++k) s.binormal[k] = corners[j].binormal[k];
            NormalizeD(s.tangent);
            NormalizeD(s.binormal);
            RvSortedKeyOf(corners[j].vertex[0], &s.key);
        }
    }
}

// The second thread: prepares every chunk, up to the ring's size ahead of the weld.
void PrepareAhead(CornerRing* ring) {
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
        PrepareChunk(ring, chunk, vertices);
        bool wake;
        {
            std::lock_guard<std::mutex> hold(ring->lock);
            ring->prepared = chunk + 1;
            wake = ring->welderWaits;
        }
        if (wake) ring->changed.notify_one();
    }
}

void WaitForChunk(CornerRing* ring, int chunk) {
    std::unique_lock<std::mutex> hold(ring->lock);
    if (ring->prepared <= chunk) {
        ring->welderWaits = true;
        ring->changed.wait(hold, [&] { return ring->prepared > chunk; });
        ring->welderWaits = false;
    }
}

void ChunkWelded(CornerRing* ring, int chunk, int vertices) {
    bool wake;
    {
        std::lock_guard<std::mutex> hold(ring->lock);
        ring->welded = chunk + 1;
        ring->vertices = vertices;
        wake = ring->preparerWaits && ring->prepared - ring->welded <= ring->ringChunks / 2;
    }
    if (wake) ring->changed.notify_one();
}

}  // namespace

bool RvWeldTriangles(int numTris, const RvRawTriangle* tris, RvSortedIndex* sortIndex, RvTangentPointD* point,
                     RvIndex* indices, int* numVerts) {
    CornerRing ring;
    ring.tris = tris;
    ring.numTris = numTris;
    ring.numChunks = (numTris + kChunk - 1) / kChunk;
    ring.ringChunks = ring.numChunks < kRingChunks ? ring.numChunks : kRingChunks;
    ring.point = point;
    ring.backed = 0;
    ring.prepared = 0;
    ring.welded = 0;
    ring.vertices = 0;
    ring.preparerWaits = false;
    ring.welderWaits = false;
    // A ring shorter than a chunk for a short list.
    const int ringTris = numTris < ring.ringChunks * kChunk ? numTris : ring.ringChunks * kChunk;
    const std::size_t ringSize = 3 * static_cast<std::size_t>(ringTris);
    ring.corners = new (std::nothrow) RvTangentPointD[ringSize];
    ring.sought = new (std::nothrow) Sought[ringSize];
    if (ring.corners == nullptr || ring.sought == nullptr) {
        delete[] ring.corners;
        delete[] ring.sought;
        return false;
    }
    std::thread preparer;
    if (ring.numChunks > 1) {
        try {
            preparer = std::thread(PrepareAhead, &ring);
        } catch (const std::exception&) {
            // Without the thread every chunk is prepared here, just before it is welded.
        }
    }
    const bool ahead = preparer.joinable();

    int count = 0;
    for (int chunk = 0; chunk < ring.numChunks; ++chunk) {
        if (ahead) {
            WaitForChunk(&ring, chunk);
        } else {
            PrepareChunk(&ring, chunk, count);
        }
        const int begin = chunk * kChunk;
        WeldChunk(ring.sought + ChunkStart(ring, chunk), ring.corners + ChunkStart(ring, chunk),
                  3 * (ChunkEnd(ring, chunk) - begin), sortIndex, point, &count, indices + begin);
        if (ahead) ChunkWelded(&ring, chunk, count);
    }
    if (ahead) preparer.join();
    delete[] ring.corners;
    delete[] ring.sought;

    // Dividing by the count first makes the length test of NormalizeD apply to the average.
    for (int n = 0; n < count; ++n) {
        const float64 corners = point[n].count;
        for (int k = 0; k < 3; ++k) point[n].tangent[k] = point[n].tangent[k] / corners;
        NormalizeD(point[n].tangent);
        for (int k = 0; k < 3; ++k) point[n].binormal[k] = point[n].binormal[k] / corners;
        NormalizeD(point[n].binormal);
    }
    *numVerts = count;
    return true;
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
    RvSortedIndex* sortIndex = RvSortedIndexCreate(static_cast<int>(corners));
    if (sortIndex == nullptr) return false;
    RvTangentPointD* point = new (std::nothrow) RvTangentPointD[corners];
    if (point == nullptr) {
        RvSortedIndexRelease(sortIndex);
        return false;
    }
    RvPreferLargePages(point, sizeof(RvTangentPointD) * corners);
    *verts = point;

    const bool welded = RvWeldTriangles(numTris, tris, sortIndex, point, index, numVerts);
    RvSortedIndexRelease(sortIndex);
    return welded;
}
