#include "tests/rvftool/ToolRun.h"

namespace {

const char kConvert[] = "/usr/bin/convert";

// A 3 x 2 picture whose top row is red, green, blue and whose bottom row is white, black and
// a dark blue-grey, with a different alpha at every pixel: swaps and flips cannot hide.
const unsigned char kRgba[] = {255, 0,   0,   255, 0, 255, 0, 200, 0,  0,  255, 150,
                               255, 255, 255, 100, 0, 0,   0, 50,  10, 20, 30,  0};

// The Targa expected for kRgba at 24 or 32 bits: bottom row first, blue first; `alpha` 0
// takes the picture's alpha, any other value replaces it.
Bytes ExpectedTarga(int depth, int alpha = 0) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, static_cast<unsigned char>(depth), 8};
    for (int i : {3, 4, 5, 0, 1, 2}) {
        const unsigned char* p = kRgba + i * 4;
        b.insert(b.end(), {p[2], p[1], p[0]});
        if (depth == 32) b.push_back(static_cast<unsigned char>(alpha != 0 ? alpha : p[3]));
    }
    return b;
}

// kRgba as a PAM file with 3 or 4 channels; wide samples are 0xVVFF for the byte VV.
std::string Pam(int depth, bool wide = false) {
    std::string text = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH " + std::to_string(depth) + "\nMAXVAL " +
                       (wide ? "65535" : "255") + (depth == 4 ? "\nTUPLTYPE RGB_ALPHA" : "\nTUPLTYPE RGB") +
                       "\nENDHDR\n";
    for (int i = 0; i < 6 * 4; ++i) {
        if (i % 4 >= depth) continue;
        text += char(kRgba[i]);
        if (wide) text += '\xFF';
    }
    return text;
}

}  // namespace

class Map : public ToolTest {
protected:
    // Makes in.png with ImageMagick from a PAM picture as the PNG kind `kind` (its prefix).
    void MakePng(const std::string& pam, const std::string& kind) {
        WriteFile(Path("in.pam"), pam);
        RunResult made = RunProgram(kConvert, {Path("in.pam"), kind + Path("in.png")});
        ASSERT_EQ(made.status, 0) << made.err;
    }
    std::string MapToTarga(std::vector<std::string> options = {}) {
        options.insert(options.begin(), "map");
        options.push_back(Path("in.png"));
        options.push_back(Path("out.tga"));
        RunResult r = Tool(options);
        EXPECT_EQ(r.status, 0) << r.err;
        return FileText(Path("out.tga"));
    }
};

TEST_F(Map, RgbaPngBecomesA32BitTargaBottomRowFirst) {
    MakePng(Pam(4), "PNG32:");
    RunResult r = Tool({"map", Path("in.png"), Path("out.tga")});
    EXPECT_EQ(r.out, Path("out.tga") + ": 3 x 2, 32 bits\n");
    EXPECT_EQ(FileText(Path("out.tga")), Text(ExpectedTarga(32)));
    // An independent decoder sees the same picture, alpha included.
    RunResult back = RunProgram(kConvert, {Path("out.tga"), "-auto-orient", "RGBA:" + Path("back.rgba")});
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(FileText(Path("back.rgba")), std::string(kRgba, kRgba + sizeof kRgba));
}

TEST_F(Map, DepthFollowsAlphaUnlessNamed) {
    MakePng(Pam(3), "PNG24:");
    EXPECT_EQ(MapToTarga(), Text(ExpectedTarga(24)));
    EXPECT_EQ(MapToTarga({"--depth=32"}), Text(ExpectedTarga(32, 255)));
    MakePng(Pam(4), "PNG32:");
    EXPECT_EQ(MapToTarga({"--depth", "24"}), Text(ExpectedTarga(24)));
}

// 0xVVFF is VV + (255 - VV) / 257 in 8 bits: it rounds to VV + 1 up to VV = 126, where taking
// the high byte would be off by one.
TEST_F(Map, SixteenBitSamplesAreRounded) {
    MakePng(Pam(4, true), "PNG64:");
    Bytes expected = ExpectedTarga(32);
    for (std::size_t i = 18; i < expected.size(); ++i) expected[i] += expected[i] <= 126;
    EXPECT_EQ(MapToTarga(), Text(expected));
}

TEST_F(Map, PaletteTransparencyBecomesAlpha) {
    // Alpha 0 at the black pixel and 255 elsewhere, which a palette keeps as a transparency chunk.
    std::string pam = Pam(4);
    for (int i = 0; i < 6; ++i) pam[pam.size() - 24 + i * 4 + 3] = char(i == 4 ? 0 : 255);
    MakePng(pam, "PNG8:");
    Bytes expected = ExpectedTarga(32, 255);
    expected[18 + 7] = 0;
    EXPECT_EQ(MapToTarga(), Text(expected));
}

TEST_F(Map, RefusesAFileThatIsNoPng) {
    WriteFile(Path("in.png"), "GIF89a, not a PNG");
    RunResult r = Tool({"map", Path("in.png"), Path("out.tga")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rvftool: " + Path("in.png") + ": not a readable PNG (Not a PNG file)\n");
    EXPECT_FALSE(Exists(Path("out.tga")));
}
