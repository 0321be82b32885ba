// Welding triangle corners into indexed vertex buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
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

void ExpectIndex(const RvIndex& index, int a, int b, int c) {
    EXPECT_EQ(index.idx[0], a);
    EXPECT_EQ(index.idx[1], b);
    EXPECT_EQ(index.idx[2], c);
}

void ExpectNear3(const double* got, const double* want) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], 1e-12) << k;
}

RvTangentPointD PointAt(double x, double y, double z) {
    RvTangentPointD p = {{x, y, z}, {0, 0, 1}, {0.5, 0.5}, {1, 0, 0}, {0, 1, 0}, 1};
    return p;
}

// The second triangle of a flat quad over the unit right triangle: it shares the edge from
// (1,0,0) to (0,1,0). Its u is 2x + y - 1, so its tangent is (1,0,0) and its binormal
// (-1,2,0)/sqrt 5, within 27 degrees of the first triangle's (0,1,0).
RvRawTriangle SkewedNeighbour() {
    return MakeTriangle({{1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{1, 0}, {2, 1}, {0, 1}}, {0, 0, 1});
}

// Field by field, bit for bit (the tail padding holds nothing). A sum of two NaNs may carry
// either one's sign and payload, as the compiler orders the operands, so NaNs match any NaN.
bool SameBits(const RvTangentPointD& a, const RvTangentPointD& b) {
    const std::size_t fields = offsetof(RvTangentPointD, count) + sizeof(int);
    if (std::memcmp(&a, &b, fields) == 0) return true;
    if (a.count != b.count) return false;
    double da[14], db[14];
    std::memcpy(da, &a, sizeof da);
    std::memcpy(db, &b, sizeof db);
    for (int k = 0; k < 14; ++k) {
        if (std::memcmp(&da[k], &db[k], sizeof(double)) != 0 && !(std::isnan(da[k]) && std::isnan(db[k]))) {
            return false;
        }
    }
    return true;
}

int CountWithCorners(const Welded& w, int corners) {
    int n = 0;
    for (int i = 0; i < w.numVerts; ++i) n += w.verts[i].count == corners;
    return n;
}

}  // namespace

TEST(RvCreateVertexBuffers, RejectsBadArgumentsWithoutWriting) {
    const std::vector<RvRawTriangle> tris = {UnitRightTriangle()};
    int numVerts = 77;
    RvTangentPointD* verts = reinterpret_cast<RvTangentPointD*>(&numVerts);
    RvIndex* indices = reinterpret_cast<RvIndex*>(&numVerts);
    RvTangentPointD* const vertsBefore = verts;
    RvIndex* const indicesBefore = indices;
    for (int numTris : {0, -1, INT_MIN, INT_MAX, INT_MAX / 3 + 1}) {
        EXPECT_FALSE(RvCreateVertexBuffers(numTris, tris.data(), &numVerts, &verts, &indices)) << numTris;
    }
    EXPECT_FALSE(RvCreateVertexBuffers(1, nullptr, &numVerts, &verts, &indices));
    EXPECT_FALSE(RvCreateVertexBuffers(1, tris.data(), &numVerts, nullptr, &indices));
    EXPECT_FALSE(RvCreateVertexBuffers(1, tris.data(), &numVerts, &verts, nullptr));
    EXPECT_EQ(numVerts, 77);
    EXPECT_EQ(verts, vertsBefore);
    EXPECT_EQ(indices, indicesBefore);
}

