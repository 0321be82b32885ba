// Writing the drawn frame as a PNG file.
#ifndef TOOLS_RVFRENDER_PNGFILE_H
#define TOOLS_RVFRENDER_PNGFILE_H

#include <cstdio>
#include <string>

// Writes width x height 8-bit RGB pixels, top row first, as a PNG stream to `fp`. False with
// libpng's reason in *error.
// fp is open for writing in binary mode and is not closed here.
bool EncodePng(FILE* fp, int width, int height, const unsigned char* rgb, std::string* error);

#endif
