// rvftool convert: an SMD text mesh, or a bare triangle-chunk body (a count, then the
// triangles), to an RVF file, through the library's own readers and writer.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "import/Import.h"
#include "mesh/RvFileIO.h"
#include "mesh/SMDFileIO.h"
#include "platform/MacSpecific.h"
#include "platform/Progress.h"
#include "tools/common/CommandLine.h"
#include "tools/rvftool/Commands.h"
#include "tools/rvftool/MeshFiles.h"

namespace {

const char kHelp[] =
    "Usage: rvftool convert [--from smd|bare] IN OUT.rvf\n"
    "\n"
    "Writes the triangles of IN to OUT.rvf as an RVF mesh. IN is one of:\n"
    "  smd   an SMD text mesh: its \"triangles\" section, texture coordinates clamped to 0..1\n"
    "  bare  bare triangle data: a little-endian 32-bit count, then that many 96-byte\n"
    "        triangles and nothing else\n"
    "The kind is told from the content: a file whose size is exactly what its count needs is\n"
    "bare data, a text with a line beginning with \"triangles\" is SMD.\n"
    "\n"
    "Options:\n"
    "  --from KIND  read IN as KIND (smd or bare) whatever its content looks like\n"
    "  -h, --help   show this help\n";

enum InputKind { kUnknown, kSmd, kBare };

const std::uint64_t kBareTriangleBytes = sizeof(RvRawTriangle);

// The count at the front of a bare body, and whether the file is exactly that long.
bool ReadBareCount(FILE* fp, std::uint64_t fileSize, std::int32_t* count, bool* sizeMatches) {
    std::rewind(fp);
    if (std::fread(count, sizeof *count, 1, fp) != 1) return false;
    KivByteSwap_int32(count, 1);
    *sizeMatches = *count > 0 && fileSize == 4 + kBareTriangleBytes * std::uint64_t(*count);
    return true;
}

// The SMD reader's own test: a line whose first 9 characters are "triangles", any case.
bool HasSmdTrianglesLine(FILE* fp) {
    char buffer[4096];
    std::rewind(fp);
    while (std::fgets(buffer, sizeof buffer, fp) != nullptr)
        if (strnicmp(buffer, "triangles", 9) == 0) return true;
    return false;
}

int ConvertSmd(const char* in, FILE* fp, const char* out) {
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    std::vector<std::string> lines;
    ProgressBegin("reading SMD", 0);
    bool ok = RunCapturingConsole([&] { return SMDReadTriangles(fp, &numTris, &tris); }, &lines);
    ProgressEnd();

    // The reader prints a line per clamped texture coordinate and, when it fails, a last line
    // saying why.
    static const char kClampPrefix[] = "texCoord out of range!";
    std::size_t clamped = 0;
    std::string reason = "malformed \"triangles\" section";
    for (const std::string& text : lines) {
        if (text.compare(0, sizeof kClampPrefix - 1, kClampPrefix) == 0)
            ++clamped;
        else
            reason = text;
    }
    if (!ok) {
        delete[] tris;
        return Fail("%s: %s", in, reason.c_str());
    }
    if (numTris < 1) {
        delete[] tris;
        return Fail("%s: no triangles in the SMD file", in);
    }
    if (clamped > 0)
        Warn("%s: %zu texture %s clamped to 0..1", in, clamped,
             CountNoun(static_cast<long long>(clamped), "coordinate", "coordinates"));
    bool written = WriteRvfFile(out, numTris, tris);
    delete[] tris;
    if (!written) return kExitFailure;
    std::printf("%s: %d %s\n", out, numTris, CountNoun(numTris, "triangle", "triangles"));
    return kExitOk;
}

int ConvertBare(const char* in, FILE* fp, std::uint64_t fileSize, const char* out) {
    std::int32_t count = 0;
    bool sizeMatches = false;
    if (!ReadBareCount(fp, fileSize, &count, &sizeMatches))
        return Fail("%s: too short for bare triangle data (%llu bytes)", in, (unsigned long long)fileSize);
    if (count < 1) return Fail("%s: bare triangle data with a count of %d", in, int(count));
    if (!sizeMatches)
        return Fail("%s: bare triangle data of %d %s takes %llu bytes, the file has %llu", in, int(count),
                    CountNoun(count, "triangle", "triangles"),
                    (unsigned long long)(4 + kBareTriangleBytes * std::uint64_t(count)),
                    (unsigned long long)fileSize);
    if (count > kMaxRvfTriangles)
        return Fail("%s: %d triangles are more than an RVF file holds (%d)", in, int(count),
                    kMaxRvfTriangles);

    AtomicOutput output;
    std::string error;
    if (!AtomicOutputOpen(&output, out, &error)) return Fail("%s", error.c_str());
    std::rewind(fp);
    std::vector<std::string> lines;
    ProgressBegin("converting", 0);
    bool ok = RunCapturingConsole([&] { return RvConvertFile(fp, output.fp); }, &lines);
    ProgressEnd();
    if (!ok) {
        AtomicOutputDiscard(&output);
        return Fail("%s: %s", in, FirstLine(lines, "cannot convert").c_str());
    }
    if (!AtomicOutputCommit(&output, &error)) return Fail("%s", error.c_str());
    std::printf("%s: %d %s\n", out, int(count), CountNoun(count, "triangle", "triangles"));
    return kExitOk;
}

}  // namespace

int RunConvert(int argc, char** argv) {
    static const char* const kOptions[] = {"--from=", nullptr};
    CommandLine line;
    int status;
    if (!ParseCommandLine("convert", argc, argv, kOptions, &line, &status)) return status;
    if (line.help) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    InputKind kind = kUnknown;
    if (const char* from = OptionValue(line, "--from")) {
        if (std::strcmp(from, "smd") == 0)
            kind = kSmd;
        else if (std::strcmp(from, "bare") == 0)
            kind = kBare;
        else
            return UsageError("convert", "unknown input kind '%s' (smd or bare)", from);
    }
    if (line.operands.size() != 2) return UsageError("convert", "expects an input file and an output file");
    const char* in = line.operands[0];
    const char* out = line.operands[1];

    FILE* fp = OpenInputFile(in);
    if (fp == nullptr) return kExitFailure;
    struct stat st;
    if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(fp);
        return Fail("%s: not a regular file", in);
    }
    std::uint64_t fileSize = std::uint64_t(st.st_size);

    if (kind == kUnknown) {
        std::int32_t count;
        bool sizeMatches = false;
        if (ReadBareCount(fp, fileSize, &count, &sizeMatches) && sizeMatches) {
            kind = kBare;
        } else if (HasSmdTrianglesLine(fp)) {
            kind = kSmd;
        } else {
            const ImportKind other = ImportKindOf(fp);
            std::fclose(fp);
            if (!IsImportableMesh(in, other)) return kExitFailure;
            return Fail(
                "%s: neither an SMD mesh nor bare triangle data (name the kind with --from, or use "
                "'rvftool import' for meshes of other formats)",
                in);
        }
    }
    int result = kind == kSmd ? ConvertSmd(in, fp, out) : ConvertBare(in, fp, fileSize, out);
    std::fclose(fp);
    return result;
}
