// Loading the mesh and the normal map into the globals, before the window exists or on "l".
// The kind of each file is told by its content: RVF meshes and plain Targa maps stored bottom
// row first take the readers' own paths here, everything else goes through viewer/Opening.cpp.
#include <sys/stat.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "image/TGAIO.h"
#include "mesh/MikkTSpace.h"
#include "platform/Progress.h"
#include "viewer/Opening.h"
#include "viewer/RVFView.h"

namespace {

void ReleaseMesh() {
    gNumTris = 0;
    delete[] gTriangles;
    gTriangles = nullptr;
    delete[] gFileTangents;
    gFileTangents = nullptr;
    gMeshImported = false;
    gNumVerts = 0;
    delete[] gVertices;
    gVertices = nullptr;
    delete[] gIndices;
    gIndices = nullptr;
    delete[] gTangentSigns;
    gTangentSigns = nullptr;
}

// Centres the welded positions on the origin and scales the largest extent to 50 units.
void CenterAndScale(RvTangentPointD* vertices, int numVerts) {
    float bbox[6] = {FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (int i = 0; i < numVerts; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            double c = vertices[i].vertex[axis];
            if (c < bbox[axis]) bbox[axis] = static_cast<float>(c);
            if (c > bbox[3 + axis]) bbox[3 + axis] = static_cast<float>(c);
        }
    }
    float dx = bbox[3] - bbox[0];
    float dy = bbox[4] - bbox[1];
    float dz = bbox[5] - bbox[2];
    float center[3] = {dx / 2 + bbox[0], dy / 2 + bbox[1], dz / 2 + bbox[2]};
    float extent;
    if (dx > dy)
        extent = (dx > dz) ? dx : dz;
    else
        extent = (dy > dz) ? dy : dz;
    // All vertices at one point: nothing to scale, so the object is shown at its own size.
    float scale = (extent > 0.0f) ? 50.0f / extent : 1.0f;
    for (int i = 0; i < numVerts; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            vertices[i].vertex[axis] -= center[axis];
            vertices[i].vertex[axis] *= scale;
        }
    }
}

bool AllFinite(const double* values, int count) {
    for (int k = 0; k < count; ++k)
        if (!std::isfinite(values[k])) return false;
    return true;
}

// False when centring and scaling overflowed: numbers that GL cannot draw and light vectors that
// mean nothing.
bool MeshIsFinite(const RvTangentPointD* vertices, int numVerts) {
    for (int i = 0; i < numVerts; ++i) {
        const RvTangentPointD& p = vertices[i];
        if (!AllFinite(p.vertex, 3) || !AllFinite(p.normal, 3) || !AllFinite(p.uv, 2) ||
            !AllFinite(p.tangent, 3) || !AllFinite(p.binormal, 3))
            return false;
    }
    return true;
}

// A mesh welded in one tangent basis, centred and scaled.
struct Welded {
    int numVerts = 0;
    RvTangentPointD* vertices = nullptr;
    RvIndex* indices = nullptr;
    float* signs = nullptr;
};

void Release(Welded* welded) {
    delete[] welded->vertices;
    delete[] welded->indices;
    delete[] welded->signs;
}

// The own frames and their signs.
bool WeldOwn(Welded* welded) {
    ProgressNext("welding the mesh", 0);
    if (!RvCreateVertexBuffers(gNumTris, gTriangles, &welded->numVerts, &welded->vertices, &welded->indices))
        return false;
    welded->signs = new (std::nothrow) float[static_cast<size_t>(welded->numVerts)];
    if (welded->signs == nullptr) return false;
    for (int v = 0; v < welded->numVerts; ++v) {
        const RvTangentPointD& p = welded->vertices[v];
        welded->signs[v] = RvFrameSign(p.normal, p.tangent, p.binormal);
    }
    return true;
}

// Welds the corners where everything, `tangents` and their signs included, agrees exactly.
bool WeldSigned(const float* tangents, Welded* welded) {
    ProgressNext("welding the mesh", 0);
    return RvCreateSignedVertexBuffers(gNumTris, gTriangles, tangents, &welded->numVerts, &welded->vertices,
                                       &welded->indices, &welded->signs);
}

