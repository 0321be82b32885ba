// The kind of a file told from its first bytes. Targa files carry no signature, so they are told
// by a header whose every field holds a value the format knows; the signatures and the RVF walk
// come first.
#include <cerrno>
#include <cstring>

#include "image/TGAIO.h"
#include "import/ImportInternal.h"

ImportKind ImportKindOf(FILE* fp) {
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static const unsigned char kJpeg[3] = {0xFF, 0xD8, 0xFF};
    unsigned char head[8];
    std::rewind(fp);
    const std::size_t n = std::fread(head, 1, sizeof head, fp);
    ImportKind kind = IMPORT_KIND_MESH;
    if (n >= 4 && std::memcmp(head, "RVF ", 4) == 0) {
        // A damaged RVF file too: its own reader says best what is wrong with it.
        kind = IMPORT_KIND_RVF;
    } else if (n >= sizeof kPng && std::memcmp(head, kPng, sizeof kPng) == 0) {
        kind = IMPORT_KIND_PNG;
    } else if (n >= sizeof kJpeg && std::memcmp(head, kJpeg, sizeof kJpeg) == 0) {
        kind = IMPORT_KIND_JPEG;
    } else {
        std::rewind(fp);
        if (RvFileHasTriangles(fp)) {
            kind = IMPORT_KIND_RVF;
        } else {
            std::rewind(fp);
            TGAHeaderInfo header;
            if (TGAReadHeader(fp, &header) && TGAHeaderIsKnown(&header))
                kind = TGAHeaderIsBottomUp(&header) ? IMPORT_KIND_TARGA_PLAIN : IMPORT_KIND_TARGA;
        }
    }
    std::rewind(fp);
    return kind;
}

FILE* ImportOpen(const char* path, std::string* error) {
    FILE* fp = std::fopen(path, "rb");
    if (fp == nullptr) {
        *error = std::string("cannot open: ") + std::strerror(errno);
        return nullptr;
    }
    std::fgetc(fp);
    if (std::ferror(fp)) {
        *error = std::string("cannot read: ") + std::strerror(errno);
        std::fclose(fp);
        return nullptr;
    }
    std::rewind(fp);
    return fp;
}

bool ImportKindOfFile(const char* path, ImportKind* kind, std::string* error) {
    FILE* fp = ImportOpen(path, error);
    if (fp == nullptr) return false;
    *kind = ImportKindOf(fp);
    std::fclose(fp);
    return true;
}

const char* ImportKindName(ImportKind kind) {
    switch (kind) {
        case IMPORT_KIND_RVF:
            return "an RVF mesh";
        case IMPORT_KIND_TARGA_PLAIN:
        case IMPORT_KIND_TARGA:
            return "a Targa image";
        case IMPORT_KIND_PNG:
            return "a PNG image";
        case IMPORT_KIND_JPEG:
            return "a JPEG image";
        case IMPORT_KIND_MESH:
            break;
    }
    return "a file of another kind";
}
