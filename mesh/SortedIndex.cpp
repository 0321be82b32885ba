// The weld's sorted index: vertex numbers in rank order, kept in blocks so that an insertion
// moves a block's tail and the block starts after it rather than the whole index.
//
// Every block keeps bounds of its x copies, and the blocks' running bounds from either end,
// so that the ranks whose comparison is settled by x alone are known from a few small arrays
// (RvSortedIndexZone); a bisection then needs to look only at the entries in between.
#include <cassert>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"

namespace {

// A full block is split in two halves, so every block but a lone first one holds at least
// kHalfBlock entries.
constexpr int kBlockSize = 512;
constexpr int kHalfBlock = kBlockSize / 2;
// Ranks per lookup cell are fewer than a half block, so a cell spans at most two blocks.
constexpr int kCellShift = 7;
// The rank where each block starts is kept relative to the start of its group of 64 blocks,
// so that an insertion moves the starts of the blocks after it in its own group and the
// starts of the later groups, rather than the starts of all later blocks.
constexpr int kGroupShift = 6;
// Every block samples the x of each 16th slot.
constexpr int kSampleShift = 4;
constexpr int kSampleStep = 1 << kSampleShift;
constexpr int kSamplesPerRun = kBlockSize / kSampleStep;

constexpr float32 kInfinity = std::numeric_limits<float32>::infinity();

void ReleaseIndexStorage(RvSortedIndex* index) {
    delete[] index->x;
    delete[] index->rest;
    delete[] index->sample;
    delete[] index->blocks;
    delete[] index->first;
    delete[] index->groupFirst;
    delete[] index->cell;
    *index = RvSortedIndex{};
}

// The rank of block b's first entry; block numBlocks starts at count.
int First(const RvSortedIndex* index, int b) { return index->groupFirst[b >> kGroupShift] + index->first[b]; }

int BlockSize(const RvSortedIndex* index, int b) { return First(index, b + 1) - First(index, b); }

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

std::size_t RunStart(const RvSortedIndex* index, int b) {
    return static_cast<std::size_t>(index->blocks[b].run) * kBlockSize;
}

// Points every cell at the block that holds its first rank. Between refreshes a rank moves
// by no more than the insertions made meanwhile, which the walk of BlockOf absorbs. Cells
// below the lowest rank changed since the last refresh still hold, and are left alone.
void RefreshCells(RvSortedIndex* index) {
    index->numCells = (index->count >> kCellShift) + 1;
    const int from = index->staleFrom >> kCellShift;
    int b = from > 0 ? index->cell[from - 1] : 0;
    for (int c = from; c < index->numCells; ++c) {
        const int rank = c << kCellShift;
        while (b + 1 < index->numBlocks && First(index, b + 1) <= rank) ++b;
        index->cell[c] = b;
    }
    index->sinceRefresh = 0;
    index->staleFrom = INT_MAX;
}

// Notes that the blocks of the ranks from `rank` on may have changed.
void MarkStale(RvSortedIndex* index, int rank) {
    if (rank < index->staleFrom) index->staleFrom = rank;
}

// The block holding `rank` (0 <= rank < count).
int BlockOf(const RvSortedIndex* index, int rank) {
    int c = rank >> kCellShift;
    if (c >= index->numCells) c = index->numCells - 1;
    int b = index->cell[c];
    while (First(index, b) > rank) --b;
    while (First(index, b + 1) <= rank) ++b;
    return b;
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
    RvSortedBlock* blocks = index->blocks;
    float32 low = b > 0 ? blocks[b - 1].prefixLow : kInfinity;
    for (int j = b; j < index->numBlocks; ++j) {
        low = blocks[j].low < low ? blocks[j].low : low;
        if (j > b && low == blocks[j].prefixLow) break;
        blocks[j].prefixLow = low;
    }
    float32 high = b + 1 < index->numBlocks ? blocks[b + 1].suffixHigh : -kInfinity;
    for (int j = b; j >= 0; --j) {
        high = blocks[j].high > high ? blocks[j].high : high;
        if (j < b && high == blocks[j].suffixHigh) break;
        blocks[j].suffixHigh = high;
    }
}

// Moves `n` entries from slot `from` to slot `to`.
void MoveSlots(RvSortedIndex* index, std::size_t to, std::size_t from, int n) {
    const std::size_t count = static_cast<std::size_t>(n);
    std::memmove(index->x + to, index->x + from, count * sizeof(float32));
    std::memmove(index->rest + to, index->rest + from, count * sizeof(RvSortedRest));
}

// Moves the upper half of the full block b into a fresh run, listed as block b + 1.
void SplitBlock(RvSortedIndex* index, int b) {
    const int run = index->numBlocks;
    MoveSlots(index, static_cast<std::size_t>(run) * kBlockSize, RunStart(index, b) + kHalfBlock, kHalfBlock);
    const int after = index->numBlocks - (b + 1);
    std::memmove(index->blocks + b + 2, index->blocks + b + 1,
                 static_cast<std::size_t>(after) * sizeof(RvSortedBlock));
    // Every later block changes place, and so may change group.
    MakeStartsAbsolute(index);
    std::memmove(index->first + b + 2, index->first + b + 1,
                 static_cast<std::size_t>(after + 1) * sizeof(int));
    index->blocks[b + 1].run = run;
    index->first[b + 1] = index->first[b] + kHalfBlock;
    ++index->numBlocks;
    ++index->splits;
    MakeStartsRelative(index);
    // The two halves together hold what the block held, so the running bounds outside them
    // stay as they are.
    Survey(index, b);
    Survey(index, b + 1);
    RvSortedBlock* blocks = index->blocks;
    const float32 lowBefore = b > 0 ? blocks[b - 1].prefixLow : kInfinity;
    blocks[b].prefixLow = blocks[b].low < lowBefore ? blocks[b].low : lowBefore;
    blocks[b + 1].prefixLow =
        blocks[b + 1].low < blocks[b].prefixLow ? blocks[b + 1].low : blocks[b].prefixLow;
    const float32 highAfter = b + 2 < index->numBlocks ? blocks[b + 2].suffixHigh : -kInfinity;
    blocks[b + 1].suffixHigh = blocks[b + 1].high > highAfter ? blocks[b + 1].high : highAfter;
    blocks[b].suffixHigh =
        blocks[b].high > blocks[b + 1].suffixHigh ? blocks[b].high : blocks[b + 1].suffixHigh;
    // Cells from here on may now name the block before the one they mean, which BlockOf's walk
    // absorbs until the next refresh.
    MarkStale(index, First(index, b));
}

// The first i in [lo, hi) for which passes(i) holds, hi when none does; passes turns from
// false to true at most once.
template <class Test>
int FirstPassing(int lo, int hi, const Test& passes) {
    while (lo < hi) {
        const int m = (lo + hi) >> 1;
        if (passes(m)) {
            hi = m;
        } else {
            lo = m + 1;
        }
    }
    return lo;
}

// The same over [lo, hi), galloping out from `near`, where the answer is likely to be.
template <class Test>
int FirstPassingNear(int lo, int hi, int near, const Test& passes) {
    if (near < lo) near = lo;
    if (near >= hi) return FirstPassing(lo, hi, passes);
    int step = 1;
    if (passes(near)) {
        int upper = near;
        while (upper - step >= lo && passes(upper - step)) {
            upper -= step;
            step <<= 1;
        }
        return FirstPassing(upper - step + 1 > lo ? upper - step + 1 : lo, upper, passes);
    }
    int lower = near + 1;
    while (lower + step - 1 < hi && !passes(lower + step - 1)) {
        lower += step;
        step <<= 1;
    }
    return FirstPassing(lower, lower + step - 1 < hi ? lower + step - 1 : hi, passes);
}

// How many of the n values fail `test`. Every value is looked at, independently of the
// others, so the loads go out together instead of one after another as in a bisection.
template <class Test>
int CountFailing(const float32* v, int n, const Test& test) {
    int failing = 0;
    for (int i = 0; i < n; ++i) failing += static_cast<int>(!test(v[i]));
    return failing;
}

// The first offset of monotone block b, from `from` on, whose x passes `test`, which turns
// from false to true along the block; the block's size when none does. From the start of the
// block the samples narrow it to 16 entries, and since the test turns only once, counting the
// samples and entries that fail finds the turn; from further in it gallops.
template <class Test>
int FirstPassingEntry(const RvSortedIndex* index, int b, int from, const Test& test) {
    const float32* x = index->x + RunStart(index, b);
    const int size = BlockSize(index, b);
    if (from > 0) return FirstPassingNear(from, size, from, [&](int o) { return test(x[o]); });
    const float32* sample = index->sample + static_cast<std::size_t>(index->blocks[b].run) * kSamplesPerRun;
    const int k = CountFailing(sample, (size + kSampleStep - 1) >> kSampleShift, test);
    if (k == 0) return 0;
    // Sample k - 1 fails and sample k (or the block's end) passes.
    const int start = ((k - 1) << kSampleShift) + 1;
    const int to = k << kSampleShift < size ? k << kSampleShift : size;
    return start + CountFailing(x + start, to - start, test);
}

}  // namespace

