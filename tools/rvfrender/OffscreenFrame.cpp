#include "tools/rvfrender/OffscreenFrame.h"

#include <GL/osmesa.h>

#include <new>

#include "viewer/RVFView.h"

bool OffscreenOpen(OffscreenFrame* frame, int width, int height, std::string* error) {
    frame->context = nullptr;
    frame->rgba = nullptr;
    frame->width = width;
    frame->height = height;

    OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    if (context == nullptr) {
        *error = "cannot create an off-screen Mesa (OSMesa) context";
        return false;
    }
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    unsigned char* rgba = new (std::nothrow) unsigned char[bytes];
    if (rgba == nullptr) {
        OSMesaDestroyContext(context);
        *error = "not enough memory for a frame of " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    if (!OSMesaMakeCurrent(context, rgba, GL_UNSIGNED_BYTE, width, height)) {
        OSMesaDestroyContext(context);
        delete[] rgba;
        *error = "the off-screen Mesa context cannot draw a frame of " + std::to_string(width) + " x " +
                 std::to_string(height);
        return false;
    }
    frame->context = context;
    frame->rgba = rgba;

    // GL calls bound to another GL library (one loaded before libOSMesa) reach no context and
    // answer nothing.
    if (glGetString(GL_EXTENSIONS) == nullptr) {
        OffscreenClose(frame);
        *error = "GL calls do not reach the off-screen Mesa context";
        return false;
    }
    const char* const required[] = {"GL_ARB_texture_env_combine", "GL_ARB_texture_env_dot3"};
    for (const char* name : required) {
        if (!extensionSupported(name)) {
            OffscreenClose(frame);
            *error = std::string("the off-screen Mesa context lacks ") + name;
            return false;
        }
    }
    return true;
}

void OffscreenReadRgb(const OffscreenFrame& frame, unsigned char* rgb) {
    RgbaFrameToPicture(frame.rgba, frame.width, frame.height, rgb);
}

void OffscreenClose(OffscreenFrame* frame) {
    if (frame->context != nullptr) OSMesaDestroyContext(static_cast<OSMesaContext>(frame->context));
    delete[] frame->rgba;
    frame->context = nullptr;
    frame->rgba = nullptr;
}