TEST(RvCreateVertexBuffers, FailedAllocationReportsFalse) {
    if (!kAddressLimitWorks) GTEST_SKIP() << "no address-space limit under the sanitizers";
    EXPECT_EXIT(
        {
            const int numTris = 1000000;
            const RvRawTriangle* tris = ZeroTrianglesUnderMemoryLimit(numTris, 256u << 20);
            int numVerts = 5;
            RvTangentPointD* verts = nullptr;
            RvIndex* indices = nullptr;
            const bool ok = RvCreateVertexBuffers(numTris, tris, &numVerts, &verts, &indices);
            delete[] indices;
            std::exit(!ok && numVerts == 5 && verts == nullptr ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(RvCreateVertexBuffers, SingleTriangleGivesItsThreeCorners) {
    const std::vector<RvRawTriangle> tris = {UnitRightTriangle()};
    Welded w;
    ASSERT_TRUE(Weld(tris, &w));
    ASSERT_EQ(w.numVerts, 3);
    ExpectIndex(w.indices[0], 0, 1, 2);
    const double tangent[3] = {1, 0, 0};
    const double binormal[3] = {0, 1, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.verts[i].count, 1);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(w.verts[i].vertex[k], tris[0].vert[i].v[k]);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(w.verts[i].normal[k], tris[0].norm[i].v[k]);
        EXPECT_EQ(w.verts[i].uv[0], tris[0].texCoord[i].u);
        EXPECT_EQ(w.verts[i].uv[1], tris[0].texCoord[i].v);
        ExpectNear3(w.verts[i].tangent, tangent);
        ExpectNear3(w.verts[i].binormal, binormal);
    }
}

TEST(RvCreateVertexBuffers, SharedEdgeAveragesTheTwoFrames) {
    const std::vector<RvRawTriangle> tris = {UnitRightTriangle(), SkewedNeighbour()};
    Welded w;
    ASSERT_TRUE(Weld(tris, &w));
    ASSERT_EQ(w.numVerts, 4);
    ExpectIndex(w.indices[0], 0, 1, 2);
    ExpectIndex(w.indices[1], 1, 3, 2);
    const int counts[4] = {1, 2, 2, 1};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(w.verts[i].count, counts[i]) << i;

    // Bits from a separate double-precision evaluation of the frames, their average and the
    // final normalisation (which moves the last bit of a lone corner too).
    const double up[3] = {0, 1, 0};
    const double averaged[3] = {-0x1.d688b2ff4a8d8p-3, 0x1.f24db1094205bp-1, 0};
    const double skewed[3] = {-0x1.c9f25c5bfeddap-2, 0x1.c9f25c5bfeddap-1, 0};
    const double x[3] = {1, 0, 0};
    ExpectNear3(w.verts[0].binormal, up);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(w.verts[1].binormal[k], averaged[k]);
        EXPECT_EQ(w.verts[2].binormal[k], averaged[k]);
        EXPECT_EQ(w.verts[3].binormal[k], skewed[k]);
    }
    for (int i = 0; i < 4; ++i) ExpectNear3(w.verts[i].tangent, x);
}

TEST(RvCreateVertexBuffers, TextureSeamKeepsCornersApart) {
    RvRawTriangle bothSides = SkewedNeighbour();
    bothSides.texCoord[0].u = 1.5f;
    bothSides.texCoord[1].u = 2.5f;
    bothSides.texCoord[2].u = 0.5f;
    Welded both;
    ASSERT_TRUE(Weld({UnitRightTriangle(), bothSides}, &both));
    EXPECT_EQ(both.numVerts, 6);
    ExpectIndex(both.indices[1], 3, 4, 5);

    RvRawTriangle oneCorner = SkewedNeighbour();
    oneCorner.texCoord[2].v = 1.25f;
    Welded one;
    ASSERT_TRUE(Weld({UnitRightTriangle(), oneCorner}, &one));
    EXPECT_EQ(one.numVerts, 5);
    ExpectIndex(one.indices[1], 1, 3, 4);
}

TEST(RvCreateVertexBuffers, CubeFacesKeepTheirOwnVertices) {
    const std::vector<RvRawTriangle> cube = TexturedCube();
    Welded w;
    ASSERT_TRUE(Weld(cube, &w));
    EXPECT_EQ(w.numVerts, 24);
    EXPECT_EQ(CountWithCorners(w, 2), 12);
    EXPECT_EQ(CountWithCorners(w, 1), 12);
    // The two triangles of a face meet on its diagonal.
    for (int face = 0; face < 6; ++face) {
        const RvIndex& first = w.indices[2 * face];
        const RvIndex& second = w.indices[2 * face + 1];
        EXPECT_EQ(first.idx[0], second.idx[0]) << face;
        EXPECT_EQ(first.idx[2], second.idx[1]) << face;
        EXPECT_EQ(w.verts[first.idx[0]].count, 2);
        EXPECT_EQ(w.verts[first.idx[2]].count, 2);
    }
}

TEST(RvCreateVertexBuffers, MirroredTangentsStayApart) {
    // Across the edge x = 0 the u of the second triangle grows towards -x.
    const RvRawTriangle mirrored =
        MakeTriangle({{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}}, {{0, 0}, {0, 1}, {1, 0}}, {0, 0, 1});
    Welded w;
    ASSERT_TRUE(Weld({UnitRightTriangle(), mirrored}, &w));
    EXPECT_EQ(w.numVerts, 6);
    const double minusX[3] = {-1, 0, 0};
    const double up[3] = {0, 1, 0};
    ExpectNear3(w.verts[3].tangent, minusX);
    ExpectNear3(w.verts[3].binormal, up);
}

TEST(RvCreateVertexBuffers, PositionsWeldWithinTheTolerance) {
    const RvRawTriangle base =
        MakeTriangle({{0.5f, 0, 0}, {1.5f, 0, 0}, {0.5f, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}, {0, 0, 1});
    RvRawTriangle near = base;
    near.vert[0].x = 0.5f + std::ldexp(1.0f, -24);
    Welded welded;
    ASSERT_TRUE(Weld({base, near}, &welded));
    EXPECT_EQ(welded.numVerts, 3);
    ExpectIndex(welded.indices[1], 0, 1, 2);

    RvRawTriangle far = base;
    far.vert[0].x = 0.5f + std::ldexp(1.0f, -23);
    Welded apart;
    ASSERT_TRUE(Weld({base, far}, &apart));
    EXPECT_EQ(apart.numVerts, 4);
    ExpectIndex(apart.indices[1], 3, 1, 2);
}

TEST(RvCreateVertexBuffers, TriangleWithoutUContributesDefaultFrame) {
    RvRawTriangle noU = UnitRightTriangle();
    for (auto& t : noU.texCoord) t.u = 0;
    Welded w;
    ASSERT_TRUE(Weld({noU}, &w));
    ASSERT_EQ(w.numVerts, 3);
    const double x[3] = {1, 0, 0};
    const double z[3] = {0, 0, 1};
    for (int i = 0; i < 3; ++i) {
        ExpectNear3(w.verts[i].tangent, x);
        ExpectNear3(w.verts[i].binormal, z);
    }
}

TEST(RvCreateVertexBuffers, RandomMeshKeepsItsInvariants) {
    std::mt19937 rng(12345);
    const std::vector<RvRawTriangle> tris = RandomMesh(&rng, 600);
    Welded w;
    ASSERT_TRUE(Weld(tris, &w));
    ASSERT_GT(w.numVerts, 0);
    ASSERT_LE(w.numVerts, 3 * static_cast<int>(tris.size()));

    // Vertex numbers appear in order of first use, each taking the data of its first corner.
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
            EXPECT_EQ(w.verts[n].uv[1], tris[i].texCoord[j].v);
        }
    }
    EXPECT_EQ(next, w.numVerts);
    for (int n = 0; n < w.numVerts; ++n) {
        corners += w.verts[n].count;
        for (const double* d : {w.verts[n].tangent, w.verts[n].binormal}) {
            const bool xAxis = d[0] == 1 && d[1] == 0 && d[2] == 0;
            if (!xAxis) {
                EXPECT_NEAR(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), 1.0, 1e-12) << n;
            }
        }
    }
    EXPECT_EQ(corners, 3 * static_cast<long>(tris.size()));
}

