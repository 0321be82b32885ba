// Welding triangle corners into indexed vertex buffers.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"
#include "mesh/SortedIndex.h"
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

// The library's weld, or the literal one.
bool Weld(const std::vector<RvRawTriangle>& tris, Welded* out, bool literal = false) {
    const int n = static_cast<int>(tris.size());
    return literal ? LiteralCreateVertexBuffers(n, tris.data(), &out->numVerts, &out->verts, &out->indices)
                   : RvCreateVertexBuffers(n, tris.data(), &out->numVerts, &out->verts, &out->indices);
}

// The same vertex count and indices, and every vertex the same to the bit. A sum of two NaNs may
// carry either one's sign and payload, as the compiler orders the operands, so NaNs match any NaN.
static_assert(offsetof(RvTangentPointD, count) == 14 * sizeof(double), "fourteen doubles, then the count");
::testing::AssertionResult SameWeld(const Welded& a, const Welded& b, std::size_t numTris) {
    if (a.numVerts != b.numVerts)
        return ::testing::AssertionFailure() << a.numVerts << " vertices, not " << b.numVerts;
    if (std::memcmp(a.indices, b.indices, sizeof(RvIndex) * numTris) != 0)
        return ::testing::AssertionFailure() << "the indices differ";
    for (int n = 0; n < a.numVerts; ++n) {
        double x[14], y[14];
        std::memcpy(x, &a.verts[n], sizeof x), std::memcpy(y, &b.verts[n], sizeof y);
        bool same = a.verts[n].count == b.verts[n].count;
        for (int k = 0; k < 14; ++k)
            same = same &&
                   (std::memcmp(&x[k], &y[k], sizeof x[k]) == 0 || (std::isnan(x[k]) && std::isnan(y[k])));
        if (!same) return ::testing::AssertionFailure() << "vertex " << n << " differs";
    }
    return ::testing::AssertionSuccess();
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
                std::stable_sort(tris.begin(), tris.end(),
                                 [](const RvRawTriangle& a, const RvRawTriangle& b) {
                                     return a.vert[0].y != b.vert[0].y ? a.vert[0].y < b.vert[0].y
                                                                       : a.vert[0].x < b.vert[0].x;
                                 });
            }
            SCOPED_TRACE(testing::Message() << numTris << " triangles, variant " << variant);
            Welded fast, literal;
            ASSERT_TRUE(Weld(tris, &fast) && Weld(tris, &literal, true));
            ASSERT_TRUE(SameWeld(fast, literal, tris.size()));
        }
    }
}

// When no second thread can start (here its stack finds no address space), every chunk is
// prepared where it is welded, with the same results.
TEST(RvCreateVertexBuffers, WeldsAlikeWhenNoThreadCanStart) {
    if (!kAddressLimitWorks) GTEST_SKIP() << "no address-space limit under the sanitizers";
    pthread_attr_t attr;
    std::size_t stack = 0;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    pthread_attr_getstacksize(&attr, &stack);
    pthread_attr_destroy(&attr);
    constexpr std::size_t kHeadroom = std::size_t{6} << 20;
    if (stack <= kHeadroom) GTEST_SKIP() << "thread stacks of " << stack << " bytes fit the limit";
    std::mt19937 rng(31);
    const std::vector<RvRawTriangle> tris = RandomMesh(&rng, 3000, true);
    Welded literal;
    ASSERT_TRUE(Weld(tris, &literal, true));
    // A child forked from here could start a thread on a stack an earlier test left behind.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ZeroTrianglesUnderMemoryLimit(1, kHeadroom);
            bool threadStarts = true;
            try {
                std::thread([] {}).join();
            } catch (const std::system_error&) {
                threadStarts = false;
            }
            Welded fast;
            const bool same = !threadStarts && Weld(tris, &fast) && SameWeld(fast, literal, tris.size());
            std::exit(same ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
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
        {"NaN never exceeds", [](P*, P* b) { b->vertex[1] = std::nan(""), b->normal[0] = std::nan(""); }, 0,
         0},
        {"sums by direction", [](P*, P* b) { b->tangent[0] = 5, b->binormal[1] = 0.01; }, 0, 0},
        {"cosine 0.3", [](P*, P* b) { b->tangent[0] = 0.3, b->tangent[1] = std::sqrt(1 - 0.09); }, 0, 0},
        {"cosine 0.29", [](P*, P* b) { b->tangent[0] = 0.29, b->tangent[1] = std::sqrt(1 - 0.29 * 0.29); },
         -1, 1},
        {"opposite binormals", [](P*, P* b) { b->binormal[1] = -1; }, 1, 1},
    };
    for (const auto& c : cases) {
        P a = {{0, 0, 0}, {0, 0, 1}, {0.5, 0.5}, {1, 0, 0}, {0, 1, 0}, 1}, b = a;
        c.change(&a, &b);
        EXPECT_EQ(RvCompareD(&a, &b), c.ab) << c.what;
        EXPECT_EQ(RvCompareD(&b, &a), c.ba) << c.what;
    }
}

