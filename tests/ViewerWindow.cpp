// Reads the window from the X server: what the user sees, after the buffer swap.
#include <GL/glx.h>
#include <X11/Xutil.h>

#include <vector>

bool ReadWindow(std::vector<unsigned char>* rgb) {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr) return false;
    XSync(display, False);
    XImage* image = XGetImage(display, glXGetCurrentDrawable(), 0, 0, 512, 512, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    rgb->assign(512 * 512 * 3, 0);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            unsigned long p = XGetPixel(image, x, 511 - y);
            unsigned char* out = &(*rgb)[3 * (512 * y + x)];
            out[0] = static_cast<unsigned char>((p & image->red_mask) >> 16);
            out[1] = static_cast<unsigned char>((p & image->green_mask) >> 8);
            out[2] = static_cast<unsigned char>(p & image->blue_mask);
        }
    }
    XDestroyImage(image);
    return true;
}
