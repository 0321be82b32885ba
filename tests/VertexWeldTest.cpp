// Welding triangle corners into indexed vertex buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"
#include "mesh/SortedIndex.h"
#include "tests/LiteralWeld.h"
#include "tests/WeldTestMeshes.h"

namespace {

// The library's weld, or the literal one.
bool Weld(const std::vector<RvRawTriangle>& tris, Welded* out, bool literal = false) {
    const int n = static_cast<int>(tris.size());
    return literal ? LiteralCreateVertexBuffers(n, tris.data(), &out->numVerts, &out->verts, &out->indices)
                   : RvCreateVertexBuffers(n, tris.data(), &out->numVerts, &out->verts, &out->indices);
}

// The same vertex count, indices and vertices to the bit. A sum of two NaNs may carry either
// one's sign and payload, as the compiler orders the operands, so NaNs match any NaN.
static_assert(offsetof(RvTangentPointD, count) == 14 * sizeof(double), "fourteen doubles, then the count");
::testing::AssertionResult SameWeld(const Welded& a, const Welded& b, std::size_t numTris) {
    if (a.numVerts != b.numVerts || std::memcmp(a.indices, b.indices, sizeof(RvIndex) * numTris) != 0)
        return ::testing::AssertionFailure()
               << a.numVerts << " and " << b.numVerts << " vertices, or indices";
    for (int n = 0; n < a.numVerts; ++n) {
        double x[14], y[14];
        std::memcpy(x, &a.verts[n], sizeof x), std::memcpy(y, &b.verts[n], sizeof y);
        bool same = a.verts[n].count == b.verts[n].count;
        for (int k = 0; k < 14; ++k)
            same &= std::memcmp(&x[k], &y[k], sizeof x[k]) == 0 || (std::isnan(x[k]) && std::isnan(y[k]));
        if (!same) return ::testing::AssertionFailure() << "vertex " << n << " differs";
    }
    return ::testing::AssertionSuccess();
}

// A record sought in a sorted index, the records the index numbers, and the record's guess.
struct Search {
    RvTangentPointD record;
    const RvTangentPointD* data;
    RvSortedKey key;
    RvSortedGuess guess;
};

int ProbeSearch(void* search, int vertex) {
    const Search* s = static_cast<const Search*>(search);
    return RvCompareD(&s->record, &s->data[vertex]);
}

// The steps of a guess for the record, the first `from` of them left as they were.
void Guess(const RvSortedIndex* index, Search* s, int from = 0) {
    RvSortedKeyOf(s->record.vertex[0], &s->key);
    if (from < 1) RvSortedIndexFetchBlock(index, &s->key, &s->guess);
    if (from < 2) RvSortedIndexFetchEntries(index, &s->key, &s->guess);
    if (from < 3) RvSortedIndexLikelyVertex(index, &s->key, s->record.vertex, &s->guess);
}

// The search for s->record ends where the bisection over the flat array of entries ends.
::testing::AssertionResult SearchesAsTheFlatBisection(const RvSortedIndex* index, Search* s,
                                                      const std::vector<int>& flat) {
    int result;
    const int at = LiteralTraverse(&s->record, s->data, flat.data(), static_cast<int>(flat.size()), &result);
    RvSortedFound found;
    RvSortedIndexSearch(index, &s->key, &s->guess, s->record.vertex, ProbeSearch, s, &found);
    const int rank = at + (result > 0 ? 1 : 0);
    const int vertex = result == 0 ? flat[at] : -1;
    if (found.rank == rank && found.vertex == vertex) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rank " << found.rank << " and vertex " << found.vertex
                                         << ", not " << rank << " and " << vertex;
}

}  // namespace

// Tangent x and binormal z where all three u are 0: the literal weld shares the rule, so only this
// test pins it.
TEST(RvCreateVertexBuffers, TriangleWithoutUKeepsTheDefaultFrame) {
    Welded w;
    ASSERT_TRUE(
        Weld({MakeTriangle({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {0, 0}, {0, 1}}, {0, 0, 1})}, &w));
    const RvTangentPointD& p = w.verts[0];
    EXPECT_EQ(std::vector<double>(p.tangent, p.tangent + 3), (std::vector<double>{1, 0, 0}));
    EXPECT_EQ(std::vector<double>(p.binormal, p.binormal + 3), (std::vector<double>{0, 0, 1}));
}

