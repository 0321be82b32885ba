// rvf_crosscheck: proves that files are the same bytes whatever the host's byte order.
//
//   rvf_crosscheck write DIR   writes a fixed set of records and files into DIR
//   rvf_crosscheck records     prints a canonical dump of that fixed set
//   rvf_crosscheck read DIR    reads the files in DIR and prints the dump of what they hold
//
// The dump shows every multi-byte number as its host value in hex (floats as bit patterns), so
// it reads the same on every host. Run on a little-endian and a big-endian host, the files
// written must be byte-identical and every dump must equal the `records` dump. Exit status 0 on
// success, 1 with one line on standard error when a file cannot be written or read.
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "image/TGAIO.h"
#include "mesh/RvFileIO.h"
#include "platform/MacSpecific.h"

namespace {

typedef std::vector<unsigned char> Bytes;

// One multi-byte (or one-byte) field of a record: `count` numbers of `width` bytes from `offset`.
struct Field {
    const char* name;
    std::size_t offset;
    int width;
    int count;
};

// A record type with its byte-order routine and the layout the dump shows.
struct Kind {
    const char* name;
    std::size_t size;
    uint32 count;
    uint32 (*swap)(void*, uint32);
    std::vector<Field> fields;
};

const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds = {
        {"bool8", 1, 5, KivByteSwap_bool8, {{"value", 0, 1, 1}}},
        {"char8", 1, 5, KivByteSwap_char8, {{"value", 0, 1, 1}}},
        {"int8", 1, 5, KivByteSwap_int8, {{"value", 0, 1, 1}}},
        {"uint8", 1, 5, KivByteSwap_uint8, {{"value", 0, 1, 1}}},
        {"int16", 2, 5, KivByteSwap_int16, {{"value", 0, 2, 1}}},
        {"uint16", 2, 5, KivByteSwap_uint16, {{"value", 0, 2, 1}}},
        {"int32", 4, 5, KivByteSwap_int32, {{"value", 0, 4, 1}}},
        {"uint32", 4, 5, KivByteSwap_uint32, {{"value", 0, 4, 1}}},
        {"float32", 4, 9, KivByteSwap_float32, {{"value", 0, 4, 1}}},
        {"float64", 8, 9, KivByteSwap_float64, {{"value", 0, 8, 1}}},
        {"RvHeader",
         sizeof(RvHeader),
         3,
         KivByteSwap_RvHeader,
         {{"hdr", offsetof(RvHeader, hdr), 1, 4}, {"size", offsetof(RvHeader, size), 4, 1}}},
        {"RvRawPoint", sizeof(RvRawPoint), 3, KivByteSwap_RvRawPoint, {{"xyz", 0, 4, 3}}},
        {"RvRawPointD", sizeof(RvRawPointD), 3, KivByteSwap_RvRawPointD, {{"xyz", 0, 8, 3}}},
        {"RvRawTexCoord", sizeof(RvRawTexCoord), 3, KivByteSwap_RvRawTexCoord, {{"uv", 0, 4, 2}}},
        {"RvRawTriangle",
         sizeof(RvRawTriangle),
         3,
         KivByteSwap_RvRawTriangle,
         {{"vert", offsetof(RvRawTriangle, vert), 4, 9},
          {"norm", offsetof(RvRawTriangle, norm), 4, 9},
          {"texCoord", offsetof(RvRawTriangle, texCoord), 4, 6}}},
        {"RvRawTangentSpace",
         sizeof(RvRawTangentSpace),
         2,
         KivByteSwap_RvRawTangentSpace,
         {{"tangent", offsetof(RvRawTangentSpace, tangent), 4, 9},
          {"binormal", offsetof(RvRawTangentSpace, binormal), 4, 9}}},
        {"RvRawTangentSpaceD",
         sizeof(RvRawTangentSpaceD),
         2,
         KivByteSwap_RvRawTangentSpaceD,
         {{"tangent", offsetof(RvRawTangentSpaceD, tangent), 8, 9},
          {"binormal", offsetof(RvRawTangentSpaceD, binormal), 8, 9}}},
        {"RvIndex", sizeof(RvIndex), 3, KivByteSwap_RvIndex, {{"idx", 0, 4, 3}}},
        {"RvTangentPointD",
         sizeof(RvTangentPointD),
         2,
         KivByteSwap_RvTangentPointD,
         {{"vertex", offsetof(RvTangentPointD, vertex), 8, 3},
          {"normal", offsetof(RvTangentPointD, normal), 8, 3},
          {"uv", offsetof(RvTangentPointD, uv), 8, 2},
          {"tangent", offsetof(RvTangentPointD, tangent), 8, 3},
          {"binormal", offsetof(RvTangentPointD, binormal), 8, 3},
          {"count", offsetof(RvTangentPointD, count), 4, 1}}},
        {"TGAHeaderInfo",
         sizeof(TGAHeaderInfo),
         2,
         KivByteSwap_TGAHeaderInfo,
         {{"idlen", offsetof(TGAHeaderInfo, idlen), 1, 1},
          {"cmtype", offsetof(TGAHeaderInfo, cmtype), 1, 1},
          {"imtype", offsetof(TGAHeaderInfo, imtype), 1, 1},
          {"cmorg", offsetof(TGAHeaderInfo, cmorg), 2, 1},
          {"cmcnt", offsetof(TGAHeaderInfo, cmcnt), 2, 1},
          {"cmsize", offsetof(TGAHeaderInfo, cmsize), 1, 1},
          {"imxorg", offsetof(TGAHeaderInfo, imxorg), 2, 1},
          {"imyorg", offsetof(TGAHeaderInfo, imyorg), 2, 1},
          {"imwidth", offsetof(TGAHeaderInfo, imwidth), 2, 1},
          {"imheight", offsetof(TGAHeaderInfo, imheight), 2, 1},
          {"imdepth", offsetof(TGAHeaderInfo, imdepth), 1, 1},
          {"imdesc", offsetof(TGAHeaderInfo, imdesc), 1, 1}}},
        // The pointer is left null: its bytes are memory, not data, and the dump skips it.
        {"KivBitmap",
         sizeof(KivBitmap),
         2,
         KivByteSwap_KivBitmap,
         {{"width", offsetof(KivBitmap, width), 2, 1},
          {"height", offsetof(KivBitmap, height), 2, 1},
          {"bitDepth", offsetof(KivBitmap, bitDepth), 1, 1},
          {"format", offsetof(KivBitmap, format), 4, 1}}},
    };
    return kinds;
}

