// Welding triangle corners into indexed vertex buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"
#include "tests/LiteralWeld.h"
#include "tests/WeldTestMeshes.h"

namespace {

// A welded buffer, released at the end of the test.
struct Welded {
    int numVerts = -1;
    RvTangentPointD* verts = nullptr;
    RvIndex* indices = nullptr;
    ~Welded() {
        delete[] verts;
        delete[] indices;
    }
};

bool Weld(const std::vector<RvRawTriangle>& tris, Welded* out) {
    return RvCreateVertexBuffers(static_cast<int>(tris.size()), tris.data(), &out->numVerts, &out->verts,
                                 &out->indices);
}

RvTangentPointD PointAt(double x, double y, double z) {
    RvTangentPointD p = {{x, y, z}, {0, 0, 1}, {0.5, 0.5}, {1, 0, 0}, {0, 1, 0}, 1};
    return p;
}

// Field by field, bit for bit. A sum of two NaNs may carry either one's sign and payload, as
// the compiler orders the operands, so NaNs match any NaN.
bool SameBits(const RvTangentPointD& a, const RvTangentPointD& b) {
    const double* fa[] = {a.vertex, a.normal, a.uv, a.tangent, a.binormal};
    const double* fb[] = {b.vertex, b.normal, b.uv, b.tangent, b.binormal};
    for (int f = 0; f < 5; ++f) {
        for (int k = 0; k < (f == 2 ? 2 : 3); ++k) {
            const bool nans = std::isnan(fa[f][k]) && std::isnan(fb[f][k]);
            if (std::memcmp(&fa[f][k], &fb[f][k], sizeof(double)) != 0 && !nans) return false;
        }
    }
    return a.count == b.count;
}

// What holds for any weld: vertex numbers appear in order of first use, each taking the data
// of its first corner; the corner counts sum to three per triangle; frames are unit vectors
// (or the x axis a vanishing sum becomes).
void ExpectWeldInvariants(const std::vector<RvRawTriangle>& tris, const Welded& w) {
    int next = 0;
    long corners = 0;
    for (std::size_t i = 0; i < tris.size(); ++i) {
        for (int j = 0; j < 3; ++j) {
            const int n = w.indices[i].idx[j];
            ASSERT_TRUE(n >= 0 && n <= next) << i << " " << j;
            if (n < next) continue;
            ++next;
            for (int k = 0; k < 3; ++k) EXPECT_EQ(w.verts[n].vertex[k], tris[i].vert[j].v[k]);
            for (int k = 0; k < 3; ++k) EXPECT_EQ(w.verts[n].normal[k], tris[i].norm[j].v[k]);
            for (int k = 0; k < 2; ++k) EXPECT_EQ(w.verts[n].uv[k], tris[i].texCoord[j].uv[k]);
        }
    }
    EXPECT_EQ(next, w.numVerts);
    for (int n = 0; n < w.numVerts; ++n) {
        corners += w.verts[n].count;
        for (const double* d : {w.verts[n].tangent, w.verts[n].binormal}) {
            if (d[0] == 1 && d[1] == 0 && d[2] == 0) continue;
            EXPECT_NEAR(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), 1.0, 1e-12) << n;
        }
    }
    EXPECT_EQ(corners, 3 * static_cast<long>(tris.size()));
}

}  // namespace

TEST(RvCreateVertexBuffers, RejectsBadArgumentsWithoutWriting) {
    const RvRawTriangle tri = UnitRightTriangle();
    int numVerts = 77;
    RvTangentPointD* verts = reinterpret_cast<RvTangentPointD*>(&numVerts);
    RvIndex* indices = reinterpret_cast<RvIndex*>(&numVerts);
    for (int numTris : {0, -1, INT_MIN, INT_MAX, INT_MAX / 3 + 1}) {
        EXPECT_FALSE(RvCreateVertexBuffers(numTris, &tri, &numVerts, &verts, &indices)) << numTris;
    }
    EXPECT_FALSE(RvCreateVertexBuffers(1, nullptr, &numVerts, &verts, &indices));
    EXPECT_FALSE(RvCreateVertexBuffers(1, &tri, &numVerts, nullptr, &indices));
    EXPECT_FALSE(RvCreateVertexBuffers(1, &tri, &numVerts, &verts, nullptr));
    EXPECT_EQ(numVerts, 77);
    EXPECT_EQ(static_cast<void*>(verts), &numVerts);
    EXPECT_EQ(static_cast<void*>(indices), &numVerts);
}

