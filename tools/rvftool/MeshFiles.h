// Reading meshes and writing whole RVF files by name, with the tool's one message per failure.
#ifndef TOOLS_RVFTOOL_MESHFILES_H
#define TOOLS_RVFTOOL_MESHFILES_H

#include "import/Import.h"
#include "mesh/RvFileIO.h"

// The most triangles an RVF file holds: its container size, 96 per triangle plus 12, is 32 bits.
constexpr int kMaxRvfTriangles = int((0xFFFFFFFFu - 12u) / 96u);

// Reads the triangles of the RVF file at `path` into *numTris and a new array *tris (the
// caller's, released with array delete). False after printing one message; *tris is then null.
bool ReadRvfFile(const char* path, int* numTris, RvRawTriangle** tris);

// Whether a file of `kind` at `path` is a mesh for the importer; else prints why not (an RVF
// file already, or an image or other kind, which 'rvftool map' may take) and returns false.
bool IsImportableMesh(const char* path, ImportKind kind);

// Reads the mesh file at `path` through the importer into *mesh, showing its progress on a
// terminal. False after printing one message.
bool ImportMesh(const char* path, ImportedMesh* mesh);

// Reads the triangles of the mesh file at `path`, told by its content: an RVF file as
// ReadRvfFile does, any other mesh through ImportMesh, with the tangents it stores in *tangents
// (12 floats a triangle as ImportedMesh holds them, or null). An image is refused as one. False
// after printing one message; *tris and *tangents are then null. Both arrays are the caller's.
bool ReadMeshFile(const char* path, int* numTris, RvRawTriangle** tris, float** tangents);

// Writes numTris triangles (1 to kMaxRvfTriangles) to `path` as an RVF file, through a
// temporary beside it. False after printing one message; an existing file is then untouched.
bool WriteRvfFile(const char* path, int numTris, const RvRawTriangle* tris);

#endif
