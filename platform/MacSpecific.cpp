// String helpers, Windows bitmap header readers and the application's base path.
#include "platform/MacSpecific.h"

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/ByteOrder.h"
#include "platform/MacSpecificInternal.h"

namespace {

// The result when the base path cannot be had or does not fit.
const OSErr kPathUnavailable = -43;

// The application's name, which the base path is cut in front of.
const char kAppName[] = "RVFView";

char LowerCase(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// A lower-cased heap copy of str, or null when there is no memory for one.
char* LowerCopy(const char* str) {
    const std::size_t length = std::strlen(str);
    char* copy = new (std::nothrow) char[length + 1];
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, str, length + 1);
    StrToLower(copy);
    return copy;
}

// Compares lower-cased copies with strncmp over `length` characters (strcmp when unbounded).
int CompareLowerCopies(const char* str1, const char* str2, std::size_t length, bool bounded) {
    char* copy1 = LowerCopy(str1);
    char* copy2 = LowerCopy(str2);
    int result;
    if (copy1 != nullptr && copy2 != nullptr)
        result = bounded ? std::strncmp(copy1, copy2, length) : std::strcmp(copy1, copy2);
    else
        result = KivCompareLowered(str1, str2, length);
    delete[] copy1;
    delete[] copy2;
    return result;
}

WORD HostOrder(WORD value) { return kKivHostIsBigEndian ? KivEndian16_Swap(value) : value; }
DWORD HostOrder(DWORD value) { return kKivHostIsBigEndian ? KivEndian32_Swap(value) : value; }

// One little-endian field of the stream in host order; 0 when its bytes cannot all be read.
template <typename T>
T ReadField(FILE* f) {
    T value = 0;
    if (std::fread(&value, sizeof value, 1, f) != 1) return 0;
    return HostOrder(value);
}

}  // namespace

void StrToLower(char* str) {
    const std::size_t length = std::strlen(str);
    for (std::size_t i = 0; i < length; ++i) str[i] = LowerCase(str[i]);
}

int strcmpi(const char* str1, const char* str2) { return CompareLowerCopies(str1, str2, SIZE_MAX, false); }

int stricmp(const char* str1, const char* str2) { return strcmpi(str1, str2); }

int strnicmp(const char* str1, const char* str2, uint32 length) {
    return CompareLowerCopies(str1, str2, length, true);
}

const char* CountNoun(long long count, const char* one, const char* many) { return count == 1 ? one : many; }

int KivCompareLowered(const char* str1, const char* str2, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c1 = static_cast<unsigned char>(LowerCase(str1[i]));
        const unsigned char c2 = static_cast<unsigned char>(LowerCase(str2[i]));
        if (c1 != c2) return c1 < c2 ? -1 : 1;
        if (c1 == '\0') break;
    }
    return 0;
}

void ReadBitmapFileHeader(FILE* f, tagBITMAPFILEHEADER* bfh) {
    bfh->bfType = ReadField<WORD>(f);
    bfh->bfSize = ReadField<DWORD>(f);
    bfh->bfReserved1 = ReadField<WORD>(f);
    bfh->bfReserved2 = ReadField<WORD>(f);
    bfh->bfOffBits = ReadField<DWORD>(f);
}

void ReadBitmapCoreHeader(FILE* f, tagBITMAPCOREHEADER* bch) {
    bch->bcSize = ReadField<DWORD>(f);
    bch->bcWidth = static_cast<LONG>(ReadField<DWORD>(f));
    bch->bcHeight = static_cast<LONG>(ReadField<DWORD>(f));
    bch->bcPlanes = ReadField<WORD>(f);
    bch->bcBitCount = ReadField<WORD>(f);
}

OSErr KivBaseFilePathOf(const char* exePath, char* filePath, int pathSize, bool posixStyle) {
    // The colon style drops the leading separator and trades slashes and colons.
    const char* from = exePath;
    if (!posixStyle && *from == '/') ++from;
    const std::size_t length = std::strlen(from);
    if (pathSize <= 0 || length >= static_cast<std::size_t>(pathSize)) return kPathUnavailable;
    for (std::size_t i = 0; i <= length; ++i) {
        char c = from[i];
        if (!posixStyle && (c == '/' || c == ':')) c = c == '/' ? ':' : '/';
        filePath[i] = c;
    }

    char* name = std::strstr(filePath, kAppName);
    if (name != nullptr) *name = '\0';
    return 0;
}

OSErr GetBaseFilePath(char* filePath, int pathSize, bool posixStyle) {
    // The kernel's link to the running executable; a full path that fills the buffer may have
    // been cut short, so it does not count.
    char exePath[PATH_MAX + 1];
    const ssize_t length = readlink("/proc/self/exe", exePath, sizeof exePath);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof exePath) return kPathUnavailable;
    exePath[length] = '\0';
    return KivBaseFilePathOf(exePath, filePath, pathSize, posixStyle);
}
