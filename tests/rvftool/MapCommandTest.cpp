#include "tests/rvftool/ToolRun.h"

namespace {

const char kConvert[] = "/usr/bin/convert";

// A 3 x 2 picture whose top row is red, green, blue and whose bottom row is white, black and
// a dark blue-grey, with a different alpha at every pixel: swaps and flips cannot hide.
const Bytes kRgba = {255, 0,   0,   255, 0, 255, 0, 200, 0,  0,  255, 150,
                     255, 255, 255, 100, 0, 0,   0, 50,  10, 20, 30,  0};

// The Targa of `rgba` at 24 or 32 bits: bottom row first, blue first, as ImageMagick reads
// Targa files in the import library's tests; `alpha` 0 keeps the
// picture's alpha, any other value replaces it.
std::string ExpectedTarga(int depth, const Bytes& rgba, int alpha = 0) {
    Bytes texels;
    for (int i : {3, 4, 5, 0, 1, 2}) {
        const unsigned char* p = &rgba[4 * i];
        texels.insert(texels.end(), {p[2], p[1], p[0]});
        if (depth == 32) texels.push_back(static_cast<unsigned char>(alpha != 0 ? alpha : p[3]));
    }
    return Text(TargaBytes(3, 2, depth, texels));
}

}  // namespace

class Map : public ToolTest {
protected:
    // Makes in.png with ImageMagick from `rgba` with 3 or 4 channels of 8 bits, as the PNG kind
    // `kind` (its prefix); the Targa that `rvftool map` makes of it with `options`.
    std::string MapPng(const std::string& kind, int channels, const std::string& options,
                       const Bytes& rgba = kRgba) {
        std::string pam = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH " + std::to_string(channels) +
                          "\nMAXVAL 255\nTUPLTYPE " + (channels == 4 ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
        for (std::size_t i = 0; i < rgba.size(); ++i)
            if (int(i % 4) < channels) pam += char(rgba[i]);
        WriteFile("in.pam", pam);
        RunResult made = RunProgram(kConvert, {"in.pam", kind + "in.png"});
        EXPECT_EQ(made.status, 0) << made.err;
        RunResult r = Tool(Words("map " + options + " in.png out.tga"));
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string targa = FileText("out.tga");
        EXPECT_EQ(r.out, "out.tga: 3 x 2, " + std::to_string(targa.size() > 16 ? targa[16] : 0) + " bits\n");
        return targa;
    }
};

// The depth follows the picture's alpha unless named; green becomes 255 - green, the other
// channels and alpha stay. A palette keeps an alpha of 0 or 255 as a transparency chunk.
TEST_F(Map, EachKindOfPngAndOptionGivesItsTarga) {
    Bytes keyed = kRgba, flipped = kRgba;
    for (std::size_t i = 0; i < kRgba.size(); ++i) {
        if (i % 4 == 3) keyed[i] = i == 19 ? 0 : 255;
        if (i % 4 == 1) flipped[i] = 255 - kRgba[i];
    }
    const struct {
        const char* name;
        const char* kind;
        int channels;
        const char* options;
        const Bytes& picture;
        std::string targa;
    } rows[] = {
        {"RGBA", "PNG32:", 4, "", kRgba, ExpectedTarga(32, kRgba)},
        {"RGB", "PNG24:", 3, "", kRgba, ExpectedTarga(24, kRgba)},
        {"RGB named 32 bits", "PNG24:", 3, "--depth=32", kRgba, ExpectedTarga(32, kRgba, 255)},
        {"RGBA named 24 bits", "PNG32:", 4, "--depth 24", kRgba, ExpectedTarga(24, kRgba)},
        {"palette with a transparent colour", "PNG8:", 4, "", keyed, ExpectedTarga(32, keyed)},
        {"RGBA green flipped", "PNG32:", 4, "--flip-green", kRgba, ExpectedTarga(32, flipped)},
        {"RGB green flipped", "PNG24:", 3, "--flip-green", kRgba, ExpectedTarga(24, flipped)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MapPng(row.kind, row.channels, row.options, row.picture), row.targa);
    }
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
