// The mesh library: geometry records, the RVF chunk file, per-triangle tangent frames, tolerant
// welding of triangle corners into indexed vertex buffers, and smoothed tangent spaces.
//
// Conventions of the whole module:
// - Routines return true on success. Arrays handed back through out-parameters are allocated
//   with array new and belong to the caller, who releases them with array delete, also after a
//   failure once the array was handed over.
// - Streams are opened by the caller in binary mode and are never closed here.
// - File routines report a failure with one line on standard error; geometry routines are silent.
#ifndef MESH_RVFILEIO_H
#define MESH_RVFILEIO_H

#include <cstddef>
#include <cstdio>

#include "platform/MacSpecific.h"

// ---------------------------------------------------------------------------------------------
// Geometry records. Plain aggregates; the raw records are read and written as bytes, so their
// memory form is exactly their little-endian file form on a little-endian host.

// A point or direction: x, y, z, or the same storage as v[0..2].
union RvRawPoint {
    struct {
        float32 x, y, z;
    };
    float32 v[3];
};

union RvRawPointD {
    struct {
        float64 x, y, z;
    };
    float64 v[3];
};

// A texture coordinate: u, v, or the same storage as uv[0..1].
union RvRawTexCoord {
    struct {
        float32 u, v;
    };
    float32 uv[2];
};

// One triangle with per-corner attributes; entry k of each array belongs to corner k.
struct RvRawTriangle {
    RvRawPoint vert[3];
    RvRawPoint norm[3];
    RvRawTexCoord texCoord[3];
};

// The header of one chunk: a four-character tag (not terminated) and the byte count of the
// body that follows the header.
struct RvHeader {
    char hdr[4];
    UNSIGNED_INT_32 size;
};

// Tangent and binormal of the three corners of one triangle.
struct RvRawTangentSpace {
    RvRawPoint tangent[3];
    RvRawPoint binormal[3];
};

struct RvRawTangentSpaceD {
    RvRawPointD tangent[3];
    RvRawPointD binormal[3];
};

// One welded vertex: the data of the corner that created it, the tangent frame averaged over
// every corner welded into it, and `count`, the number of those corners.
struct RvTangentPointD {
    float64 vertex[3];
    float64 normal[3];
    float64 uv[2];
    float64 tangent[3];
    float64 binormal[3];
    int count;
};

// The vertex numbers of the three corners of one triangle, in corner order.
struct RvIndex {
    int idx[3];
};

// Layout of one texel; the digit groups are channel widths, S marks signed channels.
enum KivBitmapFormatEnum : int32 {
    KIV_BITMAP_FORMAT_UNKNOWN = 0,
    KIV_BITMAP_FORMAT_8 = 1,
    KIV_BITMAP_FORMAT_88 = 2,
    KIV_BITMAP_FORMAT_888 = 3,
    KIV_BITMAP_FORMAT_8888 = 4,
    KIV_BITMAP_FORMAT_16 = 5,
    KIV_BITMAP_FORMAT_1616 = 6,
    KIV_BITMAP_FORMAT_16161616 = 7,
    KIV_BITMAP_FORMAT_S1616 = 8,
    KIV_BITMAP_FORMAT_S16161616 = 9,
    KIV_BITMAP_FORMAT_1010102 = 10,
    KIV_BITMAP_FORMAT_FORCE_DWORD = -1
};

// An image descriptor, byte-packed. `pixels` holds width x height texels of bitDepth/8 bytes,
// rows one after another; it is owned by whoever holds the descriptor.
#pragma pack(push, 1)
struct KivBitmap {
    uint16 width;
    uint16 height;
    std::uint8_t bitDepth;
    KivBitmapFormatEnum format;
    std::uint8_t* pixels;
};
#pragma pack(pop)

