// Platform layer of the mesh library: scalar type names, little-endian byte-order conversion
// and the small portable helpers the tools expect from their platform.
//
// Every multi-byte number in every file of the family is little-endian. The KivByteSwap_
// routines convert arrays in place between host order and file order: a byte reversal on a
// big-endian host, nothing on a little-endian one. Readers convert right after reading;
// writers convert a copy before writing. Applying a routine twice restores its input.
#ifndef PLATFORM_MACSPECIFIC_H
#define PLATFORM_MACSPECIFIC_H

#include <cstdint>
#include <cstdio>

// Scalar types of the library.
typedef std::int16_t int16;
typedef std::uint16_t uint16;
typedef std::int32_t int32;
typedef std::uint32_t uint32;
typedef float float32;
typedef double float64;
typedef std::uint32_t UNSIGNED_INT_32;

// Types taken and returned by the primitive swaps.
typedef std::uint16_t UInt16;
typedef std::uint32_t UInt32;
typedef std::uint64_t UInt64;

// Types of the image and bitmap headers.
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::int16_t OSErr;

static_assert(sizeof(float32) == 4 && sizeof(float64) == 8, "IEEE 754 floats expected");

// Primitive swaps: each returns its argument with the byte order reversed, whatever the host.
UInt16 KivEndian16_Swap(UInt16 value);
UInt32 KivEndian32_Swap(UInt32 value);
UInt64 KivEndian64_Swap(UInt64 value);
// The value's bytes taken as an unsigned integer of the same width, reversed, given back.
float32 KivEndianFloat32_Swap(float32 value);
float64 KivEndianFloat64_Swap(float64 value);

// Array conversions between host and little-endian file order. Each takes the first item at
// `arg` and the item count `num`, converts the items in place and returns 1, whatever `num` is.
// The one-byte routines never change anything.
uint32 KivByteSwap_bool8(void* arg, uint32 num);
uint32 KivByteSwap_char8(void* arg, uint32 num);
uint32 KivByteSwap_int8(void* arg, uint32 num);
uint32 KivByteSwap_uint8(void* arg, uint32 num);
uint32 KivByteSwap_int16(void* arg, uint32 num);
uint32 KivByteSwap_uint16(void* arg, uint32 num);
uint32 KivByteSwap_int32(void* arg, uint32 num);
uint32 KivByteSwap_uint32(void* arg, uint32 num);
// Floats are converted as bit patterns, so any value (NaN payloads included) survives.
uint32 KivByteSwap_float32(void* arg, uint32 num);
uint32 KivByteSwap_float64(void* arg, uint32 num);

// Record conversions (records in mesh/RvFileIO.h and image/TGAIO.h). Character tags, one-byte
// fields and the pointer of a KivBitmap are left as they are.
uint32 KivByteSwap_RvHeader(void* arg, uint32 num);
uint32 KivByteSwap_RvRawPoint(void* arg, uint32 num);
uint32 KivByteSwap_RvRawPointD(void* arg, uint32 num);
uint32 KivByteSwap_RvRawTexCoord(void* arg, uint32 num);
uint32 KivByteSwap_RvRawTriangle(void* arg, uint32 num);
uint32 KivByteSwap_RvRawTangentSpace(void* arg, uint32 num);
uint32 KivByteSwap_RvRawTangentSpaceD(void* arg, uint32 num);
uint32 KivByteSwap_RvIndex(void* arg, uint32 num);
uint32 KivByteSwap_RvTangentPointD(void* arg, uint32 num);
uint32 KivByteSwap_TGAHeaderInfo(void* arg, uint32 num);
uint32 KivByteSwap_KivBitmap(void* arg, uint32 num);

// ---------------------------------------------------------------------------------------------
// String helpers. The inputs are never modified; comparisons are made on lower-cased copies.

// Lower-cases A to Z in place; every other byte stays.
void StrToLower(char* str);
// Case-insensitive comparison, negative, zero or positive like strcmp; the two are one operation.
int strcmpi(const char* str1, const char* str2);
int stricmp(const char* str1, const char* str2);
// The same over at most `length` characters, like strncmp.
int strnicmp(const char* str1, const char* str2, uint32 length);
// The noun that goes with a count: `one` for 1, else `many` ("1 triangle", "2 triangles").
const char* CountNoun(long long count, const char* one, const char* many);

// ---------------------------------------------------------------------------------------------
// Windows bitmap headers, read field by field from little-endian bytes. A field whose bytes
// cannot all be read is 0; a caller that needs to know tests the stream's end-of-file or error
// indicator.

struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};

// Width and height are 32 bits: the 16 bytes are laid out like the start of the 40-byte
// information header.
struct tagBITMAPCOREHEADER {
    DWORD bcSize;
    LONG bcWidth;
    LONG bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
};

// Reads the 14-byte file header at f's position into *bfh.
void ReadBitmapFileHeader(FILE* f, tagBITMAPFILEHEADER* bfh);
// Reads the 16-byte core header at f's position into *bch.
void ReadBitmapCoreHeader(FILE* f, tagBITMAPCOREHEADER* bch);

// ---------------------------------------------------------------------------------------------
// Base path.

// Fills filePath (pathSize bytes, terminator included) with the executable's own full path, as
// the kernel links it, cut at the first "RVFView", which leaves the directory that holds the
// program (the whole path when the name is not in it). posixStyle true gives the slash-separated
// path; false gives the colon-separated style: the same names without the leading separator,
// joined by colons, a colon inside a name written as a slash (/opt/RVFView becomes opt:).
// The path's bytes are kept as the file system holds them. Returns 0, or -43 when the path
// cannot be had or does not fit.
OSErr GetBaseFilePath(char* filePath, int pathSize, bool posixStyle);

#endif
