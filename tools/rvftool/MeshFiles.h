// Reading and writing whole RVF files by name, with the tool's one message per failure.
#ifndef TOOLS_RVFTOOL_MESHFILES_H
#define TOOLS_RVFTOOL_MESHFILES_H

#include "mesh/RvFileIO.h"

// The most triangles an RVF file holds: its container size, 96 per triangle plus 12, is 32 bits.
constexpr int kMaxRvfTriangles = int((0xFFFFFFFFu - 12u) / 96u);

// Reads the triangles of the RVF file at `path` into *numTris and a new array *tris (the
// caller's, released with array delete). False after printing one message; *tris is then null.
bool ReadRvfFile(const char* path, int* numTris, RvRawTriangle** tris);

// Writes numTris triangles (1 to kMaxRvfTriangles) to `path` as an RVF file, through a
// temporary beside it. False after printing one message; an existing file is then untouched.
bool WriteRvfFile(const char* path, int numTris, const RvRawTriangle* tris);

#endif
