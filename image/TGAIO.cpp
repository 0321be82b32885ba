// Targa reading and writing: uncompressed true colour behind an 18-byte little-endian header.
#include "image/TGAIO.h"

#include <cstdint>
#include <cstring>
#include <new>

// The writer hands the texels to the stream in blocks of this many bytes.
static const std::size_t kWriteBlockBytes = 8192000;

// width x height x bytesPerPixel in *bytes, or false when the product cannot be a byte count
// (a negative dimension, or more than an array can hold).
static bool PixelBytes(long long width, long long height, std::size_t bytesPerPixel, std::size_t* bytes) {
    if (width < 0 || height < 0) return false;
    const std::size_t limit = PTRDIFF_MAX;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    if (w != 0 && h > limit / w) return false;
    if (w * h != 0 && bytesPerPixel > limit / (w * h)) return false;
    *bytes = w * h * bytesPerPixel;
    return true;
}

bool TGAWriteImage(FILE* fp, int width, int height, int bitDepth, BYTE* image, bool aSwapRedBlue) {
    if (image == nullptr || fp == nullptr) {
        std::fprintf(stderr, "ERROR: NULL image or file pointer!\n");
        return false;
    }
    if (bitDepth != 24 && bitDepth != 32) {
        std::fprintf(stderr, "ERROR! Can only write 24 and 32 bit images! This image is %d bits.\n",
                     bitDepth);
        return false;
    }

    // Converted copy of the pixels.
    const std::size_t bytesPerPixel = static_cast<std::size_t>(bitDepth / 8);
    std::size_t byteCount = 0;
    BYTE* texels = nullptr;
    if (PixelBytes(width, height, bytesPerPixel, &byteCount)) texels = new (std::nothrow) BYTE[byteCount];
    if (texels == nullptr) {
        std::fprintf(stderr, "ERROR allocating memory for texels\n");
        return false;
    }
    for (std::size_t i = 0; i < byteCount; i += bytesPerPixel) {
        // The flag set means the caller's bytes are already blue first.
        texels[i] = aSwapRedBlue ? image[i] : image[i + 2];
        texels[i + 1] = image[i + 1];
        texels[i + 2] = aSwapRedBlue ? image[i + 2] : image[i];
        if (bytesPerPixel == 4) texels[i + 3] = image[i + 3];
    }

    // Header.
    TGAHeaderInfo header;
    std::memset(&header, 0, sizeof header);
    header.imtype = 2;
    header.imwidth = static_cast<WORD>(width);
    header.imheight = static_cast<WORD>(height);
    header.imdepth = static_cast<BYTE>(bitDepth);
    header.imdesc = 8;
    KivByteSwap_TGAHeaderInfo(&header, 1);
    if (std::fwrite(&header, sizeof header, 1, fp) != 1) {
        std::fprintf(stderr, "ERROR! Targa header not written successfully!\n");
        delete[] texels;
        return false;
    }

    // Texels, block by block.
    for (std::size_t offset = 0; offset < byteCount; offset += kWriteBlockBytes) {
        const std::size_t length =
            byteCount - offset < kWriteBlockBytes ? byteCount - offset : kWriteBlockBytes;
        const std::size_t written = std::fwrite(texels + offset, 1, length, fp);
        if (written != length) {
            std::fprintf(stderr, "ERROR! Texels not written successfully! Wrote %d instead of  %d\n",
                         static_cast<int>(written), static_cast<int>(length));
            delete[] texels;
            return false;
        }
    }

    delete[] texels;
    return true;
}

bool TGAReadImage(FILE* fp, int* width, int* height, int* bitDepth, BYTE** pixels) {
    TGAHeaderInfo header;
    if (std::fread(&header, sizeof header, 1, fp) != 1) {
        std::fprintf(stderr, "ERROR! Bad Targa header!\n");
        return false;
    }
    KivByteSwap_TGAHeaderInfo(&header, 1);

    *width = header.imwidth;
    *height = header.imheight;
    *bitDepth = header.imdepth;

    // Whatever type the header declares, the bytes behind the identification field are taken as
    // raw pixels; a depth below 8 bits gives no bytes at all.
    std::size_t byteCount = 0;
    const bool countable = PixelBytes(*width, *height, static_cast<std::size_t>(*bitDepth / 8), &byteCount);

    if (std::fseek(fp, header.idlen, SEEK_CUR) != 0) {
        std::fprintf(stderr, "ERROR! Couldn't seek past Targa header!\n");
        return false;
    }

    *pixels = countable ? new (std::nothrow) BYTE[byteCount] : nullptr;
    if (*pixels == nullptr) {
        std::fprintf(stderr, "ERROR allocating memory for pixels\n");
        return false;
    }
    if (std::fread(*pixels, 1, byteCount, fp) != byteCount) {
        std::fprintf(stderr, "ERROR! Couldn't read texels!\n");
        return false;
    }
    return true;
}