bool RvSortedIndexInit(RvSortedIndex* index, int capacity) {
    *index = RvSortedIndex{};
    const std::size_t runs = static_cast<std::size_t>(capacity) / kHalfBlock + 2;
    const std::size_t cells = (static_cast<std::size_t>(capacity) >> kCellShift) + 2;
    index->x = new (std::nothrow) float32[runs * kBlockSize];
    index->rest = new (std::nothrow) RvSortedRest[runs * kBlockSize];
    index->sample = new (std::nothrow) float32[runs * kSamplesPerRun];
    index->blocks = new (std::nothrow) RvSortedBlock[runs];
    index->first = new (std::nothrow) int[runs + 1];
    index->groupFirst = new (std::nothrow) int[(runs >> kGroupShift) + 1];
    index->cell = new (std::nothrow) int[cells];
    if (index->x == nullptr || index->rest == nullptr || index->sample == nullptr ||
        index->blocks == nullptr || index->first == nullptr || index->groupFirst == nullptr ||
        index->cell == nullptr) {
        ReleaseIndexStorage(index);
        return false;
    }
    RvPreferLargePages(index->x, sizeof(float32) * runs * kBlockSize);
    RvPreferLargePages(index->rest, sizeof(RvSortedRest) * runs * kBlockSize);
    index->capacity = capacity;
    index->numBlocks = 1;
    index->blocks[0].run = 0;
    index->first[0] = 0;
    index->first[1] = 0;
    index->groupFirst[0] = 0;
    index->staleFrom = 0;
    Survey(index, 0);
    SpreadBounds(index, 0);
    RefreshCells(index);
    return true;
}

