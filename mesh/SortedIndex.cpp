// The weld's sorted index, kept in blocks so that an insertion moves a block's tail and the
// block starts after it rather than the whole index.
//
// Every block keeps bounds of its x copies, and the blocks' running bounds from either end, so
// that the ranks whose comparison x alone settles are known from a few small arrays (the zone
// of a key); a search then looks only at the entries in between, one by one when they are few
// and fall in order, else by the bisection's steps. The look one by one is mostly taken ahead,
// by the guess's last step; a block's version, changed with its entries, says whether it stands.
#include "mesh/SortedIndex.h"

#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "mesh/RvFileIOInternal.h"

// One entry but its x, which is kept apart so that a block's x values are dense.
struct RvSortedRest {
    float32 y, z;
    int vertex;
};

// One block, in rank order. A NaN x widens the bounds to the infinities.
struct RvSortedBlock {
    int run;            // which run of slots holds it
    int size;           // its entries, kept here as well as in the starts: read at every search
    unsigned version;   // the index's count of changes when it last changed
    int monotone;       // its x never grows from one entry to the next (no NaN)
    float32 low, high;  // bounds of its x
};

struct RvSortedIndex {
    float32* x;          // the x copies, one run of slots per block
    RvSortedRest* rest;  // the rest of each entry, in the same slots
    float32* sample;     // per run, the x of every 16th slot
    RvSortedBlock* blocks;
    float32* prefixLow;   // prefixLow[b]: the lowest bound of block b and all before it
    float32* suffixHigh;  // suffixHigh[b]: the highest bound of block b and all after it
    int* first;           // first[b]: the rank of block b's first entry, less groupFirst[b / 64]
    int* groupFirst;      // groupFirst[g]: the rank of block 64 g's first entry
    int numBlocks;
    int count;
    int capacity;
    unsigned changes;  // insertions and splits so far
};

