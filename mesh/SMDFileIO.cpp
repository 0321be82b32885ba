// SMD text meshes: the triangles section, counted in one pass and read in a second.
#include "mesh/SMDFileIO.h"

#include <climits>
#include <new>

namespace {

// Lines go into a buffer of kLineBytes with a read limit one less, so a line longer than
// kLineBytes - 2 characters is split and its rest taken as the next line.
const int kLineBytes = 4096;
const int kReadLimit = kLineBytes - 1;

bool NextLine(FILE* fp, char* line) { return std::fgets(line, kReadLimit, fp) != nullptr; }

bool IsSectionStart(const char* line) { return strnicmp(line, "triangles", 9) == 0; }
bool IsSectionEnd(const char* line) { return strnicmp(line, "end", 3) == 0; }

// Rewinds and reads up to the line that opens the triangles section; false when there is none.
bool FindSection(FILE* fp, char* line) {
    std::rewind(fp);
    while (NextLine(fp, line)) {
        if (IsSectionStart(line)) return true;
    }
    return false;
}

// Pulls texture coordinates below 0 or above 1 back into range, saying so for each.
void ClampTexCoord(RvRawTexCoord* t) {
    if (t->u < 0.0f) {
        std::printf("texCoord out of range!: %f\n", t->u);
        t->u = 0.0f;
    }
    if (t->v < 0.0f) {
        std::printf("texCoord out of range!: %f\n", t->v);
        t->v = 0.0f;
    }
    if (t->u > 1.0f) {
        std::printf("texCoord out of range!: %f\n", t->u);
        t->u = 1.0f;
    }
    if (t->v > 1.0f) {
        std::printf("texCoord out of range!: %f\n", t->v);
        t->v = 1.0f;
    }
}

// First pass: the number of triangles in the section (0 without one), or -1 after a message
// when the section is not closed or holds more triangles than an int counts.
int CountTris(FILE* fp) {
    char line[kLineBytes];
    if (!FindSection(fp, line)) return 0;
    int numTriangles = 0;
    while (NextLine(fp, line)) {
        if (IsSectionEnd(line)) return numTriangles;
        if (!NextLine(fp, line) || !NextLine(fp, line) || !NextLine(fp, line)) break;
        if (numTriangles == INT_MAX) {
            std::printf("ERROR: Too many triangles in SMD file\n");
            return -1;
        }
        ++numTriangles;
    }
    std::printf("ERROR: SMD file ends inside the triangles section, without an \"end\" line\n");
    return -1;
}

// Reads the three vertex lines of triangle `count` into *tri, clamping its texture coordinates.
// kMalformed comes after a message; kEnded when the file ends first.
enum class Corners { kRead, kEnded, kMalformed };
Corners ReadCorners(FILE* fp, char* line, int count, RvRawTriangle* tri) {
    for (int i = 0; i < 3; ++i) {
        if (!NextLine(fp, line)) return Corners::kEnded;
        int bone;
        float32 f[8];
        if (std::sscanf(line, "%d %f %f %f %f %f %f %f %f", &bone, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5],
                        &f[6], &f[7]) != 9) {
            std::printf("ERROR: SMD vertex line with fewer than nine fields in triangle %d\n", count);
            return Corners::kMalformed;
        }
        tri->vert[i] = {{f[0], f[1], f[2]}};
        tri->norm[i] = {{f[3], f[4], f[5]}};
        tri->texCoord[i] = {{f[6], f[7]}};
        ClampTexCoord(&tri->texCoord[i]);
    }
    return Corners::kRead;
}

// Second pass: fills the numTris triangles of tris, never one more. False after a message when
// a vertex line lacks fields or the section no longer holds exactly numTris triangles.
bool ReadTris(FILE* fp, int numTris, RvRawTriangle* tris) {
    char line[kLineBytes];
    if (!FindSection(fp, line)) {
        if (numTris == 0) return true;
    } else {
        for (int count = 0; NextLine(fp, line); ++count) {
            if (IsSectionEnd(line)) {
                if (count == numTris) return true;
                break;
            }
            if (count == numTris) break;
            const Corners corners = ReadCorners(fp, line, count, &tris[count]);
            if (corners == Corners::kMalformed) return false;
            if (corners == Corners::kEnded) break;
        }
    }
    std::printf("ERROR: SMD file changed between reading passes: %d triangles counted\n", numTris);
    return false;
}

}  // namespace

bool SMDReadTriangles(FILE* fp, int* numTris, RvRawTriangle** tris) {
    const int numTriangles = CountTris(fp);
    *numTris = 0;
    *tris = nullptr;
    if (numTriangles < 0) return false;

    // Zeroed, so that a section broken off in the second pass hands out no undefined corners.
    *tris = new (std::nothrow) RvRawTriangle[numTriangles]();
    if (*tris == nullptr) {
        std::printf("ERROR: Unable to allocate space for %d SMD triangles\n", numTriangles);
        return false;
    }
    *numTris = numTriangles;
    return ReadTris(fp, numTriangles, *tris);
}
