#include "tests/rvftool/ToolRun.h"

namespace {

// A 3 x 2 picture whose top row is red, green, blue and whose bottom row is white, black and
// a dark blue-grey, with a different alpha at every pixel: swaps and flips cannot hide.
const Bytes kRgba = {255, 0,   0,   255, 0, 255, 0, 200, 0,  0,  255, 150,
                     255, 255, 255, 100, 0, 0,   0, 50,  10, 20, 30,  0};

// The Targa of `rgba` at 24 or 32 bits: bottom row first, blue first.
std::string ExpectedTarga(int depth, const Bytes& rgba) {
    Bytes texels;
    for (int i : {3, 4, 5, 0, 1, 2}) {
        const unsigned char* p = &rgba[4 * i];
        texels.insert(texels.end(), {p[2], p[1], p[0]});
        if (depth == 32) texels.push_back(p[3]);
    }
    return Text(TargaBytes(3, 2, depth, texels));
}

}  // namespace

typedef ToolTest Map;

// PNGs from ImageMagick. The depth follows the alpha unless named (32 bits named make it opaque);
// green becomes 255 - green. A palette keeps an alpha of 0 or 255 as a transparency chunk. A grey
// picture holds heights: it is still written, with a warning.
TEST_F(Map, EachKindOfPngAndOptionGivesItsTarga) {
    Bytes keyed = kRgba, opaque = kRgba, flipped = kRgba, grey = kRgba;
    for (std::size_t i = 3; i < kRgba.size(); i += 4) {
        keyed[i] = i == 19 ? 0 : 255;
        opaque[i] = grey[i] = 255;
        flipped[i - 2] = 255 - kRgba[i - 2];
        grey[i - 2] = grey[i - 1] = kRgba[i - 3];
    }
    const std::tuple<const char*, const char*, const char*, const Bytes&, std::string, std::string> rows[] = {
        {"RGB named 32 bits", "-alpha off PNG24:", "--depth=32", kRgba, ExpectedTarga(32, opaque), ""},
        {"RGBA named 24 bits", "PNG32:", "--depth 24", kRgba, ExpectedTarga(24, kRgba), ""},
        {"palette with a transparent colour", "PNG8:", "", keyed, ExpectedTarga(32, keyed), ""},
        {"RGBA green flipped", "PNG32:", "--flip-green", kRgba, ExpectedTarga(32, flipped), ""},
        {"grey", "-define png:color-type=0 PNG:", "", grey, ExpectedTarga(24, grey),
         "rvftool: warning: in.png: greyscale: it holds heights, not the directions of a normal map\n"},
    };
    for (const auto& [name, pngKind, options, picture, targa, warning] : rows) {
        SCOPED_TRACE(name);
        WriteFile("in.rgba", Text(picture));
        ASSERT_TRUE(RunConvert("-size 3x2 -depth 8 rgba:in.rgba " + std::string(pngKind) + "in.png"));
        RunResult r = Tool(Words("map " + std::string(options) + " in.png out.tga"));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, warning);
        EXPECT_EQ(r.out, "out.tga: 3 x 2, " + std::to_string(int(targa[16])) + " bits\n");
        EXPECT_EQ(FileText("out.tga"), targa);
    }
}
