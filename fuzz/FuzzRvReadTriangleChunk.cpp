// RvReadTriangleChunk on arbitrary bytes. The outcome is fully determined by the bytes: the count
// read stays in *numTris; one that is not positive leaves *tris untouched; otherwise the array is
// handed over, and the read succeeds exactly when the file holds that many triangles, which are
// then the file's bytes. Each input is read from a file and from a pipe, whose length the reader
// cannot know, so that a count asking for gigabytes meets the allocation limit.
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "mesh/RvFileIO.h"

static const std::size_t kSurelyAllocated = std::size_t(16) << 20;
static RvRawTriangle gUntouched;

static void CheckRead(FILE* fp, const std::uint8_t* data, std::size_t size) {
    int numTris = 0;
    RvRawTriangle* const untouched = &gUntouched;
    RvRawTriangle* tris = untouched;
    const bool ok = RvReadTriangleChunk(fp, &numTris, &tris);

    if (size >= 4) {
        const int32 count = int32(FuzzLittleEndian32(data));
        const bool fits = count > 0 && std::size_t(count) <= (size - 4) / sizeof(RvRawTriangle);
        FUZZ_CHECK(ok == fits);
        FUZZ_CHECK(numTris == count);
        if (count <= 0) FUZZ_CHECK(tris == untouched);
        // A short read hands the array over; only a count far beyond the input may fail to allocate.
        if (count > 0 && std::size_t(count) <= kSurelyAllocated / sizeof(RvRawTriangle))
            FUZZ_CHECK(tris != untouched && tris != nullptr);
        if (ok) {
            std::vector<RvRawTriangle> fileOrder(tris, tris + numTris);
            KivByteSwap_RvRawTriangle(fileOrder.data(), uint32(numTris));
            const std::size_t bytes = std::size_t(count) * sizeof(RvRawTriangle);
            FUZZ_CHECK(std::memcmp(fileOrder.data(), data + 4, bytes) == 0);
        }
    } else {
        FUZZ_CHECK(!ok && tris == untouched);
    }
    if (tris != untouched) delete[] tris;
    std::fclose(fp);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckRead(FuzzStream(data, size), data, size);
    if (size <= kFuzzPipeBytes) CheckRead(FuzzPipe(data, size), data, size);
    return 0;
}
