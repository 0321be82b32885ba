#include <string>
#include <tuple>

#include "TestFiles.h"
#include "platform/MacSpecific.h"
#include "platform/MacSpecificInternal.h"

TEST(BitmapHeaders, ReadLittleEndianFieldsAndConsumeExactlyTheirBytes) {
    // The file header, the core header (width -2, height 300) and one byte more.
    const Bytes file = {'B', 'M', 0x45, 0x23, 0x01, 0,    0xEF, 0xBE, 0x02, 0x01, 54, 0, 0,  0, 40,  0,
                        0,   0,   0xFE, 0xFF, 0xFF, 0xFF, 0x2C, 0x01, 0,    0,    1,  0, 24, 0, 0x77};
    // Every prefix: the fields whose bytes are all there are read, the others are 0.
    for (std::size_t n = 0; n <= file.size(); ++n) {
        FILE* fp = StreamWith(Prefix(file, n));
        ASSERT_NE(fp, nullptr);
        tagBITMAPFILEHEADER f;
        tagBITMAPCOREHEADER c;
        ReadBitmapFileHeader(fp, &f);
        const long afterFile = std::ftell(fp);
        ReadBitmapCoreHeader(fp, &c);
        const long afterCore = std::ftell(fp);
        std::fclose(fp);
        auto field = [n](std::size_t end, long value) { return n >= end ? value : 0; };
        EXPECT_EQ(std::make_tuple(afterFile, f.bfType, f.bfSize, f.bfReserved1, f.bfReserved2, f.bfOffBits,
                                  afterCore, c.bcSize, c.bcWidth, c.bcHeight, c.bcPlanes, c.bcBitCount),
                  std::make_tuple(long(std::min<std::size_t>(n, 14)), field(2, 0x4D42), field(6, 0x12345),
                                  field(8, 0xBEEF), field(10, 0x0102), field(14, 54),
                                  long(std::min<std::size_t>(n, 30)), field(18, 40), field(22, -2),
                                  field(26, 300), field(28, 1), field(30, 24)))
            << n;
    }
}

TEST(BaseFilePath, CutsInFrontOfFirstApplicationNameWhenThePathFits) {
    const std::tuple<const char*, int, OSErr, std::string> cases[] = {
        {"/Applications/RVFView.app/Contents/MacOS/RVFView", 64, 0, "/Applications/"},
        {"/usr/bin/viewer", 16, 0, "/usr/bin/viewer"},
        {"/usr/bin/viewer", 15, -43, ""}};
    for (const auto& [exe, size, result, path] : cases) {
        char filled[64] = "";
        const OSErr got = KivBaseFilePathOf(exe, filled, size, true);
        EXPECT_EQ(std::make_tuple(got, got == 0 ? std::string(filled) : ""), std::make_tuple(result, path))
            << exe << " " << size;
    }
}
