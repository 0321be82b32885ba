#include "tests/rvftool/ToolRun.h"

namespace {

const char kConvert[] = "/usr/bin/convert";

// A 3 x 2 picture whose top row is red, green, blue and whose bottom row is white, black and
// a dark blue-grey, with a different alpha at every pixel: swaps and flips cannot hide.
const unsigned char kRgba[] = {255, 0,   0,   255, 0, 255, 0, 200, 0,  0,  255, 150,
                               255, 255, 255, 100, 0, 0,   0, 50,  10, 20, 30,  0};

// The Targa expected for `rgba` at 24 or 32 bits: bottom row first, blue first; `alpha` 0
// takes the picture's alpha, any other value replaces it.
std::string ExpectedTarga(int depth, int alpha = 0, const unsigned char* rgba = kRgba) {
    std::string b({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, char(depth), 8});
    for (int i : {3, 4, 5, 0, 1, 2}) {
        const unsigned char* p = rgba + i * 4;
        b += {char(p[2]), char(p[1]), char(p[0])};
        if (depth == 32) b += char(alpha != 0 ? alpha : p[3]);
    }
    return b;
}

}  // namespace

class Map : public ToolTest {
protected:
    // Makes in.png with ImageMagick from `rgba` with `depth` channels of 8 bits or, `wide`,
    // of 16 (0xVVFF for the byte VV), as the PNG kind `kind` (its prefix); the Targa it maps to.
    std::string MapPng(const std::string& kind, int depth, std::vector<std::string> options = {},
                       bool wide = false, const unsigned char* rgba = kRgba) {
        std::string pam = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH " + std::to_string(depth) + "\nMAXVAL " +
                          (wide ? "65535" : "255") +
                          (depth == 4 ? "\nTUPLTYPE RGB_ALPHA" : "\nTUPLTYPE RGB") + "\nENDHDR\n";
        for (int i = 0; i < 6 * 4; ++i)
            if (i % 4 < depth)
                pam += wide ? std::string({char(rgba[i]), '\xFF'}) : std::string(1, char(rgba[i]));
        WriteFile("in.pam", pam);
        RunResult made = RunProgram(kConvert, {"in.pam", kind + "in.png"});
        EXPECT_EQ(made.status, 0) << made.err;
        options.insert(options.begin(), "map");
        options.insert(options.end(), {"in.png", "out.tga"});
        RunResult r = Tool(options);
        EXPECT_EQ(r.status, 0) << r.err;
        return FileText("out.tga");
    }
};

TEST_F(Map, RgbaPngBecomesA32BitTargaBottomRowFirst) {
    EXPECT_EQ(MapPng("PNG32:", 4), ExpectedTarga(32));
    RunResult again = Tool({"map", "in.png", "b.tga"});
    EXPECT_EQ(again.out, "b.tga: 3 x 2, 32 bits\n");
    EXPECT_EQ(again.err, "");
    // An independent decoder sees the same picture, alpha included.
    RunResult back = RunProgram(kConvert, {"out.tga", "-auto-orient", "RGBA:back.rgba"});
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(FileText("back.rgba"), std::string(kRgba, kRgba + sizeof kRgba));
}

// The depth follows the picture's alpha unless named. 16-bit samples 0xVVFF are VV + (255 -
// VV) / 257 in 8 bits: rounded, VV + 1 up to VV = 126, where taking the high byte would be off
// by one. A palette keeps an alpha of 0 or 255 as a transparency chunk.
TEST_F(Map, EveryKindOfPngGivesItsTarga) {
    EXPECT_EQ(MapPng("PNG24:", 3), ExpectedTarga(24));
    EXPECT_EQ(MapPng("PNG24:", 3, {"--depth=32"}), ExpectedTarga(32, 255));
    EXPECT_EQ(MapPng("PNG32:", 4, {"--depth", "24"}), ExpectedTarga(24));
    unsigned char rounded[sizeof kRgba], keyed[sizeof kRgba];
    for (std::size_t i = 0; i < sizeof kRgba; ++i) {
        rounded[i] = kRgba[i] + (kRgba[i] <= 126);
        keyed[i] = i % 4 < 3 ? kRgba[i] : i == 19 ? 0 : 255;
    }
    EXPECT_EQ(MapPng("PNG64:", 4, {}, true), ExpectedTarga(32, 0, rounded));
    EXPECT_EQ(MapPng("PNG8:", 4, {}, false, keyed), ExpectedTarga(32, 0, keyed));
}

// Green becomes 255 - green; the other channels and alpha stay.
TEST_F(Map, FlipGreenTurnsTheGreenChannelRound) {
    unsigned char flipped[sizeof kRgba];
    for (std::size_t i = 0; i < sizeof kRgba; ++i) flipped[i] = i % 4 == 1 ? 255 - kRgba[i] : kRgba[i];
    EXPECT_EQ(MapPng("PNG32:", 4, {"--flip-green"}), ExpectedTarga(32, 0, flipped));
    EXPECT_EQ(MapPng("PNG24:", 3, {"--flip-green"}), ExpectedTarga(24, 0, flipped));
}

// A grey picture holds heights: it is still written, with a warning.
TEST_F(Map, GreyscalePngIsWrittenWithAWarning) {
    RunResult made =
        RunProgram(kConvert, {"-size", "3x2", "xc:gray50", "-define", "png:color-type=0", "grey.png"});
    ASSERT_EQ(made.status, 0) << made.err;
    RunResult r = Tool({"map", "grey.png", "grey.tga"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.err,
        "rvftool: warning: grey.png: greyscale: it holds heights, not the directions of a normal map\n");
}

// A map is told by its content: a Targa that is run-length encoded and stored top row first
// gives the same plain Targa as the PNG it was made from.
TEST_F(Map, RunLengthTargaStoredTopFirstGivesThePlainTarga) {
    const std::string expected = MapPng("PNG32:", 4);
    RunResult made = RunProgram(kConvert, {"in.png", "-compress", "RLE", "-orient", "TopLeft", "in.tga"});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string tga = FileText("in.tga");
    ASSERT_TRUE(tga.size() > 18 && tga[2] == 10 && (tga[17] & 0x20) != 0) << "not run-length, top first";
    RunResult r = Tool({"map", "in.tga", "b.tga"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FileText("b.tga"), expected);
}
