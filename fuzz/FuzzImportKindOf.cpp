// ImportKindOf on arbitrary bytes. The stream is left at its start; a file told as RVF is one
// the RVF walk accepts or that begins with the container's tag; and a file told as a plain
// bottom-up Targa, which the viewer reads with TGAReadImage, gives exactly the pixels the
// upright reader gives whenever that one takes it.
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "image/TGAIO.h"
#include "import/Import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* fp = FuzzStream(data, size);
    const ImportKind kind = ImportKindOf(fp);
    FUZZ_CHECK(std::ftell(fp) == 0);
    if (kind == IMPORT_KIND_RVF)
        FUZZ_CHECK((size >= 4 && std::memcmp(data, "RVF ", 4) == 0) || RvFileHasTriangles(fp));
    if (kind == IMPORT_KIND_TARGA_PLAIN) {
        int width = 0, height = 0, depth = 0, uprightWidth = 0, uprightHeight = 0, uprightDepth = 0;
        BYTE* pixels = nullptr;
        BYTE* upright = nullptr;
        std::string error;
        const bool read = TGAReadImage(fp, &width, &height, &depth, &pixels);
        std::rewind(fp);
        if (TGAReadImageUpright(fp, &uprightWidth, &uprightHeight, &uprightDepth, &upright, &error)) {
            FUZZ_CHECK(read && width == uprightWidth && height == uprightHeight && depth == uprightDepth);
            const std::size_t bytes = std::size_t(width) * std::size_t(height) * std::size_t(depth / 8);
            FUZZ_CHECK(std::memcmp(pixels, upright, bytes) == 0);
        }
        delete[] pixels;
        delete[] upright;
    }
    std::fclose(fp);
    return 0;
}
