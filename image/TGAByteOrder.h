// The byte-order walker of the Targa header, with the host order as a compile-time parameter as
// in platform/ByteOrder.h: image/TGAByteOrder.cpp instantiates it for the host, the tests the
// reversing variant too.
#ifndef IMAGE_TGABYTEORDER_H
#define IMAGE_TGABYTEORDER_H

#include <cstddef>

#include "image/TGAIO.h"
#include "platform/ByteOrder.h"

// Converts the six 16-bit fields of `num` headers at `arg`; the one-byte fields stay.
template <bool kReverse>
uint32 TGAHeaderByteOrder(void* arg, uint32 num) {
    typedef KivByteOrder<kReverse> Scalar;
    unsigned char* p = static_cast<unsigned char*>(arg);
    for (uint32 i = 0; i < num; ++i) {
        unsigned char* item = p + std::size_t(i) * sizeof(TGAHeaderInfo);
        Scalar::template Field<UInt16>(item + offsetof(TGAHeaderInfo, cmorg));
        Scalar::template Field<UInt16>(item + offsetof(TGAHeaderInfo, cmcnt));
        Scalar::template Field<UInt16>(item + offsetof(TGAHeaderInfo, imxorg));
        Scalar::template Field<UInt16>(item + offsetof(TGAHeaderInfo, imyorg));
        Scalar::template Field<UInt16>(item + offsetof(TGAHeaderInfo, imwidth));
        Scalar::template Field<UInt16>(item + offsetof(TGAHeaderInfo, imheight));
    }
    return 1;
}

#endif
