// TGAReadImage on arbitrary bytes. The header fields land in the out-values whenever a header
// was read; the read succeeds exactly when the file holds the identification field and every
// pixel byte, which then come back unchanged. Whatever array is handed over is released.
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
        const std::size_t w = std::size_t(data[12]) | std::size_t(data[13]) << 8;
        const std::size_t h = std::size_t(data[14]) | std::size_t(data[15]) << 8;
        const std::size_t depth = data[16];
        FUZZ_CHECK(std::size_t(width) == w && std::size_t(height) == h && std::size_t(bitDepth) == depth);
        const std::size_t count = w * h * (depth / 8);
        // The seek past the identification field succeeds even beyond the end of the file.
        const bool fits =
            count == 0 || (kHeaderBytes + idlen <= size && count <= size - kHeaderBytes - idlen);
        FUZZ_CHECK(ok == fits);
        if (ok) {
            FUZZ_CHECK(pixels != nullptr);
            if (count > 0) FUZZ_CHECK(std::memcmp(pixels, data + kHeaderBytes + idlen, count) == 0);
        }
    } else {
        FUZZ_CHECK(!ok);
    }
    delete[] pixels;
    std::fclose(fp);
    return 0;
}
