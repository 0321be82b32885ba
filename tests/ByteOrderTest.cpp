#include <cstdint>
#include <cstring>

#include "TestFiles.h"
#include "platform/ByteOrder.h"

namespace {

typedef uint32 (*Routine)(void*, uint32);

// A multi-byte scalar of a record: its offset and width in bytes.
struct Field {
    std::size_t offset;
    std::size_t width;
};

// Each array routine in its three forms (reversing, non-reversing, the public one) with the
// record stride and the scalars of one item, as the file layouts give them.
struct Case {
    const char* name;
    std::size_t stride;
    std::vector<Field> fields;
    Routine reversing;
    Routine keeping;
    Routine host;
};

std::vector<Field> Run(std::size_t offset, std::size_t count, std::size_t width) {
    std::vector<Field> fields;
    for (std::size_t i = 0; i < count; ++i) fields.push_back({offset + i * width, width});
    return fields;
}

std::vector<Field> Cat(std::vector<Field> a, const std::vector<Field>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

#define BOTH_VARIANTS(member)                                           \
    [](void* a, uint32 n) { return KivByteOrder<true>::member(a, n); }, \
        [](void* a, uint32 n) { return KivByteOrder<false>::member(a, n); }

std::vector<Case> AllRoutines() {
    return {
        {"bool8", 1, {}, BOTH_VARIANTS(Bytes), KivByteSwap_bool8},
        {"char8", 1, {}, BOTH_VARIANTS(Bytes), KivByteSwap_char8},
        {"int8", 1, {}, BOTH_VARIANTS(Bytes), KivByteSwap_int8},
        {"uint8", 1, {}, BOTH_VARIANTS(Bytes), KivByteSwap_uint8},
        {"int16", 2, Run(0, 1, 2), BOTH_VARIANTS(U16), KivByteSwap_int16},
        {"uint16", 2, Run(0, 1, 2), BOTH_VARIANTS(U16), KivByteSwap_uint16},
        {"int32", 4, Run(0, 1, 4), BOTH_VARIANTS(U32), KivByteSwap_int32},
        {"uint32", 4, Run(0, 1, 4), BOTH_VARIANTS(U32), KivByteSwap_uint32},
        {"float32", 4, Run(0, 1, 4), BOTH_VARIANTS(U32), KivByteSwap_float32},
        {"float64", 8, Run(0, 1, 8), BOTH_VARIANTS(U64), KivByteSwap_float64},
        {"RvHeader", 8, Run(4, 1, 4), BOTH_VARIANTS(Header), KivByteSwap_RvHeader},
        {"RvRawPoint", 12, Run(0, 3, 4), BOTH_VARIANTS(Point), KivByteSwap_RvRawPoint},
        {"RvRawPointD", 24, Run(0, 3, 8), BOTH_VARIANTS(PointD), KivByteSwap_RvRawPointD},
        {"RvRawTexCoord", 8, Run(0, 2, 4), BOTH_VARIANTS(TexCoord), KivByteSwap_RvRawTexCoord},
        {"RvRawTriangle", 96, Run(0, 24, 4), BOTH_VARIANTS(Triangle), KivByteSwap_RvRawTriangle},
        {"RvRawTangentSpace", 72, Run(0, 18, 4), BOTH_VARIANTS(TangentSpace), KivByteSwap_RvRawTangentSpace},
        {"RvRawTangentSpaceD", 144, Run(0, 18, 8), BOTH_VARIANTS(TangentSpaceD),
         KivByteSwap_RvRawTangentSpaceD},
        {"RvIndex", 12, Run(0, 3, 4), BOTH_VARIANTS(Index), KivByteSwap_RvIndex},
        // Fourteen doubles and the count; the padding behind the count is no field.
        {"RvTangentPointD", sizeof(RvTangentPointD), Cat(Run(0, 14, 8), Run(112, 1, 4)),
         BOTH_VARIANTS(TangentPointD), KivByteSwap_RvTangentPointD},
        {"TGAHeaderInfo", 18, Cat(Run(3, 2, 2), Run(8, 4, 2)), BOTH_VARIANTS(TGAHeader),
         KivByteSwap_TGAHeaderInfo},
        // width, height and format at the packed stride; bitDepth and the pointer stay as they are.
        {"KivBitmap", sizeof(KivBitmap), Cat(Run(0, 2, 2), Run(5, 1, 4)), BOTH_VARIANTS(Bitmap),
         KivByteSwap_KivBitmap},
    };
}

// Distinct bytes, so that a swap of the wrong bytes or the wrong width shows.
Bytes Pattern(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<unsigned char>(i * 7 + 1);
    return b;
}

// What a reversing conversion of the first `num` items of `items` gives.
Bytes Reversed(const Case& c, Bytes items, std::size_t num) {
    for (std::size_t i = 0; i < num; ++i)
        for (const Field& f : c.fields) {
            unsigned char* p = items.data() + i * c.stride + f.offset;
            for (std::size_t k = 0; k < f.width / 2; ++k) std::swap(p[k], p[f.width - 1 - k]);
        }
    return items;
}

std::uint32_t Bits32(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

std::uint64_t Bits64(double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

}  // namespace

TEST(ByteOrder, PrimitiveSwapsReverseEveryByte) {
    EXPECT_EQ(KivEndian16_Swap(0x1234), 0x3412);
    EXPECT_EQ(KivEndian32_Swap(0x12345678u), 0x78563412u);
    EXPECT_EQ(KivEndian64_Swap(0x0102030405060708ull), 0x0807060504030201ull);
}

TEST(ByteOrder, FloatSwapsMoveBitPatternsNotValues) {
    // A signalling NaN, a denormal and an infinity, and values whose reversal is one of those.
    for (std::uint32_t bits :
         {0x7F800001u, 0x00000001u, 0x7F800000u, 0x0100807Fu, 0x0000807Fu, 0x8000A0FFu}) {
        float value;
        std::memcpy(&value, &bits, sizeof value);
        const float once = KivEndianFloat32_Swap(value);
        EXPECT_EQ(Bits32(once), KivEndian32_Swap(bits)) << std::hex << bits;
        EXPECT_EQ(Bits32(KivEndianFloat32_Swap(once)), bits) << std::hex << bits;
    }
    for (std::uint64_t bits : {0x7FF0000000000001ull, 0x0000000000000001ull, 0xFFF0000000000000ull,
                               0x010000000000F07Full, 0x000000000000F0FFull}) {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        const double once = KivEndianFloat64_Swap(value);
        EXPECT_EQ(Bits64(once), KivEndian64_Swap(bits)) << std::hex << bits;
        EXPECT_EQ(Bits64(KivEndianFloat64_Swap(once)), bits) << std::hex << bits;
    }
}

TEST(ByteOrder, ReversingVariantConvertsExactlyTheListedScalars) {
    for (const Case& c : AllRoutines()) {
        // Three items, of which only the first two are asked for.
        const Bytes original = Pattern(3 * c.stride);
        Bytes items = original;
        EXPECT_EQ(c.reversing(items.data(), 2), 1u) << c.name;
        EXPECT_EQ(items, Reversed(c, original, 2)) << c.name;
        EXPECT_EQ(c.reversing(items.data(), 2), 1u) << c.name;
        EXPECT_EQ(items, original) << c.name;
    }
}

TEST(ByteOrder, HostRoutinesFollowThisHostsOrder) {
    for (const Case& c : AllRoutines()) {
        const Bytes original = Pattern(2 * c.stride);
        const Bytes converted = kKivHostIsBigEndian ? Reversed(c, original, 2) : original;
        Bytes items = original;
        EXPECT_EQ(c.host(items.data(), 2), 1u) << c.name;
        EXPECT_EQ(items, converted) << c.name;
        EXPECT_EQ(c.host(items.data(), 2), 1u) << c.name;
        EXPECT_EQ(items, original) << c.name;

        EXPECT_EQ(c.keeping(items.data(), 2), 1u) << c.name;
        EXPECT_EQ(items, original) << c.name;
    }
}

TEST(ByteOrder, ZeroItemsConvertNothing) {
    for (const Case& c : AllRoutines()) {
        const Bytes original = Pattern(c.stride);
        Bytes items = original;
        EXPECT_EQ(c.reversing(items.data(), 0), 1u) << c.name;
        EXPECT_EQ(c.keeping(items.data(), 0), 1u) << c.name;
        EXPECT_EQ(c.host(items.data(), 0), 1u) << c.name;
        EXPECT_EQ(items, original) << c.name;
    }
}

TEST(ByteOrder, BigEndianHostWritesHeaderInFileOrder) {
    // "TRIS" with size 100 as a big-endian host holds it in memory.
    unsigned char record[8] = {'T', 'R', 'I', 'S', 0, 0, 0, 100};
    EXPECT_EQ(1u, KivByteOrder<true>::Header(record, 1));
    const unsigned char fileOrder[8] = {'T', 'R', 'I', 'S', 100, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(record, fileOrder, 8));
}

TEST(ByteOrder, BigEndianHostReversesTheTargaHeaderPairs) {
    unsigned char header[18];
    for (int i = 0; i < 18; ++i) header[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(1u, KivByteOrder<true>::TGAHeader(header, 1));
    const unsigned char expected[18] = {0, 1, 2, 4, 3, 6, 5, 7, 9, 8, 11, 10, 13, 12, 15, 14, 16, 17};
    EXPECT_EQ(0, std::memcmp(header, expected, 18));
}

TEST(ByteOrder, BigEndianHostKeepsFloatBitPatternsThroughTwoSwaps) {
    // Each value's byte reversal is a signalling NaN, an infinity or a denormal, or the value is
    // one itself: a conversion through a float register would change some of them.
    const std::uint32_t singlesIn[9] = {0x0100807Fu, 0x0000807Fu, 0x010000FFu, 0x01000000u, 0x00807F00u,
                                        0x7F800001u, 0x7F800000u, 0x807FFFFFu, 0xFFBFFFFFu};
    std::uint32_t singles[9];
    std::memcpy(singles, singlesIn, sizeof singles);
    EXPECT_EQ(1u, KivByteOrder<true>::U32(singles, 9));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(singles[i], KivEndian32_Swap(singlesIn[i])) << i;
    EXPECT_EQ(1u, KivByteOrder<true>::U32(singles, 9));
    EXPECT_EQ(0, std::memcmp(singles, singlesIn, sizeof singles));

    const std::uint64_t doublesIn[6] = {0x010000000000F07Full, 0x000000000000F07Full, 0x0100000000000000ull,
                                        0x7FF0000000000001ull, 0xFFF0000000000000ull, 0x000FFFFFFFFFFFFFull};
    std::uint64_t doubles[6];
    std::memcpy(doubles, doublesIn, sizeof doubles);
    EXPECT_EQ(1u, KivByteOrder<true>::U64(doubles, 6));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(doubles[i], KivEndian64_Swap(doublesIn[i])) << i;
    EXPECT_EQ(1u, KivByteOrder<true>::U64(doubles, 6));
    EXPECT_EQ(0, std::memcmp(doubles, doublesIn, sizeof doubles));
}
