// Writes the seed corpus of every fuzz target into the directory given as the only argument, one
// folder per target: valid files made by our own writers (and for PNG and JPEG, by the encoders
// of the libraries that decode them) and broken ones derived from them.
// Usage: MakeCorpus <directory>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "image/TGAIO.h"
#include "mesh/RvFileIO.h"

namespace {

typedef std::vector<unsigned char> Bytes;

std::filesystem::path gRoot;
bool gFailed = false;

void Save(const char* target, const char* name, const Bytes& bytes) {
    const std::filesystem::path dir = gRoot / target;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    FILE* fp = std::fopen((dir / name).c_str(), "wb");
    if (fp == nullptr || (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), fp) != bytes.size())) {
        std::fprintf(stderr, "Unable to write %s\n", (dir / name).c_str());
        gFailed = true;
    }
    if (fp != nullptr) std::fclose(fp);
}

void Save(const char* target, const char* name, const std::string& text) {
    Save(target, name, Bytes(text.begin(), text.end()));
}

Bytes ContentsOf(FILE* fp) {
    Bytes out;
    std::rewind(fp);
    unsigned char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) out.insert(out.end(), buf, buf + n);
    return out;
}

void PutU32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void SetU32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

Bytes Concat(const Bytes& a, const Bytes& b) {
    Bytes out(a);
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

Bytes Prefix(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + n); }

Bytes Chunk(const char* tag, const Bytes& body) {
    Bytes out(tag, tag + 4);
    PutU32(out, static_cast<std::uint32_t>(body.size()));
    return Concat(out, body);
}

// Distinct values in every field, so that a misplaced field changes the result.
std::vector<RvRawTriangle> SomeTriangles(int n) {
    std::vector<RvRawTriangle> tris(n);
    float value = 0.5f;
    for (RvRawTriangle& t : tris) {
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k) t.vert[c].v[k] = value += 1.25f;
            for (int k = 0; k < 3; ++k) t.norm[c].v[k] = (k == c) ? 1.0f : 0.0f;
            t.texCoord[c].u = 0.125f * c;
            t.texCoord[c].v = 1.0f - 0.25f * c;
        }
    }
    return tris;
}

Bytes RvfFile(int n) {
    std::vector<RvRawTriangle> tris = SomeTriangles(n);
    FILE* fp = std::tmpfile();
    Bytes out;
    const bool written = fp != nullptr && RvWriteTriangles(fp, n, tris.data());
    if (written) out = ContentsOf(fp);
    gFailed = gFailed || !written;
    if (fp != nullptr) std::fclose(fp);
    return out;
}

Bytes TgaFile(int width, int height, int bitDepth) {
    std::vector<BYTE> pixels(std::size_t(width) * height * (bitDepth / 8));
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(17 * i + 3);
    FILE* fp = std::tmpfile();
    Bytes out;
    const bool written = fp != nullptr && TGAWriteImage(fp, width, height, bitDepth, pixels.data(), false);
    if (written) out = ContentsOf(fp);
    gFailed = gFailed || !written;
    if (fp != nullptr) std::fclose(fp);
    return out;
}

void RvfSeeds(const char* target) {
    const Bytes three = RvfFile(3);
    const Bytes one = RvfFile(1);
    if (three.size() != 308 || one.size() != 116) {
        gFailed = true;
        return;
    }
    Save(target, "three-triangles.rvf", three);
    Save(target, "one-triangle.rvf", one);
    Save(target, "zero-triangles.rvf", RvfFile(0));
    Save(target, "foreign-top-level-chunk.rvf", Concat(Chunk("JUNK", Bytes(16, 0x4A)), three));

    const Bytes tris(three.begin() + 8, three.end());
    Save(target, "foreign-chunk-in-container.rvf", Chunk("RVF ", Concat(Chunk("NAME", Bytes(8, 'n')), tris)));
    Save(target, "tris-without-container.rvf", tris);

    Bytes negative = one;
    SetU32(negative, 16, static_cast<std::uint32_t>(-5));
    Save(target, "negative-count.rvf", negative);
    Bytes pastEnd = one;
    SetU32(pastEnd, 16, 1000);
    Save(target, "count-past-end.rvf", pastEnd);
    Bytes huge = one;
    SetU32(huge, 16, 0x7FFFFFFF);
    Save(target, "huge-count.rvf", huge);
    Bytes sizePastEnd = Chunk("JUNK", Bytes(4, 0));
    SetU32(sizePastEnd, 4, 0xFFFFFFF0u);
    Save(target, "chunk-size-past-end.rvf", Concat(sizePastEnd, three));
    Save(target, "truncated-header.rvf", Prefix(three, 5));
    Save(target, "truncated-triangles.rvf", Prefix(three, 200));
    Save(target, "empty.rvf", Bytes());
}

