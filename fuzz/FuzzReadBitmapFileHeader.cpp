// ReadBitmapFileHeader on arbitrary bytes: it consumes at most its 14 bytes and, when they are
// there, stores each field as the little-endian value at its offset.
#include <algorithm>
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "platform/MacSpecific.h"

static WORD LittleEndian16(const std::uint8_t* p) { return WORD(p[0] | p[1] << 8); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* fp = FuzzStream(data, size);
    tagBITMAPFILEHEADER bfh;
    std::memset(&bfh, 0xA5, sizeof bfh);
    ReadBitmapFileHeader(fp, &bfh);
    FUZZ_CHECK(std::ftell(fp) == long(std::min<std::size_t>(size, 14)));
    if (size >= 14) {
        FUZZ_CHECK(bfh.bfType == LittleEndian16(data));
        FUZZ_CHECK(bfh.bfSize == FuzzLittleEndian32(data + 2));
        FUZZ_CHECK(bfh.bfReserved1 == LittleEndian16(data + 6));
        FUZZ_CHECK(bfh.bfReserved2 == LittleEndian16(data + 8));
        FUZZ_CHECK(bfh.bfOffBits == FuzzLittleEndian32(data + 10));
    }
    std::fclose(fp);
    return 0;
}