namespace {

// A full block is split in two halves, so every block but a lone first one holds at least
// kHalfBlock entries.
constexpr int kBlockSize = 512;
constexpr int kHalfBlock = kBlockSize / 2;
// The rank where each block starts is kept relative to the start of its group of 64 blocks,
// so that an insertion moves the starts of the blocks after it in its own group and the
// starts of the later groups, rather than the starts of all later blocks.
constexpr int kGroupShift = 6;
constexpr int kGroupSize = 1 << kGroupShift;
// Every block samples the x of each 16th slot; the 16 entries from a sample on are its span.
constexpr int kSampleShift = 4;
constexpr int kSampleStep = 1 << kSampleShift;
constexpr int kSamplesPerRun = kBlockSize / kSampleStep;

constexpr float32 kInfinity = std::numeric_limits<float32>::infinity();

void ReleaseStorage(RvSortedIndex* index) {
    delete[] index->x;
    delete[] index->rest;
    delete[] index->sample;
    delete[] index->blocks;
    delete[] index->prefixLow;
    delete[] index->suffixHigh;
    delete[] index->first;
    delete[] index->groupFirst;
    delete index;
}

// The rank of block b's first entry; block numBlocks starts at count.
int First(const RvSortedIndex* index, int b) { return index->groupFirst[b >> kGroupShift] + index->first[b]; }

int BlockSize(const RvSortedIndex* index, int b) { return index->blocks[b].size; }

std::size_t RunStart(const RvSortedIndex* index, int b) {
    return static_cast<std::size_t>(index->blocks[b].run) * kBlockSize;
}

const float32* Samples(const RvSortedIndex* index, int b) {
    return index->sample + static_cast<std::size_t>(index->blocks[b].run) * kSamplesPerRun;
}

int SampleCount(int size) { return (size + kSampleStep - 1) >> kSampleShift; }

// Makes the starts of all blocks ranks again, or relative to their group once more.
void MakeStartsAbsolute(RvSortedIndex* index) {
    for (int b = 0; b <= index->numBlocks; ++b) index->first[b] += index->groupFirst[b >> kGroupShift];
}

void MakeStartsRelative(RvSortedIndex* index) {
    for (int g = 0; g <= index->numBlocks >> kGroupShift; ++g) {
        index->groupFirst[g] = index->first[g << kGroupShift];
    }
    for (int b = 0; b <= index->numBlocks; ++b) index->first[b] -= index->groupFirst[b >> kGroupShift];
}

// The last i in [0, n) with v[i] <= value, for v growing and v[0] <= value.
int LastAtOrBelow(const int* v, int n, int value) {
    int base = 0;
    while (n > 1) {
        const int half = n >> 1;
        base = v[base + half] <= value ? base + half : base;
        n -= half;
    }
    return base;
}

// The block holding `rank` (0 <= rank < count): the last that starts at or before it, as no
// block but a lone first one is empty.
int BlockOf(const RvSortedIndex* index, int rank) {
    const int groups = ((index->numBlocks - 1) >> kGroupShift) + 1;
    const int g = LastAtOrBelow(index->groupFirst, groups, rank);
    const int b = g << kGroupShift;
    const int inGroup = index->numBlocks - b < kGroupSize ? index->numBlocks - b : kGroupSize;
    return b + LastAtOrBelow(index->first + b, inGroup, rank - index->groupFirst[g]);
}

std::size_t SlotOf(const RvSortedIndex* index, int rank) {
    const int b = BlockOf(index, rank);
    return RunStart(index, b) + static_cast<std::size_t>(rank - First(index, b));
}

// How many of the n values at v, from the first on, pass `leads`, which holds along a prefix of
// them. Branch-free, as the answer is anyone's guess from one search to the next. The count lies
// in [i, i + step] throughout: step starts as the largest power of two up to n, and a look at the
// last of the first n - step values puts the count in [n - step, n] or in [0, step], as n - step
// is less than step; each look after that halves step.
template <class Test>
int LeadingPassing(const float32* v, int n, const Test& leads) {
    if (n == 0) return 0;
    unsigned step = 1u << (31 - __builtin_clz(static_cast<unsigned>(n)));
    const int rest = n - static_cast<int>(step);
    // With no rest the first look is wasted, but it keeps i at 0 either way.
    int i = leads(v[rest > 0 ? rest - 1 : 0]) ? rest : 0;
    for (step >>= 1; step > 0; step >>= 1)
        i = leads(v[i + static_cast<int>(step) - 1]) ? i + static_cast<int>(step) : i;
    return i + (leads(v[i]) ? 1 : 0);
}

// LeadingPassing, looked for first at `hint` and within two of it, where it likely is.
template <class Test>
int LeadingPassingNear(const float32* v, int n, int hint, const Test& leads) {
    if (hint < 0 || hint > n) return LeadingPassing(v, n, leads);
    const bool below = hint == 0 || leads(v[hint - 1]);
    const bool above = hint == n || !leads(v[hint]);
    if (below && above) return hint;
    const int lo = below ? hint : hint > 2 ? hint - 2 : 0;
    const int hi = above ? hint : hint < n - 2 ? hint + 2 : n;
    if ((lo == 0 || leads(v[lo - 1])) && (hi == n || !leads(v[hi]))) {
        int k = lo;
        while (k < hi && leads(v[k])) ++k;
        return k;
    }
    return LeadingPassing(v, n, leads);
}

// Vectors of four lanes; plain scalar code where the target has none.
typedef float32 Floats4 __attribute__((vector_size(16)));
typedef int32 Ints4 __attribute__((vector_size(16)));

// How many of the n values at v (n at most kWidth, a multiple of four) pass `leads`, which holds
// along a prefix of them and takes four lanes as well as one value: the length of that prefix.
// All kWidth values are read, four at a time and independently rather than one after another,
// and those past the n are left out: a fixed count of steps leaves no loop exit to mispredict.
template <int kWidth, class Test>
int CountLeading(const float32* v, int n, const Test& leads) {
    static_assert(kWidth % 4 == 0, "whole vectors");
    const Ints4 lanes = {0, 1, 2, 3};
    Ints4 sum = {0, 0, 0, 0};
    for (int i = 0; i < kWidth; i += 4) {
        Floats4 x;
        std::memcpy(&x, v + i, sizeof x);
        sum += leads(x) & (lanes + i < n);
    }
    return -(sum[0] + sum[1] + sum[2] + sum[3]);
}

// CountLeading, or `hint` when the values on either side of it say so.
template <class Test>
int CountLeadingFrom(const float32* v, int n, int hint, const Test& leads) {
    if (hint >= 0 && hint <= n && (hint == 0 || leads(v[hint - 1])) && (hint == n || !leads(v[hint])))
        return hint;
    return CountLeading<kSamplesPerRun>(v, n, leads);
}

// The first offset in monotone block b (of `size` entries) whose x fails `leads`, which holds
// for the x above some value: the samples, of which `hint` likely lead, say in which span that
// is, the span where.
template <class Test>
int FirstFailing(const RvSortedIndex* index, int b, int size, int hint, const Test& leads) {
    const int k = CountLeadingFrom(Samples(index, b), SampleCount(size), hint, leads);
    if (k == 0) return 0;
    const int from = (k - 1) << kSampleShift;
    const int n = size - from < kSampleStep ? size - from : kSampleStep;
    return from + CountLeading<kSampleStep>(index->x + RunStart(index, b) + from, n, leads);
}

// Re-reads the samples of block b from slot offset `from` on.
void Resample(RvSortedIndex* index, int b, int from) {
    const float32* x = index->x + RunStart(index, b);
    float32* sample = index->sample + static_cast<std::size_t>(index->blocks[b].run) * kSamplesPerRun;
    const int size = BlockSize(index, b);
    for (int k = (from + kSampleStep - 1) >> kSampleShift; (k << kSampleShift) < size; ++k) {
        sample[k] = x[k << kSampleShift];
    }
}

// Bounds and order of block b, read from its entries.
void Survey(RvSortedIndex* index, int b) {
    const float32* x = index->x + RunStart(index, b);
    const int size = BlockSize(index, b);
    RvSortedBlock& block = index->blocks[b];
    block.low = kInfinity;
    block.high = -kInfinity;
    block.monotone = 1;
    for (int o = 0; o < size; ++o) {
        if (std::isnan(x[o])) {
            block.low = -kInfinity;
            block.high = kInfinity;
        } else {
            if (x[o] < block.low) block.low = x[o];
            if (x[o] > block.high) block.high = x[o];
        }
        if (o > 0 && !(x[o - 1] >= x[o])) block.monotone = 0;
    }
    Resample(index, b, 0);
}

// Carries block b's bounds into the running bounds, as far as they change.
void SpreadBounds(RvSortedIndex* index, int b) {
    const RvSortedBlock* blocks = index->blocks;
    float32 low = b > 0 ? index->prefixLow[b - 1] : kInfinity;
    for (int j = b; j < index->numBlocks; ++j) {
        low = blocks[j].low < low ? blocks[j].low : low;
        if (j > b && low == index->prefixLow[j]) break;
        index->prefixLow[j] = low;
    }
    float32 high = b + 1 < index->numBlocks ? index->suffixHigh[b + 1] : -kInfinity;
    for (int j = b; j >= 0; --j) {
        high = blocks[j].high > high ? blocks[j].high : high;
        if (j < b && high == index->suffixHigh[j]) break;
        index->suffixHigh[j] = high;
    }
}

// Moves `n` entries from slot `from` to slot `to`.
void MoveSlots(RvSortedIndex* index, std::size_t to, std::size_t from, int n) {
    const std::size_t count = static_cast<std::size_t>(n);
    std::memmove(index->x + to, index->x + from, count * sizeof(float32));
    std::memmove(index->rest + to, index->rest + from, count * sizeof(RvSortedRest));
}

// Opens a gap of one at position `at` of the numBlocks + `extra` values at v.
template <class T>
void OpenGap(T* v, int at, int numBlocks, int extra) {
    std::memmove(v + at + 1, v + at, static_cast<std::size_t>(numBlocks + extra - at) * sizeof(T));
}

// Moves the upper half of the full block b into a fresh run, listed as block b + 1.
void SplitBlock(RvSortedIndex* index, int b) {
    const int run = index->numBlocks;
    const std::size_t start = static_cast<std::size_t>(run) * kBlockSize;
    MoveSlots(index, start, RunStart(index, b) + kHalfBlock, kHalfBlock);
    // The fresh run's x and samples are read in whole lines: what lies past its entries is 0.
    std::memset(index->x + start + kHalfBlock, 0, kHalfBlock * sizeof(float32));
    std::memset(index->sample + static_cast<std::size_t>(run) * kSamplesPerRun, 0,
                kSamplesPerRun * sizeof(float32));
    OpenGap(index->blocks, b + 1, index->numBlocks, 0);
    OpenGap(index->prefixLow, b + 1, index->numBlocks, 0);
    OpenGap(index->suffixHigh, b + 1, index->numBlocks, 0);
    // Every later block changes place, and so may change group.
    MakeStartsAbsolute(index);
    OpenGap(index->first, b + 1, index->numBlocks, 1);
    index->blocks[b + 1].run = run;
    index->blocks[b].size = kHalfBlock;
    index->blocks[b + 1].size = kHalfBlock;
    index->blocks[b].version = ++index->changes;
    index->blocks[b + 1].version = ++index->changes;
    index->first[b + 1] = index->first[b] + kHalfBlock;
    ++index->numBlocks;
    MakeStartsRelative(index);
    // The two halves together hold what the block held, so the running bounds outside them
    // stay as they are.
    Survey(index, b);
    Survey(index, b + 1);
    const RvSortedBlock* blocks = index->blocks;
    float32* prefixLow = index->prefixLow;
    float32* suffixHigh = index->suffixHigh;
    const float32 lowBefore = b > 0 ? prefixLow[b - 1] : kInfinity;
    prefixLow[b] = blocks[b].low < lowBefore ? blocks[b].low : lowBefore;
    prefixLow[b + 1] = blocks[b + 1].low < prefixLow[b] ? blocks[b + 1].low : prefixLow[b];
    const float32 highAfter = b + 2 < index->numBlocks ? suffixHigh[b + 2] : -kInfinity;
    suffixHigh[b + 1] = blocks[b + 1].high > highAfter ? blocks[b + 1].high : highAfter;
    suffixHigh[b] = blocks[b].high > suffixHigh[b + 1] ? blocks[b].high : suffixHigh[b + 1];
}

// The first block whose running low bound is not above t, likely `hint`: every block before it
// holds only x above t.
int TopBlock(const RvSortedIndex* index, float32 t, int hint) {
    return LeadingPassingNear(index->prefixLow, index->numBlocks, hint, [t](float32 low) { return low > t; });
}

// The first block from `from` on whose running high bound is below t, galloping out from
// `from`: it is mostly the next one.
int BottomBlock(const RvSortedIndex* index, int from, float32 t) {
    const float32* high = index->suffixHigh;
    const int n = index->numBlocks;
    int lo = from;
    int probe = from;
    for (int step = 1; probe < n && !(high[probe] < t); step <<= 1) {
        lo = probe + 1;
        probe += step;
    }
    int hi = probe < n ? probe : n;
    while (lo < hi) {
        const int mid = (lo + hi) >> 1;
        if (high[mid] < t) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

// The ranks whose comparison with the key's x is not settled by x alone lie in [first, end):
// every entry below first has an x above key->after, every entry from end on one below
// key->before. The zone begins in block `top`, whose entries are the ranks [topFirst, topEnd),
// stored one after another from topSlot.
struct Zone {
    int first;
    int end;
    int topFirst;
    int topEnd;
    std::size_t topSlot;
};

// Non-empty index only; *guess is where the zone likely is. Parts of the guess that the entries
// on either side confirm are taken as they are: a zone needs only that the ranks before it put
// the key after them and the ranks from its end on before them.
void FindZone(const RvSortedIndex* index, const RvSortedKey* key, const RvSortedGuess* guess, Zone* zone) {
    const float32 after = key->after;
    const float32 before = key->before;
    const int top = TopBlock(index, after, guess->block);
    zone->topFirst = First(index, top);
    zone->first = zone->topFirst;
    zone->topEnd = zone->topFirst;
    zone->topSlot = 0;
    if (top == index->numBlocks) {
        zone->end = zone->first;
        return;
    }
    const int size = BlockSize(index, top);
    const float32* x = index->x + RunStart(index, top);
    const bool monotone = index->blocks[top].monotone;
    const bool guessed = monotone && top == guess->block;
    zone->topEnd += size;
    zone->topSlot = RunStart(index, top);
    if (guessed && guess->first >= 0 && guess->first <= size &&
        (guess->first == 0 || x[guess->first - 1] > after)) {
        zone->first += guess->first;
    } else if (monotone) {
        const int samples = top == guess->block ? guess->samples : -1;
        zone->first += FirstFailing(index, top, size, samples, [after](auto v) { return v > after; });
    }
    const bool later = top + 1 == index->numBlocks || index->suffixHigh[top + 1] < before;
    if (guessed && later && guess->end >= zone->first - zone->topFirst && guess->end <= size &&
        (guess->end == size || x[guess->end] < before)) {
        zone->end = zone->topFirst + guess->end;
        return;
    }
    // Mostly the zone ends in the same block, in the same span.
    const int bottom = BottomBlock(index, top, before);
    zone->end = First(index, bottom);
    if (bottom > top && index->blocks[bottom - 1].monotone) {
        const int b = bottom - 1;
        const int samples = b == guess->block ? guess->samples : -1;
        zone->end = First(index, b) + FirstFailing(index, b, BlockSize(index, b), samples,
                                                   [before](auto v) { return !(v < before); });
    }
}

// The next float towards +infinity, or -infinity; f is no NaN, and the infinities stay.
float32 StepUp(float32 f) {
    if (f == kInfinity) return f;
    if (f == 0) return std::numeric_limits<float32>::denorm_min();
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    bits = f > 0 ? bits + 1 : bits - 1;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

float32 StepDown(float32 f) { return -StepUp(-f); }

// The comparison of the sought record with the entry in `slot` as far as positions go: -1 or 1,
// or 0 when they agree within tolerance and the probe must decide.
int ComparePosition(const RvSortedIndex* index, std::size_t slot, const RvSortedKey* key,
                    const float64* position) {
    const float32 x = index->x[slot];
    if (x > key->after) return 1;
    if (x < key->before) return -1;
    const RvSortedRest& rest = index->rest[slot];
    int c;
    if ((c = RvCompareComponent(position[1], rest.y, KIV_VERT_TINY)) != 0) return c;
    return RvCompareComponent(position[2], rest.z, KIV_VERT_TINY);
}

// The comparison of the sought record with the entry of `rank`, inside the zone; *vertex
// receives the entry's vertex when the positions agree.
int ProbeRank(const RvSortedIndex* index, const Zone& zone, const RvSortedKey* key, const float64* position,
              int rank, RvSortedProbe probe, void* sought, int* vertex) {
    const unsigned inTop = static_cast<unsigned>(rank - zone.topFirst);
    const std::size_t slot = inTop < static_cast<unsigned>(zone.topEnd - zone.topFirst) ? zone.topSlot + inTop
                                                                                        : SlotOf(index, rank);
    const int c = ComparePosition(index, slot, key, position);
    if (c != 0) return c;
    *vertex = index->rest[slot].vertex;
    return probe(sought, *vertex);
}

// Zones this wide or narrower, inside their top block, are first compared entry by entry: most
// hold a few entries, and the bisection's steps down to them cost more than the comparisons.
constexpr int kSettleWidth = 16;

// The outcomes of the positions along a zone, taken one by one, with the probe's answer for a
// 0 left open. They are in order when they fall 1s, then at most one 0, then -1s; place is the
// offset after the last 1 (the 0's, as only 1s come before it), zero the first 0's or -1.
struct ZoneWalk {
    bool ordered;
    int place;
    int zero;
    int last;
};

constexpr ZoneWalk kZoneWalkStart = {true, 0, -1, 1};

// Takes outcome c of the entry at offset o, the next one along.
void TakeOutcome(ZoneWalk* walk, int o, int c) {
    if (c > walk->last || (c == 0 && walk->last == 0)) walk->ordered = false;
    if (c == 0 && walk->zero < 0) walk->zero = o;
    if (c > 0) walk->place = o + 1;
    walk->last = c;
}

// Ends a search whose outcomes along the zone fell in order, so over the whole index, as ranks
// before the zone give 1 and ranks after it -1: every bisection over the flat array then ends
// alike, at `rank` (after the last 1), where `vertex`, the 0 if there is one (else -1), is
// probed and matches or puts the record before or after it.
void EndSettled(int rank, int vertex, RvSortedProbe probe, void* sought, RvSortedFound* found) {
    found->rank = rank;
    if (vertex < 0) return;
    const int c = probe(sought, vertex);
    if (c == 0) {
        found->vertex = vertex;
    } else if (c > 0) {
        ++found->rank;
    }
}

// Compares the sought record with every entry of the zone, the probe asked about at most one.
// When the outcomes fall in order, *found receives where every bisection ends and the result is
// true; otherwise the bisection must be taken step by step.
bool SettleZone(const RvSortedIndex* index, const Zone& zone, const RvSortedKey* key, const float64* position,
                RvSortedProbe probe, void* sought, RvSortedFound* found) {
    const std::size_t slot = zone.topSlot + static_cast<std::size_t>(zone.first - zone.topFirst);
    ZoneWalk walk = kZoneWalkStart;
    for (int o = 0; o < zone.end - zone.first; ++o)
        TakeOutcome(&walk, o, ComparePosition(index, slot + o, key, position));
    if (!walk.ordered) return false;
    EndSettled(zone.first + walk.place, walk.zero >= 0 ? index->rest[slot + walk.zero].vertex : -1, probe,
               sought, found);
    return true;
}

// The search as the guess's last step settled it, if it was settled for this key and position
// and nothing it rests on has changed since: the block, by its version, and the bounds of the
// blocks on either side, which must still leave the zone inside the block.
bool SettledAhead(const RvSortedIndex* index, const RvSortedKey* key, const RvSortedGuess* guess,
                  const float64* position, RvSortedProbe probe, void* sought, RvSortedFound* found) {
    const int b = guess->block;
    if (guess->version == 0 || index->blocks[b].version != guess->version) return false;
    if (guess->key.after != key->after || guess->key.before != key->before || guess->y != position[1] ||
        guess->z != position[2])
        return false;
    if ((b > 0 && !(index->prefixLow[b - 1] > key->after)) ||
        (b + 1 < index->numBlocks && !(index->suffixHigh[b + 1] < key->before)))
        return false;
    EndSettled(First(index, b) + guess->place, guess->vertex, probe, sought, found);
    return true;
}

}  // namespace

void RvSortedKeyOf(float64 px, RvSortedKey* key) {
    if (std::isnan(px)) {
        key->after = key->before = std::numeric_limits<float32>::quiet_NaN();
        return;
    }
    // Both tests turn once along the floats, since px - x only falls as x grows: each key is
    // where its test turns, found by stepping from a float next to it.
    auto after = [px](float32 x) { return px - x < -KIV_VERT_TINY; };
    auto before = [px](float32 x) { return px - x > KIV_VERT_TINY; };
    auto nearest = [](float64 v) {
        constexpr float64 kMax = std::numeric_limits<float32>::max();
        return static_cast<float32>(v > kMax ? kMax : v < -kMax ? -kMax : v);
    };
    float32 a = nearest(px + KIV_VERT_TINY);
    while (after(a)) a = StepDown(a);
    while (a < kInfinity && !after(StepUp(a))) a = StepUp(a);
    key->after = a;
    float32 b = nearest(px - KIV_VERT_TINY);
    while (before(b)) b = StepUp(b);
    while (b > -kInfinity && !before(StepDown(b))) b = StepDown(b);
    key->before = b;
}

RvSortedIndex* RvSortedIndexCreate(int capacity) {
    assert(capacity > 0);
    const std::size_t runs = static_cast<std::size_t>(capacity) / kHalfBlock + 2;
    if (runs > SIZE_MAX / (sizeof(RvSortedRest) * kBlockSize)) return nullptr;
    RvSortedIndex* index = new (std::nothrow) RvSortedIndex{};
    if (index == nullptr) return nullptr;
    index->x = new (std::nothrow) float32[runs * kBlockSize];
    index->rest = new (std::nothrow) RvSortedRest[runs * kBlockSize];
    index->sample = new (std::nothrow) float32[runs * kSamplesPerRun];
    index->blocks = new (std::nothrow) RvSortedBlock[runs];
    index->prefixLow = new (std::nothrow) float32[runs];
    index->suffixHigh = new (std::nothrow) float32[runs];
    index->first = new (std::nothrow) int[runs + 1];
    index->groupFirst = new (std::nothrow) int[(runs >> kGroupShift) + 1];
    if (index->x == nullptr || index->rest == nullptr || index->sample == nullptr ||
        index->blocks == nullptr || index->prefixLow == nullptr || index->suffixHigh == nullptr ||
        index->first == nullptr || index->groupFirst == nullptr) {
        ReleaseStorage(index);
        return nullptr;
    }
    RvPreferLargePages(index->x, sizeof(float32) * runs * kBlockSize);
    RvPreferLargePages(index->rest, sizeof(RvSortedRest) * runs * kBlockSize);
    std::memset(index->x, 0, kBlockSize * sizeof(float32));
    std::memset(index->sample, 0, kSamplesPerRun * sizeof(float32));
    index->capacity = capacity;
    index->numBlocks = 1;
    index->blocks[0].run = 0;
    index->blocks[0].size = 0;
    index->blocks[0].version = 0;
    index->first[0] = 0;
    index->first[1] = 0;
    index->groupFirst[0] = 0;
    Survey(index, 0);
    SpreadBounds(index, 0);
    return index;
}

void RvSortedIndexRelease(RvSortedIndex* index) {
    if (index != nullptr) ReleaseStorage(index);
}

void RvSortedIndexSearch(const RvSortedIndex* index, const RvSortedKey* key, const RvSortedGuess* guess,
                         const float64* position, RvSortedProbe probe, void* sought, RvSortedFound* found) {
    found->vertex = -1;
    if (index->count == 0) {
        found->rank = 0;
        return;
    }
    if (SettledAhead(index, key, guess, position, probe, sought, found)) return;
    Zone zone;
    FindZone(index, key, guess, &zone);
    // Ranks before the zone put the sought record after them, ranks from its end on before
    // them. Until the bisection reaches the zone, its steps are settled that way; with no rank
    // in the zone it narrows down to the zone's place.
    if (zone.first == zone.end) {
        found->rank = zone.first;
        return;
    }
    if (zone.end - zone.first <= kSettleWidth && zone.end <= zone.topEnd) {
        if (SettleZone(index, zone, key, position, probe, sought, found)) return;
    }
    // Unsigned, so that (low + high) / 2, which is low + (high - low) / 2 for these ranks,
    // cannot overflow, and a rank lies outside the zone when rank - first wraps past its width.
    const unsigned first = static_cast<unsigned>(zone.first);
    const unsigned width = static_cast<unsigned>(zone.end - zone.first);
    unsigned low = 0;
    unsigned high = static_cast<unsigned>(index->count);
    unsigned mid = high >> 1;
    // Which way each step goes is anyone's guess, so it is taken by masks rather than a branch
    // that would be mispredicted half the time. Until the first look, low lies before the zone
    // (or is 0) and high at or past its end, so the interval keeps narrowing.
    while (mid - first >= width) {
        const unsigned after = 0u - static_cast<unsigned>(mid < first);
        low ^= (low ^ mid) & after;
        high = mid ^ ((mid ^ high) & after);
        mid = (low + high) >> 1;
    }
    for (;;) {
        while (mid - first >= width) {
            const unsigned after = 0u - static_cast<unsigned>(mid < first);
            low ^= (low ^ mid) & after;
            high = mid ^ ((mid ^ high) & after);
            const unsigned next = (low + high) >> 1;
            if (next == mid) {
                found->rank = static_cast<int>(mid) + (after != 0 ? 1 : 0);
                return;
            }
            mid = next;
        }
        int vertex = -1;
        const int r = ProbeRank(index, zone, key, position, static_cast<int>(mid), probe, sought, &vertex);
        if (r == 0) {
            found->vertex = vertex;
        } else if (r < 0) {
            high = mid;
        } else {
            low = mid;
        }
        // A match, or an interval that no longer narrows (which a now empty one does not),
        // ends the search.
        const unsigned next = (low + high) >> 1;
        if (r == 0 || next == mid) {
            found->rank = static_cast<int>(mid) + (r > 0 ? 1 : 0);
            return;
        }
        mid = next;
    }
}

void RvSortedIndexInsert(RvSortedIndex* index, int rank, int vertex, const float64* position) {
    assert(rank >= 0 && rank <= index->count && index->count < index->capacity);
    int b = rank == index->count ? index->numBlocks - 1 : BlockOf(index, rank);
    int offset = rank - First(index, b);
    if (BlockSize(index, b) == kBlockSize) {
        SplitBlock(index, b);
        if (offset > kHalfBlock) {
            ++b;
            offset -= kHalfBlock;
        }
    }
    const std::size_t start = RunStart(index, b);
    const int size = BlockSize(index, b) + 1;
    MoveSlots(index, start + offset + 1, start + offset, size - 1 - offset);
    const float32 x = static_cast<float32>(position[0]);
    index->x[start + offset] = x;
    index->rest[start + offset].y = static_cast<float32>(position[1]);
    index->rest[start + offset].z = static_cast<float32>(position[2]);
    index->rest[start + offset].vertex = vertex;
    const int group = b >> kGroupShift;
    const int groupEnd = (group + 1) << kGroupShift;
    const int firstEnd = groupEnd < index->numBlocks + 1 ? groupEnd : index->numBlocks + 1;
    for (int k = b + 1; k < firstEnd; ++k) ++index->first[k];
    for (int g = group + 1; g <= index->numBlocks >> kGroupShift; ++g) ++index->groupFirst[g];
    ++index->blocks[b].size;
    index->blocks[b].version = ++index->changes;
    ++index->count;

    RvSortedBlock& block = index->blocks[b];
    const float32* run = index->x + start;
    if ((offset > 0 && !(run[offset - 1] >= x)) || (offset + 1 < size && !(x >= run[offset + 1]))) {
        block.monotone = 0;
    }
    const float32 low = std::isnan(x) ? -kInfinity : x;
    const float32 high = std::isnan(x) ? kInfinity : x;
    if (low < block.low || high > block.high) {
        if (low < block.low) block.low = low;
        if (high > block.high) block.high = high;
        SpreadBounds(index, b);
    }
    Resample(index, b, offset);
}

void RvSortedIndexFetchBlock(const RvSortedIndex* index, const RvSortedKey* key, RvSortedGuess* guess) {
    const int top = TopBlock(index, key->after, guess->block);
    if (top != guess->block) guess->samples = -1;
    guess->block = top;
    guess->first = -1;
    guess->end = -1;
    guess->version = 0;
    if (top == index->numBlocks) return;
    const char* sample = reinterpret_cast<const char*>(Samples(index, top));
    __builtin_prefetch(sample);
    __builtin_prefetch(sample + kRvCacheLine);
    __builtin_prefetch(sample + kSamplesPerRun * sizeof(float32) - 1);
}

void RvSortedIndexFetchEntries(const RvSortedIndex* index, const RvSortedKey* key, RvSortedGuess* guess) {
    const int top = guess->block;
    const int size = top >= 0 && top < index->numBlocks ? BlockSize(index, top) : 0;
    if (size == 0) return;
    const float32 after = key->after;
    guess->samples = index->blocks[top].monotone
                         ? CountLeadingFrom(Samples(index, top), SampleCount(size), guess->samples,
                                            [after](auto x) { return x > after; })
                         : 0;
    const int span = guess->samples > 0 ? guess->samples - 1 : 0;
    const std::size_t slot = RunStart(index, top) + (static_cast<std::size_t>(span) << kSampleShift);
    // The span's x and rest, and the first entry after it, where the zone may begin.
    const char* rest = reinterpret_cast<const char*>(index->rest + slot);
    __builtin_prefetch(index->x + slot);
    __builtin_prefetch(index->x + slot + kSampleStep);
    for (int line = 0; line < 4; ++line) __builtin_prefetch(rest + line * kRvCacheLine);
}

int RvSortedIndexLikelyVertex(const RvSortedIndex* index, const RvSortedKey* key, const float64* position,
                              RvSortedGuess* guess) {
    guess->first = -1;
    guess->end = -1;
    guess->version = 0;
    // Blocks are never removed, so the block is still there, though maybe no longer the one meant.
    if (guess->block < 0 || guess->block >= index->numBlocks || !index->blocks[guess->block].monotone)
        return -1;
    const int size = BlockSize(index, guess->block);
    const int from = guess->samples > 0 ? (guess->samples - 1) << kSampleShift : 0;
    const int to = from + kSampleStep < size ? from + kSampleStep : size;
    if (from >= to) return -1;
    const std::size_t start = RunStart(index, guess->block);
    const float32* x = index->x + start;
    const float32 after = key->after;
    const int first =
        from + CountLeading<kSampleStep>(x + from, to - from, [after](auto v) { return v > after; });
    // The zone rarely runs on past the next span; then its end is left to the search. Its first
    // entry at the sought position is the one a search asks the probe about; the outcomes along
    // it settle the search when they fall in order and the zone is known to begin at first.
    const int stop = to + kSampleStep < size ? to + kSampleStep : size;
    ZoneWalk walk = kZoneWalkStart;
    int o = first;
    for (; o < stop && !(x[o] < key->before); ++o)
        TakeOutcome(&walk, o - first, ComparePosition(index, start + o, key, position));
    const int likely = walk.zero >= 0 ? index->rest[start + first + walk.zero].vertex : -1;
    const bool ordered = walk.ordered && (first == 0 || x[first - 1] > after);
    guess->first = first;
    guess->end = o < stop || stop == size ? o : -1;
    if (ordered && guess->end >= 0) {
        guess->version = index->blocks[guess->block].version;
        guess->place = first + walk.place;
        guess->vertex = likely;
        guess->key = *key;
        guess->y = position[1];
        guess->z = position[2];
    }
    return likely;
}