static_assert(sizeof(RvRawPoint) == 12 && offsetof(RvRawPoint, z) == 8, "RvRawPoint layout");
static_assert(sizeof(RvRawPointD) == 24 && offsetof(RvRawPointD, z) == 16, "RvRawPointD layout");
static_assert(sizeof(RvRawTexCoord) == 8 && offsetof(RvRawTexCoord, v) == 4, "RvRawTexCoord layout");
static_assert(sizeof(RvRawTriangle) == 96, "RvRawTriangle is 96 bytes in a file");
static_assert(offsetof(RvRawTriangle, vert) == 0 && offsetof(RvRawTriangle, norm) == 36 &&
                  offsetof(RvRawTriangle, texCoord) == 72,
              "RvRawTriangle field offsets");
static_assert(sizeof(RvHeader) == 8 && offsetof(RvHeader, size) == 4, "RvHeader is 8 bytes");
static_assert(sizeof(RvRawTangentSpace) == 72 && offsetof(RvRawTangentSpace, binormal) == 36,
              "RvRawTangentSpace layout");
static_assert(sizeof(RvRawTangentSpaceD) == 144 && offsetof(RvRawTangentSpaceD, binormal) == 72,
              "RvRawTangentSpaceD layout");
static_assert(offsetof(RvTangentPointD, normal) == 24 && offsetof(RvTangentPointD, uv) == 48 &&
                  offsetof(RvTangentPointD, tangent) == 64 && offsetof(RvTangentPointD, binormal) == 88 &&
                  offsetof(RvTangentPointD, count) == 112,
              "RvTangentPointD field order");
static_assert(sizeof(RvIndex) == 12, "RvIndex layout");
static_assert(sizeof(KivBitmapFormatEnum) == 4, "KivBitmapFormatEnum is 32 bits");
static_assert(offsetof(KivBitmap, height) == 2 && offsetof(KivBitmap, bitDepth) == 4 &&
                  offsetof(KivBitmap, format) == 5 && offsetof(KivBitmap, pixels) == 9 &&
                  sizeof(KivBitmap) == 9 + sizeof(std::uint8_t*),
              "KivBitmap is byte-packed");

// Weld tolerances: absolute, per component; directions agree at a cosine of at least 0.3.
constexpr float64 KIV_VERT_TINY = 1e-7;
constexpr float64 KIV_NORM_TINY = 1e-7;
constexpr float64 KIV_TEX_TINY = 1e-7;
constexpr float64 KIV_TAN_ANGLE = 0.3;

// ---------------------------------------------------------------------------------------------
// RVF chunk file: an "RVF " container holding a "TRIS" chunk (int32 count, then the triangles),
// every number little-endian.

// Writes a complete RVF file for numTris triangles at fp's position; tris is not modified.
// A negative count, or one whose chunk sizes do not fit in 32 bits, writes nothing.
bool RvWriteTriangles(FILE* fp, int numTris, const RvRawTriangle* tris);

// Reads a triangle-chunk body (count, then triangles) at fp's position into *numTris and a new
// array *tris in host order. A count that cannot be read leaves *numTris alone; one that is read
// is stored even when refused. After a short read of the triangles the array is still in *tris,
// but it is sized by what the file holds and may have fewer records than *numTris: the caller
// only releases it.
bool RvReadTriangleChunk(FILE* fp, int* numTris, RvRawTriangle** tris);

// Walks the chunks from fp's position to the first "TRIS" chunk inside the first "RVF "
// container and reads it with RvReadTriangleChunk; results as there.
bool RvReadTriangles(FILE* fp, int* numTris, RvRawTriangle** tris);

// The same walk without reading and without messages: true when a "TRIS" header was found
// inside an "RVF " container. The stream is left behind that header (after true) or wherever
// the walk stopped (after false).
bool RvFileHasTriangles(FILE* fp);

// Reads a bare triangle-chunk body from fpIn and writes it to fpOut as an RVF file.
bool RvConvertFile(FILE* fpIn, FILE* fpOut);

// ---------------------------------------------------------------------------------------------
// Tangent frames and welding.

