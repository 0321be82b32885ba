// rvftool tangents: the per-corner tangent frames of an RVF mesh, smoothed over the welded
// vertices, as text or as little-endian binary for other tools.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "mesh/RvFileIO.h"
#include "platform/MacSpecific.h"
#include "platform/Progress.h"
#include "tools/common/CommandLine.h"
#include "tools/rvftool/Commands.h"
#include "tools/rvftool/MeshFiles.h"

namespace {

const char kHelp[] =
    "Usage: rvftool tangents [--binary] [--double] FILE.rvf [OUT]\n"
    "\n"
    "Writes the tangent and binormal of every triangle corner of FILE.rvf, smoothed over the\n"
    "vertices that welding joins (corners across a seam keep their own), to OUT, or to\n"
    "standard output when OUT is missing or '-'.\n"
    "\n"
    "Text (the default): two comment lines starting with '#', then one line per corner:\n"
    "  TRIANGLE CORNER TX TY TZ BX BY BZ\n"
    "with triangles and corners numbered from 0 and enough digits to give back each value\n"
    "exactly.\n"
    "\n"
    "Binary, every number little-endian:\n"
    "  bytes 0-3   int32 triangle count N\n"
    "  then N records, one per triangle in file order, each the tangents of corners 0, 1, 2\n"
    "  and then their binormals, x, y, z each: 72 bytes of float32 (single precision) or\n"
    "  144 bytes of float64 (--double). The file is 4 + 72 N or 4 + 144 N bytes long.\n"
    "\n"
    "Options:\n"
    "  --binary    write the binary layout (not to a terminal)\n"
    "  --double    keep double precision (default: the frames rounded to single precision)\n"
    "  -h, --help  show this help\n";

// Records converted and written per block.
const int kBlockRecords = 4096;

bool WriteText(FILE* fp, int numTris, const RvRawTangentSpace* tan, const RvRawTangentSpaceD* tanD) {
    std::fprintf(fp, "# rvftool tangents: %d triangles, %s precision\n", numTris,
                 tanD != nullptr ? "double" : "single");
    std::fprintf(fp, "# triangle corner tangent_x tangent_y tangent_z binormal_x binormal_y binormal_z\n");
    ProgressBegin("writing tangent frames", std::size_t(numTris));
    for (int t = 0; t < numTris && !std::ferror(fp); ++t) {
        for (int c = 0; c < 3; ++c) {
            if (tanD != nullptr) {
                const RvRawPointD& tg = tanD[t].tangent[c];
                const RvRawPointD& bn = tanD[t].binormal[c];
                std::fprintf(fp, "%d %d %.17g %.17g %.17g %.17g %.17g %.17g\n", t, c, tg.x, tg.y, tg.z, bn.x,
                             bn.y, bn.z);
            } else {
                const RvRawPoint& tg = tan[t].tangent[c];
                const RvRawPoint& bn = tan[t].binormal[c];
                std::fprintf(fp, "%d %d %.9g %.9g %.9g %.9g %.9g %.9g\n", t, c, tg.x, tg.y, tg.z, bn.x, bn.y,
                             bn.z);
            }
        }
        ProgressUpdate(std::size_t(t) + 1);
    }
    ProgressEnd();
    return !std::ferror(fp);
}

// Writes the count and the records through a block-sized copy in file order; the caller's
// arrays are left in host order.
template <typename Record>
bool WriteRecords(FILE* fp, int numTris, const Record* records, uint32 (*toFileOrder)(void*, uint32)) {
    int32 count = numTris;
    KivByteSwap_int32(&count, 1);
    if (std::fwrite(&count, sizeof count, 1, fp) != 1) return false;
    Record* block = new (std::nothrow) Record[kBlockRecords];
    if (block == nullptr) return false;
    ProgressBegin("writing tangent frames", std::size_t(numTris));
    bool ok = true;
    for (int first = 0; first < numTris && ok; first += kBlockRecords) {
        int n = numTris - first < kBlockRecords ? numTris - first : kBlockRecords;
        std::memcpy(block, records + first, sizeof(Record) * std::size_t(n));
        toFileOrder(block, uint32(n));
        ok = std::fwrite(block, sizeof(Record), std::size_t(n), fp) == std::size_t(n);
        ProgressUpdate(std::size_t(first + n));
    }
    ProgressEnd();
    delete[] block;
    return ok;
}

bool WriteFrames(FILE* fp, bool binary, int numTris, const RvRawTangentSpace* tan,
                 const RvRawTangentSpaceD* tanD) {
    if (!binary) return WriteText(fp, numTris, tan, tanD);
    if (tanD != nullptr) return WriteRecords(fp, numTris, tanD, KivByteSwap_RvRawTangentSpaceD);
    return WriteRecords(fp, numTris, tan, KivByteSwap_RvRawTangentSpace);
}

}  // namespace

int RunTangents(int argc, char** argv) {
    static const char* const kOptions[] = {"--binary", "--double", nullptr};
    CommandLine line;
    int status;
    if (!ParseCommandLine("tangents", argc, argv, kOptions, &line, &status)) return status;
    if (line.help) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (line.operands.empty() || line.operands.size() > 2)
        return UsageError("tangents", "expects an RVF file and at most one output file");
    const char* in = line.operands[0];
    const char* out =
        line.operands.size() == 2 && std::strcmp(line.operands[1], "-") != 0 ? line.operands[1] : nullptr;
    bool binary = HasOption(line, "--binary");
    bool precise = HasOption(line, "--double");
    if (binary && out == nullptr && isatty(STDOUT_FILENO))
        return UsageError("tangents", "will not write binary data to a terminal; name an output file");

    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    if (!ReadRvfFile(in, &numTris, &tris)) return kExitFailure;
    RvRawTangentSpace* tan = nullptr;
    RvRawTangentSpaceD* tanD = nullptr;
    ProgressBegin("computing tangent frames", 0);
    bool computed =
        precise ? RvComputeTangentsD(numTris, tris, &tanD) : RvComputeTangents(numTris, tris, &tan);
    ProgressEnd();
    delete[] tris;
    int result = kExitOk;
    if (!computed) {
        result = Fail("%s: not enough memory for the tangent frames of %d triangles", in, numTris);
    } else if (out == nullptr) {
        if (!WriteFrames(stdout, binary, numTris, tan, tanD) || std::fflush(stdout) != 0)
            result = Fail("cannot write to standard output: %s", std::strerror(errno));
    } else {
        AtomicOutput output;
        std::string error;
        if (!AtomicOutputOpen(&output, out, &error)) {
            result = Fail("%s", error.c_str());
        } else if (!WriteFrames(output.fp, binary, numTris, tan, tanD)) {
            AtomicOutputDiscard(&output);
            result = Fail("%s: cannot write: %s", out, std::strerror(errno));
        } else if (!AtomicOutputCommit(&output, &error)) {
            result = Fail("%s", error.c_str());
        }
    }
    delete[] tan;
    delete[] tanD;
    return result;
}
