#include "tools/rvftool/MeshFiles.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Progress.h"
#include "tools/common/CommandLine.h"

bool ReadRvfFile(const char* path, int* numTris, RvRawTriangle** tris) {
    *tris = nullptr;
    FILE* fp = OpenInputFile(path);
    if (fp == nullptr) return false;
    // The silent walk first, so that a file of another kind gets a plain answer rather than
    // whatever header read happened to fail.
    if (!RvFileHasTriangles(fp)) {
        std::fclose(fp);
        Fail("%s: not an RVF file (no \"TRIS\" chunk inside an \"RVF \" container)", path);
        return false;
    }
    std::rewind(fp);
    std::vector<std::string> lines;
    bool ok = RunCapturingConsole([&] { return RvReadTriangles(fp, numTris, tris); }, &lines);
    std::fclose(fp);
    if (!ok) {
        delete[] * tris;
        *tris = nullptr;
        Fail("%s: %s", path, FirstLine(lines, "cannot read the triangles").c_str());
        return false;
    }
    return true;
}

namespace {

// Forwards the importer's estimate, in percent, to the progress line.
void ShowProgress(float percent, void*) { ProgressUpdate(std::size_t(percent)); }

}  // namespace

bool IsImportableMesh(const char* path, ImportKind kind) {
    if (kind == IMPORT_KIND_MESH) return true;
    if (kind == IMPORT_KIND_RVF) {
        Fail("%s: already an RVF file", path);
    } else {
        Fail("%s: %s, not a mesh: use 'rvftool map'", path, ImportKindName(kind));
    }
    return false;
}

bool ImportMesh(const char* path, ImportedMesh* mesh) {
    std::string error;
    ProgressBegin("importing", 100);
    const bool imported = ImportMeshFile(path, mesh, &error, ShowProgress, nullptr);
    ProgressEnd();
    if (!imported) Fail("%s: %s", path, error.c_str());
    return imported;
}

bool ReadMeshFile(const char* path, int* numTris, RvRawTriangle** tris, float** tangents) {
    *tris = nullptr;
    *tangents = nullptr;
    FILE* fp = OpenInputFile(path);
    if (fp == nullptr) return false;
    const ImportKind kind = ImportKindOf(fp);
    std::fclose(fp);
    if (kind == IMPORT_KIND_RVF) return ReadRvfFile(path, numTris, tris);
    if (!IsImportableMesh(path, kind)) return false;
    ImportedMesh mesh;
    if (!ImportMesh(path, &mesh)) return false;
    *numTris = mesh.numTris;
    *tris = mesh.tris;
    *tangents = mesh.tangents;
    return true;
}

bool WriteRvfFile(const char* path, int numTris, const RvRawTriangle* tris) {
    if (numTris < 1 || numTris > kMaxRvfTriangles) {
        Fail("%s: cannot hold %d triangles (an RVF file holds 1 to %d)", path, numTris, kMaxRvfTriangles);
        return false;
    }
    AtomicOutput out;
    std::string error;
    if (!AtomicOutputOpen(&out, path, &error)) {
        Fail("%s", error.c_str());
        return false;
    }
    std::vector<std::string> lines;
    if (!RunCapturingConsole([&] { return RvWriteTriangles(out.fp, numTris, tris); }, &lines)) {
        AtomicOutputDiscard(&out);
        Fail("%s: %s", path, FirstLine(lines, "cannot write the triangles").c_str());
        return false;
    }
    if (!AtomicOutputCommit(&out, &error)) {
        Fail("%s", error.c_str());
        return false;
    }
    return true;
}
