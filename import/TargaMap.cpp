// Targa maps: every kind TGAReadImageUpright reads, turned red first.
#include <utility>

#include "image/TGAIO.h"
#include "import/ImportInternal.h"

bool DecodeTargaMap(FILE* fp, ImportedMap* map, std::string* error) {
    int width = 0, height = 0, bitDepth = 0;
    BYTE* pixels = nullptr;
    if (!TGAReadImageUpright(fp, &width, &height, &bitDepth, &pixels, error)) return false;
    const std::size_t bytesPerPixel = std::size_t(bitDepth / 8);
    const std::size_t byteCount = std::size_t(width) * std::size_t(height) * bytesPerPixel;
    for (std::size_t i = 0; i < byteCount; i += bytesPerPixel) std::swap(pixels[i], pixels[i + 2]);
    map->width = width;
    map->height = height;
    map->bitDepth = bitDepth;
    map->pixels = pixels;
    map->greyscale = false;
    return true;
}
