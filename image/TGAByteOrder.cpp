// Little-endian file order for the Targa header.
#include "image/TGAByteOrder.h"

uint32 KivByteSwap_TGAHeaderInfo(void* arg, uint32 num) {
    return TGAHeaderByteOrder<kKivHostIsBigEndian>(arg, num);
}