int RvSortedIndexCount(const RvSortedIndex* index) { return index->count; }

std::size_t RvSortedIndexSlot(const RvSortedIndex* index, int rank) {
    const int b = BlockOf(index, rank);
    return RunStart(index, b) + static_cast<std::size_t>(rank - First(index, b));
}

int RvSortedIndexAt(const RvSortedIndex* index, int rank) {
    return index->rest[RvSortedIndexSlot(index, rank)].vertex;
}

std::size_t RvSortedIndexInsert(RvSortedIndex* index, int rank, int vertex, const float64* position) {
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
    for (int k = b + 1; k < groupEnd && k <= index->numBlocks; ++k) ++index->first[k];
    for (int g = group + 1; g <= index->numBlocks >> kGroupShift; ++g) ++index->groupFirst[g];
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
    MarkStale(index, rank);
    if (++index->sinceRefresh > kHalfBlock) RefreshCells(index);
    return start + offset;
}

void RvSortedIndexRelease(RvSortedIndex* index) { ReleaseIndexStorage(index); }

void RvSortedIndexZone(RvSortedIndex* index, float64 px, RvSortedZone* zone) {
    // Both tests turn from false to true at most once along the running bounds, and inside a
    // monotone block along its entries, since px - x only grows as x falls.
    auto reached = [px](float32 x) { return !(px - x < -KIV_VERT_TINY); };
    auto below = [px](float32 x) { return px - x > KIV_VERT_TINY; };
    const RvSortedBlock* blocks = index->blocks;
    const int numBlocks = index->numBlocks;
    zone->splits = index->splits;

    // The first block whose x reach down to px, and in it the first entry that does. Welds
    // take corners of neighbouring triangles in turn, so the last answer is a good start.
    const int top =
        FirstPassingNear(0, numBlocks, index->zoneHint, [&](int b) { return reached(blocks[b].prefixLow); });
    index->zoneHint = top;
    const int offset =
        top < numBlocks && blocks[top].monotone ? FirstPassingEntry(index, top, 0, reached) : 0;
    zone->first = First(index, top) + offset;
    zone->slot = top < numBlocks ? RunStart(index, top) + static_cast<std::size_t>(offset) : 0;

    // The first block from which all lie below px, mostly the one after top, and in the block
    // before it the first entry of the run below px that reaches its end.
    const int bottom =
        FirstPassingNear(top, numBlocks, top + 1, [&](int b) { return below(blocks[b].suffixHigh); });
    zone->end = First(index, bottom);
    if (bottom > top && blocks[bottom - 1].monotone) {
        const int from = bottom - 1 == top ? offset : 0;
        zone->end = First(index, bottom - 1) + FirstPassingEntry(index, bottom - 1, from, below);
    }
    const int blockEnd = top < numBlocks ? First(index, top + 1) : zone->first;
    zone->stored = (zone->end < blockEnd ? zone->end : blockEnd) - zone->first;
    if (zone->first < zone->end) __builtin_prefetch(&index->rest[zone->slot]);
}

void RvSortedZoneAfterInsert(RvSortedZone* zone, float64 px, int rank, float32 x, std::size_t slot) {
    // Ranks from `rank` on moved up; the new entry stays outside only when x settles it on the
    // zone's side.
    const float64 d = px - x;
    // The stored run lies in one block: an entry put in before it in that block moves it a
    // slot up, one put in inside it lengthens it, and one put in after it leaves it alone.
    // When the zone grows down to the new entry, where the run starts is no longer known.
    if (zone->stored > 0) {
        if (rank >= zone->first) {
            if (rank < zone->first + zone->stored) ++zone->stored;
        } else if (!(d < -KIV_VERT_TINY)) {
            zone->stored = 0;
        } else if (slot / kBlockSize == zone->slot / kBlockSize) {
            ++zone->slot;
        }
    }
    if (rank < zone->first) {
        zone->first = d < -KIV_VERT_TINY ? zone->first + 1 : rank;
        ++zone->end;
    } else if (rank < zone->end) {
        ++zone->end;
    } else if (!(d > KIV_VERT_TINY)) {
        zone->end = rank + 1;
    }
}
