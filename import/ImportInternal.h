// What the files of the import library share behind its public header: opening a file with the
// library's messages, and the map decoders behind ImportReadMap, one per kind of file.
#ifndef IMPORT_IMPORTINTERNAL_H
#define IMPORT_IMPORTINTERNAL_H

#include <cstdio>
#include <string>

#include "import/Import.h"

// The file at `path` open for binary reading, with one byte read to learn that it can be read
// (a directory opens, and only a read tells) and the position back at the start; null with one
// line in *error otherwise.
FILE* ImportOpen(const char* path, std::string* error);

// The most pixels a side may have: the viewer holds sides in 16 bits.
const unsigned long kMaxMapSide = 65535;

// Each decodes one kind from fp's position into *map at the depth the file has (32 bits when it
// holds alpha, else 24), rows bottom first, red first; false with one line in *error, and *map
// untouched, when the file cannot be decoded.
bool DecodePngMap(FILE* fp, ImportedMap* map, std::string* error);
bool DecodeJpegMap(FILE* fp, ImportedMap* map, std::string* error);
bool DecodeTargaMap(FILE* fp, ImportedMap* map, std::string* error);

#endif