TEST(RvCreateVertexBuffers, MatchesTheLiteralWeldBitForBit) {
    std::mt19937 rng(2024);
    // Sizes on both sides of the point where corners start to be prepared ahead, and one whose
    // index outgrows a group of 64 blocks; shuffled or in grid order, without and with NaNs.
    for (int numTris : {1, 5, 256, 257, 300, 2500, 7000, 20000, 40000}) {
        for (int variant = 0; variant < 4; ++variant) {
            SCOPED_TRACE(testing::Message() << numTris << " triangles, variant " << variant);
            const std::vector<RvRawTriangle> tris = RandomMesh(&rng, numTris, variant % 2, variant < 2);
            Welded fast, literal;
            ASSERT_TRUE(Weld(tris, &fast) && Weld(tris, &literal, true));
            ASSERT_TRUE(SameWeld(fast, literal, tris.size()));
        }
    }
}

// The comparison that both welds share, so that the literal weld cannot check it: tolerance and
// order of the fields, NaNs, the cosine of the directions.
TEST(RvCompareD, OrdersByDecreasingFieldsWithinToleranceAndFramesByDirection) {
    using P = RvTangentPointD;
    const struct {
        const char* what;
        void (*change)(P* a, P* b);
        int ab, ba;
    } cases[] = {
        {"position within 1e-7", [](P*, P* b) { b->vertex[0] = 0x1p-24; }, 0, 0},
        {"position before normal", [](P*, P* b) { b->vertex[0] = 0x1p-23, b->normal[2] = 0.5; }, 1, -1},
        {"normal before uv", [](P* a, P* b) { b->normal[2] = 0.5, a->uv[0] = 0; }, -1, 1},
        {"u before v", [](P* a, P* b) { a->uv[1] = 0, b->uv[0] = 0.25; }, -1, 1},
        {"v", [](P*, P* b) { b->uv[1] = 0.75; }, 1, -1},
        {"NaN never exceeds", [](P*, P* b) { b->vertex[1] = std::nan(""), b->normal[0] = std::nan(""); }, 0,
         0},
        // Scaled by a power of two, so that only a comparison without normalising tells it apart.
        {"cosine 0.3, short",
         [](P*, P* b) { b->tangent[0] = 0x1p-7 * 0.3, b->tangent[1] = 0x1p-7 * std::sqrt(1 - 0.09); }, 0, 0},
        {"cosine 0.29", [](P*, P* b) { b->tangent[0] = 0.29, b->tangent[1] = std::sqrt(1 - 0.29 * 0.29); },
         -1, 1},
    };
    for (const auto& c : cases) {
        P a = {{0, 0, 0}, {0, 0, 1}, {0.5, 0.5}, {1, 0, 0}, {0, 1, 0}, 1}, b = a;
        c.change(&a, &b);
        EXPECT_EQ(RvCompareD(&a, &b), c.ab) << c.what;
        EXPECT_EQ(RvCompareD(&b, &a), c.ba) << c.what;
    }
}

// What the weld cannot show: guesses made a thousand insertions before, and entries put in at
// any rank, so that blocks hold x out of order; a search still ends where the bisection over one
// flat array of the entries ends.
TEST(RvSortedIndex, SearchesAsTheFlatBisectionWhateverTheOrder) {
    std::mt19937 rng(7);
    constexpr int kCount = 40000;
    const std::vector<RvRawTriangle> tris = RandomMesh(&rng, kCount / 3 + 1);
    std::vector<RvTangentPointD> data(kCount);
    std::vector<int> flat;
    RvSortedIndex* index = RvSortedIndexCreate(kCount);
    ASSERT_NE(index, nullptr);
    std::vector<Search> searches(1000, Search{{}, data.data(), {}, kRvSortedNoGuess});
    for (int n = 0; n < kCount; ++n) {
        RvCopyPointD(&tris[n / 3], n % 3, &data[n]);
        // Zones of a few entries, some a unit in the last place apart.
        data[n].vertex[0] = std::nextafter(0.5f + (rng() % 8192) / 8192.0f, n % 3 ? 0.0f : 8.0f);
        int result;
        int rank = LiteralTraverse(&data[n], data.data(), flat.data(), n, &result) + (result > 0 ? 1 : 0);
        if (n % 499 == 0) rank = static_cast<int>(rng() % (flat.size() + 1));
        flat.insert(flat.begin() + rank, n);
        RvSortedIndexInsert(index, rank, n, data[n].vertex);
        // One record after each insertion, its guess made again from one of the steps on, or
        // kept whole.
        Search& s = searches[n % searches.size()];
        Guess(index, &s, n < 1000 ? 0 : n % 4);
        ASSERT_TRUE(SearchesAsTheFlatBisection(index, &s, flat)) << "search after " << n + 1 << " entries";
        // Its next record, an entry or one beside it, guessed now.
        s.record = data[rng() % (n + 1)];
        if (n % 2) s.record.vertex[0] = std::nextafter(s.record.vertex[0], 8.0);
        Guess(index, &s);
    }
    RvSortedIndexRelease(index);
}

