// rvftool tangents: the per-corner tangent frames of a mesh, in the library's own basis
// (smoothed over the welded vertices), in MikkTSpace or as the file stores them, as text or as
// little-endian binary for other tools.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "mesh/MikkTSpace.h"
#include "mesh/RvFileIO.h"
#include "platform/MacSpecific.h"
#include "platform/Progress.h"
#include "tools/common/CommandLine.h"
#include "tools/rvftool/Commands.h"
#include "tools/rvftool/MeshFiles.h"

namespace {

const char kHelp[] =
    "Usage: rvftool tangents [--basis own|mikktspace|file] [--binary] [--double] [--vec4] MESH\n"
    "                        [OUT]\n"
    "\n"
    "Writes the tangent and binormal of every triangle corner of MESH (an RVF file, or any mesh\n"
    "the importer reads) to OUT, or to standard output when OUT is missing or '-'. In the own\n"
    "basis (the default) they are smoothed over the vertices that welding joins (corners across\n"
    "a seam keep their own); in the mikktspace basis the tangent is the one most normal-map\n"
    "bakers and glTF use, and the binormal is w * cross(N, T), N the corner's normal made unit;\n"
    "the file basis takes the tangents and signs MESH stores (glTF's TANGENT, FBX tangents) with\n"
    "the binormal made the same way.\n"
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
    "Tangents with signs (--vec4), every number little-endian, as glTF's TANGENT holds them:\n"
    "  bytes 0-3   int32 triangle count N\n"
    "  then for each corner of each triangle, in order, float32 x, y, z of the tangent and w,\n"
    "  +1 or -1, so that the binormal is w * cross(N, T): 48 bytes a triangle, 4 + 48 N in all.\n"
    "  In the own basis w is the sign of dot(cross(N, T), B), +1 where that is 0.\n"
    "\n"
    "Options:\n"
    "  --basis own|mikktspace|file  the tangent basis (default: own)\n"
    "  --binary    write the binary layout (not to a terminal)\n"
    "  --double    keep double precision (default: the frames rounded to single precision)\n"
    "  --vec4      write the tangents with their signs (not to a terminal; not with --double)\n"
    "  -h, --help  show this help\n";

// Records converted and written per block.
const int kBlockRecords = 4096;

// The bases, and how the text output's first line names them.
enum Basis { kOwn, kMikkTSpace, kFile };
const char* const kBasisWords[] = {"own", "mikktspace", "file"};
const char* const kBasisNotes[] = {"", ", MikkTSpace basis", ", tangents from the file"};

bool WriteText(FILE* fp, int numTris, const RvRawTangentSpace* tan, const RvRawTangentSpaceD* tanD,
               int basis) {
    std::fprintf(fp, "# rvftool tangents: %d triangles, %s precision%s\n", numTris,
                 tanD != nullptr ? "double" : "single", kBasisNotes[basis]);
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

// The tangent and w of the three corners of one triangle.
struct CornerTangents {
    float32 v[12];
};

uint32 SwapCornerTangents(void* records, uint32 num) {
    KivByteSwap_float32(records, 12 * num);
    return num;
}

// The own frames as tangents with signs: w is the sign of dot(cross(N, T), B), +1 where 0.
void OwnTangents(int numTris, const RvRawTriangle* tris, const RvRawTangentSpace* tan, CornerTangents* out) {
    for (int t = 0; t < numTris; ++t) {
        for (int c = 0; c < 3; ++c) {
            const RvRawPoint& n = tris[t].norm[c];
            const RvRawPoint& tg = tan[t].tangent[c];
            const RvRawPoint& bn = tan[t].binormal[c];
            const double normal[3] = {n.x, n.y, n.z}, tangent[3] = {tg.x, tg.y, tg.z},
                         binormal[3] = {bn.x, bn.y, bn.z};
            float32* corner = out[t].v + 4 * c;
            corner[0] = tg.x, corner[1] = tg.y, corner[2] = tg.z;
            corner[3] = RvFrameSign(normal, tangent, binormal);
        }
    }
}

// Tangents with signs as frames: the binormal is w * cross(N, T), N made unit.
template <typename Space>
void SignedFrames(int numTris, const RvRawTriangle* tris, const CornerTangents* signedTangents, Space* out) {
    for (int t = 0; t < numTris; ++t) {
        for (int c = 0; c < 3; ++c) {
            const float32* tg = signedTangents[t].v + 4 * c;
            double binormal[3];
            RvSignedBinormal(tris[t].norm[c].v, tg, binormal);
            out[t].tangent[c].x = tg[0], out[t].tangent[c].y = tg[1], out[t].tangent[c].z = tg[2];
            out[t].binormal[c].x = binormal[0], out[t].binormal[c].y = binormal[1],
            out[t].binormal[c].z = binormal[2];
        }
    }
}

// What is written: the frames in single or double precision, or the tangents with signs.
struct Frames {
    int basis;
    RvRawTangentSpace* tan;
    RvRawTangentSpaceD* tanD;
    CornerTangents* vec4;
};

void ReleaseFrames(Frames* frames) {
    delete[] frames->tan;
    delete[] frames->tanD;
    delete[] frames->vec4;
}

// Fills *frames in its basis, the file's being `fileTangents`: with `vec4` the tangents with
// signs, else the frames, in double precision when `precise`. False when they cannot be had.
bool ComputeFrames(int numTris, const RvRawTriangle* tris, const float* fileTangents, bool precise, bool vec4,
                   Frames* frames) {
    const std::size_t count = std::size_t(numTris);
    if (frames->basis == kOwn) {
        if (precise) return RvComputeTangentsD(numTris, tris, &frames->tanD);
        if (!RvComputeTangents(numTris, tris, &frames->tan)) return false;
        if (!vec4) return true;
        frames->vec4 = new (std::nothrow) CornerTangents[count];
        if (frames->vec4 == nullptr) return false;
        OwnTangents(numTris, tris, frames->tan, frames->vec4);
        return true;
    }
    frames->vec4 = new (std::nothrow) CornerTangents[count];
    if (frames->vec4 == nullptr) return false;
    if (frames->basis == kFile)
        std::memcpy(frames->vec4, fileTangents, sizeof(CornerTangents) * count);
    else if (!RvComputeMikkTangents(numTris, tris, frames->vec4[0].v))
        return false;
    if (vec4) return true;
    if (precise) {
        frames->tanD = new (std::nothrow) RvRawTangentSpaceD[count];
        if (frames->tanD == nullptr) return false;
        SignedFrames(numTris, tris, frames->vec4, frames->tanD);
    } else {
        frames->tan = new (std::nothrow) RvRawTangentSpace[count];
        if (frames->tan == nullptr) return false;
        SignedFrames(numTris, tris, frames->vec4, frames->tan);
    }
    delete[] frames->vec4;
    frames->vec4 = nullptr;
    return true;
}

bool WriteFrames(FILE* fp, bool binary, int numTris, const Frames& frames) {
    if (frames.vec4 != nullptr) return WriteRecords(fp, numTris, frames.vec4, SwapCornerTangents);
    if (!binary) return WriteText(fp, numTris, frames.tan, frames.tanD, frames.basis);
    if (frames.tanD != nullptr) return WriteRecords(fp, numTris, frames.tanD, KivByteSwap_RvRawTangentSpaceD);
    return WriteRecords(fp, numTris, frames.tan, KivByteSwap_RvRawTangentSpace);
}

}  // namespace

int RunTangents(int argc, char** argv) {
    static const char* const kOptions[] = {"--basis=", "--binary", "--double", "--vec4", nullptr};
    CommandLine line;
    int status;
    if (!ParseCommandLine("tangents", argc, argv, kOptions, &line, &status)) return status;
    if (line.help) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    int basis = kOwn;
    if (const char* word = OptionValue(line, "--basis")) {
        while (basis <= kFile && std::strcmp(word, kBasisWords[basis]) != 0) ++basis;
        if (basis > kFile)
            return UsageError("tangents", "unknown basis '%s' (own, mikktspace or file)", word);
    }
    if (line.operands.empty() || line.operands.size() > 2)
        return UsageError("tangents", "expects a mesh file and at most one output file");
    const char* in = line.operands[0];
    const char* out =
        line.operands.size() == 2 && std::strcmp(line.operands[1], "-") != 0 ? line.operands[1] : nullptr;
    bool vec4 = HasOption(line, "--vec4");
    bool binary = HasOption(line, "--binary") || vec4;
    bool precise = HasOption(line, "--double");
    if (vec4 && precise) return UsageError("tangents", "--vec4 writes single precision; leave out --double");
    if (binary && out == nullptr && isatty(STDOUT_FILENO))
        return UsageError("tangents", "will not write binary data to a terminal; name an output file");

    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    float* fileTangents = nullptr;
    if (!ReadMeshFile(in, &numTris, &tris, &fileTangents)) return kExitFailure;
    if (basis == kFile && fileTangents == nullptr) {
        delete[] tris;
        return Fail("%s holds no tangents: choose --basis own or mikktspace", in);
    }
    Frames frames = {basis, nullptr, nullptr, nullptr};
    ProgressBegin("computing tangent frames", 0);
    bool computed = ComputeFrames(numTris, tris, fileTangents, precise, vec4, &frames);
    ProgressEnd();
    delete[] tris;
    delete[] fileTangents;
    int result = kExitOk;
    if (!computed && basis == kMikkTSpace) {
        result =
            Fail("%s: no MikkTSpace tangents for %d triangles: a number is not finite, or not enough memory",
                 in, numTris);
    } else if (!computed) {
        result = Fail("%s: not enough memory for the tangent frames of %d triangles", in, numTris);
    } else if (out == nullptr) {
        if (!WriteFrames(stdout, binary, numTris, frames) || std::fflush(stdout) != 0)
            result = Fail("cannot write to standard output: %s", std::strerror(errno));
    } else {
        AtomicOutput output;
        std::string error;
        if (!AtomicOutputOpen(&output, out, &error)) {
            result = Fail("%s", error.c_str());
        } else if (!WriteFrames(output.fp, binary, numTris, frames)) {
            AtomicOutputDiscard(&output);
            result = Fail("%s: cannot write: %s", out, std::strerror(errno));
        } else if (!AtomicOutputCommit(&output, &error)) {
            result = Fail("%s", error.c_str());
        }
    }
    ReleaseFrames(&frames);
    return result;
}
