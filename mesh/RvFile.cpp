// The RVF chunk file: writer, reader, the chunk walk and the converter from the bare layout.
#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "mesh/RvFileIO.h"

namespace {

const char kContainerTag[4] = {'R', 'V', 'F', ' '};
const char kTrianglesTag[4] = {'T', 'R', 'I', 'S'};

// Bytes a chunk holds besides its triangles: the container holds the TRIS header and the
// count, the TRIS chunk the count alone.
const std::uint64_t kContainerExtra = sizeof(RvHeader) + sizeof(int32);
const std::uint64_t kTrianglesExtra = sizeof(int32);

bool SameTag(const RvHeader& header, const char (&tag)[4]) { return std::memcmp(header.hdr, tag, 4) == 0; }

void Report(bool quiet, const char* message) {
    if (!quiet) std::fputs(message, stderr);
}

bool WriteHeader(FILE* fp, const char (&tag)[4], UNSIGNED_INT_32 size) {
    RvHeader header;
    std::memcpy(header.hdr, tag, 4);
    header.size = size;
    KivByteSwap_RvHeader(&header, 1);
    return std::fwrite(&header, sizeof header, 1, fp) == 1;
}

bool ReadHeader(FILE* fp, RvHeader* header) {
    if (std::fread(header, sizeof *header, 1, fp) != 1) return false;
    KivByteSwap_RvHeader(header, 1);
    return true;
}

// Triangle arrays are sized from counts that may come from a file: the byte size is checked
// before it is asked for, and a refusal is a null result.
RvRawTriangle* NewTriangles(std::size_t count) {
    if (count > SIZE_MAX / sizeof(RvRawTriangle)) return nullptr;
    return new (std::nothrow) RvRawTriangle[count];
}

// Records enough for every byte a regular file holds behind the stream's position, and one more,
// so that reading a longer count still meets the end of the file; SIZE_MAX for a stream whose
// length is not known (a pipe, a device).
std::size_t RecordsToTheEnd(FILE* fp) {
    struct stat file;
    const long position = std::ftell(fp);
    if (position < 0 || fstat(fileno(fp), &file) != 0 || !S_ISREG(file.st_mode)) return SIZE_MAX;
    const std::size_t bytes = file.st_size > position ? std::size_t(file.st_size - position) : 0;
    return bytes / sizeof(RvRawTriangle) + 1;
}

// A relative seek of `size` bytes forward; long may be narrower than a chunk size.
bool SkipBody(FILE* fp, UNSIGNED_INT_32 size) {
    std::uint64_t left = size;
    do {
        long step = left > std::uint64_t(LONG_MAX) ? LONG_MAX : long(left);
        if (std::fseek(fp, step, SEEK_CUR) != 0) return false;
        left -= std::uint64_t(step);
    } while (left > 0);
    return true;
}

// The walk shared by the reader and the silent test: from fp's position to just behind the
// first "TRIS" header inside the first "RVF " container. Once inside the container every
// following header is taken as one of its chunks; the container's size is never used.
bool FindTriangleChunk(FILE* fp, bool quiet) {
    for (;;) {
        if (std::feof(fp)) {
            Report(quiet, "No RVF data found in file\n");
            return false;
        }
        RvHeader header;
        if (!ReadHeader(fp, &header)) {
            Report(quiet, "Unable to read header\n");
            return false;
        }
        if (!SameTag(header, kContainerTag)) {
            if (!SkipBody(fp, header.size)) {
                Report(quiet, "Chunk size doesn't match file size\n");
                return false;
            }
            continue;
        }
        while (!std::feof(fp)) {
            if (!ReadHeader(fp, &header)) {
                Report(quiet, "Unable to read header\n");
                return false;
            }
            if (SameTag(header, kTrianglesTag)) return true;
            if (!SkipBody(fp, header.size)) {
                Report(quiet, "Chunk size doesn't match file size\n");
                return false;
            }
        }
    }
}

}  // namespace

