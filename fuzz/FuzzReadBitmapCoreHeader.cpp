// ReadBitmapCoreHeader on arbitrary bytes: it consumes at most its 16 bytes and, when they are
// there, stores each field as the little-endian value at its offset.
#include <algorithm>
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "platform/MacSpecific.h"

static WORD LittleEndian16(const std::uint8_t* p) { return WORD(p[0] | p[1] << 8); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* fp = FuzzStream(data, size);
    tagBITMAPCOREHEADER bch;
    std::memset(&bch, 0xA5, sizeof bch);
    ReadBitmapCoreHeader(fp, &bch);
    FUZZ_CHECK(std::ftell(fp) == long(std::min<std::size_t>(size, 16)));
    if (size >= 16) {
        FUZZ_CHECK(bch.bcSize == FuzzLittleEndian32(data));
        FUZZ_CHECK(bch.bcWidth == LONG(FuzzLittleEndian32(data + 4)));
        FUZZ_CHECK(bch.bcHeight == LONG(FuzzLittleEndian32(data + 8)));
        FUZZ_CHECK(bch.bcPlanes == LittleEndian16(data + 12));
        FUZZ_CHECK(bch.bcBitCount == LittleEndian16(data + 14));
    }
    std::fclose(fp);
    return 0;
}