void BareSeeds(const char* target) {
    const Bytes two = RvfFile(2);
    if (two.size() != 212) {
        gFailed = true;
        return;
    }
    const Bytes body(two.begin() + 16, two.end());
    Save(target, "two-triangles.bin", body);
    Bytes zero = body;
    SetU32(zero, 0, 0);
    Save(target, "zero-count.bin", Prefix(zero, 4));
    Bytes negative = body;
    SetU32(negative, 0, static_cast<std::uint32_t>(-1));
    Save(target, "negative-count.bin", negative);
    Bytes huge = body;
    SetU32(huge, 0, 0x7FFFFFFF);
    Save(target, "huge-count.bin", huge);
    Save(target, "short-triangles.bin", Prefix(body, 150));
    Save(target, "short-count.bin", Prefix(body, 2));
}

void TgaSeeds(const char* target) {
    const Bytes rgb = TgaFile(2, 2, 24);
    const Bytes rgba = TgaFile(3, 2, 32);
    if (rgb.size() != 30 || rgba.size() != 42) {
        gFailed = true;
        return;
    }
    Save(target, "2x2-24-bit.tga", rgb);
    Save(target, "3x2-32-bit.tga", rgba);

    Bytes id = rgb;
    id[0] = 5;
    id.insert(id.begin() + 18, {'i', 'd', 'e', 'n', 't'});
    Save(target, "identification-field.tga", id);
    Bytes rle = rgba;
    rle[2] = 10;
    Save(target, "run-length-type.tga", rle);
    Save(target, "truncated-pixels.tga", Prefix(rgba, 30));

    Bytes huge = Prefix(rgba, 18);
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    Save(target, "huge-32-bit.tga", huge);
    Bytes eight = rgb;
    eight[16] = 8;
    Save(target, "8-bit.tga", Prefix(eight, 22));
    Bytes empty = Prefix(rgb, 18);
    empty[12] = empty[13] = 0;
    Save(target, "zero-width.tga", empty);
    Bytes idPastEnd = Prefix(rgb, 18);
    idPastEnd[0] = 255;
    Save(target, "identification-past-end.tga", idPastEnd);
    Save(target, "short-header.tga", Prefix(rgb, 10));

    // Run-length packets: a run of 4 pixels across the row end, then 2 stored ones.
    Bytes packets = Prefix(rgba, 18);
    packets[2] = 10;
    packets.insert(packets.end(), {0x83, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12});
    Save(target, "run-length.tga", packets);
    Bytes topRight = packets;
    topRight[17] |= 0x30;
    Save(target, "run-length-top-right.tga", topRight);
    Bytes topLeft = rgb;
    topLeft[17] |= 0x20;
    Save(target, "top-left.tga", topLeft);
    Bytes mapped = Prefix(rgb, 18);
    mapped[1] = 1;
    mapped[2] = 9;
    mapped[5] = 2;
    mapped[7] = 24;
    mapped[16] = 8;
    mapped.insert(mapped.end(), {1, 2, 3, 4, 5, 6, 0x81, 0, 0x01, 1, 0});
    Save(target, "colour-mapped-run-length.tga", mapped);
    Bytes grey = Prefix(rgb, 18);
    grey[2] = 3;
    grey[16] = 8;
    grey.insert(grey.end(), {1, 2, 3, 4});
    Save(target, "greyscale.tga", grey);
}

