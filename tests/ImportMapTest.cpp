#include <string>
#include <tuple>

#include "TestFiles.h"
#include "import/Import.h"

namespace {

// ImageMagick's decoding of `file`, upright, turned bottom row first like ours; its 16-bit
// samples rounded to 8 here, since its own reduction to 8 bits is not a plain rounding.
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

}  // namespace

// Each kind is told by its bytes and decodes to what ImageMagick shows, bottom row first, or is
// refused saying what it is.
TEST(ImportMap, EveryKindDecodesAsAnIndependentDecoderShowsItOrSaysWhyNot) {
    ASSERT_TRUE(RunConvert("-version")) << "make test installs imagemagick";
    const PeerDir dir;
    ASSERT_TRUE(dir.made);
    // A 5 x 3 picture of 16-bit samples, top row first: a run of three equal pixels for the Targa
    // packets, every other sample different, with low bytes that rounding to 8 bits must meet.
    Bytes samples;
    for (int p = 0; p < 15; ++p) {
        const int q = p == 2 || p == 3 ? 1 : p;
        for (int c = 0; c < 4; ++c) {
            const int v = (q * 4 + c) * 4099 % 65536;
            samples.push_back(static_cast<unsigned char>(v >> 8));
            samples.push_back(static_cast<unsigned char>(v));
        }
    }
    const std::string source = "-size 5x3 -depth 16 -endian MSB rgba:" + dir.File("source.rgba"),
                      only = ": only true-colour images of 24 or 32 bits are read";
    ASSERT_TRUE(WriteFile(dir.File("source.rgba"), samples));
    const struct {
        const char* name;
        const char* written;  // convert's options and output format
        ImportKind kind;
        const char* reader;  // the format for reading it back, which its name does not say
        int depth;
        std::string refusal = "";
        bool cut = false;  // to half its bytes
    } cases[] = {
        {"PNG 8-bit RGB", "-alpha off PNG24:", IMPORT_KIND_PNG, "png:", 24},
        {"PNG 16-bit RGBA", "PNG64:", IMPORT_KIND_PNG, "png:", 32},
        {"JPEG", "-alpha off -quality 90 jpg:", IMPORT_KIND_JPEG, "jpg:", 24},
        {"JPEG cut short", "jpg:", IMPORT_KIND_JPEG, "", 0,
         "not a readable JPEG (Premature end of JPEG file)", true},
        {"Targa plain, bottom left, 24 bits",
         "-depth 8 -alpha off -type TrueColor -compress none tga:", IMPORT_KIND_TARGA_PLAIN, "tga:", 24},
        {"Targa run-length, top left, 32 bits",
         "-depth 8 -type TrueColorAlpha -orient TopLeft -compress RLE tga:", IMPORT_KIND_TARGA, "tga:", 32},
        {"Targa grey", "-alpha off -colorspace Gray -compress none tga:", IMPORT_KIND_TARGA, "", 0,
         "a greyscale Targa" + only},
        {"Targa colour-mapped", "-depth 8 -colors 4 -type Palette tga:", IMPORT_KIND_TARGA, "", 0,
         "a colour-mapped Targa" + only},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.File("map");
        ASSERT_TRUE(RunConvert(source + " " + c.written + file));
        const Bytes bytes = FileBytes(file);
        ASSERT_TRUE(!c.cut || WriteFile(file, Prefix(bytes, bytes.size() / 2)));
        ImportKind kind;
        std::string error;
        ASSERT_TRUE(ImportKindOfFile(file.c_str(), &kind, &error)) << error;
        EXPECT_EQ(kind, c.kind);
        // Result, message, size, depth, grey flag, and an array left after a failure.
        ImportedMap map;
        error.clear();
        const bool ok = ImportMapFile(file.c_str(), 0, &map, &error);
        EXPECT_EQ(std::make_tuple(ok, error, map.width, map.height, map.bitDepth, map.greyscale,
                                  !ok && map.pixels != nullptr),
                  c.refusal.empty() ? std::make_tuple(true, std::string(), 5, 3, c.depth, false, false)
                                    : std::make_tuple(false, c.refusal, 0, 0, 0, false, false));
        const Bytes ours =
            ok ? Bytes(map.pixels, map.pixels + std::size_t(map.width) * map.height * (map.bitDepth / 8))
               : Bytes();
        delete[] map.pixels;
        EXPECT_EQ(ours, c.refusal.empty() ? TheirPixels(dir, c.reader + file, c.depth, 3) : Bytes());
    }
}

// Whatever the name says: an RVF file behind a foreign chunk, and a binary STL, whose header of
// zeros is no Targa header.
TEST(ImportKind, IsToldByTheBytes) {
    const PeerDir dir;
    const std::string path = dir.File("m.obj");
    const std::pair<Bytes, ImportKind> cases[] = {
        {Join({Chunk("JUNK", 0), RvfBytes(1, Bytes(96))}), IMPORT_KIND_RVF},
        {Bytes(84, 0), IMPORT_KIND_MESH}};
    for (const auto& [bytes, expected] : cases) {
        ImportKind kind = IMPORT_KIND_PNG;
        std::string error;
        ASSERT_TRUE(dir.made && WriteFile(path, bytes) && ImportKindOfFile(path.c_str(), &kind, &error));
        EXPECT_EQ(kind, expected);
    }
}
