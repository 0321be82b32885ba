#include "tools/rvfrender/PictureCheck.h"

#include <algorithm>
#include <cstdlib>

#include "import/Import.h"

bool ReadReference(const char* path, int* width, int* height, unsigned char** rgb, std::string* error) {
    ImportedMap map;
    if (!ImportMapFile(path, 24, &map, error)) return false;
    // The import library hands rows back bottom first, as a texture is uploaded.
    const size_t w = static_cast<size_t>(map.width), h = static_cast<size_t>(map.height);
    for (size_t row = 0; row < h / 2; ++row) {
        unsigned char* top = map.pixels + 3 * w * row;
        std::swap_ranges(top, top + 3 * w, map.pixels + 3 * w * (h - 1 - row));
    }
    *width = map.width;
    *height = map.height;
    *rgb = map.pixels;
    return true;
}

PictureDifference ComparePictures(const unsigned char* picture, const unsigned char* reference, int width,
                                  int height, int threshold, unsigned char* diff) {
    PictureDifference result = {0, 0};
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < pixels; ++i) {
        const unsigned char* p = picture + 3 * i;
        const unsigned char* r = reference + 3 * i;
        int most = 0;
        for (int k = 0; k < 3; ++k) {
            int d = std::abs(p[k] - r[k]);
            if (d > most) most = d;
        }
        if (most > result.largest) result.largest = most;
        const bool differs = most > threshold;
        result.differing += differs;
        if (diff == nullptr) continue;
        // A quarter of the brightness at most reaches 63, so no kept pixel looks like a marked one.
        unsigned char* out = diff + 3 * i;
        for (int k = 0; k < 3; ++k)
            out[k] = differs ? (k == 0 ? 255 : 0) : static_cast<unsigned char>(p[k] / 4);
    }
    return result;
}
