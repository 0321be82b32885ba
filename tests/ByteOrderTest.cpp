#include <algorithm>
#include <cstdint>
#include <cstring>
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

template <typename T>
uint32 Reverse(void* arg, uint32 num) {
    return KivByteOrder<true>::Scalars<T>(arg, num);
}

// The big-endian variant of each array routine with the layout of one item. The host routines
// themselves are what the cross-host file check of `make test-big-endian` compares.
typedef std::tuple<const char*, std::string, Convert> Routine;
const std::string k16 = Scalars(2, 1), k32 = Scalars(4, 1), k64 = Scalars(8, 1);
const Routine kRoutines[] = {
    {"16 bits", k16, Reverse<UInt16>},
    {"32 bits", k32, Reverse<UInt32>},
    {"64 bits", k64, Reverse<UInt64>},
    {"RvHeader", "...." + k32, RvRecordByteOrder<true>::Header},
    {"RvRawPoint", Scalars(4, 3), RvRecordByteOrder<true>::Point},
    {"RvRawPointD", Scalars(8, 3), RvRecordByteOrder<true>::PointD},
    {"RvRawTexCoord", Scalars(4, 2), RvRecordByteOrder<true>::TexCoord},
    {"RvRawTriangle", Scalars(4, 24), RvRecordByteOrder<true>::Triangle},
    {"RvRawTangentSpace", Scalars(4, 18), RvRecordByteOrder<true>::TangentSpace},
    {"RvRawTangentSpaceD", Scalars(8, 18), RvRecordByteOrder<true>::TangentSpaceD},
    {"RvIndex", Scalars(4, 3), RvRecordByteOrder<true>::Index},
    // Fourteen doubles and the count; the padding behind the count is no field.
    {"RvTangentPointD", Scalars(8, 14) + k32 + std::string(sizeof(RvTangentPointD) - 116, '.'),
     RvRecordByteOrder<true>::TangentPointD},
    {"TGAHeaderInfo", "..." + Scalars(2, 2) + "." + Scalars(2, 4) + "..", TGAHeaderByteOrder<true>},
    // width, height, bitDepth, format, and the pointer, which no file holds.
    {"KivBitmap", Scalars(2, 2) + "." + k32 + std::string(sizeof(void*), '.'),
     RvRecordByteOrder<true>::Bitmap}};

// The first `num` items of `items` with the scalars of `layout` reversed.
Bytes Reversed(const std::string& layout, Bytes items, std::size_t num) {
    for (std::size_t at = 0; at < num * layout.size();) {
        const char kind = layout[at % layout.size()];
        const std::size_t width = kind == '.' ? 1 : std::size_t(kind - '0');
        std::reverse(items.begin() + at, items.begin() + at + width);
        at += width;
    }
    return items;
}

// Converts none, then two, of three items of distinct bytes, then the same two again.
void ExpectConversion(const std::string& layout, Convert convert) {
    Bytes original(3 * layout.size());
    for (std::size_t i = 0; i < original.size(); ++i) original[i] = static_cast<unsigned char>(i * 7 + 1);
    Bytes items = original;
    EXPECT_EQ(convert(items.data(), 0), 1u);
    EXPECT_EQ(items, original);
    EXPECT_EQ(convert(items.data(), 2), 1u);
    EXPECT_EQ(items, Reversed(layout, original, 2));
    EXPECT_EQ(convert(items.data(), 2), 1u);
    EXPECT_EQ(items, original);
}

template <typename T>
Bytes Raw(const std::vector<T>& values) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(values.data());
    return Bytes(p, p + values.size() * sizeof(T));
}

// Each pattern taken as a float is reversed by the primitive swap and by the big-endian array
// conversion, and restored by a second pass of each.
template <typename Bits, typename Float>
void ExpectPatternsSurvive(const std::vector<Bits>& patterns, Float (*swap)(Float)) {
    std::vector<Float> array(patterns.size());
    std::memcpy(array.data(), patterns.data(), patterns.size() * sizeof(Bits));
    std::vector<Float> single = array;
    const Bytes original = Raw(array);
    for (const Bytes& expected : {Reversed(Scalars(sizeof(Bits), 1), original, patterns.size()), original}) {
        KivByteOrder<true>::Scalars<Bits>(array.data(), array.size());
        for (Float& value : single) value = swap(value);
        EXPECT_EQ(Raw(array), expected);
        EXPECT_EQ(Raw(single), expected);
    }
}

}  // namespace

TEST(ByteOrder, FloatsKeepTheirBitPatternsThroughTwoSwaps) {
    // Signalling NaNs, infinities and denormals, and values whose reversal is one of them: a
    // conversion through a float register would change some.
    ExpectPatternsSurvive<UInt32, float32>({0x7F800001u, 0x00000001u, 0x7F800000u, 0x807FFFFFu, 0xFFBFFFFFu,
                                            0x0100807Fu, 0x0000807Fu, 0x010000FFu, 0x00807F00u},
                                           KivEndianFloat32_Swap);
    ExpectPatternsSurvive<UInt64, float64>(
        {0x7FF0000000000001ull, 0x0000000000000001ull, 0xFFF0000000000000ull, 0x000FFFFFFFFFFFFFull,
         0x010000000000F07Full, 0x000000000000F07Full},
        KivEndianFloat64_Swap);
}

TEST(ByteOrder, ReversingVariantConvertsExactlyTheListedScalarsAndIsItsOwnInverse) {
    for (const auto& [name, layout, reversing] : kRoutines) {
        SCOPED_TRACE(name);
        ExpectConversion(layout, reversing);
    }
}

TEST(ByteOrder, BigEndianHostPutsTheHeadersInFileOrder) {
    // "TRIS" with size 100 as a big-endian host holds it, and a Targa header's 16-bit pairs.
    Bytes tris = {'T', 'R', 'I', 'S', 0, 0, 0, 100}, targa(18);
    for (int i = 0; i < 18; ++i) targa[i] = static_cast<unsigned char>(i);
    RvRecordByteOrder<true>::Header(tris.data(), 1);
    TGAHeaderByteOrder<true>(targa.data(), 1);
    EXPECT_EQ(tris, (Bytes{'T', 'R', 'I', 'S', 100, 0, 0, 0}));
    EXPECT_EQ(targa, (Bytes{0, 1, 2, 4, 3, 6, 5, 7, 9, 8, 11, 10, 13, 12, 15, 14, 16, 17}));
}
