// TGAReadImageUpright on arbitrary bytes, held against TGAReadImage, which hands back the same
// pixels in stored order: it succeeds for a true-colour image of 24 or 32 bits with pixels
// exactly when TGAReadImage does, and its pixel (x, y) counted from the bottom left is the
// stored pixel mirrored by the origin the descriptor declares. Anything else fails with a
// message and no array.
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "image/TGAIO.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* fp = FuzzStream(data, size);
    int width = -1, height = -1, bitDepth = -1;
    BYTE* pixels = nullptr;
    std::string error;
    const bool ok = TGAReadImageUpright(fp, &width, &height, &bitDepth, &pixels, &error);
    std::fclose(fp);
    FUZZ_CHECK(ok == error.empty());
    FUZZ_CHECK(ok == (pixels != nullptr));

    FILE* stored = FuzzStream(data, size);
    int storedWidth = -1, storedHeight = -1, storedDepth = -1;
    BYTE* storedPixels = nullptr;
    const bool storedOk = TGAReadImage(stored, &storedWidth, &storedHeight, &storedDepth, &storedPixels);
    std::fclose(stored);

    TGAHeaderInfo header;
    if (size >= sizeof header) {
        std::memcpy(&header, data, sizeof header);
        KivByteSwap_TGAHeaderInfo(&header, 1);
    }
    const bool wanted =
        size >= sizeof header && TGAHeaderIsKnown(&header) && (header.imtype == 2 || header.imtype == 10) &&
        (header.imdepth == 24 || header.imdepth == 32) && header.imwidth > 0 && header.imheight > 0;
    FUZZ_CHECK(ok == (wanted && storedOk));
    if (ok) {
        FUZZ_CHECK(width == storedWidth && height == storedHeight && bitDepth == storedDepth);
        const std::size_t w = std::size_t(width), h = std::size_t(height), bpp = std::size_t(bitDepth / 8);
        const bool right = (data[17] & 0x10) != 0, top = (data[17] & 0x20) != 0;
        for (std::size_t y = 0; y < h; ++y) {
            for (std::size_t x = 0; x < w; ++x) {
                const std::size_t sx = right ? w - 1 - x : x, sy = top ? h - 1 - y : y;
                FUZZ_CHECK(std::memcmp(pixels + (y * w + x) * bpp, storedPixels + (sy * w + sx) * bpp, bpp) ==
                           0);
            }
        }
    }
    delete[] storedPixels;
    delete[] pixels;
    return 0;
}
