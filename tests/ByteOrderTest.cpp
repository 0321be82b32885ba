#include <cstring>

#include "TestFiles.h"
#include "platform/ByteOrder.h"

TEST(ByteOrder, PrimitiveSwapsReverseEveryByte) {
    EXPECT_EQ(KivEndian16_Swap(0x1234), 0x3412);
    EXPECT_EQ(KivEndian32_Swap(0x12345678u), 0x78563412u);
    EXPECT_EQ(KivEndian64_Swap(0x0102030405060708ull), 0x0807060504030201ull);
}

TEST(ByteOrder, BigEndianHostWritesHeaderInFileOrder) {
    // "TRIS" with size 100 as a big-endian host holds it in memory.
    unsigned char record[8] = {'T', 'R', 'I', 'S', 0, 0, 0, 100};
    EXPECT_EQ(1u, KivByteOrder<true>::Header(record, 1));
    const unsigned char fileOrder[8] = {'T', 'R', 'I', 'S', 100, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(record, fileOrder, 8));
}
