// Whether the X server that DISPLAY names answers, asked before the window toolkit starts.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The connection stays open for the life of the process: an X server resets when its last client
// leaves, and a virtual one with no other client would be resetting just as the window toolkit
// connects.
::Display* gCheckedDisplay = nullptr;

}  // namespace

bool CheckDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        std::printf(
            "RVFView needs a display, and DISPLAY is not set; rvfrender draws pictures without one.\n");
        return false;
    }
    gCheckedDisplay = XOpenDisplay(nullptr);
    if (gCheckedDisplay == nullptr) {
        std::printf(
            "RVFView needs a display, and '%s' cannot be opened; rvfrender draws pictures without one.\n",
            name);
        return false;
    }
    return true;
}
