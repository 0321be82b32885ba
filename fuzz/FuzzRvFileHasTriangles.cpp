// RvFileHasTriangles on arbitrary bytes, held against the full reader on a second stream: the
// silent walk must find a "TRIS" header whenever RvReadTriangles succeeds, and reading the chunk
// from where it stopped must give exactly what RvReadTriangles gives.
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "mesh/RvFileIO.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* walked = FuzzStream(data, size);
    const bool has = RvFileHasTriangles(walked);

    FILE* read = FuzzStream(data, size);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    const bool ok = RvReadTriangles(read, &numTris, &tris);
    FUZZ_CHECK(has || !ok);

    if (has) {
        int chunkTris = 0;
        RvRawTriangle* chunk = nullptr;
        const bool chunkOk = RvReadTriangleChunk(walked, &chunkTris, &chunk);
        FUZZ_CHECK(chunkOk == ok);
        if (ok) {
            FUZZ_CHECK(chunkTris == numTris);
            FUZZ_CHECK(std::memcmp(chunk, tris, std::size_t(numTris) * sizeof(RvRawTriangle)) == 0);
        }
        delete[] chunk;
    }
    delete[] tris;
    std::fclose(read);
    std::fclose(walked);
    return 0;
}
