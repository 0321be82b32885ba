// Opening what users have: the kind of a file told from its bytes, normal maps decoded from
// PNG, JPEG and Targa files, and meshes of every format Assimp reads, each handed back as a plain
// record. Nothing is printed: a failure returns false with one line in *error, which names no
// file (the caller puts the path in front). A record is filled only on success, replacing what
// it held; arrays handed back are made with array new and are the caller's, released with array
// delete.
#ifndef IMPORT_IMPORT_H
#define IMPORT_IMPORT_H

#include <cstdio>
#include <string>
#include <vector>

#include "mesh/RvFileIO.h"
#include "platform/MacSpecific.h"

// ---------------------------------------------------------------------------------------------
// Kind by content.

enum ImportKind {
    IMPORT_KIND_RVF,          // an RVF mesh: RvReadTriangles reads it
    IMPORT_KIND_TARGA_PLAIN,  // a plain true-colour Targa stored bottom row first, of any depth:
                              // TGAReadImage hands its rows back upright (TGAHeaderIsBottomUp)
    IMPORT_KIND_TARGA,        // any other Targa: ImportReadMap
    IMPORT_KIND_PNG,          // ImportReadMap
    IMPORT_KIND_JPEG,         // ImportReadMap
    IMPORT_KIND_MESH,         // anything else, taken as a mesh for ImportMeshFile
};

// The kind of what the stream holds from its start, told from its bytes, silently: an RVF file
// (a "TRIS" chunk inside an "RVF " container, or any file that begins with the container's tag),
// the PNG or JPEG signature, a header TGAHeaderIsKnown takes, else a mesh. The stream is left
// at its start. fp is open for binary reading and can seek.
ImportKind ImportKindOf(FILE* fp);

// The same for the file at `path`. False when it cannot be opened or read.
bool ImportKindOfFile(const char* path, ImportKind* kind, std::string* error);

// What a file of `kind` is, for a message: "an RVF mesh", "a Targa image", "a PNG image",
// "a JPEG image"; for IMPORT_KIND_MESH, which its bytes do not tell, "a file of another kind".
const char* ImportKindName(ImportKind kind);

// ---------------------------------------------------------------------------------------------
// Normal maps.

// Texels as the viewer holds them after loading a map.
struct ImportedMap {
    int width = 0;           // 1 to 65535
    int height = 0;          // 1 to 65535
    int bitDepth = 0;        // 24 (red, green, blue) or 32 (then alpha)
    BYTE* pixels = nullptr;  // rows bottom first, each left to right, red first; the caller's
    bool greyscale = false;  // the file holds grey samples, copied here into all three channels:
                             // a height map rather than a normal map, worth a warning
};

// Decodes a map of `kind` (IMPORT_KIND_PNG, IMPORT_KIND_JPEG or either Targa kind) from fp's
// position. depth 0 keeps the file's alpha (32 bits with alpha, else 24); 24 drops it; 32 adds an
// opaque one. Samples are taken as stored: no gamma or colour-profile conversion, 16-bit PNG
// samples rounded to 8 bits, palettes expanded, a PNG transparency chunk made alpha; a JPEG's
// orientation tag is not applied, and a JPEG with corrupt data is refused, not patched. Targa:
// TGAReadImageUpright. Anything wider or higher than 65535 is refused.
// fp is open for binary reading and is not closed here.
bool ImportReadMap(FILE* fp, ImportKind kind, int depth, ImportedMap* map, std::string* error);

// Opens the file at `path`, tells its kind and decodes it as ImportReadMap does; a mesh or an
// RVF file is refused.
bool ImportMapFile(const char* path, int depth, ImportedMap* map, std::string* error);

// The same for a whole file held in memory (size bytes at data).
bool ImportMapBytes(const unsigned char* data, std::size_t size, int depth, ImportedMap* map,
                    std::string* error);

// ---------------------------------------------------------------------------------------------
// Meshes.

// A mesh's triangles and what its material says about its normal map.
struct ImportedMesh {
    int numTris = 0;
    RvRawTriangle* tris = nullptr;  // the caller's
    // The tangents stored in the file, or null when any triangle lacks them: 12 floats a
    // triangle, x, y, z and w of each corner, w the sign (1 or -1) for which the bitangent is
    // w * cross(normal, tangent). The caller's.
    float* tangents = nullptr;
    // The normal map named by the material of the first mesh that names one (a normal texture,
    // else a bump texture, where OBJ's map_Bump lands): a path resolved against the mesh file's
    // folder, or for an image stored inside the mesh file the name the file gives it ("*0" in a
    // GLB). Empty when no material names one.
    std::string normalMap;
    bool normalMapEmbedded = false;             // the image is stored inside the mesh file...
    std::vector<unsigned char> normalMapBytes;  // ...as these file bytes (none for raw texels)
};

// Called now and then with the importer's estimate of the work done, 0 to 100.
typedef void (*ImportProgress)(float percent, void* context);

// Reads the mesh file at `path` with Assimp: every mesh of the scene placed by its transforms,
// polygons split into triangles, points and lines dropped, smooth normals made where the file
// has none, the first texture-coordinate set (v at 0 for a set of one component). Refused: a
// file Assimp cannot read, a mesh with triangles but no texture coordinates, no triangles, more
// than INT_MAX. progress may be null.
bool ImportMeshFile(const char* path, ImportedMesh* mesh, std::string* error,
                    ImportProgress progress = nullptr, void* context = nullptr);

// Decodes the normal map that `mesh` names, from its file or from the bytes stored in the mesh
// file, as ImportMapFile does. False when it names none.
bool ImportMeshMap(const ImportedMesh& mesh, int depth, ImportedMap* map, std::string* error);

#endif
