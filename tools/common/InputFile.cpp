#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "tools/common/CommandLine.h"

FILE* OpenInputFile(const char* path) {
    FILE* fp = std::fopen(path, "rb");
    if (fp == nullptr) {
        Fail("%s: cannot open: %s", path, std::strerror(errno));
        return nullptr;
    }
    // A directory opens like a file; only its reads fail, with a message about the content.
    struct stat st;
    if (fstat(fileno(fp), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(fp);
        Fail("'%s' is a directory", path);
        return nullptr;
    }
    return fp;
}
