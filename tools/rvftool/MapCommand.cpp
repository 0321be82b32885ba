// rvftool map: a normal map of any kind the import library decodes (PNG, JPEG, Targa) to the
// plain Targa that every tool of the family loads, its samples as stored.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/TGAIO.h"
#include "import/Import.h"
#include "platform/Progress.h"
#include "tools/common/CommandLine.h"
#include "tools/rvftool/Commands.h"
#include "tools/rvftool/MeshFiles.h"

namespace {

const char kHelp[] =
    "Usage: rvftool map [--depth 24|32] [--flip-green] IN OUT.tga\n"
    "\n"
    "Writes the normal map IN, a PNG, JPEG or Targa file told by its content, to OUT.tga as an\n"
    "uncompressed Targa stored bottom row first, the kind every tool of the family loads: 32\n"
    "bits when IN has alpha (an alpha channel or a PNG's transparency chunk), kept as it is for\n"
    "the viewer's Alpha mode, else 24 bits. The samples are copied as stored, without any gamma\n"
    "or colour-profile correction; 16-bit PNG samples are rounded to 8 bits. A Targa may be\n"
    "run-length encoded and stored from any corner: the map lies the same way on the mesh as in\n"
    "IN. A Targa holds at most 65535 x 65535 pixels. A greyscale image is written with a\n"
    "warning: it holds heights, not the directions of a normal map.\n"
    "\n"
    "Options:\n"
    "  --depth 24|32  write this many bits per pixel: 24 drops the alpha, 32 adds an opaque one\n"
    "  --flip-green   write 255 - green: a map made green down (-Y, as for DirectX-style engines)\n"
    "                 becomes one green up (+Y), as RVFView reads maps, and back\n"
    "  -h, --help     show this help\n";

}  // namespace

int RunMap(int argc, char** argv) {
    static const char* const kOptions[] = {"--depth=", "--flip-green", nullptr};
    CommandLine line;
    int status;
    if (!ParseCommandLine("map", argc, argv, kOptions, &line, &status)) return status;
    if (line.help) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    int depth = 0;
    if (const char* value = OptionValue(line, "--depth")) {
        if (std::strcmp(value, "24") == 0)
            depth = 24;
        else if (std::strcmp(value, "32") == 0)
            depth = 32;
        else
            return UsageError("map", "depth '%s' is neither 24 nor 32", value);
    }
    if (line.operands.size() != 2) return UsageError("map", "expects an image file and a Targa file");
    const char* in = line.operands[0];
    const char* out = line.operands[1];

    FILE* fp = OpenInputFile(in);
    if (fp == nullptr) return kExitFailure;
    const ImportKind kind = ImportKindOf(fp);
    if (kind == IMPORT_KIND_RVF || kind == IMPORT_KIND_MESH) {
        std::fclose(fp);
        if (kind == IMPORT_KIND_RVF) return Fail("%s: an RVF mesh, not an image", in);
        return Fail("%s: not a PNG, JPEG or Targa image (a mesh goes to 'rvftool import')", in);
    }
    ImportedMap image;
    std::string error;
    ProgressBegin("reading the image", 0);
    bool read = ImportReadMap(fp, kind, depth, &image, &error);
    ProgressEnd();
    std::fclose(fp);
    if (!read) return Fail("%s: %s", in, error.c_str());
    if (HasOption(line, "--flip-green"))
        FlipGreenChannel(image.pixels, static_cast<std::size_t>(image.width) * image.height,
                         image.bitDepth / 8);
    if (image.greyscale) Warn("%s: greyscale: it holds heights, not the directions of a normal map", in);

    AtomicOutput output;
    std::string outError;
    if (!AtomicOutputOpen(&output, out, &outError)) {
        delete[] image.pixels;
        return Fail("%s", outError.c_str());
    }
    int bits = image.bitDepth;
    std::vector<std::string> lines;
    // RGB in, so the writer exchanges red and blue into the file's blue-first order.
    bool written = RunCapturingConsole(
        [&] { return TGAWriteImage(output.fp, image.width, image.height, bits, image.pixels, false); },
        &lines);
    delete[] image.pixels;
    if (!written) {
        AtomicOutputDiscard(&output);
        return Fail("%s: %s", out, FirstLine(lines, "cannot write the Targa").c_str());
    }
    if (!AtomicOutputCommit(&output, &outError)) return Fail("%s", outError.c_str());
    std::printf("%s: %d x %d, %d bits\n", out, image.width, image.height, bits);
    return kExitOk;
}
