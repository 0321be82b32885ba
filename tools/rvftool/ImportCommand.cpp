// rvftool import: any mesh file Assimp reads to an RVF file: every mesh of the scene placed by
// its node transforms, triangulated, normals generated where the file has none, and the
// first texture-coordinate set.
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>
#include <cstddef>
#include <cstdio>
#include <new>
#include <string>

#include "mesh/RvFileIO.h"
#include "platform/Progress.h"
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

// Forwards Assimp's own estimate, in percent, to the progress line.
class ImportProgress : public Assimp::ProgressHandler {
public:
    bool Update(float percentage) override {
        if (percentage >= 0.0f) ProgressUpdate(std::size_t(percentage * 100.0f));
        return true;
    }
};

std::string MeshName(const aiMesh* mesh, unsigned index) {
    if (mesh->mName.length > 0) return "'" + std::string(mesh->mName.C_Str()) + "'";
    return std::to_string(index + 1);
}

// Assimp reports failures as a null scene; the guard keeps anything it might still throw
// (an allocation failure) from leaving this function.
const aiScene* ReadScene(Assimp::Importer* importer, const char* path, std::string* error) {
    try {
        importer->SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
        importer->SetProgressHandler(new ImportProgress);
        const aiScene* scene = importer->ReadFile(
            path, aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_SortByPType |
                      aiProcess_PreTransformVertices | aiProcess_ValidateDataStructure);
        if (scene == nullptr) *error = importer->GetErrorString();
        return scene;
    } catch (const std::bad_alloc&) {
        *error = "not enough memory";
    } catch (...) {
        *error = "the importer failed";
    }
    return nullptr;
}

// Counts the triangles of the scene and checks that every mesh that has some can be taken;
// false after printing one message.
bool CheckScene(const char* path, const aiScene* scene, std::size_t* numTris) {
    *numTris = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        if (!(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        if (!mesh->HasTextureCoords(0)) {
            Fail("%s: mesh %s has no texture coordinates", path, MeshName(mesh, m).c_str());
            return false;
        }
        if (!mesh->HasNormals()) {
            Fail("%s: mesh %s has no normals", path, MeshName(mesh, m).c_str());
            return false;
        }
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3) continue;
            for (unsigned c = 0; c < 3; ++c) {
                if (face.mIndices[c] >= mesh->mNumVertices) {
                    Fail("%s: mesh %s has a face with a vertex index out of range", path,
                         MeshName(mesh, m).c_str());
                    return false;
                }
            }
            ++*numTris;
        }
    }
    if (*numTris == 0) {
        Fail("%s: no triangles in the file", path);
        return false;
    }
    if (*numTris > std::size_t(kMaxRvfTriangles)) {
        Fail("%s: %zu triangles are more than an RVF file holds (%d)", path, *numTris, kMaxRvfTriangles);
        return false;
    }
    return true;
}

void FillTriangles(const aiScene* scene, RvRawTriangle* tris) {
    std::size_t t = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        if (!(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        // A set with one component leaves v at 0, as Assimp itself does.
        bool haveV = mesh->mNumUVComponents[0] >= 2;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3) continue;
            RvRawTriangle& tri = tris[t++];
            for (unsigned c = 0; c < 3; ++c) {
                unsigned i = face.mIndices[c];
                const aiVector3D& p = mesh->mVertices[i];
                const aiVector3D& n = mesh->mNormals[i];
                const aiVector3D& uv = mesh->mTextureCoords[0][i];
                tri.vert[c].x = float(p.x);
                tri.vert[c].y = float(p.y);
                tri.vert[c].z = float(p.z);
                tri.norm[c].x = float(n.x);
                tri.norm[c].y = float(n.y);
                tri.norm[c].z = float(n.z);
                tri.texCoord[c].u = float(uv.x);
                tri.texCoord[c].v = haveV ? float(uv.y) : 0.0f;
            }
        }
    }
}

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

    Assimp::Importer importer;
    std::string error;
    ProgressBegin("importing", 100);
    const aiScene* scene = ReadScene(&importer, in, &error);
    ProgressEnd();
    if (scene == nullptr) return Fail("%s: %s", in, error.c_str());

    std::size_t numTris;
    if (!CheckScene(in, scene, &numTris)) return kExitFailure;
    RvRawTriangle* tris = new (std::nothrow) RvRawTriangle[numTris];
    if (tris == nullptr) return Fail("%s: not enough memory for %zu triangles", in, numTris);
    FillTriangles(scene, tris);
    importer.FreeScene();
    bool written = WriteRvfFile(out, int(numTris), tris);
    delete[] tris;
    if (!written) return kExitFailure;
    std::printf("%s: %zu triangles\n", out, numTris);
    return kExitOk;
}
