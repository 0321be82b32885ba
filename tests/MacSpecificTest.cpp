#include <algorithm>
#include <filesystem>
#include <string>

#include "TestFiles.h"
#include "platform/MacSpecific.h"
#include "platform/MacSpecificInternal.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

TEST(StringHelpers, StrToLowerChangesOnlyCapitalLetters) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += char(c);
    std::string lowered = all;
    StrToLower(&lowered[0]);
    for (int c = 1; c < 256; ++c) EXPECT_EQ(BYTE(lowered[c - 1]), c >= 'A' && c <= 'Z' ? c + 32 : c) << c;
}

TEST(StringHelpers, CompareOnLowerCasedCopies) {
    const struct {
        const char *a, *b;
        uint32 length;
        int whole, prefix;  // signs of strcmpi and of strnicmp over `length`
    } cases[] = {
        {"Triangles", "TRIANGLES", 9, 0, 0},
        {"TRIANGLES more", "triangles", 9, 1, 0},
        {"TRIANGLES more", "triangles", 10, 1, 1},
        {"a", "B", 1, -1, -1},
        {"end", "Endcap", 3, -1, 0},
        {"\xC4", "\xE4", 1, -1, -1},  // no folding beyond A to Z; bytes compare unsigned
        {"\xE4", "z", 1, 1, 1},
        {"", "", 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(strcmpi(c.a, c.b)), c.whole) << c.a << " " << c.b;
        EXPECT_EQ(Sign(stricmp(c.a, c.b)), c.whole) << c.a << " " << c.b;
        EXPECT_EQ(Sign(strnicmp(c.a, c.b, c.length)), c.prefix) << c.a << " " << c.b;
        EXPECT_EQ(Sign(KivCompareLowered(c.a, c.b, SIZE_MAX)), c.whole) << c.a << " " << c.b;
        EXPECT_EQ(Sign(KivCompareLowered(c.a, c.b, c.length)), c.prefix) << c.a << " " << c.b;
    }
}

TEST(BitmapHeaders, ReadLittleEndianFieldsAndConsumeExactlyTheirBytes) {
    Bytes file = {'B', 'M'};
    PutU32(file, 0x00012345);
    PutU16(file, 0xBEEF);
    PutU16(file, 0x0102);
    PutU32(file, 54);
    PutU32(file, 40);
    PutU32(file, 0xFFFFFFFE);  // -2
    PutU32(file, 300);
    PutU16(file, 1);
    PutU16(file, 24);
    file.push_back(0x77);
    // Every prefix: fields whose bytes are all there are read, the others are 0.
    for (std::size_t n = 0; n <= file.size(); ++n) {
        FILE* fp = StreamWith(Bytes(file.begin(), file.begin() + n));
        tagBITMAPFILEHEADER fh;
        tagBITMAPCOREHEADER ch;
        ReadBitmapFileHeader(fp, &fh);
        EXPECT_EQ(std::size_t(std::ftell(fp)), std::min<std::size_t>(n, 14));
        ReadBitmapCoreHeader(fp, &ch);
        EXPECT_EQ(std::size_t(std::ftell(fp)), std::min<std::size_t>(n, 30));
        std::fclose(fp);
        EXPECT_EQ(fh.bfType, n >= 2 ? 0x4D42 : 0);
        EXPECT_EQ(fh.bfSize, n >= 6 ? 0x00012345u : 0u);
        EXPECT_EQ(fh.bfReserved1, n >= 8 ? 0xBEEF : 0);
        EXPECT_EQ(fh.bfReserved2, n >= 10 ? 0x0102 : 0);
        EXPECT_EQ(fh.bfOffBits, n >= 14 ? 54u : 0u);
        EXPECT_EQ(ch.bcSize, n >= 18 ? 40u : 0u);
        EXPECT_EQ(ch.bcWidth, n >= 22 ? -2 : 0);
        EXPECT_EQ(ch.bcHeight, n >= 26 ? 300 : 0);
        EXPECT_EQ(ch.bcPlanes, n >= 28 ? 1 : 0);
        EXPECT_EQ(ch.bcBitCount, n >= 30 ? 24 : 0) << n;
    }
}

TEST(BaseFilePath, CutsInFrontOfFirstApplicationNameInEitherStyle) {
    const char bundle[] = "/Applications/RVFView.app/Contents/MacOS/RVFView";
    const struct {
        const char* exe;
        bool posix;
        int size;
        OSErr result;
        const char* path;
    } cases[] = {
        {bundle, true, 64, 0, "/Applications/"},
        {bundle, false, 64, 0, "Applications:"},
        {"/opt/RVFViewer/bin/RVFView", true, 64, 0, "/opt/"},
        {"/usr/bin/viewer", true, 16, 0, "/usr/bin/viewer"},
        {"/usr/bin/viewer", true, 15, -43, nullptr},
        {"/usr/bin/viewer", false, 15, 0, "usr:bin:viewer"},
        {"/usr/bin/viewer", false, 14, -43, nullptr},
        {"/a:b/RVFView", false, 64, 0, "a/b:"},
        {"/a", true, 0, -43, nullptr},
    };
    for (const auto& c : cases) {
        char path[64];
        ASSERT_EQ(KivBaseFilePathOf(c.exe, path, c.size, c.posix), c.result) << c.exe << " " << c.size;
        EXPECT_STREQ(c.result == 0 ? path : nullptr, c.path);
    }
}

TEST(BaseFilePath, GivesOwnExecutablePathWhenItHoldsNoApplicationName) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    if (self.find("RVFView") != std::string::npos)
        GTEST_SKIP() << "the tests run from a path naming the viewer";
    std::string path(self.size() + 1, 'x');
    ASSERT_EQ(GetBaseFilePath(&path[0], int(self.size()) + 1, true), 0);
    EXPECT_EQ(path.c_str(), self);
    EXPECT_EQ(GetBaseFilePath(&path[0], int(self.size()), true), -43);
}
