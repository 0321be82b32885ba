#include "tools/rvftool/tests/ToolRun.h"

namespace {

const char kConvert[] = "/usr/bin/convert";

// A 3 x 2 picture whose top row is red, green, blue and whose bottom row is white, black and
// a dark blue-grey, with a different alpha at every pixel: swaps and flips cannot hide.
const unsigned char kRgba[] = {255, 0,   0,   255, 0, 255, 0, 200, 0,  0,  255, 150,
                               255, 255, 255, 100, 0, 0,   0, 50,  10, 20, 30,  0};

// The Targa bytes expected for kRgba at 24 or 32 bits: bottom row first, blue first.
Bytes ExpectedTarga(int depth, bool alphaFromPicture) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, static_cast<unsigned char>(depth), 8};
    for (int row : {1, 0}) {
        for (int x = 0; x < 3; ++x) {
            const unsigned char* p = kRgba + (row * 3 + x) * 4;
            b.insert(b.end(), {p[2], p[1], p[0]});
            if (depth == 32) b.push_back(alphaFromPicture ? p[3] : 255);
        }
    }
    return b;
}

// The picture as a PAM file with `depth` channels of kRgba (1: red as grey, 3: RGB, 4: RGBA),
// samples of one byte or, with wide, of two bytes (high byte = the value, low byte = 0xFF).
std::string Pam(int depth, bool wide) {
    static const char* const kTypes[] = {"", "GRAYSCALE", "", "RGB", "RGB_ALPHA"};
    std::string text = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH " + std::to_string(depth) + "\nMAXVAL " +
                       (wide ? "65535" : "255") + "\nTUPLTYPE " + kTypes[depth] + "\nENDHDR\n";
    for (int i = 0; i < 6; ++i) {
        for (int c = 0; c < depth; ++c) {
            text += char(kRgba[i * 4 + c]);
            if (wide) text += char(0xFF);
        }
    }
    return text;
}

}  // namespace

class Map : public ToolTest {
protected:
    // Makes IN.png with ImageMagick from a PAM picture; `kind` picks the PNG flavour, `define`
    // an encoder setting.
    void MakePng(const std::string& pam, const std::string& kind,
                 const std::string& define = "png:bit-depth=8") {
        WriteFile(Path("in.pam"), pam);
        RunResult made = RunProgram(kConvert, {Path("in.pam"), "-define", define, kind + Path("in.png")});
        ASSERT_EQ(made.status, 0) << made.err;
    }
    RunResult MapToTarga(std::vector<std::string> options = {}) {
        options.push_back(Path("in.png"));
        options.push_back(Path("out.tga"));
        options.insert(options.begin(), "map");
        return Tool(options);
    }
};

TEST_F(Map, RgbaPngBecomesA32BitTargaBottomRowFirst) {
    MakePng(Pam(4, false), "PNG32:");
    RunResult r = MapToTarga();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Path("out.tga") + ": 3 x 2, 32 bits\n");
    EXPECT_EQ(FileBytes(Path("out.tga")), ExpectedTarga(32, true));

    // An independent decoder sees the same picture, alpha included.
    RunResult back = RunProgram(kConvert, {Path("out.tga"), "-auto-orient", "RGBA:" + Path("back.rgba")});
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(FileBytes(Path("back.rgba")), Bytes(kRgba, kRgba + sizeof kRgba));
}

TEST_F(Map, RgbPngBecomesA24BitTarga) {
    MakePng(Pam(3, false), "PNG24:");
    RunResult r = MapToTarga();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FileBytes(Path("out.tga")), ExpectedTarga(24, false));
}

TEST_F(Map, DepthOptionDropsOrAddsAlpha) {
    MakePng(Pam(4, false), "PNG32:");
    ASSERT_EQ(MapToTarga({"--depth", "24"}).status, 0);
    EXPECT_EQ(FileBytes(Path("out.tga")), ExpectedTarga(24, false));
    MakePng(Pam(3, false), "PNG24:");
    ASSERT_EQ(MapToTarga({"--depth=32"}).status, 0);
    EXPECT_EQ(FileBytes(Path("out.tga")), ExpectedTarga(32, false));
}

// A sample 0xVVFF is VV + (255 - VV) / 257 in 8 bits: it rounds to VV + 1 up to VV = 126, where
// taking the high byte would be off by one.
TEST_F(Map, SixteenBitSamplesAreRounded) {
    MakePng(Pam(4, true), "PNG64:", "png:bit-depth=16");
    ASSERT_EQ(MapToTarga().status, 0);
    Bytes expected = ExpectedTarga(32, true);
    for (std::size_t i = 18; i < expected.size(); ++i)
        if (expected[i] <= 126) ++expected[i];
    EXPECT_EQ(FileBytes(Path("out.tga")), expected);
}

TEST_F(Map, PaletteTransparencyBecomesAlpha) {
    // Alpha 0 or 255 only, so that the palette keeps it as a transparency chunk.
    std::string pam = Pam(4, false);
    std::string::size_type pixels = pam.size() - 24;
    for (int i = 0; i < 6; ++i) pam[pixels + i * 4 + 3] = char(i == 4 ? 0 : 255);
    MakePng(pam, "PNG8:");
    ASSERT_EQ(MapToTarga().status, 0);
    Bytes tga = FileBytes(Path("out.tga"));
    ASSERT_EQ(tga.size(), 18u + 24u);
    EXPECT_EQ(tga[16], 32);
    // Bottom row first: black (alpha 0) is the second pixel of the file.
    EXPECT_EQ(Bytes(tga.begin() + 18, tga.begin() + 30),
              Bytes({255, 255, 255, 255, 0, 0, 0, 0, 30, 20, 10, 255}));
    EXPECT_EQ(Bytes(tga.begin() + 30, tga.end()), Bytes({0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255}));
}

TEST_F(Map, GreyBecomesRgb) {
    MakePng(Pam(1, false), "PNG:", "png:color-type=0");
    ASSERT_EQ(MapToTarga().status, 0);
    Bytes expected = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 8};
    for (unsigned char grey : {255, 0, 10, 255, 0, 0}) expected.insert(expected.end(), {grey, grey, grey});
    EXPECT_EQ(FileBytes(Path("out.tga")), expected);
}

TEST_F(Map, RefusesAFileThatIsNoPng) {
    WriteFile(Path("in.png"), std::string("GIF89a, not a PNG"));
    RunResult r = MapToTarga();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rvftool: " + Path("in.png") + ": not a readable PNG (Not a PNG file)\n");
    EXPECT_EQ(DirEntries(dir).count("out.tga"), 0u);
}
