// TGAReadImage on arbitrary bytes. The header fields land in the out-values whenever a header
// was read. Plain images succeed exactly when the file holds the identification field, the
// colour map and every pixel byte, which then come back unchanged; run-length encoded ones are
// decoded only at whole-byte depths. Whatever array is handed over is released.
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "image/TGAIO.h"

static const std::size_t kHeaderBytes = 18;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* fp = FuzzStream(data, size);
    int width = -1, height = -1, bitDepth = -1;
    BYTE* pixels = nullptr;
    const bool ok = TGAReadImage(fp, &width, &height, &bitDepth, &pixels);

    if (size >= kHeaderBytes) {
        const std::size_t idlen = data[0];
        const int type = data[2];
        const std::size_t w = std::size_t(data[12]) | std::size_t(data[13]) << 8;
        const std::size_t h = std::size_t(data[14]) | std::size_t(data[15]) << 8;
        const std::size_t depth = data[16];
        FUZZ_CHECK(std::size_t(width) == w && std::size_t(height) == h && std::size_t(bitDepth) == depth);
        const std::size_t count = w * h * (depth / 8);
        const bool known = (type >= 1 && type <= 3) || (type >= 9 && type <= 11);
        const std::size_t mapEntries = std::size_t(data[5]) | std::size_t(data[6]) << 8;
        const std::size_t map = known && data[1] == 1 ? mapEntries * ((std::size_t(data[7]) + 7) / 8) : 0;
        if (type >= 9 && type <= 11) {
            if (depth != 8 && depth != 16 && depth != 24 && depth != 32) FUZZ_CHECK(!ok && pixels == nullptr);
            // Each packet takes at least one byte and gives at most 128 pixels.
            if (ok) FUZZ_CHECK(pixels != nullptr && count / (depth / 8) <= 128 * (size - kHeaderBytes));
        } else {
            // The seek past the identification field and colour map succeeds even beyond the end.
            const std::size_t skip = kHeaderBytes + idlen + map;
            const bool fits = count == 0 || (skip <= size && count <= size - skip);
            FUZZ_CHECK(ok == fits);
            if (ok) {
                FUZZ_CHECK(pixels != nullptr);
                if (count > 0) FUZZ_CHECK(std::memcmp(pixels, data + skip, count) == 0);
            }
        }
    } else {
        FUZZ_CHECK(!ok);
    }
    delete[] pixels;
    std::fclose(fp);
    return 0;
}
