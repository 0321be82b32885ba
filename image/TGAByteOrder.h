// The byte-order walker of the Targa header, with the host order as a compile-time parameter as
// in platform/ByteOrder.h: image/TGAByteOrder.cpp instantiates it for the host, the tests the
// reversing variant too.
#ifndef IMAGE_TGABYTEORDER_H
#define IMAGE_TGABYTEORDER_H

#include <cstddef>
#include <initializer_list>

#include "image/TGAIO.h"
#include "platform/ByteOrder.h"

// Converts the six 16-bit fields of `num` headers at `arg`; the one-byte fields stay.
template <bool kReverse>
uint32 TGAHeaderByteOrder(void* arg, uint32 num) {
    typedef KivByteOrder<kReverse> Scalar;
    return Scalar::template Records<TGAHeaderInfo>(arg, num, [](unsigned char* item) {
        for (std::size_t field : {offsetof(TGAHeaderInfo, cmorg), offsetof(TGAHeaderInfo, cmcnt),
                                  offsetof(TGAHeaderInfo, imxorg), offsetof(TGAHeaderInfo, imyorg),
                                  offsetof(TGAHeaderInfo, imwidth), offsetof(TGAHeaderInfo, imheight)}) {
            Scalar::template Field<UInt16>(item + field);
        }
    });
}

#endif
