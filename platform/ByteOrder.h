// The byte-order conversion core, with the host order as a compile-time parameter. The public
// KivByteSwap_ routines instantiate it for the host this is built on; tests instantiate the
// reversing variant too, so the big-endian path is exercised on a little-endian machine.
//
// Items are reached through memcpy: records such as KivBitmap are byte-packed and their fields
// may sit at any address. Floats are moved as integers of their width, never as numbers.
#ifndef PLATFORM_BYTEORDER_H
#define PLATFORM_BYTEORDER_H

#include <cstddef>
#include <cstring>

#include "image/TGAIO.h"
#include "mesh/RvFileIO.h"
#include "platform/MacSpecific.h"

constexpr bool kKivHostIsBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

template <bool kReverse>
struct KivByteOrder {
    template <typename T>
    static void Field(unsigned char* p) {
        if (!kReverse) return;
        T value;
        std::memcpy(&value, p, sizeof value);
        if constexpr (sizeof(T) == 2)
            value = KivEndian16_Swap(value);
        else if constexpr (sizeof(T) == 4)
            value = KivEndian32_Swap(value);
        else
            value = KivEndian64_Swap(value);
        std::memcpy(p, &value, sizeof value);
    }

    // Converts `count` scalars of type T (an unsigned integer of the scalar's width) at `arg`;
    // the count is a size_t so that three coordinates per item cannot wrap.
    template <typename T>
    static uint32 Scalars(void* arg, std::size_t count) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (std::size_t i = 0; i < count; ++i) Field<T>(p + i * sizeof(T));
        return 1;
    }

    static uint32 Bytes(void*, uint32) { return 1; }
    static uint32 U16(void* arg, std::size_t count) { return Scalars<UInt16>(arg, count); }
    static uint32 U32(void* arg, std::size_t count) { return Scalars<UInt32>(arg, count); }
    static uint32 U64(void* arg, std::size_t count) { return Scalars<UInt64>(arg, count); }

    static uint32 Header(void* arg, uint32 num) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (uint32 i = 0; i < num; ++i)
            Field<UInt32>(p + std::size_t(i) * sizeof(RvHeader) + offsetof(RvHeader, size));
        return 1;
    }

    static uint32 Point(void* arg, uint32 num) { return U32(arg, std::size_t(num) * 3); }
    static uint32 PointD(void* arg, uint32 num) { return U64(arg, std::size_t(num) * 3); }
    static uint32 TexCoord(void* arg, uint32 num) { return U32(arg, std::size_t(num) * 2); }

    static uint32 Triangle(void* arg, uint32 num) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (uint32 i = 0; i < num; ++i) {
            unsigned char* item = p + std::size_t(i) * sizeof(RvRawTriangle);
            Point(item + offsetof(RvRawTriangle, vert), 3);
            Point(item + offsetof(RvRawTriangle, norm), 3);
            TexCoord(item + offsetof(RvRawTriangle, texCoord), 3);
        }
        return 1;
    }

    static uint32 TangentSpace(void* arg, uint32 num) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (uint32 i = 0; i < num; ++i) {
            unsigned char* item = p + std::size_t(i) * sizeof(RvRawTangentSpace);
            Point(item + offsetof(RvRawTangentSpace, tangent), 3);
            Point(item + offsetof(RvRawTangentSpace, binormal), 3);
        }
        return 1;
    }

    static uint32 TangentSpaceD(void* arg, uint32 num) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (uint32 i = 0; i < num; ++i) {
            unsigned char* item = p + std::size_t(i) * sizeof(RvRawTangentSpaceD);
            PointD(item + offsetof(RvRawTangentSpaceD, tangent), 3);
            PointD(item + offsetof(RvRawTangentSpaceD, binormal), 3);
        }
        return 1;
    }

    static uint32 Index(void* arg, uint32 num) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (uint32 i = 0; i < num; ++i) U32(p + std::size_t(i) * sizeof(RvIndex), 3);
        return 1;
    }

    static uint32 TangentPointD(void* arg, uint32 num) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (uint32 i = 0; i < num; ++i) {
            unsigned char* item = p + std::size_t(i) * sizeof(RvTangentPointD);
            U64(item + offsetof(RvTangentPointD, vertex), 3);
            U64(item + offsetof(RvTangentPointD, normal), 3);
            U64(item + offsetof(RvTangentPointD, uv), 2);
            U64(item + offsetof(RvTangentPointD, tangent), 3);
            U64(item + offsetof(RvTangentPointD, binormal), 3);
            U32(item + offsetof(RvTangentPointD, count), 1);
        }
        return 1;
    }

    static uint32 TGAHeader(void* arg, uint32 num) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (uint32 i = 0; i < num; ++i) {
            unsigned char* item = p + std::size_t(i) * sizeof(TGAHeaderInfo);
            Field<UInt16>(item + offsetof(TGAHeaderInfo, cmorg));
            Field<UInt16>(item + offsetof(TGAHeaderInfo, cmcnt));
            Field<UInt16>(item + offsetof(TGAHeaderInfo, imxorg));
            Field<UInt16>(item + offsetof(TGAHeaderInfo, imyorg));
            Field<UInt16>(item + offsetof(TGAHeaderInfo, imwidth));
            Field<UInt16>(item + offsetof(TGAHeaderInfo, imheight));
        }
        return 1;
    }

    static uint32 Bitmap(void* arg, uint32 num) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (uint32 i = 0; i < num; ++i) {
            unsigned char* item = p + std::size_t(i) * sizeof(KivBitmap);
            Field<UInt16>(item + offsetof(KivBitmap, width));
            Field<UInt16>(item + offsetof(KivBitmap, height));
            Field<UInt32>(item + offsetof(KivBitmap, format));
        }
        return 1;
    }
};

// The conversion this host needs.
typedef KivByteOrder<kKivHostIsBigEndian> KivHostByteOrder;

#endif
