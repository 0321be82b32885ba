// Screenshots: the frame just drawn, saved as a numbered PNG beside the mesh.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "viewer/RVFView.h"

bool gScreenshotAsked = false;

namespace {

// Numbers beyond this are not tried: a directory with that many screenshots of one mesh takes
// no more.
const int kLastNumber = 99999;

// "dir/mesh" for "dir/mesh.rvf": the mesh's path without the extension of its file name.
std::string WithoutExtension(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (dot == std::string::npos || dot <= nameStart) return path;
    return path.substr(0, dot);
}

std::string FileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates the first of STEM-001.png, STEM-002.png, ... that does not exist yet, never replacing
// one that does; its path in *path. Null with errno set when none can be created.
FILE* CreateFirstFree(const std::string& stem, std::string* path) {
    for (int n = 1; n <= kLastNumber; ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%03d.png", n);
        *path = stem + suffix;
        int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        FILE* fp = fdopen(fd, "wb");
        if (fp == nullptr) {
            int saved = errno;
            close(fd);
            unlink(path->c_str());
            errno = saved;
        }
        return fp;
    }
    errno = EEXIST;
    return nullptr;
}

// The back buffer's pixels as RGB, top row first; array new, released by the caller. Rows are
// read as RGBA, which needs no pack alignment other than GL's default.
unsigned char* ReadBackBuffer(int width, int height) {
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    unsigned char* rgba = new (std::nothrow) unsigned char[4 * pixels];
    unsigned char* rgb = rgba != nullptr ? new (std::nothrow) unsigned char[3 * pixels] : nullptr;
    if (rgb != nullptr) {
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        RgbaFrameToPicture(rgba, width, height, rgb);
    }
    delete[] rgba;
    return rgb;
}

}  // namespace

void SaveAskedScreenshot() {
    if (!gScreenshotAsked) return;
    gScreenshotAsked = false;
    SaveScreenshot();
}

bool SaveScreenshot() {
    if (gWidth < 1 || gHeight < 1) {
        printf("Screenshot not saved: the window shows nothing.\n");
        return false;
    }
    unsigned char* rgb = ReadBackBuffer(gWidth, gHeight);
    if (rgb == nullptr) {
        printf("Screenshot not saved: not enough memory.\n");
        return false;
    }
    const std::string besideMesh = WithoutExtension(gMeshPath), here = WithoutExtension(FileName(gMeshPath));
    std::string path;
    FILE* fp = CreateFirstFree(besideMesh, &path);
    if (fp == nullptr && here != besideMesh) fp = CreateFirstFree(here, &path);
    if (fp == nullptr) {
        printf("Screenshot not saved: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        delete[] rgb;
        return false;
    }
    std::string error;
    bool written = EncodePng(fp, gWidth, gHeight, rgb, &error);
    delete[] rgb;
    if (std::fclose(fp) != 0 && written) {
        written = false;
        error = std::strerror(errno);
    }
    if (!written) {
        unlink(path.c_str());
        printf("Screenshot not saved: cannot write %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    printf("%s\n", path.c_str());
    return true;
}