TEST(RvCreateVertexBuffers, MatchesTheLiteralWeldBitForBit) {
    std::mt19937 rng(2024);
    // Sizes on both sides of the point where corners start to be prepared ahead.
    for (int numTris : {1, 5, 300, 1024, 1025, 2500, 7000, 20000}) {
        for (int variant = 0; variant < 4; ++variant) {
            std::vector<RvRawTriangle> tris = RandomMesh(&rng, numTris, variant % 2 == 1);
            if (variant >= 2) {
                std::stable_sort(tris.begin(), tris.end(),
                                 [](const RvRawTriangle& a, const RvRawTriangle& b) {
                                     return a.vert[0].y != b.vert[0].y ? a.vert[0].y < b.vert[0].y
                                                                       : a.vert[0].x < b.vert[0].x;
                                 });
            }
            Welded fast, literal;
            ASSERT_TRUE(Weld(tris, &fast));
            ASSERT_TRUE(LiteralCreateVertexBuffers(numTris, tris.data(), &literal.numVerts, &literal.verts,
                                                   &literal.indices));
            SCOPED_TRACE(testing::Message() << numTris << " triangles, variant " << variant);
            ASSERT_EQ(fast.numVerts, literal.numVerts);
            ASSERT_EQ(std::memcmp(fast.indices, literal.indices, sizeof(RvIndex) * tris.size()), 0);
            for (int n = 0; n < fast.numVerts; ++n)
                ASSERT_TRUE(SameBits(fast.verts[n], literal.verts[n])) << n;
        }
    }
}

