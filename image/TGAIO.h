// Targa images. Written: uncompressed true colour, 24 or 32 bits per pixel, channel bytes blue,
// green, red (then alpha), bottom row first. Read: the image types 1, 2 and 3 (colour-mapped,
// true colour, greyscale) stored plain and their run-length encoded forms 9, 10 and 11. Streams
// are opened by the caller in binary mode and never closed here; failures of TGAWriteImage and
// TGAReadImage print one line on standard error, TGAReadImageUpright hands its line back.
#ifndef IMAGE_TGAIO_H
#define IMAGE_TGAIO_H

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/MacSpecific.h"

// The 18-byte file header, byte-packed: the same bytes in memory as on disk.
#pragma pack(push, 1)
struct TGAHeaderInfo {
    BYTE idlen;     // length of the identification field behind the header
    BYTE cmtype;    // colour-map type
    BYTE imtype;    // image type (1, 2, 3: colour-mapped, true colour, greyscale; +8: run-length encoded)
    WORD cmorg;     // first colour-map entry
    WORD cmcnt;     // number of colour-map entries
    BYTE cmsize;    // bits per colour-map entry
    WORD imxorg;    // x origin
    WORD imyorg;    // y origin
    WORD imwidth;   // width in pixels
    WORD imheight;  // height in pixels
    BYTE imdepth;   // bits per pixel
    BYTE imdesc;    // bits 0-3: attribute bits per pixel; bit 4: origin at the right; bit 5: at the top
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

// Reads a header and the pixel data behind it, rows and pixels in stored order. *width, *height
// and *bitDepth are set from the header before any later check; *pixels receives a new array of
// width x height x (bitDepth / 8) bytes, the caller's also after a short read of the pixels:
// - types 2 and 3 (and any type this module does not know): the bytes behind the identification
//   field, exactly as stored (no channel exchange, no row flip), for any depth;
// - type 1: the colour indices as stored (the colour map is skipped, not applied);
// - types 9, 10, 11: the run-length packets decoded into the bytes of the same image stored
//   plain; a packet stream that ends early fails like a short read ("ERROR! Couldn't read
//   texels!"), and a depth other than 8, 16, 24 or 32 is refused before anything is allocated;
// - a colour map declared in front of the pixels (colour-map type 1) is skipped for types 1 to 11.
bool TGAReadImage(FILE* fp, int* width, int* height, int* bitDepth, BYTE** pixels);

// Reads the 18-byte header at fp's position into *header, in host order; silent. False when the
// stream ends first.
bool TGAReadHeader(FILE* fp, TGAHeaderInfo* header);

// True for a header of a kind TGAReadImage decodes: image type 1, 2, 3, 9, 10 or 11, colour-map
// type 0 or 1 (1 for the colour-mapped types), pixel depth 8, 15, 16, 24 or 32, colour-map entry
// size 0, 15, 16, 24 or 32, and the descriptor's two top bits clear. A Targa file carries no
// signature: this is how one is told from other files.
bool TGAHeaderIsKnown(const TGAHeaderInfo* header);

// True when TGAReadImage hands the rows of this header back bottom row first and left to right:
// plain true colour (type 2) with the origin at the bottom left, whatever the depth.
bool TGAHeaderIsBottomUp(const TGAHeaderInfo* header);

// Reads a true-colour Targa of 24 or 32 bits, plain (type 2) or run-length encoded (type 10),
// with its origin at any corner. *pixels receives a new array (the caller's) of
// width x height pixels of bitDepth / 8 bytes, channel bytes as in the file (blue, green, red,
// then alpha), bottom row first and each row left to right, whatever the origin; an empty image
// (a width or height of 0) is refused. False with one line in *error, and *pixels null, for
// anything else: a header that is not a Targa's, a colour-mapped, greyscale or 15- or 16-bit
// image, a file that ends early, too little memory. *width, *height and *bitDepth are set once
// the header is read.
bool TGAReadImageUpright(FILE* fp, int* width, int* height, int* bitDepth, BYTE** pixels, std::string* error);

// Replaces the green channel of `count` texels of `bytesPerTexel` bytes (3 or 4, green second,
// red or blue first) by 255 - green: a normal map's y axis turned round, between maps made green
// up (+Y) and green down (-Y). Doing it twice gives back the texels exactly.
void FlipGreenChannel(BYTE* texels, std::size_t count, int bytesPerTexel);

#endif