// ---------------------------------------------------------------------------------------------
// The fixed set. Values are made as integers and stored through memcpy, so every host holds the
// same numbers; no float is ever parsed or computed.

// Patterns that must come back bit for bit: NaNs with payloads, infinity, a denormal, -0, and
// patterns whose reversed bytes are a signalling NaN or a denormal.
const uint64_t kSpecial32[] = {0x7F800001u, 0x7FC12345u, 0xFF800000u, 0x00000001u,
                               0x80000000u, 0x0100807Fu, 0x01000000u};
const uint64_t kSpecial64[] = {0x7FF0000000000001ull, 0xFFF8000000000ABCull, 0x7FF0000000000000ull,
                               0x0000000000000001ull, 0x0100000000F07F00ull};

// The special patterns first, then pseudo-random values: their bytes differ, so that a wrong
// pairing or order of bytes shows.
struct Generator {
    uint64_t state;
    std::size_t used32, used64;

    uint64_t Next(int width) {
        if (width == 4 && used32 < sizeof kSpecial32 / sizeof kSpecial32[0]) return kSpecial32[used32++];
        if (width == 8 && used64 < sizeof kSpecial64 / sizeof kSpecial64[0]) return kSpecial64[used64++];
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

void Store(unsigned char* p, int width, uint64_t value) {
    switch (width) {
        case 1: {
            uint8_t v = uint8_t(value);
            std::memcpy(p, &v, 1);
            break;
        }
        case 2: {
            uint16_t v = uint16_t(value);
            std::memcpy(p, &v, 2);
            break;
        }
        case 4: {
            uint32_t v = uint32_t(value);
            std::memcpy(p, &v, 4);
            break;
        }
        default:
            std::memcpy(p, &value, 8);
    }
}

uint64_t Load(const unsigned char* p, int width) {
    switch (width) {
        case 1:
            return *p;
        case 2: {
            uint16_t v;
            std::memcpy(&v, p, 2);
            return v;
        }
        case 4: {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
        default: {
            uint64_t v;
            std::memcpy(&v, p, 8);
            return v;
        }
    }
}

// The records of one kind in host order; padding and the bitmap pointer stay zero.
Bytes FixedRecords(const Kind& kind, uint64_t seed) {
    Bytes records(kind.size * kind.count, 0);
    Generator gen = {seed, 0, 0};
    for (uint32 i = 0; i < kind.count; ++i)
        for (const Field& f : kind.fields)
            for (int k = 0; k < f.count; ++k)
                Store(&records[i * kind.size + f.offset + std::size_t(k) * f.width], f.width,
                      gen.Next(f.width));
    return records;
}

uint64_t SeedOf(const char* name) {
    uint64_t h = 1469598103934665603ull;
    for (const char* c = name; *c; ++c) h = (h ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    return h;
}

// ---------------------------------------------------------------------------------------------
// Dump.

void DumpRecords(const Kind& kind, const Bytes& records) {
    for (uint32 i = 0; i < kind.count; ++i) {
        std::printf("  [%u]", unsigned(i));
        for (const Field& f : kind.fields) {
            std::printf(" %s=", f.name);
            for (int k = 0; k < f.count; ++k)
                std::printf("%s%0*" PRIx64, k ? "," : "", 2 * f.width,
                            Load(&records[i * kind.size + f.offset + std::size_t(k) * f.width], f.width));
        }
        std::printf("\n");
    }
}

// ---------------------------------------------------------------------------------------------
// Files.

bool Fail(const std::string& what) {
    std::fprintf(stderr, "rvf_crosscheck: %s\n", what.c_str());
    return false;
}

std::string PathIn(const std::string& dir, const std::string& name) { return dir + "/" + name; }

FILE* Open(const std::string& path, const char* mode) {
    FILE* fp = std::fopen(path.c_str(), mode);
    if (fp == nullptr) Fail("cannot open " + path);
    return fp;
}

bool CloseWritten(FILE* fp, bool ok, const std::string& path) {
    if (std::fclose(fp) != 0) ok = false;
    return ok || Fail("cannot write " + path);
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* fp = Open(path, "wb");
    return fp != nullptr &&
           CloseWritten(fp, std::fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size(), path);
}

// The whole file; false when it cannot be read or is not `size` bytes long.
bool ReadFile(const std::string& path, std::size_t size, Bytes* bytes) {
    FILE* fp = Open(path, "rb");
    if (fp == nullptr) return false;
    bytes->assign(size, 0);
    bool ok = std::fread(bytes->data(), 1, size, fp) == size && std::fgetc(fp) == EOF && !std::ferror(fp);
    std::fclose(fp);
    return ok || Fail(path + " is not " + std::to_string(size) + " bytes");
}

// Each kind goes to <name>.bin: a copy of its records converted to file order.
bool WriteKinds(const std::string& dir) {
    for (const Kind& kind : Kinds()) {
        Bytes copy = FixedRecords(kind, SeedOf(kind.name));
        kind.swap(copy.data(), kind.count);
        if (!WriteFile(PathIn(dir, std::string(kind.name) + ".bin"), copy)) return false;
    }
    return true;
}

bool DumpKinds(const std::string* dir) {
    for (const Kind& kind : Kinds()) {
        std::string file = std::string(kind.name) + ".bin";
        Bytes records;
        if (dir == nullptr) {
            records = FixedRecords(kind, SeedOf(kind.name));
        } else {
            if (!ReadFile(PathIn(*dir, file), kind.size * kind.count, &records)) return false;
            kind.swap(records.data(), kind.count);
        }
        std::printf("%s (%s)\n", file.c_str(), kind.name);
        DumpRecords(kind, records);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Files of the library's own writers and readers.

const int kTriangles = 4;
// Each side is a number whose two bytes differ, so a swapped header field shows.
const int kWidth24 = 258, kHeight24 = 3;
const int kWidth32 = 5, kHeight32 = 258;

// Bitmap headers in memory; the file holds the same fields packed, little-endian.
const Kind kBitmapFileHeader = {"tagBITMAPFILEHEADER",
                                sizeof(tagBITMAPFILEHEADER),
                                1,
                                nullptr,
                                {{"bfType", offsetof(tagBITMAPFILEHEADER, bfType), 2, 1},
                                 {"bfSize", offsetof(tagBITMAPFILEHEADER, bfSize), 4, 1},
                                 {"bfReserved1", offsetof(tagBITMAPFILEHEADER, bfReserved1), 2, 1},
                                 {"bfReserved2", offsetof(tagBITMAPFILEHEADER, bfReserved2), 2, 1},
                                 {"bfOffBits", offsetof(tagBITMAPFILEHEADER, bfOffBits), 4, 1}}};
const Kind kBitmapCoreHeader = {"tagBITMAPCOREHEADER",
                                sizeof(tagBITMAPCOREHEADER),
                                1,
                                nullptr,
                                {{"bcSize", offsetof(tagBITMAPCOREHEADER, bcSize), 4, 1},
                                 {"bcWidth", offsetof(tagBITMAPCOREHEADER, bcWidth), 4, 1},
                                 {"bcHeight", offsetof(tagBITMAPCOREHEADER, bcHeight), 4, 1},
                                 {"bcPlanes", offsetof(tagBITMAPCOREHEADER, bcPlanes), 2, 1},
                                 {"bcBitCount", offsetof(tagBITMAPCOREHEADER, bcBitCount), 2, 1}}};

Kind TriangleKind() {
    Kind kind = {"RvRawTriangle", sizeof(RvRawTriangle), uint32(kTriangles), KivByteSwap_RvRawTriangle, {}};
    for (const Kind& k : Kinds())
        if (std::strcmp(k.name, kind.name) == 0) kind.fields = k.fields;
    return kind;
}

std::vector<RvRawTriangle> FixedTriangles() {
    Bytes bytes = FixedRecords(TriangleKind(), SeedOf("triangles"));
    std::vector<RvRawTriangle> tris(kTriangles);
    std::memcpy(tris.data(), bytes.data(), bytes.size());
    return tris;
}

Bytes FixedPixels(int width, int height, int bitDepth) {
    Bytes pixels(std::size_t(width) * height * (bitDepth / 8));
    Generator gen = {SeedOf(bitDepth == 24 ? "image24" : "image32"), 0, 0};
    for (unsigned char& b : pixels) b = static_cast<unsigned char>(gen.Next(1));
    return pixels;
}

// What a Targa file holds for `pixels` written without the copy flag: first and third byte of
// each pixel exchanged.
Bytes ExchangedRedBlue(Bytes pixels, int bytesPerPixel) {
    for (std::size_t i = 0; i + 2 < pixels.size(); i += bytesPerPixel) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

// The header's fields one after another, each converted to file order on a copy.
Bytes PackedFileOrder(const Kind& layout, const Bytes& record) {
    Bytes out;
    for (const Field& f : layout.fields) {
        unsigned char value[4];
        std::memcpy(value, &record[f.offset], f.width);
        if (f.width == 2)
            KivByteSwap_uint16(value, 1);
        else
            KivByteSwap_uint32(value, 1);
        out.insert(out.end(), value, value + f.width);
    }
    return out;
}

bool WriteTargaFile(const std::string& path, int width, int height, int bitDepth, bool copyChannels) {
    Bytes pixels = FixedPixels(width, height, bitDepth);
    FILE* fp = Open(path, "wb");
    if (fp == nullptr) return false;
    return CloseWritten(fp, TGAWriteImage(fp, width, height, bitDepth, pixels.data(), copyChannels), path);
}

bool WriteLibraryFiles(const std::string& dir) {
    std::vector<RvRawTriangle> tris = FixedTriangles();

    std::string path = PathIn(dir, "triangles.rvf");
    FILE* fp = Open(path, "wb");
    if (fp == nullptr || !CloseWritten(fp, RvWriteTriangles(fp, kTriangles, tris.data()), path)) return false;

    // A bare triangle-chunk body made with the byte-order routines, and its conversion.
    int32 count = kTriangles;
    KivByteSwap_int32(&count, 1);
    std::vector<RvRawTriangle> fileOrder = tris;
    KivByteSwap_RvRawTriangle(fileOrder.data(), kTriangles);
    Bytes bare(sizeof count + sizeof(RvRawTriangle) * kTriangles);
    std::memcpy(bare.data(), &count, sizeof count);
    std::memcpy(bare.data() + sizeof count, fileOrder.data(), sizeof(RvRawTriangle) * kTriangles);
    if (!WriteFile(PathIn(dir, "bare.bin"), bare)) return false;

    FILE* in = Open(PathIn(dir, "bare.bin"), "rb");
    if (in == nullptr) return false;
    path = PathIn(dir, "converted.rvf");
    FILE* out = Open(path, "wb");
    if (out == nullptr) {
        std::fclose(in);
        return false;
    }
    bool converted = RvConvertFile(in, out);
    std::fclose(in);
    if (!CloseWritten(out, converted, path)) return false;

    if (!WriteTargaFile(PathIn(dir, "image24.tga"), kWidth24, kHeight24, 24, false)) return false;
    if (!WriteTargaFile(PathIn(dir, "image32.tga"), kWidth32, kHeight32, 32, true)) return false;

    return WriteFile(PathIn(dir, "bitmap-file.bin"),
                     PackedFileOrder(kBitmapFileHeader, FixedRecords(kBitmapFileHeader, SeedOf("bfh")))) &&
           WriteFile(PathIn(dir, "bitmap-core.bin"),
                     PackedFileOrder(kBitmapCoreHeader, FixedRecords(kBitmapCoreHeader, SeedOf("bch"))));
}

void DumpTriangles(const char* title, const RvRawTriangle* tris, int numTris) {
    Kind kind = TriangleKind();
    kind.count = uint32(numTris);
    Bytes bytes(sizeof(RvRawTriangle) * std::size_t(numTris));
    std::memcpy(bytes.data(), tris, bytes.size());
    std::printf("%s (%d triangles)\n", title, numTris);
    DumpRecords(kind, bytes);
}

void DumpImage(const char* title, int width, int height, int bitDepth, const unsigned char* pixels) {
    std::printf("%s (%d x %d, %d bits)\n", title, width, height, bitDepth);
    std::size_t n = std::size_t(width) * height * (bitDepth / 8);
    for (std::size_t i = 0; i < n; ++i)
        std::printf("%s%02x%s", i % 32 == 0 ? "  " : "", pixels[i], i % 32 == 31 || i + 1 == n ? "\n" : "");
}

// Reads an RVF file with the walk; RvFileHasTriangles must find the chunk first.
bool DumpRvfFile(const std::string& dir, const char* name) {
    std::string path = PathIn(dir, name);
    FILE* fp = Open(path, "rb");
    if (fp == nullptr) return false;
    bool found = RvFileHasTriangles(fp) && std::ftell(fp) == 16;
    std::rewind(fp);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    bool ok = found && RvReadTriangles(fp, &numTris, &tris);
    std::fclose(fp);
    if (ok) DumpTriangles(name, tris, numTris);
    delete[] tris;
    return ok || Fail("cannot read " + path);
}

bool DumpBareFile(const std::string& dir) {
    std::string path = PathIn(dir, "bare.bin");
    FILE* fp = Open(path, "rb");
    if (fp == nullptr) return false;
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    bool ok = RvReadTriangleChunk(fp, &numTris, &tris);
    std::fclose(fp);
    if (ok) DumpTriangles("bare.bin", tris, numTris);
    delete[] tris;
    return ok || Fail("cannot read " + path);
}

bool DumpTargaFile(const std::string& dir, const char* name) {
    std::string path = PathIn(dir, name);
    FILE* fp = Open(path, "rb");
    if (fp == nullptr) return false;
    int width = 0, height = 0, bitDepth = 0;
    BYTE* pixels = nullptr;
    bool ok = TGAReadImage(fp, &width, &height, &bitDepth, &pixels);
    std::fclose(fp);
    if (ok) DumpImage(name, width, height, bitDepth, pixels);
    delete[] pixels;
    return ok || Fail("cannot read " + path);
}

// Reads a bitmap header with `read`, which must take exactly `fileSize` bytes.
template <typename Header>
bool DumpBitmapHeader(const std::string& dir, const char* name, const Kind& layout, long fileSize,
                      void (*read)(FILE*, Header*)) {
    std::string path = PathIn(dir, name);
    FILE* fp = Open(path, "rb");
    if (fp == nullptr) return false;
    Header header = {};
    read(fp, &header);
    bool ok = !std::ferror(fp) && std::ftell(fp) == fileSize;
    std::fclose(fp);
    if (!ok) return Fail("cannot read " + path);
    Bytes bytes(sizeof header);
    std::memcpy(bytes.data(), &header, sizeof header);
    std::printf("%s (%s)\n", name, layout.name);
    DumpRecords(layout, bytes);
    return true;
}

bool DumpLibraryFiles(const std::string* dir) {
    if (dir == nullptr) {
        std::vector<RvRawTriangle> tris = FixedTriangles();
        DumpTriangles("triangles.rvf", tris.data(), kTriangles);
        DumpTriangles("bare.bin", tris.data(), kTriangles);
        DumpTriangles("converted.rvf", tris.data(), kTriangles);
        DumpImage("image24.tga", kWidth24, kHeight24, 24,
                  ExchangedRedBlue(FixedPixels(kWidth24, kHeight24, 24), 3).data());
        DumpImage("image32.tga", kWidth32, kHeight32, 32, FixedPixels(kWidth32, kHeight32, 32).data());
        std::printf("bitmap-file.bin (%s)\n", kBitmapFileHeader.name);
        DumpRecords(kBitmapFileHeader, FixedRecords(kBitmapFileHeader, SeedOf("bfh")));
        std::printf("bitmap-core.bin (%s)\n", kBitmapCoreHeader.name);
        DumpRecords(kBitmapCoreHeader, FixedRecords(kBitmapCoreHeader, SeedOf("bch")));
        return true;
    }
    return DumpRvfFile(*dir, "triangles.rvf") && DumpBareFile(*dir) && DumpRvfFile(*dir, "converted.rvf") &&
           DumpTargaFile(*dir, "image24.tga") && DumpTargaFile(*dir, "image32.tga") &&
           DumpBitmapHeader(*dir, "bitmap-file.bin", kBitmapFileHeader, 14, ReadBitmapFileHeader) &&
           DumpBitmapHeader(*dir, "bitmap-core.bin", kBitmapCoreHeader, 16, ReadBitmapCoreHeader);
}

int Usage() {
    std::fprintf(stderr, "usage: rvf_crosscheck write DIR | records | read DIR\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "write") == 0)
        return WriteKinds(argv[2]) && WriteLibraryFiles(argv[2]) ? 0 : 1;
    if (argc == 2 && std::strcmp(argv[1], "records") == 0)
        return DumpKinds(nullptr) && DumpLibraryFiles(nullptr) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "read") == 0) {
        std::string dir = argv[2];
        return DumpKinds(&dir) && DumpLibraryFiles(&dir) ? 0 : 1;
    }
    return Usage();
}
