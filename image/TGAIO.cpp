// Targa reading and writing: an 18-byte little-endian header, an identification field, an
// optional colour map, then the pixels, plain or as run-length packets.
#include "image/TGAIO.h"

#include <algorithm>
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

namespace {

// Descriptor bits: where the first stored pixel lies.
const BYTE kOriginRight = 0x10;
const BYTE kOriginTop = 0x20;

bool IsColourMapped(int type) { return type == 1 || type == 9; }
bool IsKnownType(int type) { return (type >= 1 && type <= 3) || (type >= 9 && type <= 11); }
bool IsRunLength(int type) { return type >= 9 && type <= 11; }
bool IsUsualDepth(int depth) {
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}
// Packets hold whole pixels, so only depths of whole bytes can be decoded.
bool IsRunLengthDepth(int depth) { return depth == 8 || depth == 16 || depth == 24 || depth == 32; }

// The colour map between the identification field and the pixels: entries of whole bytes.
std::size_t ColourMapBytes(const TGAHeaderInfo& header) {
    if (header.cmtype != 1 || !IsKnownType(header.imtype)) return 0;
    return std::size_t(header.cmcnt) * ((std::size_t(header.cmsize) + 7) / 8);
}

// The stream read through a block, so that packets of a few bytes do not each cost a library call.
struct BlockReader {
    FILE* fp;
    std::size_t at;
    std::size_t end;
    BYTE block[65536];
};

// Copies the next n bytes to out; false when the stream ends first.
bool Take(BlockReader* in, BYTE* out, std::size_t n) {
    while (n > 0) {
        if (in->at == in->end) {
            in->at = 0;
            in->end = std::fread(in->block, 1, sizeof in->block, in->fp);
            if (in->end == 0) return false;
        }
        const std::size_t part = std::min(n, in->end - in->at);
        std::memcpy(out, in->block + in->at, part);
        in->at += part;
        out += part;
        n -= part;
    }
    return true;
}

// Decodes run-length packets into byteCount bytes of pixels of bytesPerPixel bytes (byteCount
// a multiple of it). A packet that reaches past the last pixel is cut there, since some writers
// let the last one run over; false when the stream ends before the last pixel.
bool ReadRunLength(FILE* fp, std::size_t bytesPerPixel, std::size_t byteCount, BYTE* out) {
    BlockReader* in = new (std::nothrow) BlockReader;
    if (in == nullptr) return false;
    in->fp = fp;
    in->at = in->end = 0;
    std::size_t done = 0;
    bool complete = true;
    while (complete && done < byteCount) {
        BYTE packet;
        complete = Take(in, &packet, 1);
        if (!complete) break;
        const std::size_t bytes =
            std::min((std::size_t(packet & 0x7F) + 1) * bytesPerPixel, byteCount - done);
        if (packet & 0x80) {
            // A run: one pixel, repeated.
            complete = Take(in, out + done, bytesPerPixel);
            for (std::size_t i = bytesPerPixel; complete && i < bytes; ++i)
                out[done + i] = out[done + i - bytesPerPixel];
        } else {
            complete = Take(in, out + done, bytes);
        }
        done += bytes;
    }
    delete in;
    return complete;
}

enum BodyResult { kBodyRead, kBodyNoSeek, kBodyNoMemory, kBodyShort };

// Skips the identification field and the colour map behind the header just read, then reads
// or decodes byteCount bytes of pixels into a new array in *pixels (left there after a short
// read). countable false means no array can hold them. *pixels is untouched when the skip fails.
BodyResult ReadBody(FILE* fp, const TGAHeaderInfo& header, bool countable, std::size_t byteCount,
                    std::size_t bytesPerPixel, BYTE** pixels) {
    // At most 255 + 65535 x 4 bytes: no overflow in a long.
    const long skip = long(header.idlen) + long(ColourMapBytes(header));
    if (std::fseek(fp, skip, SEEK_CUR) != 0) return kBodyNoSeek;
    *pixels = countable ? new (std::nothrow) BYTE[byteCount] : nullptr;
    if (*pixels == nullptr) return kBodyNoMemory;
    const bool complete = IsRunLength(header.imtype) ? ReadRunLength(fp, bytesPerPixel, byteCount, *pixels)
                                                     : std::fread(*pixels, 1, byteCount, fp) == byteCount;
    return complete ? kBodyRead : kBodyShort;
}

// The rows reversed in place, and with `mirror` the pixels of each row.
void Reorder(BYTE* pixels, std::size_t width, std::size_t height, std::size_t bytesPerPixel, bool flip,
             bool mirror) {
    const std::size_t rowBytes = width * bytesPerPixel;
    for (std::size_t y = 0; flip && y < height / 2; ++y) {
        BYTE* row = pixels + y * rowBytes;
        std::swap_ranges(row, row + rowBytes, pixels + (height - 1 - y) * rowBytes);
    }
    for (std::size_t y = 0; mirror && y < height; ++y) {
        BYTE* row = pixels + y * rowBytes;
        for (std::size_t x = 0; x < width / 2; ++x)
            std::swap_ranges(row + x * bytesPerPixel, row + (x + 1) * bytesPerPixel,
                             row + (width - 1 - x) * bytesPerPixel);
    }
}

std::string Printed(const char* format, int a, int b = 0) {
    char line[160];
    std::snprintf(line, sizeof line, format, a, b);
    return line;
}

// Why TGAReadImageUpright does not take an image of this header, or "" when it does.
std::string Refusal(const TGAHeaderInfo& header) {
    const char* const kOnly = ": only true-colour images of 24 or 32 bits are read";
    if (!TGAHeaderIsKnown(&header))
        return Printed("not a Targa image (image type %d, %d bits per pixel)", header.imtype, header.imdepth);
    if (IsColourMapped(header.imtype)) return std::string("a colour-mapped Targa") + kOnly;
    if (header.imtype == 3 || header.imtype == 11) return std::string("a greyscale Targa") + kOnly;
    if (header.imdepth != 24 && header.imdepth != 32)
        return Printed("a %d-bit true-colour Targa", header.imdepth) + kOnly;
    if (header.imwidth == 0 || header.imheight == 0)
        return Printed("an empty Targa (%d x %d pixels)", header.imwidth, header.imheight);
    return "";
}

}  // namespace

