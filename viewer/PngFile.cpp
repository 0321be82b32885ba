// Pictures of the frame as PNG files, through libpng.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "viewer/RVFView.h"

namespace {

// libpng reports errors through a callback that must not return; the message is kept for the
// caller before the jump back.
void PngError(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

}  // namespace

bool EncodePng(FILE* fp, int width, int height, const unsigned char* rgb, std::string* error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, PngError, PngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        *error = "not enough memory to encode the PNG";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, fp);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    size_t stride = 3 * static_cast<size_t>(width);
    for (int row = 0; row < height; ++row) png_write_row(png, rgb + stride * static_cast<size_t>(row));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void RgbaFrameToPicture(const unsigned char* rgba, int width, int height, unsigned char* rgb) {
    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    for (size_t row = 0; row < h; ++row) {
        const unsigned char* in = rgba + 4 * w * (h - 1 - row);
        unsigned char* out = rgb + 3 * w * row;
        for (size_t x = 0; x < w; ++x) std::memcpy(out + 3 * x, in + 4 * x, 3);
    }
}