// The texture-space frame of one triangle: tangent towards growing u, binormal towards growing
// v, each made perpendicular to `normal` (used as given) and of unit length, or the defaults
// (1,0,0) and (0,0,1) when degenerate. v1..v3 point to 3 floats, t1..t3 to 2 (u, v), normal,
// tangent and binormal to 3 doubles. False, with nothing written, when any pointer is null.
bool TriangleTangentFrame(const float32* v1, const float32* v2, const float32* v3, const float32* t1,
                          const float32* t2, const float32* t3, const float64* normal, float64* tangent,
                          float64* binormal);

// Welds the corners of numTris triangles into distinct vertices with averaged unit tangent
// frames. *verts receives the vertex array (room for 3 x numTris records, the first *numVerts
// defined), *indices one RvIndex per triangle. numVerts must not be null. False, with nothing
// written, for numTris < 1, a null pointer or a count whose arrays cannot be sized; false after
// a failed allocation, with whatever was already stored in *indices or *verts the caller's.
// Lists of more than 256 triangles are welded with the help of one more thread, for the call.
bool RvCreateVertexBuffers(int numTris, const RvRawTriangle* tris, int* numVerts, RvTangentPointD** verts,
                           RvIndex** indices);

// Per-corner tangent frames smoothed over the welded vertices, one record per triangle, in
// double precision. Same argument rules as RvCreateVertexBuffers; *tan is the caller's once set.
bool RvComputeTangentsD(int numTris, const RvRawTriangle* tris, RvRawTangentSpaceD** tan);

// The same rounded to single precision.
bool RvComputeTangents(int numTris, const RvRawTriangle* tris, RvRawTangentSpace** tan);

// ---------------------------------------------------------------------------------------------
// Tangents with signs: per corner x, y, z of a tangent T and a sign w (+1 or -1) such that the
// binormal is w * cross(N, T), as glTF's TANGENT holds them and RvComputeMikkTangents
// (mesh/MikkTSpace.h) gives them; 12 floats a triangle, corner after corner.

// The binormal w * cross(N, T) of the tangent x, y, z, w at `tangent`, N the 3 floats at
// `normal` made unit (taken as they are when they have no length), into 3 doubles at `binormal`.
void RvSignedBinormal(const float32* normal, const float32* tangent, float64* binormal);

// The sign that turns cross(normal, tangent) towards `binormal`: -1 when their dot product is
// negative, else +1. Each points to 3 doubles.
float32 RvFrameSign(const float64* normal, const float64* tangent, const float64* binormal);

// Welds the corners of numTris triangles that carry tangents with signs (`tangents`) into
// distinct vertices, hashed in linear time: corners become one vertex only where position,
// normal, texture coordinate, tangent and sign all agree exactly (-0 equal to +0, a NaN to
// nothing), so a seam of the tangents is never smoothed over. A vertex holds its first corner's
// position, normal (as given, not made unit, like RvCreateVertexBuffers's) and texture
// coordinate, tangent T, binormal RvSignedBinormal (unit when T is unit and perpendicular to N)
// and count, the number of its corners. Vertices are numbered in order of first appearance.
// *verts receives *numVerts vertices, *indices one RvIndex per triangle and *signs the w of each
// vertex. False, with nothing written, for numTris < 1 or over INT_MAX / 3, a null pointer or
// memory that cannot be had.
bool RvCreateSignedVertexBuffers(int numTris, const RvRawTriangle* tris, const float32* tangents,
                                 int* numVerts, RvTangentPointD** verts, RvIndex** indices, float32** signs);

// ---------------------------------------------------------------------------------------------
// Triangle checks: what of a mesh can be shown.

// Moves the triangles of `tris` whose positions, normals and texture coordinates are all finite
// (no NaN, no infinity) to its front, in their order, and returns their count; the entries behind
// them are left as they come. When `tangents` is not null, each triangle's 12 floats there (per
// corner x, y, z and w, as RvComputeMikkTangents lays them out) move with it. numTris is not
// negative.
int RvKeepFiniteTriangles(int numTris, RvRawTriangle* tris, float* tangents = nullptr);

// True when the texture coordinates of `tri` enclose an area, so that the map has a direction on
// it; edges whose sine is below 1e-7 count as collinear. tri is finite.
bool RvTriangleHasTextureArea(const RvRawTriangle* tri);

#endif
