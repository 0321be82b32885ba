// ImportMapBytes on arbitrary bytes: every map decoder (PNG, JPEG, Targa) and the depth change,
// from memory. A success hands back a map of 1 to 65535 pixels a side at the depth asked, or at
// 24 or 32 bits; a failure a message and no array. The depth asked is taken from the input's
// length, so that every file is tried at each.
#include "fuzz/FuzzSupport.h"
#include "import/Import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int kDepths[] = {0, 24, 32};
    const int depth = kDepths[size % 3];
    ImportedMap map;
    std::string error;
    const bool ok = ImportMapBytes(data, size, depth, &map, &error);
    FUZZ_CHECK(ok == error.empty());
    FUZZ_CHECK(ok == (map.pixels != nullptr));
    if (ok) {
        FUZZ_CHECK(map.width >= 1 && map.width <= 65535 && map.height >= 1 && map.height <= 65535);
        FUZZ_CHECK(depth == 0 ? map.bitDepth == 24 || map.bitDepth == 32 : map.bitDepth == depth);
        // Every texel is there: touching the last byte is caught by the sanitizer otherwise.
        const std::size_t bytes =
            std::size_t(map.width) * std::size_t(map.height) * std::size_t(map.bitDepth / 8);
        volatile BYTE last = map.pixels[bytes - 1];
        (void)last;
    }
    delete[] map.pixels;
    return 0;
}
