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
    rgb->resize(512 * 512 * 3);
    for (int i = 0; i < 512 * 512; ++i) {
        unsigned long p = XGetPixel(image, i % 512, 511 - i / 512);
        for (int k = 0; k < 3; ++k) (*rgb)[3 * i + k] = static_cast<unsigned char>(p >> (16 - 8 * k));
    }
    XDestroyImage(image);
    return true;
}
