// JPEG maps through libjpeg: baseline and progressive, colour or grey, decoded to 8-bit RGB with
// the library's default integer transform and smooth chroma upsampling, as ImageMagick decodes
// them. Corrupt data is refused rather than patched with grey, which would pass for a flat normal.
#include <csetjmp>
#include <cstdio>
#include <new>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "import/ImportInternal.h"

namespace {

const std::size_t kMessageBytes = 256;

// The library's error manager followed by where a failure jumps to and what it said.
struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Must not return: libjpeg's state is only fit for destruction afterwards.
void JpegErrorExit(j_common_ptr info) {
    JpegFailure* failure = reinterpret_cast<JpegFailure*>(info->err);
    (*info->err->format_message)(info, failure->message);
    std::longjmp(failure->jump, 1);
}

// Level -1 is a warning about corrupt data (a premature end, a bad Huffman code): the decoder
// would go on with made-up samples, so it ends the decoding like an error. Trace messages are
// dropped.
void JpegMessage(j_common_ptr info, int level) {
    if (level < 0) JpegErrorExit(info);
}

// The JPEG's samples as 8-bit RGB. False with the reason in `error` (a fixed buffer of
// kMessageBytes, since nothing with a destructor may live across the longjmp).
bool ReadJpeg(FILE* fp, ImportedMap* map, char* error) {
    jpeg_decompress_struct info;
    JpegFailure failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = JpegErrorExit;
    failure.manager.emit_message = JpegMessage;
    failure.message[0] = '\0';
    BYTE* volatile pixels = nullptr;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&info);
        delete[] pixels;
        std::snprintf(error, kMessageBytes, "not a readable JPEG (%s)", failure.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, fp);
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&info);
        std::snprintf(error, kMessageBytes, "a CMYK JPEG: only colour (RGB) and greyscale JPEGs are read");
        return false;
    }
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const std::size_t width = info.output_width;
    const std::size_t height = info.output_height;
    if (info.output_components != 3 || width == 0 || height == 0 || width > kMaxMapSide ||
        height > kMaxMapSide) {
        jpeg_destroy_decompress(&info);
        std::snprintf(error, kMessageBytes, "a JPEG of %lu x %lu pixels in %d channels cannot be read",
                      (unsigned long)width, (unsigned long)height, info.output_components);
        return false;
    }
    // Both sides are at most 65535, so the product fits in size_t without overflow.
    const std::size_t rowBytes = width * 3;
    pixels = new (std::nothrow) BYTE[rowBytes * height];
    if (pixels == nullptr) {
        jpeg_destroy_decompress(&info);
        std::snprintf(error, kMessageBytes, "not enough memory for %lu x %lu pixels", (unsigned long)width,
                      (unsigned long)height);
        return false;
    }
    // The file's first row is the top one, and ours the bottom one.
    while (info.output_scanline < height) {
        JSAMPROW row = pixels + (height - 1 - info.output_scanline) * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);

    map->width = int(width);
    map->height = int(height);
    map->bitDepth = 24;
    map->pixels = pixels;
    map->greyscale = grey;
    return true;
}

}  // namespace

bool DecodeJpegMap(FILE* fp, ImportedMap* map, std::string* error) {
    char message[kMessageBytes];
    if (ReadJpeg(fp, map, message)) return true;
    *error = message;
    return false;
}
