// PNG maps. A normal map is data, not a picture: each channel byte is a packed direction
// component. So the samples are taken as they are stored: no gamma or colour-profile
// correction, no premultiplication; 16-bit samples are scaled to 8 bits with rounding, palettes
// and grey are expanded to RGB and a transparency chunk becomes an alpha channel.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <new>

#include "import/ImportInternal.h"

namespace {

// libpng reports errors through a callback that must not return: its message goes to the
// buffer given at creation and control goes back to the setjmp in ReadPng.
const std::size_t kMessageBytes = 256;

void PngError(png_structp png, png_const_charp message) {
    std::snprintf(static_cast<char*>(png_get_error_ptr(png)), kMessageBytes, "%s", message);
    png_longjmp(png, 1);
}

// Warnings (an odd colour profile, say) change nothing in the samples we take.
void PngWarning(png_structp, png_const_charp) {}

// The PNG's samples as 8-bit RGB, or RGBA when it has alpha. False with the reason in `error`
// (a fixed buffer of kMessageBytes, since nothing with a destructor may live across the longjmp
// of a libpng error).
bool ReadPng(FILE* fp, ImportedMap* map, char* error) {
    char pngMessage[kMessageBytes] = "";
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, pngMessage, PngError, PngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(error, kMessageBytes, "not enough memory to read the PNG");
        return false;
    }
    BYTE* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete[] pixels;
        delete[] rows;
        std::snprintf(error, kMessageBytes, "not a readable PNG (%.200s)", pngMessage);
        return false;
    }
    png_init_io(png, fp);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    int bitDepth = png_get_bit_depth(png, info);
    int colorType = png_get_color_type(png, info);
    if (width > kMaxMapSide || height > kMaxMapSide) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::snprintf(error, kMessageBytes, "%lu x %lu pixels, more than a Targa holds (65535 x 65535)",
                      (unsigned long)width, (unsigned long)height);
        return false;
    }

    bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns;
    bool grey = colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
    if (bitDepth == 16) png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (hasTrns) png_set_tRNS_to_alpha(png);
    if (grey) png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    int channels = png_get_channels(png, info);
    std::size_t rowBytes = png_get_rowbytes(png, info);
    if (channels != (hasAlpha ? 4 : 3) || rowBytes != std::size_t(width) * std::size_t(channels)) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::snprintf(error, kMessageBytes, "unexpected sample layout after conversion");
        return false;
    }
    // Both sides are at most 65535, so the product fits in size_t without overflow.
    pixels = new (std::nothrow) BYTE[rowBytes * height];
    rows = new (std::nothrow) png_bytep[height];
    if (pixels == nullptr || rows == nullptr) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete[] pixels;
        delete[] rows;
        std::snprintf(error, kMessageBytes, "not enough memory for %lu x %lu pixels", (unsigned long)width,
                      (unsigned long)height);
        return false;
    }
    // The bottom row comes first: libpng fills the rows from the end of the array.
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + std::size_t(height - 1 - y) * rowBytes;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    delete[] rows;

    map->width = int(width);
    map->height = int(height);
    map->bitDepth = channels * 8;
    map->pixels = pixels;
    map->greyscale = grey;
    return true;
}

}  // namespace

bool DecodePngMap(FILE* fp, ImportedMap* map, std::string* error) {
    char message[kMessageBytes];
    if (ReadPng(fp, map, message)) return true;
    *error = message;
    return false;
}
