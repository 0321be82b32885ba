#include <filesystem>
#include <string>
#include <tuple>

#include "TestFiles.h"
#include "platform/MacSpecific.h"
#include "platform/MacSpecificInternal.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

// The signs of strcmpi and stricmp, and of strnicmp over `length`; they compare copies that
// StrToLower makes, in which only A to Z change. Bytes above 127 compare unsigned.
TEST(StringHelpers, CompareOnLowerCasedCopies) {
    const std::tuple<const char*, const char*, uint32, int, int> cases[] = {
        {"Triangles", "TRIANGLES", 9, 0, 0},
        {"TRIANGLES more", "triangles", 9, 1, 0},
        {"TRIANGLES more", "triangles", 10, 1, 1},
        {"a", "B", 1, -1, -1},
        {"Zz", "zZ", 2, 0, 0},
        {"@", "`", 1, -1, -1},
        {"[", "{", 1, -1, -1},
        {"end", "Endcap", 3, -1, 0},
        {"\xC4", "\xE4", 1, -1, -1},
        {"\xE4", "z", 1, 1, 1},
        {"", "", 0, 0, 0}};
    for (const auto& [a, b, length, whole, prefix] : cases) {
        // The copy-free comparison the helpers fall back on gives the same signs.
        EXPECT_EQ(
            std::make_tuple(Sign(strcmpi(a, b)), Sign(stricmp(a, b)), Sign(KivCompareLowered(a, b, SIZE_MAX)),
                            Sign(strnicmp(a, b, length)), Sign(KivCompareLowered(a, b, length))),
            std::make_tuple(whole, whole, whole, prefix, prefix))
            << a << " " << b;
    }
}

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
    const std::tuple<const char*, bool, int, OSErr, std::string> cases[] = {
        {"/Applications/RVFView.app/Contents/MacOS/RVFView", true, 64, 0, "/Applications/"},
        {"/opt/RVFViewer/bin/RVFView", true, 64, 0, "/opt/"},
        {"/usr/bin/viewer", true, 16, 0, "/usr/bin/viewer"},
        {"/usr/bin/viewer", true, 15, -43, ""},
        {"/usr/bin/viewer", false, 15, 0, "usr:bin:viewer"},
        {"/a:b/RVFView", false, 64, 0, "a/b:"},
        {"/a", true, 0, -43, ""}};
    for (const auto& [exe, posix, size, result, path] : cases) {
        char filled[64] = "";
        const OSErr got = KivBaseFilePathOf(exe, filled, size, posix);
        EXPECT_EQ(std::make_tuple(got, got == 0 ? std::string(filled) : ""), std::make_tuple(result, path))
            << exe << " " << size;
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
