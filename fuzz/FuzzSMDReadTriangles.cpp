// SMDReadTriangles on arbitrary text. Whatever the result, the array handed over is released;
// on success it holds *numTris triangles, each texture coordinate clamped into [0, 1] (a NaN is
// kept as read), and reading them all must stay inside the array.
#include <cmath>

#include "fuzz/FuzzSupport.h"
#include "mesh/SMDFileIO.h"

static bool Clamped(float32 value) { return std::isnan(value) || (value >= 0.0f && value <= 1.0f); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* fp = FuzzStream(data, size);
    int numTris = -1;
    RvRawTriangle* tris = nullptr;
    if (SMDReadTriangles(fp, &numTris, &tris)) {
        FUZZ_CHECK(numTris >= 0 && tris != nullptr);
        for (int i = 0; i < numTris; ++i)
            for (const RvRawTexCoord& t : tris[i].texCoord) FUZZ_CHECK(Clamped(t.u) && Clamped(t.v));
    }
    delete[] tris;
    std::fclose(fp);
    return 0;
}
