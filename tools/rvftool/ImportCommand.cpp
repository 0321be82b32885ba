// rvftool import: any mesh file Assimp reads to an RVF file: every mesh of the scene placed by
// its node transforms, triangulated, normals generated where the file has none, and the
// first texture-coordinate set.
#include <cstdio>

#include "import/Import.h"
#include "tools/common/CommandLine.h"
#include "tools/rvftool/Commands.h"
#include "tools/rvftool/MeshFiles.h"

namespace {

const char kHelp[] =
    "Usage: rvftool import IN OUT.rvf\n"
    "\n"
    "Writes the triangles of any mesh file Assimp reads (OBJ, PLY, glTF, FBX, Collada, 3DS, ...)\n"
    "to OUT.rvf as an RVF mesh. Every mesh of the file is placed by its scene transforms;\n"
    "polygons are split into triangles, points and lines are dropped, and smooth normals are\n"
    "made for a mesh that has none. Texture coordinates come from the first set; a mesh without\n"
    "texture coordinates is refused, since RVFView needs them to lay its normal map.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help\n";

}  // namespace

int RunImport(int argc, char** argv) {
    static const char* const kOptions[] = {nullptr};
    CommandLine line;
    int status;
    if (!ParseCommandLine("import", argc, argv, kOptions, &line, &status)) return status;
    if (line.help) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (line.operands.size() != 2) return UsageError("import", "expects an input file and an output file");
    const char* in = line.operands[0];
    const char* out = line.operands[1];

    // Assimp opens the file itself, and says only that it failed.
    FILE* fp = OpenInputFile(in);
    if (fp == nullptr) return kExitFailure;
    const ImportKind kind = ImportKindOf(fp);
    std::fclose(fp);
    if (!IsImportableMesh(in, kind)) return kExitFailure;

    ImportedMesh mesh;
    if (!ImportMesh(in, &mesh)) return kExitFailure;
    delete[] mesh.tangents;
    if (mesh.numTris > kMaxRvfTriangles) {
        delete[] mesh.tris;
        return Fail("%s: %d triangles are more than an RVF file holds (%d)", in, mesh.numTris,
                    kMaxRvfTriangles);
    }
    bool written = WriteRvfFile(out, mesh.numTris, mesh.tris);
    delete[] mesh.tris;
    if (!written) return kExitFailure;
    std::printf("%s: %d %s\n", out, mesh.numTris, CountNoun(mesh.numTris, "triangle", "triangles"));
    return kExitOk;
}
