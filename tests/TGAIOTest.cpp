#include <climits>
#include <string>
#include <tuple>

#include "TestFiles.h"
#include "image/TGAIO.h"

namespace {

// A 3 x 2 picture, no two bytes alike, so that a channel swap or a row flip shows.
const Bytes kRgba = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
Bytes Picture(int depth) { return Prefix(kRgba, 6 * std::size_t(depth / 8)); }

// A 3 x 2 image of that type and depth holding `body`.
Bytes Tga(int imtype, int depth, const Bytes& body) { return TargaBytes(3, 2, depth, body, imtype); }

// Each pixel's first and third byte exchanged.
Bytes Exchanged(Bytes b, int depth) {
    for (std::size_t i = 0; i + 2 < b.size(); i += std::size_t(depth / 8)) std::swap(b[i], b[i + 2]);
    return b;
}

typedef std::tuple<bool, int, int, int, std::string> Said;

// What TGAReadImage, or with `upright` TGAReadImageUpright, gave for a stream, which is closed:
// the result, width, height, depth and message (printed or handed back), whether an array was
// handed over, and the pixels after a success.
struct Read {
    Said said{false, -1, -1, -1, ""};
    bool handedOver = false;
    Bytes pixels;
    explicit Read(FILE* fp, bool upright = false) {
        if (fp == nullptr) return;
        auto& [ok, width, height, depth, err] = said;
        BYTE* p = nullptr;
        if (upright) {
            ok = TGAReadImageUpright(fp, &width, &height, &depth, &p, &err);
        } else {
            CaptureStderr();
            ok = TGAReadImage(fp, &width, &height, &depth, &p);
            err = CapturedStderr();
        }
        std::fclose(fp);
        handedOver = p != nullptr;
        if (ok) pixels.assign(p, p + std::size_t(width) * std::size_t(height) * std::size_t(depth / 8));
        delete[] p;
    }
};

}  // namespace

TEST(TGAWriteImage, WritesHeaderAndExchangesOrCopiesChannelsByFlagAndReadsBack) {
    for (int depth : {24, 32}) {
        for (bool flag : {false, true}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, flag " << flag);
            Bytes image = Picture(depth);
            const Bytes file = Tga(2, depth, flag ? image : Exchanged(image, depth));
            EXPECT_EQ(WrittenTo(SIZE_MAX,
                                [&](FILE* fp) { return TGAWriteImage(fp, 3, 2, depth, image.data(), flag); }),
                      std::make_tuple(true, std::string(), file));
            EXPECT_EQ(image, Picture(depth));
            const Read r(StreamWith(file));
            EXPECT_EQ(r.said, Said(true, 3, 2, depth, ""));
            EXPECT_EQ(r.pixels, Bytes(file.begin() + 18, file.end()));
        }
    }
}

TEST(TGAWriteImage, RejectsBadArgumentsAndImpossibleSizesWithoutWriting) {
    Bytes image = kRgba;
    const char* const kNull = "ERROR: NULL image or file pointer!\n";
    const char* const kNoMemory = "ERROR allocating memory for texels\n";
    const std::tuple<bool, BYTE*, int, int, int, const char*> cases[] = {
        {false, nullptr, 3, 2, 24, kNull},
        {true, image.data(), 3, 2, 24, kNull},
        {false, image.data(), 3, 2, 16,
         "ERROR! Can only write 24 and 32 bit images! This image is 16 bits.\n"},
        {false, image.data(), -3, 2, 32, kNoMemory},
        {false, image.data(), -1, 0, 32, kNoMemory},
        {false, image.data(), INT_MAX, INT_MAX, 32, kNoMemory}};
    for (const auto& [nullFile, pixels, width, height, depth, message] : cases) {
        FILE* fp = std::tmpfile();
        ASSERT_NE(fp, nullptr);
        CaptureStderr();
        const bool ok = TGAWriteImage(nullFile ? nullptr : fp, width, height, depth, pixels, false);
        EXPECT_EQ(std::make_tuple(ok, CapturedStderr(), ContentsOf(fp)),
                  std::make_tuple(false, std::string(message), Bytes()))
            << (nullFile ? "no file, "
                : pixels ? ""
                         : "no pixels, ")
            << width << " x " << height << " x " << depth;
        std::fclose(fp);
    }
}

TEST(TGAWriteImage, WritesWideImagesInBlocksOf8192000BytesUnderTheLow16BitsOfTheWidth) {
    // 70000 x 40 pixels of 3 bytes: one full block and 208,000 bytes more.
    Bytes image(70000 * 40 * 3, 7);
    const Bytes file = TargaBytes(70000, 40, 24, image);
    const std::pair<std::size_t, const char*> cases[] = {
        {17, "ERROR! Targa header not written successfully!\n"},
        {18 + 5, "ERROR! Texels not written successfully! Wrote 5 instead of  8192000\n"},
        {18 + 8192000 + 999, "ERROR! Texels not written successfully! Wrote 999 instead of  208000\n"},
        {file.size(), ""}};
    for (const auto& [room, message] : cases) {
        SCOPED_TRACE(room);
        const auto [ok, err, taken] =
            WrittenTo(room, [&](FILE* fp) { return TGAWriteImage(fp, 70000, 40, 24, image.data(), false); });
        EXPECT_EQ(std::make_tuple(ok, err), std::make_tuple(*message == '\0', std::string(message)));
        EXPECT_TRUE(taken == Prefix(file, room));
    }
}

