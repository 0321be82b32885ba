// RvConvertFile from arbitrary bytes, in a file and in a pipe, into a second real stream. It succeeds exactly
// when the bytes hold a positive count and that many triangles; the output is then the RVF file of those
// triangles, byte for byte, and after a failure nothing is written.
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "mesh/RvFileIO.h"

static void PutLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

static void CheckConversion(FILE* in, const std::uint8_t* data, std::size_t size) {
    FILE* out = FuzzStream(nullptr, 0);
    const bool ok = RvConvertFile(in, out);
    const std::vector<std::uint8_t> written = FuzzContents(out);

    std::size_t count = 0;
    if (size >= 4) {
        const int32 n = int32(FuzzLittleEndian32(data));
        if (n > 0 && std::size_t(n) <= (size - 4) / sizeof(RvRawTriangle)) count = std::size_t(n);
    }
    FUZZ_CHECK(ok == (count > 0));
    if (ok) {
        const std::size_t body = count * sizeof(RvRawTriangle);
        std::vector<std::uint8_t> expected;
        expected.insert(expected.end(), {'R', 'V', 'F', ' '});
        PutLittleEndian32(expected, std::uint32_t(body + 12));
        expected.insert(expected.end(), {'T', 'R', 'I', 'S'});
        PutLittleEndian32(expected, std::uint32_t(body + 4));
        expected.insert(expected.end(), data, data + 4 + body);
        FUZZ_CHECK(written == expected);
    } else {
        FUZZ_CHECK(written.empty());
    }
    std::fclose(out);
    std::fclose(in);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckConversion(FuzzStream(data, size), data, size);
    if (size <= kFuzzPipeBytes) CheckConversion(FuzzPipe(data, size), data, size);
    return 0;
}