// A search that the guess's last step settled stands only while all it rests on holds. Each row
// changes one thing after the guess, or guesses for another record, or leaves the guess unable
// to settle, where the settled answer would be wrong.
TEST(RvSortedIndex, SettledSearchStandsOnlyWhileAllItRestsOnHolds) {
    enum Row {
        kPutInBlock,
        kPutBefore,
        kPutAfter,
        kOtherX,
        kOtherY,
        kOtherZ,
        kSpanPastStart,
        kLongZone,
        kTwoAtPosition
    };
    const char* const rows[] = {"an entry put in its block",
                                "an entry put out of place in a block before",
                                "an entry put out of place in a block after",
                                "guessed for another x",
                                "guessed for another y",
                                "guessed for another z",
                                "a span guessed past the zone's start",
                                "a zone longer than the spans looked at",
                                "two entries at the position"};
    // Entries of falling x far apart, put in in order, so in blocks of 256.
    constexpr int kCount = 2048;
    constexpr float kStep = 1.0f / 4096;
    const RvRawTriangle tri =
        MakeTriangle({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}, {0, 0, 1});
    RvTangentPointD plain;
    RvCopyPointD(&tri, 0, &plain);
    for (int row = kPutInBlock; row <= kTwoAtPosition; ++row) {
        SCOPED_TRACE(rows[row]);
        std::vector<RvTangentPointD> data;
        data.reserve(kCount + 64);
        std::vector<int> flat;
        RvSortedIndex* index = RvSortedIndexCreate(kCount + 64);
        ASSERT_NE(index, nullptr);
        auto record = [&plain](float x, float y, float z) {
            RvTangentPointD r = plain;
            r.vertex[0] = x, r.vertex[1] = y, r.vertex[2] = z;
            return r;
        };
        // Puts r in at `rank`, or where the literal weld puts it.
        auto put = [&](const RvTangentPointD& r, int rank = -1) {
            data.push_back(r);
            int result;
            if (rank < 0) {
                rank = LiteralTraverse(&r, data.data(), flat.data(), static_cast<int>(flat.size()), &result) +
                       (result > 0 ? 1 : 0);
            }
            flat.insert(flat.begin() + rank, static_cast<int>(data.size()) - 1);
            RvSortedIndexInsert(index, rank, static_cast<int>(data.size()) - 1, r.vertex);
        };
        for (int n = 0; n < kCount; ++n) put(record(1.0f - n * kStep, 0, 0));
        const float between = 1.0f - 1100.5f * kStep;
        Search s = {data[1500], data.data(), {}, kRvSortedNoGuess};
        Search other = s;
        switch (row) {
            case kPutInBlock:
                s.record = record(between, 0, 0);
                Guess(index, &s);
                put(s.record);
                break;
            case kPutBefore:
            case kPutAfter:
                // Where the search first looks.
                s.record = data[row == kPutBefore ? 1900 : 100];
                Guess(index, &s);
                put(s.record, static_cast<int>(flat.size() + 1) / 2);
                break;
            case kOtherX:
            case kOtherY:
            case kOtherZ:
                other.record.vertex[row - kOtherX] += kStep / 2;
                Guess(index, &other);
                s.guess = other.guess;
                Guess(index, &s, 3);
                break;
            case kSpanPastStart:
                s.record = data[0];
                RvSortedKeyOf(s.record.vertex[0], &s.key);
                RvSortedIndexFetchBlock(index, &s.key, &s.guess);
                s.guess.samples = 2;
                Guess(index, &s, 2);
                break;
            case kLongZone:
                for (int n = 0; n < 40; ++n) put(record(between, n / 64.0f, 0));
                s.record = record(between, 0, 0);
                Guess(index, &s);
                break;
            case kTwoAtPosition:
                s.record = record(between, 0, 0);
                other.record = s.record;
                other.record.normal[0] = 0.5;
                put(other.record);
                put(s.record);
                Guess(index, &s);
                break;
        }
        if (row <= kOtherZ) {
            EXPECT_NE(s.guess.version, 0u) << "a settled guess";
        }
        s.data = data.data();
        EXPECT_TRUE(SearchesAsTheFlatBisection(index, &s, flat));
        RvSortedIndexRelease(index);
    }
}
