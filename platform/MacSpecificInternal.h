// Pieces of the platform helpers that the public routines build on, open to the tests.
#ifndef PLATFORM_MACSPECIFICINTERNAL_H
#define PLATFORM_MACSPECIFICINTERNAL_H

#include <cstddef>

#include "platform/MacSpecific.h"

// GetBaseFilePath for an executable at exePath (a full slash-separated path): the same style
// conversion, size limit and cut at the first "RVFView". Returns 0 or -43.
OSErr KivBaseFilePathOf(const char* exePath, char* filePath, int pathSize, bool posixStyle);

// Case-insensitive comparison of at most `length` characters made on the fly, without copies;
// the same sign as comparing lower-cased copies with strncmp. The comparison helpers fall back
// on it when their copies cannot be allocated.
int KivCompareLowered(const char* str1, const char* str2, std::size_t length);

#endif
