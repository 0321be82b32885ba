// RvReadTriangles on arbitrary bytes. On success the triangles must be, converted back to file
// order, exactly the bytes the walk read last; whatever array is handed over is released.
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "mesh/RvFileIO.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* fp = FuzzStream(data, size);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    if (RvReadTriangles(fp, &numTris, &tris)) {
        FUZZ_CHECK(numTris > 0 && tris != nullptr);
        const std::size_t bytes = std::size_t(numTris) * sizeof(RvRawTriangle);
        const long end = std::ftell(fp);
        FUZZ_CHECK(end >= 0 && std::size_t(end) <= size && bytes <= std::size_t(end));
        std::vector<RvRawTriangle> fileOrder(tris, tris + numTris);
        KivByteSwap_RvRawTriangle(fileOrder.data(), uint32(numTris));
        FUZZ_CHECK(std::memcmp(fileOrder.data(), data + (std::size_t(end) - bytes), bytes) == 0);
    }
    delete[] tris;
    std::fclose(fp);
    return 0;
}