void SmdSeeds(const char* target) {
    const std::string head =
        "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 0.000000 0.000000 0.000000 0 0 0\nend\n";
    const std::string tri =
        "stone.bmp\n"
        "0 0.000000 0.000000 0.000000 0.000000 0.000000 1.000000 0.000000 0.000000\n"
        "0 1.000000 0.000000 0.000000 0.000000 0.000000 1.000000 1.000000 0.000000\n"
        "0 0.000000 1.000000 0.000000 0.000000 0.000000 1.000000 0.000000 1.000000\n";
    Save(target, "one-triangle.smd", head + "triangles\n" + tri + "end\n");
    Save(target, "two-triangles.smd", head + "triangles\n" + tri + tri + "end\n");
    Save(target, "capitalised-keywords.smd", head + "Triangles\n" + tri + "END\n");
    Save(target, "endcap-material.smd",
         head + "triangles\n" + tri + "Endcap.bmp\n" + tri.substr(10) + "end\n");
    Save(target, "clamped-texcoords.smd",
         "triangles\nskin\n"
         "7 1 2 3 0 1 0 -0.25 1.5\n"
         "-3 4 5 6 0 1 0 2 -1\n"
         "0 7 8 9 0 1 0 nan 0.5\n"
         "end\n");
    Save(target, "no-triangles.smd", head);
    Save(target, "missing-end.smd", "triangles\n" + tri);
    Save(target, "short-vertex-line.smd", "triangles\nskin\n0 1 2 3\n0 1 2 3 4 5 6 7 8\n0 1\nend\n");
    Save(target, "crlf-lines.smd",
         "triangles\r\nskin\r\n0 1 2 3 0 0 1 0 0\r\n0 4 5 6 0 0 1 1 0\r\n"
         "0 7 8 9 0 0 1 0 1\r\nend\r\n");
}

// A 5 x 3 image of `format` (a libpng simplified format) with distinct samples, as PNG.
Bytes PngFile(png_uint_32 format) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 5;
    image.height = 3;
    image.format = format;
    std::vector<std::uint16_t> samples(PNG_IMAGE_SIZE(image) / 2 + 1);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint16_t>(i * 4099);
    png_alloc_size_t size = 0;
    Bytes out;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, samples.data(), 0, nullptr)) {
        out.resize(size);
        if (!png_image_write_to_memory(&image, out.data(), &size, 0, samples.data(), 0, nullptr)) out.clear();
    }
    gFailed = gFailed || out.empty();
    return out;
}

// A 9 x 7 image of `components` (1: grey, 3: colour) as JPEG, progressive or not.
Bytes JpegFile(int components, bool progressive) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &memory, &size);
    info.image_width = 9;
    info.image_height = 7;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(9 * std::size_t(components));
    while (info.next_scanline < info.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<JSAMPLE>(i * 29 + info.next_scanline * 37);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(memory, memory + size);
    std::free(memory);
    return out;
}

void MapSeeds(const char* target) {
    const Bytes rgb = PngFile(PNG_FORMAT_RGB);
    Save(target, "rgb.png", rgb);
    Save(target, "rgba.png", PngFile(PNG_FORMAT_RGBA));
    Save(target, "rgba-16-bit.png", PngFile(PNG_FORMAT_LINEAR_RGB_ALPHA));
    Save(target, "grey.png", PngFile(PNG_FORMAT_GRAY));
    Save(target, "truncated.png", Prefix(rgb, rgb.size() / 2));
    const Bytes jpeg = JpegFile(3, false);
    Save(target, "colour.jpg", jpeg);
    Save(target, "grey.jpg", JpegFile(1, false));
    Save(target, "progressive.jpg", JpegFile(3, true));
    Save(target, "truncated.jpg", Prefix(jpeg, jpeg.size() / 2));
    TgaSeeds(target);
}

void BitmapSeeds() {
    const Bytes fileHeader = {'B', 'M', 0x36, 0x30, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0};
    Save("ReadBitmapFileHeader", "file-header.bmp", fileHeader);
    Save("ReadBitmapFileHeader", "truncated-file-header.bmp", Prefix(fileHeader, 9));
    const Bytes coreHeader = {40, 0, 0, 0, 64, 0, 0, 0, 0xE0, 0xFF, 0xFF, 0xFF, 1, 0, 24, 0};
    Save("ReadBitmapCoreHeader", "core-header.bmp", coreHeader);
    Save("ReadBitmapCoreHeader", "truncated-core-header.bmp", Prefix(coreHeader, 7));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: MakeCorpus <directory>\n");
        return 2;
    }
    gRoot = argv[1];
    RvfSeeds("RvReadTriangles");
    RvfSeeds("RvFileHasTriangles");
    BareSeeds("RvReadTriangleChunk");
    BareSeeds("RvConvertFile");
    TgaSeeds("TGAReadImage");
    TgaSeeds("TGAReadImageUpright");
    MapSeeds("ImportMapBytes");
    MapSeeds("ImportKindOf");
    RvfSeeds("ImportKindOf");
    SmdSeeds("SMDReadTriangles");
    BitmapSeeds();
    return gFailed ? 1 : 0;
}