bool WeldMikkTSpace(Welded* welded) {
    ProgressNext("computing MikkTSpace tangents", 0);
    float* tangents = new (std::nothrow) float[12 * static_cast<size_t>(gNumTris)];
    const bool done = tangents != nullptr && RvComputeMikkTangents(gNumTris, gTriangles, tangents) &&
                      WeldSigned(tangents, welded);
    delete[] tangents;
    return done;
}

// Welds gTriangles in `basis` (the file's tangents only when there are some), then centres and
// scales the vertices. False, with nothing kept, when memory is short, there is no triangle, or
// the numbers overflow. Its stages are shown as the progress of work begun by the caller.
bool Weld(int basis, Welded* welded) {
    bool done = basis == kBasisMikkTSpace                         ? WeldMikkTSpace(welded)
                : basis == kBasisFile && gFileTangents != nullptr ? WeldSigned(gFileTangents, welded)
                                                                  : WeldOwn(welded);
    if (done) {
        ProgressNext("centring the mesh", 0);
        CenterAndScale(welded->vertices, welded->numVerts);
        done = MeshIsFinite(welded->vertices, welded->numVerts);
    }
    if (!done) Release(welded);
    return done;
}

// Puts the welded mesh in the globals in place of the one there.
void Keep(const Welded& welded) {
    delete[] gVertices;
    delete[] gIndices;
    delete[] gTangentSigns;
    gNumVerts = welded.numVerts;
    gVertices = welded.vertices;
    gIndices = welded.indices;
    gTangentSigns = welded.signs;
}

// The line after a loader's message that says why the file could not be used.
void PrintReason(int error) { printf("The system says: %s\n", strerror(error)); }

// A directory opens for reading like a file; only the reads fail.
bool IsDirectory(FILE* fp) {
    struct stat st;
    return fstat(fileno(fp), &st) == 0 && S_ISDIR(st.st_mode);
}

// Turns blue-first texels into red-first ones; `stride` is 3 or 4 bytes.
void SwapRedBlue(BYTE* texels, size_t count, size_t stride) {
    for (size_t i = 0; i < count; ++i) std::swap(texels[stride * i], texels[stride * i + 2]);
}

// Empties the map globals, releasing the texels.
void ReleaseMap() {
    gTexInfo.width = 0;
    gTexInfo.height = 0;
    gTexInfo.bitDepth = 0;
    gTexInfo.format = KIV_BITMAP_FORMAT_UNKNOWN;
    delete[] gTexInfo.pixels;
    gTexInfo.pixels = nullptr;
    gMapGreyscale = false;
    gMapInMesh = false;
}

// What the globals hold of one loaded mesh and map, kept aside while another load is tried;
// empty as made.
struct Loaded {
    int numTris = 0, numVerts = 0;
    RvRawTriangle* triangles = nullptr;
    float* fileTangents = nullptr;
    bool meshImported = false;
    RvTangentPointD* vertices = nullptr;
    RvIndex* indices = nullptr;
    float* tangentSigns = nullptr;
    KivBitmap texInfo = {0, 0, 0, KIV_BITMAP_FORMAT_UNKNOWN, nullptr};
    bool mapGreyscale = false, mapInMesh = false;
    std::string meshPath, mapPath;
};

// Trades what the globals hold for what `loaded` holds.
void Exchange(Loaded* loaded) {
    std::swap(gNumTris, loaded->numTris);
    std::swap(gNumVerts, loaded->numVerts);
    std::swap(gTriangles, loaded->triangles);
    std::swap(gFileTangents, loaded->fileTangents);
    std::swap(gMeshImported, loaded->meshImported);
    std::swap(gVertices, loaded->vertices);
    std::swap(gIndices, loaded->indices);
    std::swap(gTangentSigns, loaded->tangentSigns);
    std::swap(gTexInfo, loaded->texInfo);
    std::swap(gMapGreyscale, loaded->mapGreyscale);
    std::swap(gMapInMesh, loaded->mapInMesh);
    std::swap(gMeshPath, loaded->meshPath);
    std::swap(gMapPath, loaded->mapPath);
}

