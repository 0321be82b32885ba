// Whether the X server that DISPLAY names answers, asked before the window toolkit starts.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

bool CheckDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        std::printf(
            "RVFView needs a display, and DISPLAY is not set; rvfrender draws pictures without one.\n");
        return false;
    }
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::printf(
            "RVFView needs a display, and '%s' cannot be opened; rvfrender draws pictures without one.\n",
            name);
        return false;
    }
    XCloseDisplay(display);
    return true;
}
