#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <tuple>

#include "TestFiles.h"
#include "image/TGAByteOrder.h"
#include "mesh/RvByteOrder.h"
#include "platform/ByteOrder.h"

namespace {

typedef uint32 (*Convert)(void*, uint32);

// One character per byte of a record: '.' for a byte left alone, and for a scalar of width w,
// w times the digit w.
std::string Scalars(int width, int count) {
    return std::string(std::size_t(width * count), char('0' + width));
}

// The big-endian variant of each array routine for the records files hold, with the layout of one
// item. The host routines themselves are what the cross-host file check of `make test-big-endian`
// compares.
typedef std::tuple<const char*, std::string, Convert> Routine;
const Routine kRoutines[] = {
    {"RvHeader", "...." + Scalars(4, 1), RvRecordByteOrder<true>::Header},
    {"RvRawPoint", Scalars(4, 3), RvRecordByteOrder<true>::Point},
    {"RvRawTexCoord", Scalars(4, 2), RvRecordByteOrder<true>::TexCoord},
    {"RvRawTriangle", Scalars(4, 24), RvRecordByteOrder<true>::Triangle},
    {"RvRawTangentSpace", Scalars(4, 18), RvRecordByteOrder<true>::TangentSpace},
    {"RvRawTangentSpaceD", Scalars(8, 18), RvRecordByteOrder<true>::TangentSpaceD},
    {"TGAHeaderInfo", "..." + Scalars(2, 2) + "." + Scalars(2, 4) + "..", TGAHeaderByteOrder<true>}};

Bytes Reversed(const std::string& layout, Bytes items, std::size_t num) {
    for (std::size_t at = 0; at < num * layout.size();) {
        const char kind = layout[at % layout.size()];
        const std::size_t width = kind == '.' ? 1 : std::size_t(kind - '0');
        std::reverse(items.begin() + at, items.begin() + at + width);
        at += width;
    }
    return items;
}

// Each pattern taken as a float comes back from one swap with its bytes reversed and from a
// second as it was.
template <typename Bits, typename Float>
void ExpectSwapsKeepBits(std::initializer_list<Bits> patterns, Float (*swap)(Float)) {
    for (Bits bits : patterns) {
        Float value;
        std::memcpy(&value, &bits, sizeof value);
        const Bytes original(reinterpret_cast<unsigned char*>(&bits),
                             reinterpret_cast<unsigned char*>(&bits + 1));
        for (const Bytes& expected : {Reversed(Scalars(sizeof(Bits), 1), original, 1), original}) {
            value = swap(value);
            const unsigned char* p = reinterpret_cast<const unsigned char*>(&value);
            EXPECT_EQ(Bytes(p, p + sizeof value), expected) << std::hex << bits;
        }
    }
}

}  // namespace

TEST(ByteOrder, FloatsKeepTheirBitPatternsThroughTwoSwaps) {
    // A signalling NaN, an infinity, denormals, and values whose reversal is one of them: a
    // conversion through a float register would change some.
    ExpectSwapsKeepBits<UInt32, float32>({0x7F800001u, 0x00000001u, 0x7F800000u, 0x807FFFFFu, 0x0100807Fu},
                                         KivEndianFloat32_Swap);
    ExpectSwapsKeepBits<UInt64, float64>(
        {0x7FF0000000000001ull, 0x000FFFFFFFFFFFFFull, 0x010000000000F07Full}, KivEndianFloat64_Swap);
}

// Converting none, then two, of three items of distinct bytes, then the same two again.
TEST(ByteOrder, ReversingVariantConvertsExactlyTheListedScalarsAndIsItsOwnInverse) {
    for (const auto& [name, layout, convert] : kRoutines) {
        SCOPED_TRACE(name);
        Bytes original(3 * layout.size());
        for (std::size_t i = 0; i < original.size(); ++i) original[i] = static_cast<unsigned char>(i * 7 + 1);
        Bytes items = original;
        for (const auto& [num, expected] :
             {std::make_pair(0u, original), {2u, Reversed(layout, original, 2)}, {2u, original}}) {
            EXPECT_EQ(convert(items.data(), num), 1u);
            EXPECT_EQ(items, expected);
        }
    }
}
