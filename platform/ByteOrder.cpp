// Little-endian file order for every scalar of the library.
#include "platform/ByteOrder.h"

UInt16 KivEndian16_Swap(UInt16 value) { return UInt16((value >> 8) | (value << 8)); }

UInt32 KivEndian32_Swap(UInt32 value) {
    return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

UInt64 KivEndian64_Swap(UInt64 value) {
    return (UInt64(KivEndian32_Swap(UInt32(value))) << 32) | KivEndian32_Swap(UInt32(value >> 32));
}

float32 KivEndianFloat32_Swap(float32 value) {
    UInt32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits = KivEndian32_Swap(bits);
    std::memcpy(&value, &bits, sizeof bits);
    return value;
}

float64 KivEndianFloat64_Swap(float64 value) {
    UInt64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits = KivEndian64_Swap(bits);
    std::memcpy(&value, &bits, sizeof bits);
    return value;
}

uint32 KivByteSwap_bool8(void* arg, uint32 num) { return KivHostByteOrder::Bytes(arg, num); }
uint32 KivByteSwap_char8(void* arg, uint32 num) { return KivHostByteOrder::Bytes(arg, num); }
uint32 KivByteSwap_int8(void* arg, uint32 num) { return KivHostByteOrder::Bytes(arg, num); }
uint32 KivByteSwap_uint8(void* arg, uint32 num) { return KivHostByteOrder::Bytes(arg, num); }
uint32 KivByteSwap_int16(void* arg, uint32 num) { return KivHostByteOrder::U16(arg, num); }
uint32 KivByteSwap_uint16(void* arg, uint32 num) { return KivHostByteOrder::U16(arg, num); }
uint32 KivByteSwap_int32(void* arg, uint32 num) { return KivHostByteOrder::U32(arg, num); }
uint32 KivByteSwap_uint32(void* arg, uint32 num) { return KivHostByteOrder::U32(arg, num); }
uint32 KivByteSwap_float32(void* arg, uint32 num) { return KivHostByteOrder::U32(arg, num); }
uint32 KivByteSwap_float64(void* arg, uint32 num) { return KivHostByteOrder::U64(arg, num); }