namespace {

// The sought record of a test search, and the records the index numbers.
struct TestSought {
    const RvTangentPointD* value;
    const RvTangentPointD* data;
};

int ProbeTestRecord(void* sought, int vertex) {
    const TestSought* s = static_cast<const TestSought*>(sought);
    return RvCompareD(s->value, &s->data[vertex]);
}

// A record whose every field comes from a few close values, so that fields often agree within
// the tolerance or miss it by a unit in the last place; positions also NaN and infinite.
RvTangentPointD CloseRecord(std::mt19937* rng) {
    static const float kNear[] = {1.0f, 0x1.000002p0f, 0x1.000004p0f, 0x1.fffffep-1f, 0.5f, 0.0f};
    auto near = [&] { return static_cast<double>(kNear[(*rng)() % 6]); };
    RvTangentPointD p = {{near(), near(), near()}, {0, 0, near()}, {near(), 0.5}, {1, 0, 0}, {0, 1, 0}, 1};
    const unsigned kind = (*rng)() % 40;
    if (kind == 0) p.vertex[(*rng)() % 3] = std::nan("");
    if (kind == 1) p.vertex[0] = (*rng)() % 2 ? INFINITY : -INFINITY;
    if (kind == 2) p.tangent[0] = -1;
    return p;
}

// Takes the steps of a guess for *sought, the first `from` of them left as they are, and
// checks that a likely vertex is one of the n entries or none.
::testing::AssertionResult Guess(const RvSortedIndex* index, const RvTangentPointD& sought, int from, int n,
                                 RvSortedKey* key, RvSortedGuess* guess) {
    RvSortedKeyOf(sought.vertex[0], key);
    if (from < 1) RvSortedIndexFetchBlock(index, key, guess);
    if (from < 2) RvSortedIndexFetchEntries(index, key, guess);
    const int likely = RvSortedIndexLikelyVertex(index, key, sought.vertex, guess);
    if (likely < -1 || likely >= n) return ::testing::AssertionFailure() << "likely vertex " << likely;
    return ::testing::AssertionSuccess();
}

}  // namespace

// Entries go in at any rank, so blocks hold x out of order, NaNs and infinities, and split past
// a group of 64 blocks; whatever the order, and with guesses made many insertions before, a
// search ends where the bisection over one flat array of the same entries ends.
TEST(RvSortedIndex, SearchesAsTheFlatBisectionWhateverTheOrder) {
    std::mt19937 rng(7);
    constexpr int kCount = 40000;
    constexpr int kRound = 1000;
    std::vector<RvTangentPointD> data;
    std::vector<int> flat;
    RvSortedIndex* index = RvSortedIndexCreate(kCount);
    ASSERT_NE(index, nullptr);
    std::vector<RvTangentPointD> sought(30);
    std::vector<RvSortedKey> keys(sought.size());
    std::vector<RvSortedGuess> guesses(sought.size(), RvSortedGuess{-1, -1, -1, -1});
    for (std::size_t i = 0; i < sought.size(); ++i) {
        sought[i] = CloseRecord(&rng);
        ASSERT_TRUE(Guess(index, sought[i], 0, 0, &keys[i], &guesses[i]));
    }
    for (int n = 0; n < kCount; ++n) {
        data.push_back(CloseRecord(&rng));
        int result;
        int rank = LiteralTraverse(&data[n], data.data(), flat.data(), n, &result);
        rank = n % 5 == 0 ? static_cast<int>(rng() % (flat.size() + 1)) : rank + (result > 0 ? 1 : 0);
        flat.insert(flat.begin() + rank, n);
        RvSortedIndexInsert(index, rank, n, data[n].vertex);
        if (n % kRound != kRound - 1) continue;
        for (std::size_t i = 0; i < sought.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "after " << n + 1 << " entries, search " << i);
            // A third of the guesses are made afresh, a third from the step that finds the
            // entries on, a third are as they were made a round before.
            if (i % 3 < 2) {
                ASSERT_TRUE(Guess(index, sought[i], static_cast<int>(i % 3), n + 1, &keys[i], &guesses[i]));
            }
            const int want = LiteralTraverse(&sought[i], data.data(), flat.data(), n + 1, &result);
            TestSought probing = {&sought[i], data.data()};
            RvSortedFound found;
            RvSortedIndexSearch(index, &keys[i], &guesses[i], sought[i].vertex, ProbeTestRecord, &probing,
                                &found);
            ASSERT_EQ(found.rank, want);
            ASSERT_EQ(found.result, result);
            ASSERT_EQ(found.vertex, result == 0 ? flat[want] : -1);
            // The next round's records, most of them copies of entries, guessed for now.
            sought[i] = i % 4 ? data[rng() % data.size()] : CloseRecord(&rng);
            ASSERT_TRUE(Guess(index, sought[i], 0, n + 1, &keys[i], &guesses[i]));
        }
    }
    RvSortedIndexRelease(index);
}
