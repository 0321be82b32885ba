#include <climits>
#include <string>
#include <tuple>

#include "TestFiles.h"
#include "image/TGAIO.h"

namespace {

// A 3 x 2 picture, no two bytes alike, so that a channel swap or a row flip shows.
const Bytes kRgba = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
Bytes Picture(int depth) { return Prefix(kRgba, 6 * std::size_t(depth / 8)); }

Bytes Exchanged(Bytes b, int depth) {
    for (std::size_t i = 0; i + 2 < b.size(); i += std::size_t(depth / 8)) std::swap(b[i], b[i + 2]);
    return b;
}

Bytes Tga(int imtype, int depth, const Bytes& body) { return TargaBytes(3, 2, depth, body, imtype); }

typedef std::tuple<bool, int, int, int, std::string> Said;

// What TGAReadImage, or with `upright` TGAReadImageUpright, gave for a stream, which it closes:
// result, size, depth and message, whether an array was handed over, the pixels after a success.
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

// With the flag the channel bytes are copied as they are, without it the first and third of
// each pixel are exchanged.
TEST(TGAWriteImage, WritesHeaderAndExchangesOrCopiesChannelsByFlag) {
    for (const auto& [depth, flag] : {std::make_pair(24, false), {32, false}, {24, true}}) {
        Bytes image = Picture(depth);
        const Bytes file = Tga(2, depth, flag ? image : Exchanged(image, depth));
        EXPECT_EQ(
            WrittenTo(SIZE_MAX, [&](FILE* fp) { return TGAWriteImage(fp, 3, 2, depth, image.data(), flag); }),
            std::make_tuple(true, std::string(), file))
            << depth << " bits, flag " << flag;
        EXPECT_EQ(image, Picture(depth));
    }
}

// Wide images go out in blocks of 8,192,000 bytes; the header holds the low 16 bits of the width.
TEST(TGAWriteImage, RejectsBadArgumentsAndReportsEachWriteThatFails) {
    Bytes image(70000 * 40 * 3, 7);
    const Bytes file = TargaBytes(70000, 40, 24, image);
    // The room the stream has for bytes.
    const std::tuple<const char*, BYTE*, int, int, int, std::size_t, const char*> cases[] = {
        {"16 bits", image.data(), 3, 2, 16, 0,
         "ERROR! Can only write 24 and 32 bit images! This image is 16 bits.\n"},
        {"no pixels", nullptr, 3, 2, 24, 0, "ERROR: NULL image or file pointer!\n"},
        {"-1 x 0", image.data(), -1, 0, 32, 0, "ERROR allocating memory for texels\n"},
        {"INT_MAX x INT_MAX", image.data(), INT_MAX, INT_MAX, 32, 0, "ERROR allocating memory for texels\n"},
        {"header", image.data(), 70000, 40, 24, 17, "ERROR! Targa header not written successfully!\n"},
        {"second block", image.data(), 70000, 40, 24, 18 + 8192000 + 999,
         "ERROR! Texels not written successfully! Wrote 999 instead of  208000\n"},
        {"whole", image.data(), 70000, 40, 24, file.size(), ""}};
    for (const auto& [name, pixels, width, height, depth, room, message] : cases) {
        SCOPED_TRACE(name);
        const auto [ok, err, taken] =
            WrittenTo(room, [&](FILE* fp) { return TGAWriteImage(fp, width, height, depth, pixels, false); });
        EXPECT_EQ(std::make_tuple(ok, err), std::make_tuple(*message == '\0', std::string(message)));
        EXPECT_TRUE(taken == Prefix(file, room));
    }
}

// Pixels come back as stored, behind an identification field and a colour map, and run-length
// packets decoded into the same bytes: a packet's first byte holds a count less one in its low 7
// bits; bit 7 set, one pixel follows and is repeated, else that many pixels follow as stored.
// Every shorter file fails; once the header is read the outputs are set, and an array is handed
// over.
TEST(TGAReadImage, ReadsPlainAndRunLengthPixelsAndEveryShorterFileFails) {
    // Two identification bytes and a colour map of two 24-bit entries in front of the pixels.
    Bytes plain = Tga(2, 24, Join({{'i', 'd'}, {9, 9, 9, 8, 8, 8}, Picture(24)}));
    plain[0] = 2, plain[1] = 1, plain[5] = 2, plain[7] = 24;
    const std::tuple<const char*, Bytes, Bytes> cases[] = {
        {"plain", plain, Picture(24)},
        {"stored pixel, then a run cut at the last pixel",
         Tga(10, 32, {0x00, 1, 2, 3, 4, 0x8F, 5, 6, 7, 8}),
         {1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8}}};
    for (const auto& [name, file, pixels] : cases) {
        SCOPED_TRACE(name);
        for (std::size_t n = 0; n <= file.size(); ++n) {
            const Read r(StreamWith(Prefix(file, n)));
            EXPECT_EQ(r.said, n < 18 ? Said(false, -1, -1, -1, "ERROR! Bad Targa header!\n")
                              : n < file.size()
                                  ? Said(false, 3, 2, file[16], "ERROR! Couldn't read texels!\n")
                                  : Said(true, 3, 2, file[16], ""))
                << n;
            EXPECT_EQ(std::make_tuple(r.handedOver, r.pixels),
                      std::make_tuple(n >= 18, n < file.size() ? Bytes() : pixels))
                << n;
        }
    }
}

TEST(TGAReadImage, ReportsPixelsThatCannotBeAllocated) {
    if (!kAddressLimitWorks) GTEST_SKIP() << "no address-space limit under the sanitizers";
    // 65535 x 65535 x 4 bytes is about 17 GB.
    Read r(nullptr);
    ASSERT_TRUE(UnderAddressLimit([&] { r = Read(StreamWith(TargaBytes(65535, 65535, 32, {}))); }));
    EXPECT_EQ(r.said, Said(false, 65535, 65535, 32, "ERROR allocating memory for pixels\n"));
    EXPECT_FALSE(r.handedOver);
}

TEST(TGAReadImage, SaysWhenItCannotSeekPastTheIdentificationField) {
    Bytes withId = Tga(2, 24, {});
    withId[0] = 4;
    const Read r(UnseekableStreamWith(withId));
    EXPECT_EQ(r.said, Said(false, 3, 2, 24, "ERROR! Couldn't seek past Targa header!\n"));
}

// TGAReadImageUpright takes true colour of 24 or 32 bits only, and says what else it met.
TEST(TGAReadImageUpright, RefusesBeforeAllocatingWhatItCannotDecode) {
    const std::string kOnly = ": only true-colour images of 24 or 32 bits are read";
    const std::tuple<const char*, FILE*, Said> cases[] = {
        {"16 bits", StreamWith(Tga(2, 16, Bytes(12, 0))),
         Said(false, 3, 2, 16, "a 16-bit true-colour Targa" + kOnly)},
        {"empty", StreamWith(TargaBytes(0, 2, 24, Picture(24))),
         Said(false, 0, 2, 24, "an empty Targa (0 x 2 pixels)")},
        {"short header", StreamWith(Prefix(Tga(2, 24, {}), 17)),
         Said(false, -1, -1, -1, "the file ends inside the 18-byte Targa header")}};
    for (const auto& [name, fp, said] : cases) {
        const Read r(fp, true);
        EXPECT_EQ(r.said, said) << name;
        EXPECT_FALSE(r.handedOver) << name;
    }
}