// Moves the loaded mesh and map out of the globals, which are left empty.
Loaded TakeLoaded() {
    Loaded kept;
    Exchange(&kept);
    return kept;
}

// Releases what the globals hold and puts `kept` back in its place.
void PutBack(Loaded* kept) {
    ReleaseMesh();
    ReleaseMap();
    Exchange(kept);
}

void Release(Loaded* kept) {
    delete[] kept->triangles;
    delete[] kept->fileTangents;
    delete[] kept->vertices;
    delete[] kept->indices;
    delete[] kept->tangentSigns;
    delete[] kept->texInfo.pixels;
}

// Asks with `ask` until `load` accepts the chosen file; false when the user gives none.
bool AskUntilLoaded(bool (*ask)(char*), bool (*load)(const char*)) {
    char path[kPathBufferSize];
    for (;;) {
        path[0] = '\0';
        if (!ask(path)) return false;
        if (load(path)) return true;
    }
}

}  // namespace

bool ChooseObjectAndMapKeepingCurrent() {
    Loaded kept = TakeLoaded();
    if (AskUntilLoaded(AskRVFFileName, LoadObjectFile) &&
        AskUntilLoaded(AskTextureFileName, LoadTextureFile)) {
        Release(&kept);
        return true;
    }
    PutBack(&kept);
    printf("Nothing loaded: the mesh and the map on screen stay.\n");
    return false;
}

bool LoadObjectAndMapKeepingCurrent(const char* objectFile, const char* textureFile) {
    // Both paths are copied first: they may be the globals that the load replaces.
    const bool named = textureFile == nullptr;
    std::string mesh = objectFile, map = named ? "" : textureFile;
    Loaded kept = TakeLoaded();
    if (LoadObjectFile(mesh.c_str()) && (named ? LoadMeshMap() : LoadTextureFile(map.c_str()))) {
        Release(&kept);
        return true;
    }
    PutBack(&kept);
    return false;
}

void ChooseUntilLoaded(bool (*choose)(int*, char*), bool (*load)(const char*)) {
    char path[kPathBufferSize];
    for (;;) {
        path[0] = '\0';
        if (choose(nullptr, path) && load(path)) return;
    }
}

bool LoadObjectFile(const char* objectFile) {
    ReleaseMesh();
    FILE* fp = fopen(objectFile, "rb");
    if (fp == nullptr) {
        int error = errno;
        printf("ERROR: Unable to open file: %s\n", objectFile);
        PrintReason(error);
        return false;
    }
    bool directory = IsDirectory(fp);
    // A directory goes to the RVF reader, which refuses it in its own words.
    const ImportKind kind = directory ? IMPORT_KIND_RVF : ImportKindOf(fp);
    // A load of over a second shows its progress; it has ended before any message.
    const bool imported = kind != IMPORT_KIND_RVF;
    ProgressBegin(imported ? "importing the mesh" : "reading the mesh", imported ? 100 : 0);
    if (imported) {
        fclose(fp);
        if (!ImportObjectFile(objectFile, kind)) return false;
    } else if (!RvReadTriangles(fp, &gNumTris, &gTriangles)) {
        ProgressEnd();
        fclose(fp);
        printf("ERROR: Unable to read file: %s\n", objectFile);
        if (directory) PrintReason(EISDIR);
        ReleaseMesh();
        return false;
    } else {
        fclose(fp);
    }
    // A NaN or an infinity cannot be drawn, and would spoil the centring of every other
    // triangle: such triangles are left out and the rest shown. With none left the weld fails.
    int numInFile = gNumTris;
    gNumTris = RvKeepFiniteTriangles(gNumTris, gTriangles, gFileTangents);
    Welded welded;
    const bool done = Weld(gBasis, &welded);
    ProgressEnd();
    if (!done) {
        printf("ERROR: Unable to read file: %s\n", objectFile);
        ReleaseMesh();
        return false;
    }
    Keep(welded);
    // The file's tangents are wanted but this file has none: its frames are the own ones, and
    // the basis says so.
    if (gBasis == kBasisFile && gFileTangents == nullptr) {
        gBasis = kBasisOwn;
        printf("%s holds no tangents: tangent basis own.\n", objectFile);
    }
    int leftOut = numInFile - gNumTris;
    if (leftOut > 0)
        printf("Left out %d %s with a NaN or an infinity.\n", leftOut,
               CountNoun(leftOut, "triangle", "triangles"));
    gMeshPath = objectFile;
    return true;
}

