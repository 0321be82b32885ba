#include <sys/stat.h>

#include <string>

#include "TestFiles.h"
#include "import/Import.h"

namespace {

// What ImportMapFile gave: the result, the message, the map's size, depth and grey flag, its
// texels, and whether an array came back after a failure.
struct Decoded {
    bool ok = false;
    std::string error;
    int width = 0, height = 0, depth = 0;
    bool greyscale = false;
    Bytes pixels;
    bool strayArray = false;
    Decoded(const std::string& path, int wanted) {
        ImportedMap map;
        ok = ImportMapFile(path.c_str(), wanted, &map, &error);
        width = map.width, height = map.height, depth = map.bitDepth, greyscale = map.greyscale;
        if (ok) pixels.assign(map.pixels, map.pixels + std::size_t(width) * height * (depth / 8));
        strayArray = !ok && map.pixels != nullptr;
        delete[] map.pixels;
    }
};

// ImageMagick's decoding of `file`, upright, turned bottom row first like ours. Its samples are
// taken at 16 bits, exact for every file, and rounded to 8 here: its own reduction to 8 bits is
// not a plain rounding.
Bytes TheirPixels(const PeerDir& dir, const std::string& file, int depth, int height) {
    const std::string raw = dir.File("theirs.raw");
    if (!RunConvert(file + " -auto-orient -depth 16 -endian LSB " + (depth == 32 ? "rgba:" : "rgb:") + raw))
        return {};
    const Bytes wide = FileBytes(raw);
    Bytes top;
    for (std::size_t i = 0; i + 1 < wide.size(); i += 2)
        top.push_back(static_cast<unsigned char>(((wide[i] | wide[i + 1] << 8) * 255 + 32767) / 65535));
    const std::size_t row = top.size() / std::size_t(height);
    Bytes bottom;
    for (std::size_t y = std::size_t(height); y-- > 0;)
        bottom.insert(bottom.end(), top.begin() + y * row, top.begin() + (y + 1) * row);
    return bottom;
}

// A 5 x 3 picture of 16-bit samples, top row first: a run of three equal pixels for the Targa
// packets, every other sample different, with low bytes that rounding to 8 bits must meet.
std::string MakeSource(const PeerDir& dir) {
    Bytes samples;
    for (int p = 0; p < 15; ++p) {
        const int q = p == 2 || p == 3 ? 1 : p;
        for (int c = 0; c < 4; ++c) {
            const int v = (q * 4 + c) * 4099 % 65536;
            samples.push_back(static_cast<unsigned char>(v >> 8));
            samples.push_back(static_cast<unsigned char>(v));
        }
    }
    const std::string path = dir.File("source.rgba");
    return WriteFile(path, samples) ? "-size 5x3 -depth 16 -endian MSB rgba:" + path : "";
}

}  // namespace

