// An off-screen Mesa (OSMesa) context that draws into memory: the viewer's GL calls run in it
// without a window or a display.
#ifndef TOOLS_RVFRENDER_OFFSCREENFRAME_H
#define TOOLS_RVFRENDER_OFFSCREENFRAME_H

#include <string>

struct OffscreenFrame {
    void* context;        // the OSMesa context, current while the frame is open
    unsigned char* rgba;  // width x height texels, bottom row first; array new, owned here
    int width;
    int height;
};

// Creates an RGBA context with a 24-bit depth buffer drawing into a new width x height
// buffer, makes it current and checks that it offers the texture-environment combine and dot3
// extensions the shading modes need. False with the reason in *error, nothing left open.
bool OffscreenOpen(OffscreenFrame* frame, int width, int height, std::string* error);

// Copies the finished frame into `rgb` (width x height x 3 bytes) top row first, as a picture
// is stored. Call after glFinish.
void OffscreenReadRgb(const OffscreenFrame& frame, unsigned char* rgb);

// Releases the context and the buffer.
void OffscreenClose(OffscreenFrame* frame);

#endif
