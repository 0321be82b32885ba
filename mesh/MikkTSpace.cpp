// MikkTSpace tangents of a triangle list.
//
// The method: corners equal in position, normal and texture coordinate are one vertex. Around
// each vertex, triangles that share an edge and map texture space with the same orientation
// form a group (a triangle without texture area takes the orientation of the first group that
// reaches it). Each corner's tangent is the average of the u directions of its group's
// triangles, each made perpendicular to the vertex normal and weighted by the triangle's angle
// at the vertex; triangles whose u or v directions oppose each other are kept apart.
//
// To give the published implementation's floats, every float operation is done in its order
// (products summed x, y, z; a reciprocal multiplied in to normalise; sums in triangle order),
// without contraction. The passes are laid out for memory instead: corners welded through a
// hash table while a second thread finds each triangle's texture derivatives; the corners of
// each vertex listed in one contiguous fan; and each fan settled on its own, its edges matched
// inside it, on two threads. Only fans that hold a triangle without texture derivatives are
// settled in the implementation's global order, since there the order decides.
#include "mesh/MikkTSpace.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <thread>

#include "mesh/RvFileIOInternal.h"

namespace {

// Triangle flags.
constexpr std::uint32_t kDegenerate = 1;        // two corners at one position
constexpr std::uint32_t kGroupWithAny = 2;      // no usable texture derivatives
constexpr std::uint32_t kOrientPreserving = 4;  // texture space keeps the winding
constexpr std::uint32_t kJoined = 8;            // a corner is in a group (settling in order)

// The cosine of the method's 180 degree angle threshold, rounded to float.
constexpr float kThresholdCos = -1.0f;

// Lists from this size on are shared with a second thread.
constexpr int kParallelTriangles = 4096;

// How many vertices a thread settles before it takes more.
constexpr int kSettleRun = 2048;

// How many fan corners ahead of the one being settled are fetched.
constexpr int kFetchAhead = 48;

// Groups larger than this check their directions against a common one before pair by pair.
constexpr int kPairwiseGroup = 32;

struct Vec3 {
    float x, y, z;
};

Vec3 Load(const RvRawPoint& p) { return {p.x, p.y, p.z}; }
Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Scale(float s, Vec3 v) { return {s * v.x, s * v.y, s * v.z}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
bool NotZero(float x) { return std::fabs(x) > FLT_MIN; }
bool VNotZero(Vec3 v) { return NotZero(v.x) | NotZero(v.y) | NotZero(v.z); }
bool Equal(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Unit length, unless no component is above the smallest normal float. Scaling by 1 leaves
// a vector as it is, so the choice is of the factor, which loops over vectors can make for
// several at once.
Vec3 Normalized(Vec3 v) {
    const float reciprocal = 1.0f / std::sqrt(Dot(v, v));
    return Scale(VNotZero(v) ? reciprocal : 1.0f, v);
}

// v made perpendicular to the unit normal n, then of unit length.
Vec3 Projected(Vec3 v, Vec3 n) { return Normalized(Sub(v, Scale(Dot(n, v), n))); }

// ---------------------------------------------------------------------------------------------
// The working arrays.

// What a triangle contributes at one of its corners: its unit texture derivatives (turned to
// the orientation of its mapping) made perpendicular to the corner's normal, its angle there in
// the normal's plane, and its flags.
struct alignas(32) CornerFrame {
    Vec3 s, t;
    float angle;
    std::uint32_t flags;
};

// A corner's identity: position, normal and texture coordinate, -0 read as +0, so that equal
// corners have equal bits.
struct alignas(32) CornerKey {
    std::uint64_t w[4];
};

struct Work {
    int numTris;
    const RvRawTriangle* tris;
    float* tangents;

    int* vertexOf;               // per corner
    CornerFrame* frames;         // per corner
    std::uint8_t* flags;         // per triangle
    std::atomic<int> nextChunk;  // the next block of triangles whose corner frames are wanted
    int numVerts;
    CornerKey* keys;       // per vertex
    std::uint64_t* table;  // hash slots: (hash >> 32) << 32 | (vertex + 1), 0 when empty
    std::size_t tableMask;
    int* fanStart;  // per vertex and one more: where its fan begins in `fan` (the weld counts in it)
    int* fan;       // the corners of the triangles with area, by vertex, in list order
    int maxFan;
    std::uint8_t* deferred;  // per vertex: its fan is settled in order
};

void ReleaseWork(Work* w) {
    delete[] w->vertexOf;
    delete[] w->frames;
    delete[] w->flags;
    delete[] w->keys;
    delete[] w->table;
    delete[] w->fanStart;
    delete[] w->fan;
    delete[] w->deferred;
}

// Runs part(0) and part(1), on two threads when `parallel` and a thread can be had.
template <typename Part>
void RunParts(bool parallel, Part part) {
    std::thread second;
    if (parallel) {
        try {
            second = std::thread(part, 1);
        } catch (const std::exception&) {
        }
    }
    part(0);
    if (second.joinable()) {
        second.join();
    } else {
        part(1);
    }
}

bool Degenerate(const RvRawTriangle& tri) {
    const Vec3 p0 = Load(tri.vert[0]), p1 = Load(tri.vert[1]), p2 = Load(tri.vert[2]);
    return Equal(p0, p1) || Equal(p0, p2) || Equal(p1, p2);
}

// ---------------------------------------------------------------------------------------------
// Welding.

std::uint64_t Bits(float a, float b) {
    // Adding +0 turns -0 into +0 and leaves every other number alone.
    a += 0.0f;
    b += 0.0f;
    std::uint32_t ua, ub;
    std::memcpy(&ua, &a, 4);
    std::memcpy(&ub, &b, 4);
    return static_cast<std::uint64_t>(ua) | static_cast<std::uint64_t>(ub) << 32;
}

void MakeKey(const RvRawTriangle& tri, int k, CornerKey* key) {
    key->w[0] = Bits(tri.vert[k].x, tri.vert[k].y);
    key->w[1] = Bits(tri.vert[k].z, tri.norm[k].x);
    key->w[2] = Bits(tri.norm[k].y, tri.norm[k].z);
    key->w[3] = Bits(tri.texCoord[k].u, tri.texCoord[k].v);
}

std::uint64_t HashKey(const CornerKey& key) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (std::uint64_t word : key.w) {
        h = (h ^ word) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 32);
}

bool SameKey(const CornerKey& a, const CornerKey& b) {
    return a.w[0] == b.w[0] && a.w[1] == b.w[1] && a.w[2] == b.w[2] && a.w[3] == b.w[3];
}

void PutSlot(std::uint64_t* table, std::size_t mask, std::uint64_t hash, int vertex) {
    std::size_t i = hash & mask;
    while (table[i] != 0) i = (i + 1) & mask;
    table[i] = (hash >> 32) << 32 | static_cast<std::uint64_t>(vertex + 1);
}

// Doubles the table; false when the room cannot be had.
bool GrowTable(Work* w) {
    const std::size_t size = (w->tableMask + 1) * 2;
    std::uint64_t* table = new (std::nothrow) std::uint64_t[size]();
    if (table == nullptr) return false;
    for (int v = 0; v < w->numVerts; ++v) PutSlot(table, size - 1, HashKey(w->keys[v]), v);
    delete[] w->table;
    w->table = table;
    w->tableMask = size - 1;
    return true;
}

// The vertex of `key`, numbered anew (with no corners counted) when it is the first of its
// kind; -1 when the table cannot grow.
int VertexOf(Work* w, const CornerKey& key, std::uint64_t hash) {
    const std::uint64_t tag = hash >> 32;
    std::size_t i = hash & w->tableMask;
    for (;;) {
        const std::uint64_t slot = w->table[i];
        if (slot == 0) break;
        const int vertex = static_cast<int>(slot & 0xFFFFFFFFu) - 1;
        if ((slot >> 32) == tag && SameKey(w->keys[vertex], key)) return vertex;
        i = (i + 1) & w->tableMask;
    }
    const int vertex = w->numVerts++;
    w->keys[vertex] = key;
    w->fanStart[vertex] = 0;
    w->table[i] = tag << 32 | static_cast<std::uint64_t>(vertex + 1);
    if (static_cast<std::size_t>(w->numVerts) * 2 > w->tableMask + 1 && !GrowTable(w)) return -1;
    return vertex;
}

// Numbers the vertices in order of first appearance and counts, in fanStart, each vertex's
// corners on triangles with area. False for a number that is not finite or a table that
// cannot grow.
bool WeldCorners(Work* w) {
    // Keys and hashes are made a block ahead, so that the table's slots can be fetched early.
    constexpr int kBlock = 32;
    CornerKey keys[kBlock * 3];
    std::uint64_t hashes[kBlock * 3];
    for (int first = 0; first < w->numTris; first += kBlock) {
        const int count = std::min(kBlock, w->numTris - first);
        for (int i = 0; i < count; ++i) {
            const RvRawTriangle& tri = w->tris[first + i];
            if (!RvTriangleIsFinite(&tri)) return false;
            for (int k = 0; k < 3; ++k) {
                MakeKey(tri, k, &keys[3 * i + k]);
                hashes[3 * i + k] = HashKey(keys[3 * i + k]);
                __builtin_prefetch(&w->table[hashes[3 * i + k] & w->tableMask]);
            }
        }
        for (int i = 0; i < count; ++i) {
            const int f = first + i;
            const bool degenerate = Degenerate(w->tris[f]);
            for (int k = 0; k < 3; ++k) {
                const int vertex = VertexOf(w, keys[3 * i + k], hashes[3 * i + k]);
                if (vertex < 0) return false;
                w->vertexOf[3 * f + k] = vertex;
                if (!degenerate) ++w->fanStart[vertex];
            }
        }
    }
    return true;
}

// How many triangles are framed together.
constexpr int kFrameBlock = 64;

// The corners of a block of triangles, coordinate by coordinate, so that the compiler can make
// the projections of several corners at once: per corner its normal and the four vectors made
// perpendicular to it: the triangle's derivatives s and t, and its edges to the previous and
// the next corner.
struct CornerLanes {
    float nx[3 * kFrameBlock], ny[3 * kFrameBlock], nz[3 * kFrameBlock];
    float x[4][3 * kFrameBlock], y[4][3 * kFrameBlock], z[4][3 * kFrameBlock];
};

// Makes vector `which` of the first `count` corners perpendicular to its normal and unit.
void ProjectLanes(int count, CornerLanes* lanes, int which) {
    float* x = lanes->x[which];
    float* y = lanes->y[which];
    float* z = lanes->z[which];
    for (int i = 0; i < count; ++i) {
        const Vec3 p = Projected({x[i], y[i], z[i]}, {lanes->nx[i], lanes->ny[i], lanes->nz[i]});
        x[i] = p.x, y[i] = p.y, z[i] = p.z;
    }
}

void PutLane(CornerLanes* lanes, int which, int i, Vec3 v) {
    lanes->x[which][i] = v.x, lanes->y[which][i] = v.y, lanes->z[which][i] = v.z;
}

Vec3 GetLane(const CornerLanes* lanes, int which, int i) {
    return {lanes->x[which][i], lanes->y[which][i], lanes->z[which][i]};
}

// The flags of triangle f and the vectors of its corners, before projection.
void FrameTriangle(Work* w, int f, CornerLanes* lanes, int lane) {
    const RvRawTriangle& tri = w->tris[f];
    const Vec3 p[3] = {Load(tri.vert[0]), Load(tri.vert[1]), Load(tri.vert[2])};
    const float t21x = tri.texCoord[1].u - tri.texCoord[0].u;
    const float t21y = tri.texCoord[1].v - tri.texCoord[0].v;
    const float t31x = tri.texCoord[2].u - tri.texCoord[0].u;
    const float t31y = tri.texCoord[2].v - tri.texCoord[0].v;
    const Vec3 d1 = Sub(p[1], p[0]), d2 = Sub(p[2], p[0]);
    const float signedArea = t21x * t31y - t21y * t31x;
    const Vec3 os = Sub(Scale(t31y, d1), Scale(t21y, d2));
    const Vec3 ot = Add(Scale(-t31x, d1), Scale(t21x, d2));

    std::uint32_t flags =
        kGroupWithAny | (signedArea > 0 ? kOrientPreserving : 0) | (Degenerate(tri) ? kDegenerate : 0);
    Vec3 s = {0, 0, 0}, t = {0, 0, 0};
    if (NotZero(signedArea)) {
        const float absArea = std::fabs(signedArea);
        const float lenS = std::sqrt(Dot(os, os)), lenT = std::sqrt(Dot(ot, ot));
        const float sign = (flags & kOrientPreserving) != 0 ? 1.0f : -1.0f;
        if (NotZero(lenS)) s = Scale(sign / lenS, os);
        if (NotZero(lenT)) t = Scale(sign / lenT, ot);
        if (NotZero(lenS / absArea) && NotZero(lenT / absArea)) flags &= ~kGroupWithAny;
    }
    w->flags[f] = static_cast<std::uint8_t>(flags);
    for (int k = 0; k < 3; ++k) {
        const int i = lane + k;
        lanes->nx[i] = tri.norm[k].x, lanes->ny[i] = tri.norm[k].y, lanes->nz[i] = tri.norm[k].z;
        PutLane(lanes, 0, i, s);
        PutLane(lanes, 1, i, t);
        PutLane(lanes, 2, i, Sub(p[k > 0 ? k - 1 : 2], p[k]));
        PutLane(lanes, 3, i, Sub(p[k < 2 ? k + 1 : 0], p[k]));
    }
}

// The flags and corner frames of the triangles from `first` to `end`, at most a block.
void FrameBlock(Work* w, int first, int end, CornerLanes* lanes) {
    const int corners = 3 * (end - first);
    for (int f = first; f < end; ++f) FrameTriangle(w, f, lanes, 3 * (f - first));
    for (int which = 0; which < 4; ++which) ProjectLanes(corners, lanes, which);
    for (int i = 0; i < corners; ++i) {
        float cosine = Dot(GetLane(lanes, 2, i), GetLane(lanes, 3, i));
        cosine = cosine > 1 ? 1 : (cosine < -1 ? -1 : cosine);
        CornerFrame& frame = w->frames[3 * first + i];
        frame.s = GetLane(lanes, 0, i);
        frame.t = GetLane(lanes, 1, i);
        frame.angle = static_cast<float>(std::acos(static_cast<double>(cosine)));
        frame.flags = w->flags[first + i / 3];
    }
}

// Frames the triangles chunk by chunk, taking the next free chunk until none is left; a
// chunk's frames are the same whichever thread makes them.
void FrameTriangles(Work* w) {
    constexpr int kChunk = 4096;
    CornerLanes lanes;
    for (;;) {
        const int first = w->nextChunk.fetch_add(kChunk);
        if (first >= w->numTris) return;
        const int end = first + std::min(kChunk, w->numTris - first);
        for (int block = first; block < end; block += kFrameBlock) {
            FrameBlock(w, block, std::min(end, block + kFrameBlock), &lanes);
        }
    }
}

// Turns the counts into the ends of the fans; returns how many corners they hold.
int EndFans(Work* w) {
    int end = 0;
    w->maxFan = 0;
    for (int v = 0; v < w->numVerts; ++v) {
        w->maxFan = std::max(w->maxFan, w->fanStart[v]);
        end += w->fanStart[v];
        w->fanStart[v] = end;
    }
    w->fanStart[w->numVerts] = end;
    return end;
}

// Lists every vertex's corners in its fan, in list order, moving each fan's end to its start.
void ListFans(Work* w) {
    for (int corner = 3 * w->numTris - 1; corner >= 0; --corner) {
        if ((w->flags[corner / 3] & kDegenerate) == 0) w->fan[--w->fanStart[w->vertexOf[corner]]] = corner;
    }
}

// ---------------------------------------------------------------------------------------------
// Tangents.

// What a triangle contributes at one corner.
struct FanCorner {
    Vec3 s, t;            // the triangle's derivatives, made perpendicular to the normal
    float angle;          // the triangle's angle at the corner, in the normal's plane
    int corner;           // 3 x triangle + corner
    int prev, next;       // the vertices of the triangle's corners before and after this one
    std::uint32_t flags;  // the triangle's
};

void MakeFanCorner(const Work* w, int corner, FanCorner* out) {
    const int f = corner / 3, k = corner % 3;
    const CornerFrame& frame = w->frames[corner];
    out->s = frame.s;
    out->t = frame.t;
    out->angle = frame.angle;
    out->corner = corner;
    out->prev = w->vertexOf[3 * f + (k > 0 ? k - 1 : 2)];
    out->next = w->vertexOf[3 * f + (k < 2 ? k + 1 : 0)];
    out->flags = frame.flags;
}

// A unit vector perpendicular to `normal` for corners without a frame: the x axis made
// perpendicular to it, or the y axis when the normal is within 26 degrees of x.
Vec3 FallbackTangent(const RvRawPoint& normal) {
    const double len =
        std::sqrt(double(normal.x) * normal.x + double(normal.y) * normal.y + double(normal.z) * normal.z);
    if (!(len > 0) || !std::isfinite(len)) return {1, 0, 0};
    const double n[3] = {normal.x / len, normal.y / len, normal.z / len};
    const int axis = std::fabs(n[0]) < 0.9 ? 0 : 1;
    double t[3];
    for (int k = 0; k < 3; ++k) t[k] = (k == axis ? 1.0 : 0.0) - n[axis] * n[k];
    const double tLen = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
    return {float(t[0] / tLen), float(t[1] / tLen), float(t[2] / tLen)};
}

// Writes corner `corner`'s tangent, or the fallback when `tangent` is not of unit length.
void PutTangent(const Work* w, int corner, Vec3 tangent, float sign) {
    const float lengthSq = Dot(tangent, tangent);
    if (!(std::fabs(lengthSq - 1.0f) <= 1e-3f))
        tangent = FallbackTangent(w->tris[corner / 3].norm[corner % 3]);
    float* out = w->tangents + 4 * static_cast<std::size_t>(corner);
    out[0] = tangent.x;
    out[1] = tangent.y;
    out[2] = tangent.z;
    out[3] = sign;
}

float SignOf(std::uint32_t flags) { return (flags & kOrientPreserving) != 0 ? 1.0f : -1.0f; }

bool Usable(const FanCorner& c) { return (c.flags & kGroupWithAny) == 0; }

// Two corners of a group may share a tangent unless their u or their v directions oppose.
bool Compatible(const FanCorner& a, const FanCorner& b) {
    return Dot(a.s, b.s) > kThresholdCos && Dot(a.t, b.t) > kThresholdCos;
}

// A shortcut for big groups: true when every unit direction `dir` of the usable corners lies
// well inside the half space around their sum, so that no two of them can oppose, even after
// rounding. Shorter directions (never normalised) cannot oppose anything.
bool InOneHalfSpace(const FanCorner* fan, const int* members, int n, Vec3 FanCorner::*dir) {
    double sum[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
        const Vec3& d = fan[members[i]].*dir;
        if (!Usable(fan[members[i]])) continue;
        sum[0] += d.x, sum[1] += d.y, sum[2] += d.z;
    }
    const double len = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    if (!(len > 0)) return false;
    for (int i = 0; i < n; ++i) {
        const Vec3& d = fan[members[i]].*dir;
        if (!Usable(fan[members[i]]) || double(Dot(d, d)) < 0.25) continue;
        if (!((d.x * sum[0] + d.y * sum[1] + d.z * sum[2]) / len >= 0.01)) return false;
    }
    return true;
}

bool AllCompatible(const FanCorner* fan, const int* members, int n) {
    if (n > kPairwiseGroup && InOneHalfSpace(fan, members, n, &FanCorner::s) &&
        InOneHalfSpace(fan, members, n, &FanCorner::t)) {
        return true;
    }
    for (int i = 0; i < n; ++i) {
        if (!Usable(fan[members[i]])) continue;
        for (int j = i + 1; j < n; ++j) {
            if (Usable(fan[members[j]]) && !Compatible(fan[members[i]], fan[members[j]])) return false;
        }
    }
    return true;
}

// The angle-weighted sum of the u directions of the usable corners of `subset`, in triangle
// order, made unit.
Vec3 AverageTangent(const FanCorner* fan, const int* subset, int n) {
    Vec3 sum = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
        const FanCorner& c = fan[subset[i]];
        if (Usable(c)) sum = Add(sum, Scale(c.angle, c.s));
    }
    return Normalized(sum);
}

// Settles one group of fan corners, `members` in triangle order, all of orientation `sign`:
// each corner averages over the members whose directions do not oppose its own.
void SettleGroup(const Work* w, const FanCorner* fan, const int* members, int n, float sign, int* subset) {
    if (AllCompatible(fan, members, n)) {
        const Vec3 tangent = AverageTangent(fan, members, n);
        for (int i = 0; i < n; ++i) PutTangent(w, fan[members[i]].corner, tangent, sign);
        return;
    }
    for (int i = 0; i < n; ++i) {
        const FanCorner& self = fan[members[i]];
        int count = 0;
        for (int j = 0; j < n; ++j) {
            const FanCorner& other = fan[members[j]];
            if (!Usable(self) || !Usable(other) || i == j || Compatible(self, other))
                subset[count++] = members[j];
        }
        PutTangent(w, self.corner, AverageTangent(fan, subset, count), sign);
    }
}

// Room for settling one fan; every array has room for the largest fan.
struct FanScratch {
    FanCorner* corners;
    std::uint64_t* edges;  // two per corner: (other vertex) << 32 | (place in the fan) << 1 | inward
    int* left;             // per corner: the fan corner across the edge to the next corner, or -1
    int* right;            // the same across the edge from the previous corner
    int* group;            // per corner
    int* stack;
    int* members;
    int* subset;
};

bool InitScratch(FanScratch* s, int maxFan) {
    const std::size_t n = static_cast<std::size_t>(maxFan) + 1;
    s->corners = new (std::nothrow) FanCorner[n];
    s->edges = new (std::nothrow) std::uint64_t[2 * n];
    s->left = new (std::nothrow) int[6 * n];
    if (s->left != nullptr) {
        s->right = s->left + n;
        s->group = s->right + n;
        s->stack = s->group + n;
        s->members = s->stack + n;
        s->subset = s->members + n;
    }
    return s->corners != nullptr && s->edges != nullptr && s->left != nullptr;
}

void ReleaseScratch(FanScratch* s) {
    delete[] s->corners;
    delete[] s->edges;
    delete[] s->left;
}

// Finds, for each of the k corners of a fan, the fan corners across its two edges at the
// vertex. An edge pairs with one of the opposite direction; where more than two triangles
// share an edge, each, in triangle order, takes the first later free one, as the method does.
void LinkFan(const FanCorner* fan, int k, FanScratch* s) {
    for (int j = 0; j < k; ++j) {
        s->left[j] = s->right[j] = -1;
        const std::uint64_t entry = static_cast<std::uint64_t>(j) << 1;
        s->edges[2 * j] = static_cast<std::uint64_t>(static_cast<std::uint32_t>(fan[j].next)) << 32 | entry;
        s->edges[2 * j + 1] =
            static_cast<std::uint64_t>(static_cast<std::uint32_t>(fan[j].prev)) << 32 | entry | 1;
    }
    std::sort(s->edges, s->edges + 2 * k);
    for (int a = 0; a < 2 * k; ++a) {
        const std::uint64_t ea = s->edges[a];
        const int ja = static_cast<int>((ea & 0xFFFFFFFFu) >> 1);
        const bool inA = (ea & 1) != 0;
        if ((inA ? s->right[ja] : s->left[ja]) != -1) continue;
        for (int b = a + 1; b < 2 * k && (s->edges[b] >> 32) == (ea >> 32); ++b) {
            const std::uint64_t eb = s->edges[b];
            const int jb = static_cast<int>((eb & 0xFFFFFFFFu) >> 1);
            const bool inB = (eb & 1) != 0;
            if (inB == inA || (inB ? s->right[jb] : s->left[jb]) != -1) continue;
            (inA ? s->right[ja] : s->left[ja]) = jb;
            (inB ? s->right[jb] : s->left[jb]) = ja;
            break;
        }
    }
}

// Settles the fan of vertex v, unless marked for settling in order: all its triangles have
// usable texture derivatives, so its groups are the sets of corners joined across edges with
// the same orientation, whatever the order.
void SettleFan(const Work* w, int v, FanScratch* s) {
    if (w->deferred[v]) return;
    const int start = w->fanStart[v], k = w->fanStart[v + 1] - start;
    FanCorner* fan = s->corners;
    for (int j = 0; j < k; ++j) MakeFanCorner(w, w->fan[start + j], &fan[j]);
    LinkFan(fan, k, s);
    for (int j = 0; j < k; ++j) s->group[j] = -1;
    for (int j = 0; j < k; ++j) {
        if (s->group[j] != -1) continue;
        const std::uint32_t orient = fan[j].flags & kOrientPreserving;
        int n = 0, top = 0;
        s->group[j] = j;
        s->stack[top++] = j;
        while (top > 0) {
            const int e = s->stack[--top];
            s->members[n++] = e;
            for (int nb : {s->left[e], s->right[e]}) {
                if (nb >= 0 && s->group[nb] == -1 && (fan[nb].flags & kOrientPreserving) == orient) {
                    s->group[nb] = j;
                    s->stack[top++] = nb;
                }
            }
        }
        std::sort(s->members, s->members + n);
        SettleGroup(w, fan, s->members, n, SignOf(orient), s->subset);
    }
}

// Asks for what settling a corner reads and writes, in the order of the fans, ahead of its use:
// in a list that is not in surface order, each corner's triangle is anywhere.
void FetchCorner(const Work* w, int corner) {
    __builtin_prefetch(&w->frames[corner]);
    __builtin_prefetch(&w->vertexOf[corner - corner % 3]);
    __builtin_prefetch(w->tangents + 4 * static_cast<std::size_t>(corner), 1);
}

// Settles every fan on two threads, each taking the next free run of vertices until none is
// left; each fan writes only its own corners. False when the room for it cannot be had.
bool SettleFans(const Work* w) {
    std::atomic<int> next(0);
    FanScratch scratch[2] = {};
    const bool ok = InitScratch(&scratch[0], w->maxFan) && InitScratch(&scratch[1], w->maxFan);
    if (ok) {
        RunParts(w->numTris >= kParallelTriangles, [w, &next, &scratch](int part) {
            for (;;) {
                const int begin = next.fetch_add(kSettleRun);
                if (begin >= w->numVerts) return;
                const int end = begin + std::min(kSettleRun, w->numVerts - begin);
                int ahead = w->fanStart[begin];
                for (int v = begin; v < end; ++v) {
                    const int target = std::min(w->fanStart[v + 1] + kFetchAhead, w->fanStart[end]);
                    for (; ahead < target; ++ahead) FetchCorner(w, w->fan[ahead]);
                    SettleFan(w, v, &scratch[part]);
                }
            }
        });
    }
    ReleaseScratch(&scratch[0]);
    ReleaseScratch(&scratch[1]);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Fans settled in order.

// Marks the vertices whose fans hold a triangle without usable texture derivatives; returns
// how many corners those fans hold.
int MarkDeferred(Work* w) {
    for (int f = 0; f < w->numTris; ++f) {
        if ((w->flags[f] & (kDegenerate | kGroupWithAny)) != kGroupWithAny) continue;
        for (int k = 0; k < 3; ++k) w->deferred[w->vertexOf[3 * f + k]] = 1;
    }
    int corners = 0;
    for (int v = 0; v < w->numVerts; ++v) {
        if (w->deferred[v]) corners += w->fanStart[v + 1] - w->fanStart[v];
    }
    return corners;
}

// The marked fans one after another, with their links and groups.
struct OrderedFans {
    FanCorner* corners;
    int* left;  // as FanScratch's, but indexing `corners` as a whole
    int* right;
    int* group;  // the group a corner joined, or -1
    int* slot;   // per corner of the list at a marked vertex: its place in `corners`
};

bool InitOrdered(OrderedFans* o, int count, int numTris) {
    const std::size_t n = static_cast<std::size_t>(count);
    o->corners = new (std::nothrow) FanCorner[n];
    o->left = new (std::nothrow) int[3 * n];
    o->slot = new (std::nothrow) int[3 * static_cast<std::size_t>(numTris)];
    if (o->left != nullptr) {
        o->right = o->left + n;
        o->group = o->right + n;
    }
    return o->corners != nullptr && o->left != nullptr && o->slot != nullptr;
}

void ReleaseOrdered(OrderedFans* o) {
    delete[] o->corners;
    delete[] o->left;
    delete[] o->slot;
}

// Settles the marked fans as the method does, group by group in the order of the corners that
// start them: a triangle without texture derivatives takes the orientation of the first group
// that reaches it, at any of its corners, and then joins only groups of that orientation.
// Corners that no group reaches get the fallback tangent and w = -1.
void SettleInOrder(Work* w, OrderedFans* o, FanScratch* s) {
    int base = 0;
    for (int v = 0; v < w->numVerts; ++v) {
        if (!w->deferred[v]) continue;
        const int start = w->fanStart[v], k = w->fanStart[v + 1] - start;
        FanCorner* fan = o->corners + base;
        for (int j = 0; j < k; ++j) MakeFanCorner(w, w->fan[start + j], &fan[j]);
        LinkFan(fan, k, s);
        for (int j = 0; j < k; ++j) {
            o->left[base + j] = s->left[j] < 0 ? -1 : base + s->left[j];
            o->right[base + j] = s->right[j] < 0 ? -1 : base + s->right[j];
            o->group[base + j] = -1;
            o->slot[fan[j].corner] = base + j;
        }
        base += k;
    }

    int groups = 0;
    for (int f = 0; f < w->numTris; ++f) {
        if ((w->flags[f] & (kDegenerate | kGroupWithAny)) != 0) continue;
        for (int k = 0; k < 3; ++k) {
            const int corner = 3 * f + k;
            if (!w->deferred[w->vertexOf[corner]] || o->group[o->slot[corner]] != -1) continue;
            const int g = groups++;
            const std::uint32_t orient = w->flags[f] & kOrientPreserving;
            int n = 0, top = 0;
            o->group[o->slot[corner]] = g;
            w->flags[f] |= kJoined;
            s->stack[top++] = o->slot[corner];
            while (top > 0) {
                const int e = s->stack[--top];
                s->members[n++] = e;
                for (int nb : {o->left[e], o->right[e]}) {
                    if (nb < 0 || o->group[nb] != -1) continue;
                    std::uint8_t& flags = w->flags[o->corners[nb].corner / 3];
                    if ((flags & (kGroupWithAny | kJoined)) == kGroupWithAny) {
                        flags = static_cast<std::uint8_t>((flags & ~kOrientPreserving) | orient);
                    }
                    if ((flags & kOrientPreserving) != orient) continue;
                    flags |= kJoined;
                    o->group[nb] = g;
                    s->stack[top++] = nb;
                }
            }
            std::sort(s->members, s->members + n);
            SettleGroup(w, o->corners, s->members, n, SignOf(orient), s->subset);
        }
    }

    for (int e = 0; e < base; ++e) {
        if (o->group[e] == -1) PutTangent(w, o->corners[e].corner, {0, 0, 0}, -1.0f);
    }
}

// The corners of triangles without area take the result of the first corner of their vertex
// on a triangle with area, or the fallback and w = -1.
void SettleDegenerate(Work* w) {
    for (int f = 0; f < w->numTris; ++f) {
        if ((w->flags[f] & kDegenerate) == 0) continue;
        for (int k = 0; k < 3; ++k) {
            const int corner = 3 * f + k, v = w->vertexOf[corner];
            if (w->fanStart[v + 1] == w->fanStart[v]) {
                PutTangent(w, corner, {0, 0, 0}, -1.0f);
                continue;
            }
            const float* from = w->tangents + 4 * static_cast<std::size_t>(w->fan[w->fanStart[v]]);
            std::memcpy(w->tangents + 4 * static_cast<std::size_t>(corner), from, 4 * sizeof(float));
        }
    }
}

// Takes the arrays of the weld; false when one cannot be had.
bool InitWork(Work* w) {
    const std::size_t corners = 3 * static_cast<std::size_t>(w->numTris);
    std::size_t tableSize = 1024;
    while (tableSize < corners / 3) tableSize *= 2;
    w->tableMask = tableSize - 1;
    w->vertexOf = new (std::nothrow) int[corners];
    w->frames = new (std::nothrow) CornerFrame[corners];
    w->flags = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(w->numTris)];
    w->keys = new (std::nothrow) CornerKey[corners];
    w->table = new (std::nothrow) std::uint64_t[tableSize]();
    w->fanStart = new (std::nothrow) int[corners + 1];
    if (w->vertexOf == nullptr || w->frames == nullptr || w->flags == nullptr || w->keys == nullptr ||
        w->table == nullptr || w->fanStart == nullptr) {
        return false;
    }
    RvPreferLargePages(w->vertexOf, sizeof(int) * corners);
    RvPreferLargePages(w->frames, sizeof(CornerFrame) * corners);
    RvPreferLargePages(w->keys, sizeof(CornerKey) * corners);
    return true;
}

// Everything after the weld; nothing is written to the tangents unless all room was had.
bool Settle(Work* w) {
    w->fan = new (std::nothrow) int[static_cast<std::size_t>(EndFans(w)) + 1];
    w->deferred = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(w->numVerts)]();
    if (w->fan == nullptr || w->deferred == nullptr) return false;
    ListFans(w);
    OrderedFans ordered = {};
    FanScratch scratch = {};
    const int deferredCorners = MarkDeferred(w);
    bool ok = deferredCorners == 0 ||
              (InitOrdered(&ordered, deferredCorners, w->numTris) && InitScratch(&scratch, w->maxFan));
    if (ok) ok = SettleFans(w);
    if (ok && deferredCorners > 0) SettleInOrder(w, &ordered, &scratch);
    if (ok) SettleDegenerate(w);
    ReleaseOrdered(&ordered);
    ReleaseScratch(&scratch);
    return ok;
}

}  // namespace

bool RvComputeMikkTangents(int numTris, const RvRawTriangle* tris, float* tangents) {
    if (numTris < 1 || numTris > INT_MAX / 3 || tris == nullptr || tangents == nullptr) return false;
    Work w = {};
    w.nextChunk.store(0);
    w.numTris = numTris;
    w.tris = tris;
    w.tangents = tangents;
    bool ok = InitWork(&w);
    if (ok) {
        // One thread welds while the other frames the triangles; the first done helps the other.
        RunParts(numTris >= kParallelTriangles, [&w, &ok](int part) {
            if (part == 0) {
                ok = WeldCorners(&w);
                if (!ok) w.nextChunk.store(w.numTris);
            }
            FrameTriangles(&w);
        });
    }
    ok = ok && Settle(&w);
    ReleaseWork(&w);
    return ok;
}
