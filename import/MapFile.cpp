// Normal maps of any kind by content, from a file or from memory, at the depth the caller asks.
#include <cassert>
#include <new>

#include "import/ImportInternal.h"

namespace {

// The texels of *map at `depth` bits: alpha dropped, or an opaque one added.
bool ChangeDepth(ImportedMap* map, int depth, std::string* error) {
    if (depth == 0 || depth == map->bitDepth) return true;
    const std::size_t count = std::size_t(map->width) * std::size_t(map->height);
    const std::size_t from = std::size_t(map->bitDepth / 8), to = std::size_t(depth / 8);
    BYTE* pixels = new (std::nothrow) BYTE[count * to];
    if (pixels == nullptr) {
        *error = "not enough memory for " + std::to_string(map->width) + " x " + std::to_string(map->height) +
                 " pixels";
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t c = 0; c < 3; ++c) pixels[i * to + c] = map->pixels[i * from + c];
        if (to == 4) pixels[i * 4 + 3] = 0xFF;
    }
    delete[] map->pixels;
    map->pixels = pixels;
    map->bitDepth = depth;
    return true;
}

}  // namespace

bool ImportReadMap(FILE* fp, ImportKind kind, int depth, ImportedMap* map, std::string* error) {
    assert(depth == 0 || depth == 24 || depth == 32);
    ImportedMap decoded;
    bool ok = false;
    switch (kind) {
        case IMPORT_KIND_PNG:
            ok = DecodePngMap(fp, &decoded, error);
            break;
        case IMPORT_KIND_JPEG:
            ok = DecodeJpegMap(fp, &decoded, error);
            break;
        case IMPORT_KIND_TARGA:
        case IMPORT_KIND_TARGA_PLAIN:
            ok = DecodeTargaMap(fp, &decoded, error);
            break;
        case IMPORT_KIND_RVF:
        case IMPORT_KIND_MESH:
            *error = "not a PNG, JPEG or Targa image";
            return false;
    }
    if (ok && !ChangeDepth(&decoded, depth, error)) {
        delete[] decoded.pixels;
        ok = false;
    }
    if (ok) *map = decoded;
    return ok;
}

bool ImportMapFile(const char* path, int depth, ImportedMap* map, std::string* error) {
    FILE* fp = ImportOpen(path, error);
    if (fp == nullptr) return false;
    const bool ok = ImportReadMap(fp, ImportKindOf(fp), depth, map, error);
    std::fclose(fp);
    return ok;
}

bool ImportMapBytes(const unsigned char* data, std::size_t size, int depth, ImportedMap* map,
                    std::string* error) {
    if (size == 0) {
        *error = "not a PNG, JPEG or Targa image (no bytes at all)";
        return false;
    }
    // The decoders read streams; the bytes are only read through this one.
    FILE* fp = fmemopen(const_cast<unsigned char*>(data), size, "rb");
    if (fp == nullptr) {
        *error = "not enough memory to read the image";
        return false;
    }
    const bool ok = ImportReadMap(fp, ImportKindOf(fp), depth, map, error);
    std::fclose(fp);
    return ok;
}
