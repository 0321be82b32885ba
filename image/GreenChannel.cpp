// The green channel of a normal map turned round.
#include "image/TGAIO.h"

void FlipGreenChannel(BYTE* texels, std::size_t count, int bytesPerTexel) {
    const std::size_t stride = static_cast<std::size_t>(bytesPerTexel);
    for (std::size_t i = 0; i < count; ++i)
        texels[stride * i + 1] = static_cast<BYTE>(255 - texels[stride * i + 1]);
}
