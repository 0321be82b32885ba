// The byte-order conversion core for scalars, with the host order as a compile-time parameter.
// The public KivByteSwap_ routines instantiate it for the host this is built on; tests
// instantiate the reversing variant too, so the big-endian path is exercised on a little-endian
// machine. The walkers of records build on it beside their records (mesh/RvByteOrder.h,
// image/TGAByteOrder.h).
//
// Items are reached through memcpy: records such as KivBitmap are byte-packed and their fields
// may sit at any address. Floats are moved as integers of their width, never as numbers.
#ifndef PLATFORM_BYTEORDER_H
#define PLATFORM_BYTEORDER_H

#include <cstddef>
#include <cstring>

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

    // Applies convert(item) to each of the `num` records of type R at `arg`.
    template <typename R, typename Convert>
    static uint32 Records(void* arg, uint32 num, const Convert& convert) {
        unsigned char* p = static_cast<unsigned char*>(arg);
        for (uint32 i = 0; i < num; ++i) convert(p + std::size_t(i) * sizeof(R));
        return 1;
    }

    static uint32 Bytes(void*, uint32) { return 1; }
    static uint32 U16(void* arg, std::size_t count) { return Scalars<UInt16>(arg, count); }
    static uint32 U32(void* arg, std::size_t count) { return Scalars<UInt32>(arg, count); }
    static uint32 U64(void* arg, std::size_t count) { return Scalars<UInt64>(arg, count); }
};

// The conversion this host needs.
typedef KivByteOrder<kKivHostIsBigEndian> KivHostByteOrder;

#endif