bool TGAReadHeader(FILE* fp, TGAHeaderInfo* header) {
    if (std::fread(header, sizeof *header, 1, fp) != 1) return false;
    KivByteSwap_TGAHeaderInfo(header, 1);
    return true;
}

bool TGAHeaderIsKnown(const TGAHeaderInfo* header) {
    if (!IsKnownType(header->imtype) || header->cmtype > 1) return false;
    if (IsColourMapped(header->imtype) && header->cmtype != 1) return false;
    // Without a colour map its fields mean nothing, and some writers leave them filled.
    if (header->cmtype == 1 && (header->cmsize == 8 || !IsUsualDepth(header->cmsize))) return false;
    return IsUsualDepth(header->imdepth) && (header->imdesc & 0xC0) == 0;
}

bool TGAHeaderIsBottomUp(const TGAHeaderInfo* header) {
    return header->imtype == 2 && (header->imdesc & (kOriginRight | kOriginTop)) == 0;
}

bool TGAReadImage(FILE* fp, int* width, int* height, int* bitDepth, BYTE** pixels) {
    TGAHeaderInfo header;
    if (!TGAReadHeader(fp, &header)) {
        std::fprintf(stderr, "ERROR! Bad Targa header!\n");
        return false;
    }

    *width = header.imwidth;
    *height = header.imheight;
    *bitDepth = header.imdepth;

    if (IsRunLength(header.imtype) && !IsRunLengthDepth(*bitDepth)) {
        std::fprintf(stderr, "ERROR! Can't decode a run-length encoded Targa of %d bits per pixel!\n",
                     *bitDepth);
        return false;
    }
    // A depth below 8 bits gives no bytes at all.
    const std::size_t bytesPerPixel = static_cast<std::size_t>(*bitDepth / 8);
    std::size_t byteCount = 0;
    const bool countable = PixelBytes(*width, *height, bytesPerPixel, &byteCount);

    switch (ReadBody(fp, header, countable, byteCount, bytesPerPixel, pixels)) {
        case kBodyNoSeek:
            std::fprintf(stderr, "ERROR! Couldn't seek past Targa header!\n");
            return false;
        case kBodyNoMemory:
            std::fprintf(stderr, "ERROR allocating memory for pixels\n");
            return false;
        case kBodyShort:
            std::fprintf(stderr, "ERROR! Couldn't read texels!\n");
            return false;
        case kBodyRead:
            break;
    }
    return true;
}

bool TGAReadImageUpright(FILE* fp, int* width, int* height, int* bitDepth, BYTE** pixels,
                         std::string* error) {
    *pixels = nullptr;
    TGAHeaderInfo header;
    if (!TGAReadHeader(fp, &header)) {
        *error = "the file ends inside the 18-byte Targa header";
        return false;
    }
    *width = header.imwidth;
    *height = header.imheight;
    *bitDepth = header.imdepth;
    *error = Refusal(header);
    if (!error->empty()) return false;

    const std::size_t bytesPerPixel = static_cast<std::size_t>(*bitDepth / 8);
    std::size_t byteCount = 0;
    const bool countable = PixelBytes(*width, *height, bytesPerPixel, &byteCount);
    const BodyResult result = ReadBody(fp, header, countable, byteCount, bytesPerPixel, pixels);
    if (result != kBodyRead) {
        delete[] * pixels;
        *pixels = nullptr;
        *error = result == kBodyNoSeek     ? "cannot skip the Targa's identification field and colour map"
                 : result == kBodyNoMemory ? Printed("not enough memory for %d x %d pixels", *width, *height)
                 : IsRunLength(header.imtype) ? "the file ends inside the run-length packets"
                                              : "the file ends inside the pixels";
        return false;
    }
    Reorder(*pixels, std::size_t(*width), std::size_t(*height), bytesPerPixel,
            (header.imdesc & kOriginTop) != 0, (header.imdesc & kOriginRight) != 0);
    return true;
}