TEST(TGAReadImage, SkipsIdentificationFieldAndColourMapAndSetsOutputsOnceHeaderIsRead) {
    // Two identification bytes and a colour map of two 24-bit entries in front of the pixels,
    // which come back as stored. Every shorter file fails.
    Bytes file = Tga(2, 24, Join({{'i', 'd'}, {9, 9, 9, 8, 8, 8}, Picture(24)}));
    file[0] = 2, file[1] = 1, file[5] = 2, file[7] = 24;
    for (std::size_t n = 0; n <= file.size(); ++n) {
        const Read r(StreamWith(Prefix(file, n)));
        EXPECT_EQ(r.said, n < 18            ? Said(false, -1, -1, -1, "ERROR! Bad Targa header!\n")
                          : n < file.size() ? Said(false, 3, 2, 24, "ERROR! Couldn't read texels!\n")
                                            : Said(true, 3, 2, 24, ""));
        EXPECT_EQ(r.handedOver, n >= 18) << n;
    }
    EXPECT_EQ(Read(StreamWith(file)).pixels, Picture(24));
}

// A packet's first byte holds a count less one in its low 7 bits; bit 7 set, one pixel follows
// and is repeated, else that many pixels follow as stored.
TEST(TGAReadImage, DecodesRunLengthPacketsIntoThePlainBytesAndFailsWhenThePacketsEnd) {
    Bytes indexed = Tga(9, 8, {7, 7, 7, 6, 6, 6, 0x81, 1, 0x03, 0, 1, 1, 0});  // behind a colour map
    indexed[1] = 1, indexed[5] = 2, indexed[7] = 24;
    const std::tuple<const char*, Bytes, Bytes> cases[] = {
        {"run across the row end, then stored pixels",
         Tga(10, 24, {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}),
         {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"stored pixel, then a run cut at the last pixel",
         Tga(10, 32, {0x00, 1, 2, 3, 4, 0x8F, 5, 6, 7, 8}),
         {1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8}},
        {"16 bits",
         Tga(10, 16, {0x85, 0x34, 0x12}),
         {0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12}},
        {"greyscale", Tga(11, 8, {0x02, 1, 2, 3, 0x82, 4}), {1, 2, 3, 4, 4, 4}},
        {"colour indices behind the colour map", indexed, {1, 1, 0, 1, 1, 0}},
    };
    for (const auto& [name, file, plain] : cases) {
        SCOPED_TRACE(name);
        const Read r(StreamWith(file));
        EXPECT_EQ(r.said, Said(true, 3, 2, file[16], ""));
        EXPECT_EQ(r.pixels, plain);
        for (std::size_t n = file == indexed ? 24 : 18; n < file.size(); ++n) {
            const Read cut(StreamWith(Prefix(file, n)));
            EXPECT_EQ(cut.said, Said(false, 3, 2, file[16], "ERROR! Couldn't read texels!\n")) << n;
            EXPECT_TRUE(cut.handedOver) << n;
        }
    }
    const Read fifteen(StreamWith(Tga(10, 15, {0x85, 0, 0})));
    EXPECT_EQ(fifteen.said, Said(false, 3, 2, 15,
                                 "ERROR! Can't decode a run-length encoded Targa of 15 bits per pixel!\n"));
    EXPECT_FALSE(fifteen.handedOver);
}

TEST(TGAReadImage, ReportsFailedSeekPastIdentificationField) {
    Bytes file = Tga(2, 24, {});
    file[0] = 4;
    const Read r(UnseekableStreamWith(file));
    EXPECT_EQ(r.said, Said(false, 3, 2, 24, "ERROR! Couldn't seek past Targa header!\n"));
    EXPECT_FALSE(r.handedOver);
}

TEST(TGAReadImage, ReportsPixelsThatCannotBeAllocated) {
    if (!kAddressLimitWorks) GTEST_SKIP() << "no address-space limit under the sanitizers";
    // 65535 x 65535 x 4 bytes is about 17 GB.
    Read r(nullptr);
    ASSERT_TRUE(UnderAddressLimit([&] { r = Read(StreamWith(TargaBytes(65535, 65535, 32, {}))); }));
    EXPECT_EQ(r.said, Said(false, 65535, 65535, 32, "ERROR allocating memory for pixels\n"));
    EXPECT_FALSE(r.handedOver);
}

TEST(TGAReadImageUpright, RefusesWhatIsNotTrueColourOf24Or32BitsSayingWhatItIs) {
    const std::string kOnly = ": only true-colour images of 24 or 32 bits are read";
    const std::tuple<const char*, Bytes, Said> cases[] = {
        {"16 bits", Tga(2, 16, Bytes(12, 0)), Said(false, 3, 2, 16, "a 16-bit true-colour Targa" + kOnly)},
        {"no image type", Tga(0, 24, Picture(24)),
         Said(false, 3, 2, 24, "not a Targa image (image type 0, 24 bits per pixel)")},
        {"empty", TargaBytes(0, 2, 24, Picture(24)), Said(false, 0, 2, 24, "an empty Targa (0 x 2 pixels)")},
        {"short header", Prefix(Tga(2, 24, {}), 17),
         Said(false, -1, -1, -1, "the file ends inside the 18-byte Targa header")},
    };
    for (const auto& [name, file, said] : cases) {
        const Read r(StreamWith(file), true);
        EXPECT_EQ(r.said, said) << name;
        EXPECT_FALSE(r.handedOver) << name;
    }
}