TEST(RvCreateVertexBuffers, WeldsTheExamples) {
    const RvRawTriangle unit = UnitRightTriangle();
    RvRawTriangle seam = SkewedNeighbour(), seamAtOne = SkewedNeighbour(), noU = unit;
    for (auto& tc : seam.texCoord) tc.u += 0.5f;
    seamAtOne.texCoord[2].v = 1.25f;
    for (auto& tc : noU.texCoord) tc.u = 0;
    // Across the edge x = 0 the u of the second triangle grows towards -x.
    const RvRawTriangle mirrored =
        MakeTriangle({{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}}, {{0, 0}, {0, 1}, {1, 0}}, {0, 0, 1});
    const RvRawTriangle base =
        MakeTriangle({{0.5f, 0, 0}, {1.5f, 0, 0}, {0.5f, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}, {0, 0, 1});
    RvRawTriangle near = base, far = base;
    near.vert[0].x = 0.5f + std::ldexp(1.0f, -24);
    far.vert[0].x = 0.5f + std::ldexp(1.0f, -23);
    // Bits from a separate double-precision evaluation of the frames, their average and the
    // final normalisation (which moves the last bit of a lone corner too).
    const double averaged[3] = {-0x1.d688b2ff4a8d8p-3, 0x1.f24db1094205bp-1, 0};
    const double skewed[3] = {-0x1.c9f25c5bfeddap-2, 0x1.c9f25c5bfeddap-1, 0};
    const double y[3] = {0, 1, 0}, z[3] = {0, 0, 1};
    const struct {
        const char* name;
        std::vector<RvRawTriangle> tris;
        int numVerts;
        int last[3];  // the last triangle's vertices
        int pairs;    // vertices welded from two corners
        int probe;    // a vertex whose frame is known to the bit, if any
        double tangent[3];
        const double (&binormal)[3];
    } cases[] = {
        {"single", {unit}, 3, {0, 1, 2}, 0, 2, {1, 0, 0}, y},
        {"shared edge", {unit, SkewedNeighbour()}, 4, {1, 3, 2}, 2, 1, {1, 0, 0}, averaged},
        {"seam on all corners", {unit, seam}, 6, {3, 4, 5}, 0, 4, {1, 0, 0}, skewed},
        {"seam on one corner", {unit, seamAtOne}, 5, {1, 3, 4}, 1, 0, {1, 0, 0}, y},
        {"mirrored", {unit, mirrored}, 6, {3, 4, 5}, 0, 3, {-1, 0, 0}, y},
        {"within tolerance", {base, near}, 3, {0, 1, 2}, 3, -1, {}, y},
        {"beyond tolerance", {base, far}, 4, {3, 1, 2}, 2, 0, {1, 0, 0}, y},
        {"no u", {noU}, 3, {0, 1, 2}, 0, 1, {1, 0, 0}, z},
        {"cube", TexturedCube(), 24, {20, 22, 23}, 12, 20, {1, 0, 0}, z},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Welded w;
        ASSERT_TRUE(Weld(c.tris, &w));
        ASSERT_EQ(w.numVerts, c.numVerts);
        const RvIndex& last = w.indices[c.tris.size() - 1];
        EXPECT_EQ(std::vector<int>(last.idx, last.idx + 3), std::vector<int>(c.last, c.last + 3));
        int pairs = 0;
        for (int n = 0; n < w.numVerts; ++n) pairs += w.verts[n].count == 2;
        EXPECT_EQ(pairs, c.pairs);
        for (int k = 0; k < 3 && c.probe >= 0; ++k) {
            EXPECT_EQ(w.verts[c.probe].tangent[k], c.tangent[k]) << k;
            EXPECT_EQ(w.verts[c.probe].binormal[k], c.binormal[k]) << k;
        }
        ExpectWeldInvariants(c.tris, w);
    }
}

TEST(RvCreateVertexBuffers, MatchesTheLiteralWeldBitForBit) {
    std::mt19937 rng(2024);
    // Sizes on both sides of the point where corners start to be prepared ahead, and one whose
    // index outgrows a group of 64 blocks.
    for (int numTris : {1, 5, 256, 257, 300, 2500, 7000, 20000, 40000}) {
        for (int variant = 0; variant < 4; ++variant) {
            std::vector<RvRawTriangle> tris = RandomMesh(&rng, numTris, variant % 2 == 1);
            if (variant >= 2) {
                std::stable_sort(tris.begin(), tris.end(), [](const RvRawTriangle& a, const RvRawTriangle& b) {
                    return a.vert[0].y != b.vert[0].y ? a.vert[0].y < b.vert[0].y : a.vert[0].x < b.vert[0].x;
                });
            }
            Welded fast, literal;
            ASSERT_TRUE(Weld(tris, &fast));
            ASSERT_TRUE(LiteralCreateVertexBuffers(numTris, tris.data(), &literal.numVerts, &literal.verts,
                                                   &literal.indices));
            SCOPED_TRACE(testing::Message() << numTris << " triangles, variant " << variant);
            ASSERT_EQ(fast.numVerts, literal.numVerts);
            ASSERT_EQ(std::memcmp(fast.indices, literal.indices, sizeof(RvIndex) * tris.size()), 0);
            for (int n = 0; n < fast.numVerts; ++n) ASSERT_TRUE(SameBits(fast.verts[n], literal.verts[n])) << n;
            if (variant % 2 == 0) ExpectWeldInvariants(tris, fast);
        }
    }
}

TEST(RvCompareD, OrdersByDecreasingFieldsWithinToleranceAndFramesByDirection) {
    using P = RvTangentPointD;
    const struct {
        const char* what;
        void (*change)(P* a, P* b);
        int ab, ba;
    } cases[] = {
        {"x within 1e-7", [](P*, P* b) { b->vertex[0] = 1e-7; }, 0, 0},
        {"x beyond 1e-7", [](P*, P* b) { b->vertex[0] = std::nextafter(1e-7, 1.0); }, 1, -1},
        {"x before y", [](P* a, P* b) { a->vertex[0] = 1, b->vertex[1] = 5; }, -1, 1},
        {"normal before uv", [](P* a, P* b) { b->normal[2] = 0.5, a->uv[0] = 0; }, -1, 1},
        {"v", [](P*, P* b) { b->uv[1] = 0.75; }, 1, -1},
        {"NaN never exceeds", [](P*, P* b) { b->vertex[1] = std::nan(""), b->normal[0] = std::nan(""); }, 0, 0},
        {"sums by direction", [](P*, P* b) { b->tangent[0] = 5, b->binormal[1] = 0.01; }, 0, 0},
        {"cosine 0.3", [](P*, P* b) { b->tangent[0] = 0.3, b->tangent[1] = std::sqrt(1 - 0.09); }, 0, 0},
        {"cosine 0.29", [](P*, P* b) { b->tangent[0] = 0.29, b->tangent[1] = std::sqrt(1 - 0.29 * 0.29); }, -1, 1},
        {"opposite binormals", [](P*, P* b) { b->binormal[1] = -1; }, 1, 1},
    };
    for (const auto& c : cases) {
        P a = PointAt(0, 0, 0), b = a;
        c.change(&a, &b);
        EXPECT_EQ(RvCompareD(&a, &b), c.ab) << c.what;
        EXPECT_EQ(RvCompareD(&b, &a), c.ba) << c.what;
    }
}

namespace {

std::vector<int> gProbes;
int gAnswer;

int RecordProbe(const RvTangentPointD*, const RvTangentPointD* element) {
    gProbes.push_back(element->count);
    return gAnswer;
}

// x values in descending order, the 1500th of every 2500 at a random rank: ties, neighbours one or two units
// in the last place apart and infinities. Returns the rank of the new entry.
int InsertMostlyDescending(std::mt19937* rng, RvSortedIndex* index, std::vector<float>* xs, std::vector<int>* ids,
                           int n, std::size_t* slot = nullptr) {
    float x = static_cast<float>((*rng)() % 2000) / 1000.0f;
    const unsigned kind = (*rng)() % 100;
    if (kind < 20 && !xs->empty()) x = std::nextafter((*xs)[(*rng)() % xs->size()], kind % 2 ? 9.0f : -9.0f);
    if (kind == 20) x = (*rng)() % 2 ? INFINITY : -INFINITY;
    int rank = n % 2500 == 1500 ? static_cast<int>((*rng)() % (xs->size() + 1)) : 0;
    while (n % 2500 != 1500 && rank < static_cast<int>(xs->size()) && !((*xs)[rank] < x)) ++rank;
    const double position[3] = {x, 0, 0};
    const std::size_t at = RvSortedIndexInsert(index, rank, n, position);
    if (slot != nullptr) *slot = at;
    xs->insert(xs->begin() + rank, x);
    ids->insert(ids->begin() + rank, n);
    return rank;
}

double SomeX(std::mt19937* rng, const std::vector<float>& xs, int i) {
    if (i == 5) return std::nan("");
    if (i == 6) return INFINITY;
    if (i % 7 == 2) return static_cast<double>((*rng)() % 2200) / 1000.0 - 0.1;
    const float x = xs[(*rng)() % xs.size()];
    return i % 3 == 1 ? std::nextafter(x, i % 2 ? 9.0f : -9.0f) : x;
}

// Every rank below the zone puts px after it by x, every rank from its end before it.
::testing::AssertionResult ZoneHolds(const RvSortedZone& zone, double px, const std::vector<float>& xs) {
    if (zone.first > zone.end) return ::testing::AssertionFailure() << "zone reversed for " << px;
    for (int r = 0; r < static_cast<int>(xs.size()); ++r) {
        const bool holds = r < zone.first ? px - xs[r] < -KIV_VERT_TINY : r < zone.end || px - xs[r] > KIV_VERT_TINY;
        if (!holds) return ::testing::AssertionFailure() << px << " outside the zone at rank " << r;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

// Bisects an index of `count` records whose counts are their ranks, giving every comparison one
// answer: the probed ranks, then the end rank and the result.
TEST(RvIndexBinaryTraverseD, HalvesTowardsTheEnds) {
    const struct {
        int count, answer;
        std::vector<int> want;
    } cases[] = {{0, 1, {0, -1}},          {8, -1, {4, 2, 1, 0, 0, -1}}, {8, 1, {4, 6, 7, 7, 1}},
                 {8, 0, {4, 4, 0}},        {1, 1, {0, 0, 1}},            {5, -1, {2, 1, 0, 0, -1}}};
    for (const auto& c : cases) {
        std::vector<RvTangentPointD> data(static_cast<std::size_t>(c.count) + 1);
        RvSortedIndex index = {};
        ASSERT_TRUE(RvSortedIndexInit(&index, c.count + 1));
        const double origin[3] = {0, 0, 0};
        for (int i = 0; i < c.count; ++i) {
            data[i].count = c.count - 1 - i;
            RvSortedIndexInsert(&index, 0, i, origin);
        }
        gProbes.clear();
        gAnswer = c.answer;
        int result = 99;
        gProbes.push_back(RvIndexBinaryTraverseD(&data[c.count], data.data(), &index, c.count, &result, RecordProbe));
        gProbes.push_back(result);
        EXPECT_EQ(gProbes, c.want) << c.count << " " << c.answer;
        RvSortedIndexRelease(&index);
    }
}

// Entries go in at any rank and come out in order; zones hold for fresh and tracked values.
TEST(RvSortedIndex, KeepsOrderAndZonesThroughInsertions) {
    std::mt19937 rng(11);
    const int capacity = 6000;
    RvSortedIndex index = {};
    ASSERT_TRUE(RvSortedIndexInit(&index, capacity));
    std::vector<float> xs;
    std::vector<int> ids;
    for (int n = 0; n < 1000; ++n) {
        // One NaN, in a block split later on; that block is then searched entry by entry.
        if (n != 500) {
            InsertMostlyDescending(&rng, &index, &xs, &ids, n);
            continue;
        }
        const double position[3] = {std::nan(""), 0, 0};
        RvSortedIndexInsert(&index, 300, n, position);
        xs.insert(xs.begin() + 300, NAN);
        ids.insert(ids.begin() + 300, n);
    }
    std::vector<double> pxs;
    std::vector<RvSortedZone> zones;
    for (int i = 0; i < 40; ++i) {
        pxs.push_back(SomeX(&rng, xs, i));
        zones.emplace_back();
        RvSortedIndexZone(&index, pxs.back(), &zones.back());
    }
    for (int n = 1000; n < capacity; ++n) {
        std::size_t slot;
        const int rank = InsertMostlyDescending(&rng, &index, &xs, &ids, n, &slot);
        ASSERT_EQ(RvSortedIndexSlot(&index, rank), slot);
        // The new entry after every insertion, every entry now and then.
        for (std::size_t i = 0; i < zones.size(); ++i) {
            RvSortedZoneAfterInsert(&zones[i], pxs[i], rank, xs[rank], slot);
            const RvSortedZone& zone = zones[i];
            ASSERT_TRUE(rank >= zone.first || pxs[i] - xs[rank] < -KIV_VERT_TINY) << "after " << n;
            ASSERT_TRUE(rank < zone.end || pxs[i] - xs[rank] > KIV_VERT_TINY) << "after " << n;
            ASSERT_TRUE(n % 250 != 0 || ZoneHolds(zone, pxs[i], xs)) << "after " << n;
        }
    }
    ASSERT_EQ(RvSortedIndexCount(&index), capacity);
    for (int r = 0; r < capacity; ++r) ASSERT_EQ(RvSortedIndexAt(&index, r), ids[r]) << r;
    for (int i = 0; i < 2 * capacity; ++i) {
        const double px = i < capacity ? static_cast<double>(xs[i]) : SomeX(&rng, xs, i);
        RvSortedZone zone;
        RvSortedIndexZone(&index, px, &zone);
        ASSERT_TRUE(ZoneHolds(zone, px, xs));
        ASSERT_TRUE(zone.first == zone.end || zone.slot == RvSortedIndexSlot(&index, zone.first)) << px;
    }
    RvSortedIndexRelease(&index);
}

// In an index in order, zones, empty ones among them, know where their stored run is through
// insertions before, inside and after it, until a block splits.
TEST(RvSortedIndex, ZonesFollowTheirStoredRunsUntilABlockSplits) {
    std::mt19937 rng(5);
    const int capacity = 4000;
    RvSortedIndex index = {};
    ASSERT_TRUE(RvSortedIndexInit(&index, capacity));
    std::vector<float> xs;
    std::vector<double> pxs(24, 0.0);
    std::vector<RvSortedZone> zones(pxs.size());
    int followed = 0;
    for (int n = 0; n < capacity; ++n) {
        const float x = static_cast<float>(rng() % 5000) / 8.0f;
        const auto after = std::upper_bound(xs.begin(), xs.end(), x, std::greater<float>());
        const int rank = static_cast<int>(after - xs.begin());
        const double position[3] = {x, 0, 0};
        const std::size_t slot = RvSortedIndexInsert(&index, rank, n, position);
        xs.insert(xs.begin() + rank, x);
        for (std::size_t i = 0; i < zones.size(); ++i) {
            RvSortedZoneAfterInsert(&zones[i], pxs[i], rank, x, slot);
            const RvSortedZone& zone = zones[i];
            ASSERT_TRUE(ZoneHolds(zone, pxs[i], xs)) << "after " << n;
            for (int k = 0; zone.splits == index.splits && k < zone.stored; ++k, ++followed) {
                ASSERT_EQ(RvSortedIndexSlot(&index, zone.first + k), zone.slot + k) << "after " << n;
            }
        }
        // One zone is found afresh each time, half of them between two entries.
        const std::size_t i = static_cast<std::size_t>(n) % zones.size();
        const float near = xs[rng() % xs.size()];
        pxs[i] = i % 2 ? near : static_cast<double>(near) + 1.0 / 16;
        RvSortedIndexZone(&index, pxs[i], &zones[i]);
    }
    EXPECT_GT(followed, capacity);
    RvSortedIndexRelease(&index);
}