TEST(RvCompareD, OrdersByDecreasingFieldsWithinTolerance) {
    RvTangentPointD a = PointAt(0, 0, 0);
    RvTangentPointD b = PointAt(1e-7, 0, 0);
    EXPECT_EQ(RvCompareD(&a, &b), 0);
    b.vertex[0] = std::nextafter(1e-7, 1.0);
    EXPECT_EQ(RvCompareD(&a, &b), 1);
    EXPECT_EQ(RvCompareD(&b, &a), -1);

    // x decides before y, y before the normal, the normal before the texture coordinate.
    a = PointAt(1, 0, 0), b = PointAt(0, 5, 0);
    EXPECT_EQ(RvCompareD(&a, &b), -1);
    a = PointAt(0, 0, 0), b = PointAt(0, 0, 0);
    b.normal[2] = 0.5, a.uv[0] = 0.0;
    EXPECT_EQ(RvCompareD(&a, &b), -1);
    b.normal[2] = 1, b.uv[1] = 0.75;
    EXPECT_EQ(RvCompareD(&a, &b), 1);

    // A NaN never exceeds the tolerance.
    b = a;
    b.vertex[1] = std::nan("");
    b.normal[0] = std::nan("");
    EXPECT_EQ(RvCompareD(&a, &b), 0);
}

TEST(RvCompareD, DirectionsWeldUpToCosineThreePointOne) {
    RvTangentPointD a = PointAt(0, 0, 0);
    RvTangentPointD b = a;
    // Summed frames are compared by direction, whatever their length.
    b.tangent[0] = 5, b.binormal[1] = 0.01;
    EXPECT_EQ(RvCompareD(&a, &b), 0);
    // Cosine 0.3 still agrees; just below it the stored x components decide.
    b.tangent[0] = 0.3, b.tangent[1] = std::sqrt(1 - 0.09);
    EXPECT_EQ(RvCompareD(&a, &b), 0);
    b.tangent[0] = 0.29, b.tangent[1] = std::sqrt(1 - 0.29 * 0.29);
    EXPECT_EQ(RvCompareD(&a, &b), -1);
    EXPECT_EQ(RvCompareD(&b, &a), 1);
    // Opposite binormals with equal x give 1 either way round.
    b = a;
    b.binormal[1] = -1;
    EXPECT_EQ(RvCompareD(&a, &b), 1);
    EXPECT_EQ(RvCompareD(&b, &a), 1);
}

namespace {

const double kOrigin[3] = {0, 0, 0};
std::vector<int> gProbes;
int gAnswer;

int RecordProbe(const RvTangentPointD*, const RvTangentPointD* element) {
    gProbes.push_back(element->count);
    return gAnswer;
}

// Bisects an index of `count` records whose counts are their ranks, giving every comparison
// the answer `answer`; returns the probed ranks followed by the end rank and the result.
std::vector<int> Traverse(int count, int answer) {
    std::vector<RvTangentPointD> data(static_cast<std::size_t>(count) + 1);
    RvSortedIndex index = {};
    EXPECT_TRUE(RvSortedIndexInit(&index, count + 1));
    for (int i = 0; i < count; ++i) {
        data[i].count = count - 1 - i;
        RvSortedIndexInsert(&index, 0, i, kOrigin);
    }
    gProbes.clear();
    gAnswer = answer;
    int result = 99;
    const int pos = RvIndexBinaryTraverseD(&data[count], data.data(), &index, count, &result, RecordProbe);
    RvSortedIndexRelease(&index);
    std::vector<int> out = gProbes;
    out.push_back(pos);
    out.push_back(result);
    return out;
}

}  // namespace