bool RvWriteTriangles(FILE* fp, int numTris, const RvRawTriangle* tris) {
    // Sizes that would wrap around in the headers are refused before a byte is written.
    const std::uint64_t triangleBytes = std::uint64_t(numTris < 0 ? 0 : numTris) * sizeof(RvRawTriangle);
    if (numTris < 0 || triangleBytes + kContainerExtra > UINT32_MAX) {
        std::fputs("Unable to write RVF header\n", stderr);
        return false;
    }

    if (!WriteHeader(fp, kContainerTag, UNSIGNED_INT_32(triangleBytes + kContainerExtra))) {
        std::fputs("Unable to write RVF header\n", stderr);
        return false;
    }
    if (!WriteHeader(fp, kTrianglesTag, UNSIGNED_INT_32(triangleBytes + kTrianglesExtra))) {
        std::fputs("Unable to write triangle header\n", stderr);
        return false;
    }
    int32 count = numTris;
    KivByteSwap_int32(&count, 1);
    if (std::fwrite(&count, sizeof count, 1, fp) != 1) {
        std::fputs("Unable to write number of triangles\n", stderr);
        return false;
    }

    // The triangles are converted on a copy, with one record to spare so that an empty list
    // still has a block to write from.
    const std::size_t records = std::size_t(numTris);
    RvRawTriangle* scratch = NewTriangles(records + 1);
    if (scratch == nullptr) {
        std::fputs("Unable to write triangles\n", stderr);
        return false;
    }
    if (records > 0) std::memcpy(scratch, tris, records * sizeof(RvRawTriangle));
    KivByteSwap_RvRawTriangle(scratch, uint32(numTris));
    const bool written = std::fwrite(scratch, sizeof(RvRawTriangle), records, fp) == records;
    delete[] scratch;
    if (!written) {
        std::fputs("Unable to write triangles\n", stderr);
        return false;
    }
    return true;
}

bool RvReadTriangleChunk(FILE* fp, int* numTris, RvRawTriangle** tris) {
    // A short read leaves *numTris as it was rather than half overwritten.
    int32 count;
    if (std::fread(&count, sizeof count, 1, fp) != 1) {
        std::fputs("Unable to read number of triangles\n", stderr);
        return false;
    }
    KivByteSwap_int32(&count, 1);
    *numTris = count;
    if (count <= 0) {
        std::fputs("No triangles found in file\n", stderr);
        return false;
    }

    // The count comes from the file: whatever it says, a failed allocation is reported. A count
    // beyond what a file holds sizes the array by the file, so that a few bytes cannot ask for
    // gigabytes; the read of what is there then comes up short as it would have anyway.
    const std::size_t records = std::size_t(count);
    const std::size_t left = RecordsToTheEnd(fp);
    const std::size_t room = records < left ? records : left;
    *tris = NewTriangles(room);
    if (*tris == nullptr) {
        std::fprintf(stderr, "Unable to allocate space for %d triangles\n", count);
        return false;
    }
    if (std::fread(*tris, sizeof(RvRawTriangle), room, fp) != records) {
        std::fputs("Unable to read triangles\n", stderr);
        return false;
    }
    KivByteSwap_RvRawTriangle(*tris, uint32(count));
    return true;
}

bool RvReadTriangles(FILE* fp, int* numTris, RvRawTriangle** tris) {
    if (!FindTriangleChunk(fp, false)) return false;
    return RvReadTriangleChunk(fp, numTris, tris);
}

bool RvFileHasTriangles(FILE* fp) { return FindTriangleChunk(fp, true); }

bool RvConvertFile(FILE* fpIn, FILE* fpOut) {
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    bool ok = RvReadTriangleChunk(fpIn, &numTris, &tris);
    if (!ok) {
        std::fputs("Unable to read input file\n", stderr);
    } else if (!RvWriteTriangles(fpOut, numTris, tris)) {
        std::fputs("Unable to write output file\n", stderr);
        ok = false;
    }
    delete[] tris;
    return ok;
}