bool WeldInBasis(int basis) {
    Welded welded;
    ProgressBegin("welding the mesh", 0);
    const bool done = Weld(basis, &welded);
    ProgressEnd();
    if (!done) {
        printf("Not enough memory for the %s tangent basis: it stays %s.\n", BasisTitle(basis),
               BasisTitle(gBasis));
        return false;
    }
    Keep(welded);
    gBasis = basis;
    return true;
}

bool LoadTextureFile(const char* textureFile) {
    ReleaseMap();

    FILE* fp = fopen(textureFile, "rb");
    if (fp == nullptr) {
        int error = errno;
        printf("ERROR: Unable to open file: %s\n", textureFile);
        PrintReason(error);
        return false;
    }
    bool directory = IsDirectory(fp);
    // A directory goes to the Targa reader, which refuses it in its own words.
    const ImportKind kind = directory ? IMPORT_KIND_TARGA_PLAIN : ImportKindOf(fp);
    if (kind != IMPORT_KIND_TARGA_PLAIN) {
        bool imported = ImportTextureFile(fp, kind, textureFile);
        fclose(fp);
        if (imported) gMapPath = textureFile;
        return imported;
    }
    int width = 0, height = 0, bitDepth = 0;
    BYTE* pixels = nullptr;
    bool read = TGAReadImage(fp, &width, &height, &bitDepth, &pixels);
    gTexInfo.pixels = pixels;
    fclose(fp);
    // A map without texels cannot be uploaded: refused like a file that cannot be read.
    if (!read || width == 0 || height == 0) {
        printf("ERROR: Unable to open file: %s\n", textureFile);
        if (directory) PrintReason(EISDIR);
        return false;
    }
    gTexInfo.width = static_cast<uint16>(width);
    gTexInfo.height = static_cast<uint16>(height);
    gTexInfo.bitDepth = static_cast<std::uint8_t>(bitDepth);

    size_t texels = static_cast<size_t>(width) * static_cast<size_t>(height);
    switch (bitDepth) {
        case 24:
            gTexInfo.format = KIV_BITMAP_FORMAT_888;
            SwapRedBlue(gTexInfo.pixels, texels, 3);
            gMapPath = textureFile;
            return true;
        case 32:
            gTexInfo.format = KIV_BITMAP_FORMAT_8888;
            SwapRedBlue(gTexInfo.pixels, texels, 4);
            gMapPath = textureFile;
            return true;
        default:
            printf("ERROR: Unhandled Targa bitdepth: %d\n", bitDepth);
            return false;
    }
}

bool MeshNamesMap() {
    bool embedded;
    return gMeshImported && !ImportedMeshMap(&embedded).empty();
}

bool LoadMeshMap() {
    if (!MeshNamesMap()) {
        printf("%s names no normal map.\n", gMeshPath.c_str());
        return false;
    }
    bool embedded;
    const std::string& map = ImportedMeshMap(&embedded);
    if (!embedded) return LoadTextureFile(map.c_str());
    ReleaseMap();
    if (!ImportEmbeddedMap(gMeshPath.c_str())) return false;
    gMapPath = gMeshPath;
    gMapInMesh = true;
    return true;
}

void LoadNewObjectAndMap() {
    ChooseUntilLoaded(GetRVFFileName, LoadObjectFile);
    ChooseUntilLoaded(GetTextureFileName, LoadTextureFile);
}
