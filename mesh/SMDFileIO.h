// SMD text meshes: the "triangles" section read into the same triangle records that the RVF
// reader produces.
#ifndef MESH_SMDFILEIO_H
#define MESH_SMDFILEIO_H

#include <cstdio>

#include "mesh/RvFileIO.h"

// Reads the triangle list of the SMD file fp (rewound first; left behind the "end" line) into
// *numTris and a new array *tris, the caller's (released with array delete) once set, also after
// a failure. Texture coordinates are clamped to [0, 1], one line on standard output per clamped
// value. A file without a "triangles" line gives 0, an empty array and true; a malformed section
// gives false with one line on standard output naming what was wrong. A failure before the array
// exists (no "end" line, no memory) leaves 0 and null; a later one leaves the counted, zeroed
// array with the triangles read so far.
bool SMDReadTriangles(FILE* fp, int* numTris, RvRawTriangle** tris);

#endif
