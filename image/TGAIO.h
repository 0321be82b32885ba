// Targa images: uncompressed true colour, 24 or 32 bits per pixel, channel bytes blue, green,
// red (then alpha) in the file. Streams are opened by the caller in binary mode and never
// closed here; failures print one line on standard error.
#ifndef IMAGE_TGAIO_H
#define IMAGE_TGAIO_H

#include <cstddef>
#include <cstdio>

#include "platform/MacSpecific.h"

// The 18-byte file header, byte-packed: the same bytes in memory as on disk.
#pragma pack(push, 1)
struct TGAHeaderInfo {
    BYTE idlen;     // length of the identification field behind the header
    BYTE cmtype;    // colour-map type
    BYTE imtype;    // image type (2: uncompressed true colour)
    WORD cmorg;     // first colour-map entry
    WORD cmcnt;     // number of colour-map entries
    BYTE cmsize;    // bits per colour-map entry
    WORD imxorg;    // x origin
    WORD imyorg;    // y origin
    WORD imwidth;   // width in pixels
    WORD imheight;  // height in pixels
    BYTE imdepth;   // bits per pixel
    BYTE imdesc;    // bits 0-3: attribute bits per pixel; bit 5: origin at the top
};
#pragma pack(pop)

static_assert(sizeof(TGAHeaderInfo) == 18, "TGAHeaderInfo is 18 bytes");
static_assert(offsetof(TGAHeaderInfo, cmorg) == 3 && offsetof(TGAHeaderInfo, cmcnt) == 5 &&
                  offsetof(TGAHeaderInfo, cmsize) == 7 && offsetof(TGAHeaderInfo, imxorg) == 8 &&
                  offsetof(TGAHeaderInfo, imyorg) == 10 && offsetof(TGAHeaderInfo, imwidth) == 12 &&
                  offsetof(TGAHeaderInfo, imheight) == 14 && offsetof(TGAHeaderInfo, imdepth) == 16 &&
                  offsetof(TGAHeaderInfo, imdesc) == 17,
              "TGAHeaderInfo field offsets");

// Writes a header and width x height pixels of bitDepth 24 or 32 from `image` (not modified),
// rows in array order. aSwapRedBlue true copies the channel bytes as they are (the input is
// already blue first); false exchanges the first and third byte of each pixel (RGB in).
// A negative width or height, or a size no array can hold, fails as an allocation failure.
bool TGAWriteImage(FILE* fp, int width, int height, int bitDepth, BYTE* image, bool aSwapRedBlue);

// Reads a header and the pixels behind it. *width, *height and *bitDepth are set from the header
// before any later check; *pixels receives a new array of the pixel bytes exactly as stored
// (no channel exchange, no row flip), the caller's also after a short read of the pixels.
bool TGAReadImage(FILE* fp, int* width, int* height, int* bitDepth, BYTE** pixels);

#endif
