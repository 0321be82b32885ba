// The loaders' way into the import library, behind viewer/Loading.cpp: meshes the importer
// reads and maps of every kind but the plain Targa, put into the viewer's globals. Each prints
// the loader's line and one line why on failure, on standard output.
#ifndef VIEWER_OPENING_H
#define VIEWER_OPENING_H

#include <cstdio>
#include <string>

#include "import/Import.h"

// Imports the mesh file at `objectFile` into gNumTris, gTriangles and gFileTangents and sets
// gMeshImported; keeps what its material names as the normal map (ImportedMeshMap). A file of
// an image kind is refused as no mesh. The importer's estimate updates the progress the caller
// began, with a total of 100. False after ending that progress, then "ERROR: Unable to read
// file: PATH" and one line; the mesh globals are then as they were, which is empty.
bool ImportObjectFile(const char* objectFile, ImportKind kind);

// Decodes the map of `kind` (not IMPORT_KIND_TARGA_PLAIN) from fp into gTexInfo and
// gMapGreyscale; a file of a mesh kind is refused as no map. False after "ERROR: Unable to open
// file: PATH" and one line; gTexInfo is then as it was, which is empty.
// fp is open for binary reading at its start and is not closed here.
bool ImportTextureFile(FILE* fp, ImportKind kind, const char* textureFile);

// The normal map that the material of the mesh imported last names: a path, or with *embedded
// the name of an image stored inside the mesh file; empty when it names none.
const std::string& ImportedMeshMap(bool* embedded);

// Decodes the image stored inside `meshFile`, the mesh imported last, into gTexInfo and
// gMapGreyscale. False after "ERROR: Unable to open file: MESH" and one line; gTexInfo is then
// as it was, which is empty.
bool ImportEmbeddedMap(const char* meshFile);

#endif
