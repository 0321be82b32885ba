// GL error reporting and the start-up check for the texture-environment extensions.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "viewer/RVFView.h"

void PrintError(const char* header) {
    const char* name;
    const char* colon = ":";
    switch (glGetError()) {
        case GL_NO_ERROR:
            return;
        case GL_INVALID_ENUM:
            name = "GL_INVALID_ENUM";
            break;
        case GL_INVALID_VALUE:
            name = "GL_INVALID_VALUE";
            break;
        case GL_INVALID_OPERATION:
            name = "GL_INVALID_OPERATION";
            break;
        case GL_STACK_OVERFLOW:
            name = "GL_STACK_OVERFLOW";
            break;
        case GL_STACK_UNDERFLOW:
            name = "GL_STACK_UNDERFLOW";
            break;
        case GL_OUT_OF_MEMORY:
            name = "GL_OUT_OF_MEMORY";
            break;
        default:
            name = "UNKNOWN GL ERROR!";
            colon = "";
            break;
    }
    if (header != nullptr)
        printf("%s%s %s\n", name, colon, header);
    else
        printf("%s\n", name);
}

int extensionSupported(const char* extension) {
    static const char* extensions = nullptr;
    if (*extension == '\0' || strchr(extension, ' ') != nullptr) return 0;
    if (extensions == nullptr) extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions == nullptr) return 0;

    size_t length = strlen(extension);
    const char* start = extensions;
    for (;;) {
        const char* where = strstr(start, extension);
        if (where == nullptr) return 0;
        const char* terminator = where + length;
        if ((where == start || where[-1] == ' ') && (*terminator == ' ' || *terminator == '\0')) return 1;
        start = terminator;
    }
}

bool GlVersionAtLeast(int major, int minor) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int haveMajor = 0, haveMinor = 0;
    if (version == nullptr || sscanf(version, "%d.%d", &haveMajor, &haveMinor) != 2) return false;
    return haveMajor > major || (haveMajor == major && haveMinor >= minor);
}

void checkExtensions() {
    if (!extensionSupported("GL_ARB_texture_env_combine")) {
        printf("No GL_EXT_texture_env_combine support!\n");
        exit(-1);
    }
    if (!extensionSupported("GL_ARB_texture_env_dot3")) {
        printf("No GL_EXT_texture_env_dot3 support!\n");
        exit(-1);
    }
}
