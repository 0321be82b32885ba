// rvftool map: a PNG normal map to the Targa that RVFView loads.
//
// A normal map is data, not a picture: each channel byte is a packed direction component. So
// the PNG's samples are taken as they are stored: no gamma or colour-profile correction, no
// premultiplication; 16-bit samples are scaled to 8 bits with rounding, palettes and grey
// are expanded to RGB and a transparency chunk becomes an alpha channel.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "image/TGAIO.h"
#include "platform/Progress.h"
#include "tools/common/CommandLine.h"
#include "tools/rvftool/Commands.h"
#include "tools/rvftool/MeshFiles.h"

namespace {

const char kHelp[] =
    "Usage: rvftool map [--depth 24|32] IN.png OUT.tga\n"
    "\n"
    "Writes the PNG normal map IN.png to OUT.tga as an uncompressed Targa that RVFView loads:\n"
    "32 bits when the PNG has alpha (an alpha channel or a transparency chunk), kept as it is\n"
    "for the viewer's Alpha mode, else 24 bits. The samples are copied as stored, without any\n"
    "gamma or colour-profile correction; 16-bit samples are rounded to 8 bits. Rows are stored\n"
    "bottom first, as the Targa declares, so the map lies the same way on the mesh as in the\n"
    "PNG. A Targa holds at most 65535 x 65535 pixels.\n"
    "\n"
    "Options:\n"
    "  --depth 24|32  write this many bits per pixel: 24 drops the alpha, 32 adds an opaque one\n"
    "  -h, --help     show this help\n";

const std::uint32_t kMaxTargaSide = 65535;

struct PngImage {
    std::uint32_t width;
    std::uint32_t height;
    bool hasAlpha;
    int channels;           // 3 or 4 in `pixels`
    unsigned char* pixels;  // rows bottom first, RGB or RGBA; array new
};

// libpng reports errors through a callback that must not return; its message is kept here
// and control goes back to the setjmp in ReadPng.
char gPngError[256];

void PngError(png_structp png, png_const_charp message) {
    std::snprintf(gPngError, sizeof gPngError, "%s", message);
    png_longjmp(png, 1);
}

// Warnings (an odd colour profile, say) change nothing in the samples we take.
void PngWarning(png_structp, png_const_charp) {}

// The PNG's samples as 8-bit RGB or RGBA at the depth asked (0: as the file has alpha or not).
// False with the reason in `error` (a fixed buffer, since nothing with a destructor may live
// across the longjmp of a libpng error).
bool ReadPng(FILE* fp, int depth, PngImage* image, char* error, std::size_t errorSize) {
    image->pixels = nullptr;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(error, errorSize, "not enough memory to read the PNG");
        return false;
    }
    unsigned char* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete[] pixels;
        delete[] rows;
        std::snprintf(error, errorSize, "not a readable PNG (%s)", gPngError);
        return false;
    }
    png_init_io(png, fp);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    int bitDepth = png_get_bit_depth(png, info);
    int colorType = png_get_color_type(png, info);
    if (width > kMaxTargaSide || height > kMaxTargaSide) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::snprintf(error, errorSize, "%lu x %lu pixels, more than a Targa holds (65535 x 65535)",
                      (unsigned long)width, (unsigned long)height);
        return false;
    }

    bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    image->hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns;
    if (bitDepth == 16) png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (hasTrns) png_set_tRNS_to_alpha(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    int wanted = depth != 0 ? depth : (image->hasAlpha ? 32 : 24);
    if (wanted == 24 && image->hasAlpha) png_set_strip_alpha(png);
    if (wanted == 32 && !image->hasAlpha) png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    int channels = png_get_channels(png, info);
    std::size_t rowBytes = png_get_rowbytes(png, info);
    if (channels * 8 != wanted || rowBytes != std::size_t(width) * std::size_t(channels)) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::snprintf(error, errorSize, "unexpected sample layout after conversion");
        return false;
    }
    // Both sides are at most 65535, so the product fits in size_t without overflow.
    pixels = new (std::nothrow) unsigned char[rowBytes * height];
    rows = new (std::nothrow) png_bytep[height];
    if (pixels == nullptr || rows == nullptr) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete[] pixels;
        delete[] rows;
        std::snprintf(error, errorSize, "not enough memory for %lu x %lu pixels", (unsigned long)width,
                      (unsigned long)height);
        return false;
    }
    // The Targa stores the bottom row first: libpng fills the rows from the end of the array.
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + std::size_t(height - 1 - y) * rowBytes;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    delete[] rows;

    image->width = width;
    image->height = height;
    image->channels = channels;
    image->pixels = pixels;
    return true;
}

}  // namespace

int RunMap(int argc, char** argv) {
    static const char* const kOptions[] = {"--depth=", nullptr};
    CommandLine line;
    int status;
    if (!ParseCommandLine("map", argc, argv, kOptions, &line, &status)) return status;
    if (line.help) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    int depth = 0;
    if (const char* value = OptionValue(line, "--depth")) {
        if (std::strcmp(value, "24") == 0)
            depth = 24;
        else if (std::strcmp(value, "32") == 0)
            depth = 32;
        else
            return UsageError("map", "depth '%s' is neither 24 nor 32", value);
    }
    if (line.operands.size() != 2) return UsageError("map", "expects a PNG file and a Targa file");
    const char* in = line.operands[0];
    const char* out = line.operands[1];

    FILE* fp = std::fopen(in, "rb");
    if (fp == nullptr) return Fail("%s: cannot open: %s", in, std::strerror(errno));
    PngImage image;
    char error[512];
    ProgressBegin("reading PNG", 0);
    bool read = ReadPng(fp, depth, &image, error, sizeof error);
    ProgressEnd();
    std::fclose(fp);
    if (!read) return Fail("%s: %s", in, error);

    AtomicOutput output;
    std::string outError;
    if (!AtomicOutputOpen(&output, out, &outError)) {
        delete[] image.pixels;
        return Fail("%s", outError.c_str());
    }
    int bits = image.channels * 8;
    std::vector<std::string> lines;
    // RGB in, so the writer exchanges red and blue into the file's blue-first order.
    bool written = RunCapturingConsole(
        [&] {
            return TGAWriteImage(output.fp, int(image.width), int(image.height), bits, image.pixels, false);
        },
        &lines);
    delete[] image.pixels;
    if (!written) {
        AtomicOutputDiscard(&output);
        return Fail("%s: %s", out, FirstLine(lines, "cannot write the Targa").c_str());
    }
    if (!AtomicOutputCommit(&output, &outError)) return Fail("%s", outError.c_str());
    std::printf("%s: %lu x %lu, %d bits\n", out, (unsigned long)image.width, (unsigned long)image.height,
                bits);
    return kExitOk;
}
