// The byte-order walkers of the mesh records, with the host order as a compile-time parameter
// as in platform/ByteOrder.h: mesh/RvByteOrder.cpp instantiates them for the host, the tests
// the reversing variant too. Each converts the listed fields of `num` records at `arg`.
#ifndef MESH_RVBYTEORDER_H
#define MESH_RVBYTEORDER_H

#include <cstddef>

#include "mesh/RvFileIO.h"
#include "platform/ByteOrder.h"

template <bool kReverse>
struct RvRecordByteOrder {
    typedef KivByteOrder<kReverse> Scalar;

    static uint32 Header(void* arg, uint32 num) {
        return Scalar::template Records<RvHeader>(arg, num, [](unsigned char* item) {
            Scalar::template Field<UInt32>(item + offsetof(RvHeader, size));
        });
    }

    static uint32 Point(void* arg, uint32 num) { return Scalar::U32(arg, std::size_t(num) * 3); }
    static uint32 PointD(void* arg, uint32 num) { return Scalar::U64(arg, std::size_t(num) * 3); }
    static uint32 TexCoord(void* arg, uint32 num) { return Scalar::U32(arg, std::size_t(num) * 2); }

    static uint32 Triangle(void* arg, uint32 num) {
        return Scalar::template Records<RvRawTriangle>(arg, num, [](unsigned char* item) {
            Point(item + offsetof(RvRawTriangle, vert), 3);
            Point(item + offsetof(RvRawTriangle, norm), 3);
            TexCoord(item + offsetof(RvRawTriangle, texCoord), 3);
        });
    }

    // A tangent space's frames, of RvRawPoint or RvRawPointD as Space holds.
    template <typename Space, uint32 (*Frame)(void*, uint32)>
    static uint32 Frames(void* arg, uint32 num) {
        return Scalar::template Records<Space>(arg, num, [](unsigned char* item) {
            Frame(item + offsetof(Space, tangent), 3);
            Frame(item + offsetof(Space, binormal), 3);
        });
    }

    static uint32 TangentSpace(void* arg, uint32 num) { return Frames<RvRawTangentSpace, Point>(arg, num); }
    static uint32 TangentSpaceD(void* arg, uint32 num) {
        return Frames<RvRawTangentSpaceD, PointD>(arg, num);
    }

    static uint32 Index(void* arg, uint32 num) {
        return Scalar::template Records<RvIndex>(arg, num, [](unsigned char* item) { Scalar::U32(item, 3); });
    }

    static uint32 TangentPointD(void* arg, uint32 num) {
        return Scalar::template Records<RvTangentPointD>(arg, num, [](unsigned char* item) {
            Scalar::U64(item + offsetof(RvTangentPointD, vertex), 3);
            Scalar::U64(item + offsetof(RvTangentPointD, normal), 3);
            Scalar::U64(item + offsetof(RvTangentPointD, uv), 2);
            Scalar::U64(item + offsetof(RvTangentPointD, tangent), 3);
            Scalar::U64(item + offsetof(RvTangentPointD, binormal), 3);
            Scalar::U32(item + offsetof(RvTangentPointD, count), 1);
        });
    }

    static uint32 Bitmap(void* arg, uint32 num) {
        return Scalar::template Records<KivBitmap>(arg, num, [](unsigned char* item) {
            Scalar::template Field<UInt16>(item + offsetof(KivBitmap, width));
            Scalar::template Field<UInt16>(item + offsetof(KivBitmap, height));
            Scalar::template Field<UInt32>(item + offsetof(KivBitmap, format));
        });
    }
};

#endif