TEST(RvIndexBinaryTraverseD, HalvesTowardsTheEnds) {
    EXPECT_EQ(Traverse(0, 1), (std::vector<int>{0, -1}));
    EXPECT_EQ(Traverse(8, -1), (std::vector<int>{4, 2, 1, 0, 0, -1}));
    EXPECT_EQ(Traverse(8, 1), (std::vector<int>{4, 6, 7, 7, 1}));
    EXPECT_EQ(Traverse(8, 0), (std::vector<int>{4, 4, 0}));
    EXPECT_EQ(Traverse(1, 1), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(Traverse(5, -1), (std::vector<int>{2, 1, 0, 0, -1}));
}

TEST(RvSortedIndex, InsertsAtAnyRank) {
    std::mt19937 rng(7);
    const int capacity = 20000;
    RvSortedIndex index = {};
    ASSERT_TRUE(RvSortedIndexInit(&index, capacity));
    std::vector<int> expected;
    for (int n = 0; n < capacity; ++n) {
        const int rank = static_cast<int>(rng() % (expected.size() + 1));
        const int pick = static_cast<int>(rng() % 4);
        const int at = pick == 0 ? 0 : pick == 1 ? static_cast<int>(expected.size()) : rank;
        RvSortedIndexInsert(&index, at, n, kOrigin);
        expected.insert(expected.begin() + at, n);
    }
    ASSERT_EQ(RvSortedIndexCount(&index), capacity);
    for (int r = 0; r < capacity; ++r) ASSERT_EQ(RvSortedIndexAt(&index, r), expected[r]) << r;
    RvSortedIndexRelease(&index);
    EXPECT_EQ(RvSortedIndexCount(&index), 0);
}

namespace {

// x values in descending order, the 1500th of every 2500 at a random rank: ties, neighbours one or two units
// in the last place apart and infinities. Returns the rank of the new entry.
int InsertMostlyDescending(std::mt19937* rng, RvSortedIndex* index, std::vector<float>* xs, int n) {
    float x = static_cast<float>((*rng)() % 2000) / 1000.0f;
    const unsigned kind = (*rng)() % 100;
    if (kind < 20 && !xs->empty()) x = std::nextafter((*xs)[(*rng)() % xs->size()], kind % 2 ? 9.0f : -9.0f);
    if (kind == 20) x = (*rng)() % 2 ? INFINITY : -INFINITY;
    int rank = 0;
    if (n % 2500 != 1500) {
        while (rank < static_cast<int>(xs->size()) && !((*xs)[rank] < x)) ++rank;
    } else {
        rank = static_cast<int>((*rng)() % (xs->size() + 1));
    }
    const double position[3] = {x, 0, 0};
    RvSortedIndexInsert(index, rank, n, position);
    xs->insert(xs->begin() + rank, x);
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
    for (int r = 0; r < zone.first; ++r) {
        if (!(px - xs[r] < -KIV_VERT_TINY))
            return ::testing::AssertionFailure() << px << " below, rank " << r;
    }
    for (int r = zone.end; r < static_cast<int>(xs.size()); ++r) {
        if (!(px - xs[r] > KIV_VERT_TINY)) return ::testing::AssertionFailure() << px << " above, rank " << r;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(RvSortedIndex, ZoneHoldsEveryRankOutsideIt) {
    std::mt19937 rng(11);
    const int capacity = 6000;
    RvSortedIndex index = {};
    ASSERT_TRUE(RvSortedIndexInit(&index, capacity));
    std::vector<float> xs;
    for (int n = 0; n < capacity; ++n) {
        // One NaN, in a block split later on; that block is then searched entry by entry.
        if (n == 2000) {
            const double position[3] = {std::nan(""), 0, 0};
            RvSortedIndexInsert(&index, 1500, n, position);
            xs.insert(xs.begin() + 1500, NAN);
        } else {
            InsertMostlyDescending(&rng, &index, &xs, n);
        }
    }
    for (int i = 0; i < 2 * capacity; ++i) {
        const double px = i < capacity ? static_cast<double>(xs[i]) : SomeX(&rng, xs, i);
        RvSortedZone zone;
        RvSortedIndexZone(&index, px, &zone);
        ASSERT_TRUE(ZoneHolds(zone, px, xs));
        if (zone.first < zone.end) {
            ASSERT_EQ(zone.slot, RvSortedIndexSlot(&index, zone.first));
        }
    }
    RvSortedIndexRelease(&index);
}

TEST(RvSortedIndex, ZoneStaysValidThroughInsertions) {
    std::mt19937 rng(12);
    const int capacity = 3000;
    RvSortedIndex index = {};
    ASSERT_TRUE(RvSortedIndexInit(&index, capacity));
    std::vector<float> xs;
    for (int n = 0; n < 1000; ++n) InsertMostlyDescending(&rng, &index, &xs, n);
    std::vector<double> pxs;
    std::vector<RvSortedZone> zones;
    for (int i = 0; i < 40; ++i) {
        pxs.push_back(SomeX(&rng, xs, i));
        zones.emplace_back();
        RvSortedIndexZone(&index, pxs.back(), &zones.back());
    }
    for (int n = 1000; n < capacity; ++n) {
        const int rank = InsertMostlyDescending(&rng, &index, &xs, n);
        // The new entry after every insertion, every entry now and then.
        for (std::size_t i = 0; i < zones.size(); ++i) {
            RvSortedZoneAfterInsert(&zones[i], pxs[i], rank, xs[rank]);
            const RvSortedZone& zone = zones[i];
            ASSERT_TRUE(rank >= zone.first || pxs[i] - xs[rank] < -KIV_VERT_TINY) << "after " << n;
            ASSERT_TRUE(rank < zone.end || pxs[i] - xs[rank] > KIV_VERT_TINY) << "after " << n;
            ASSERT_TRUE(n % 50 != 0 || ZoneHolds(zone, pxs[i], xs)) << "after " << n;
        }
    }
    RvSortedIndexRelease(&index);
}
