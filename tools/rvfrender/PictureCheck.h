// Checking a picture against a reference picture: how many pixels differ, by how much, and
// where. Nothing here touches GL.
#ifndef TOOLS_RVFRENDER_PICTURECHECK_H
#define TOOLS_RVFRENDER_PICTURECHECK_H

#include <cstddef>
#include <string>

// The comparison of two pictures of one size.
struct PictureDifference {
    std::size_t differing;  // pixels with a channel that differs by more than the threshold
    int largest;            // the largest difference of any channel of any pixel, 0 to 255
};

// Reads the picture in the file at `path` (PNG, or any other image the import library decodes)
// into *rgb as 8-bit RGB, top row first, with its size; alpha is dropped. *rgb is made with
// array new and is the caller's. False with one line in *error, nothing handed back.
bool ReadReference(const char* path, int* width, int* height, unsigned char** rgb, std::string* error);

// Compares the width x height RGB pictures `picture` and `reference`. A pixel differs when any
// of its channels differs by more than `threshold`. When `diff` is not null it receives a
// picture of the same size: each differing pixel pure red, every other one the pixel of
// `picture` at a quarter of its brightness.
PictureDifference ComparePictures(const unsigned char* picture, const unsigned char* reference, int width,
                                  int height, int threshold, unsigned char* diff);

#endif