TEST(ImportMap, EveryKindDecodesToWhatAnIndependentDecoderShowsBottomRowFirst) {
    ASSERT_TRUE(RunConvert("-version")) << "make test installs imagemagick";
    const PeerDir dir;
    ASSERT_TRUE(dir.made);
    const std::string source = MakeSource(dir);
    ASSERT_FALSE(source.empty());
    const struct {
        const char* name;
        const char* written;  // convert's options and output format
        const char* reader;   // the format for reading it back, which its name does not say
        ImportKind kind;
        int depth;
        bool greyscale;
    } cases[] = {
        {"PNG 8-bit RGB", "-alpha off PNG24:", "png:", IMPORT_KIND_PNG, 24, false},
        {"PNG 8-bit RGBA", "PNG32:", "png:", IMPORT_KIND_PNG, 32, false},
        {"PNG 16-bit RGB", "-alpha off PNG48:", "png:", IMPORT_KIND_PNG, 24, false},
        {"PNG 16-bit RGBA", "PNG64:", "png:", IMPORT_KIND_PNG, 32, false},
        {"PNG grey", "-alpha off -colorspace Gray png:", "png:", IMPORT_KIND_PNG, 24, true},
        {"JPEG", "-alpha off -quality 90 jpg:", "jpg:", IMPORT_KIND_JPEG, 24, false},
        {"JPEG grey", "-alpha off -colorspace Gray jpg:", "jpg:", IMPORT_KIND_JPEG, 24, true},
        {"Targa plain, bottom left, 24 bits", "-depth 8 -alpha off -type TrueColor -compress none tga:",
         "tga:", IMPORT_KIND_TARGA_PLAIN, 24, false},
        {"Targa run-length, top left, 32 bits",
         "-depth 8 -type TrueColorAlpha -orient TopLeft -compress RLE tga:", "tga:", IMPORT_KIND_TARGA, 32,
         false},
        {"Targa run-length, bottom right, 24 bits, with an identification field",
         "-depth 8 -alpha off -type TrueColor -orient BottomRight -compress RLE -set comment id tga:", "tga:",
         IMPORT_KIND_TARGA, 24, false},
        {"Targa plain, top right, 32 bits",
         "-depth 8 -type TrueColorAlpha -orient TopRight -compress none tga:", "tga:", IMPORT_KIND_TARGA, 32,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.File("map");
        ASSERT_TRUE(RunConvert(source + " " + c.written + file));
        ImportKind kind;
        std::string error;
        ASSERT_TRUE(ImportKindOfFile(file.c_str(), &kind, &error)) << error;
        EXPECT_EQ(kind, c.kind);
        const Decoded ours(file, 0);
        ASSERT_TRUE(ours.ok) << ours.error;
        EXPECT_EQ(std::make_tuple(ours.width, ours.height, ours.depth, ours.greyscale),
                  std::make_tuple(5, 3, c.depth, c.greyscale));
        EXPECT_EQ(ours.pixels, TheirPixels(dir, c.reader + file, c.depth, 3));
    }
}

TEST(ImportMap, BadFilesAreRefusedWithOneLineThatSaysWhy) {
    const PeerDir dir;
    ASSERT_TRUE(dir.made);
    const std::string source = MakeSource(dir);
    const std::string only = ": only true-colour images of 24 or 32 bits are read";
    const std::string png = dir.File("bad.png"), rle = dir.File("cut.tga"), jpeg = dir.File("cut.jpg"),
                      grey = dir.File("grey.tga"), mapped = dir.File("mapped.tga"),
                      obj = dir.File("mesh.obj");
    ASSERT_TRUE(RunConvert(source + " PNG24:" + png) &&
                RunConvert(source + " -compress RLE -type TrueColor tga:" + rle) &&
                RunConvert(source + " jpg:" + jpeg) &&
                RunConvert(source + " -alpha off -colorspace Gray -compress none tga:" + grey) &&
                RunConvert(source + " -depth 8 -colors 4 -type Palette tga:" + mapped));
    Bytes bytes = FileBytes(png);
    const std::size_t idat = std::string(bytes.begin(), bytes.end()).find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    const std::size_t length = std::size_t(bytes[idat - 2]) << 8 | bytes[idat - 1];
    bytes[idat + 4 + length] ^= 0x40;
    ASSERT_TRUE(WriteFile(png, bytes));
    bytes = FileBytes(rle);
    ASSERT_TRUE(WriteFile(rle, Prefix(bytes, bytes.size() - 3)));
    bytes = FileBytes(jpeg);
    ASSERT_TRUE(WriteFile(jpeg, Prefix(bytes, bytes.size() / 2)));
    ASSERT_TRUE(WriteFile(obj, Bytes{'v', ' ', '0', ' ', '0', ' ', '0', '\n'}));
    const std::pair<std::string, std::string> cases[] = {
        {png, "not a readable PNG (IDAT: CRC error)"},
        {rle, "the file ends inside the run-length packets"},
        {jpeg, "not a readable JPEG (Premature end of JPEG file)"},
        {grey, "a greyscale Targa" + only},
        {mapped, "a colour-mapped Targa" + only},
        {obj, "not a PNG, JPEG or Targa image"},
        {dir.File("missing.png"), "cannot open: No such file or directory"},
        {dir.path, "cannot read: Is a directory"},
    };
    for (const auto& [path, message] : cases) {
        const Decoded d(path, 0);
        EXPECT_EQ(std::make_tuple(d.ok, d.error, d.strayArray), std::make_tuple(false, message, false))
            << path;
    }
}

TEST(ImportKind, FilesThatAreNoImagesAreMeshesUnlessTheyAreRvf) {
    const PeerDir dir;
    ASSERT_TRUE(dir.made);
    const Bytes rvf = RvfBytes(1, std::vector<std::vector<float>>{{0, 0, 0, 1, 0, 0, 0, 1, 0}});
    const std::tuple<const char*, Bytes, ImportKind> cases[] = {
        {"RVF", rvf, IMPORT_KIND_RVF},
        {"damaged RVF", Prefix(rvf, 9), IMPORT_KIND_RVF},
        {"RVF behind a foreign chunk", Join({{'J', 'U', 'N', 'K', 0, 0, 0, 0}, rvf}), IMPORT_KIND_RVF},
        {"OBJ", {'v', ' ', '1', ' ', '2', ' ', '3', '\n'}, IMPORT_KIND_MESH},
        {"GLB", {'g', 'l', 'T', 'F', 2, 0, 0, 0, 12, 0, 0, 0}, IMPORT_KIND_MESH},
        {"binary STL", Bytes(84, 0), IMPORT_KIND_MESH},
        {"empty", {}, IMPORT_KIND_MESH},
    };
    for (const auto& [name, bytes, expected] : cases) {
        const std::string path = dir.File("file");
        ASSERT_TRUE(WriteFile(path, bytes));
        ImportKind kind;
        std::string error;
        ASSERT_TRUE(ImportKindOfFile(path.c_str(), &kind, &error)) << name;
        EXPECT_EQ(kind, expected) << name;
    }
}
