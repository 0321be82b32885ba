// Meshes of every format Assimp reads, and the normal map their material names.
#include <assimp/commonMetaData.h>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>
#include <climits>
#include <cstring>
#include <new>

#include "import/ImportInternal.h"

namespace {

// Forwards Assimp's own estimate, in percent, to the caller's callback.
class ProgressForwarder : public Assimp::ProgressHandler {
public:
    ProgressForwarder(ImportProgress progress, void* context) : progress_(progress), context_(context) {}
    bool Update(float percentage) override {
        if (percentage >= 0.0f) progress_(percentage * 100.0f, context_);
        return true;
    }

private:
    ImportProgress progress_;
    void* context_;
};

std::string MeshName(const aiMesh* mesh, unsigned index) {
    if (mesh->mName.length > 0) return "'" + std::string(mesh->mName.C_Str()) + "'";
    return std::to_string(index + 1);
}

// Assimp reports failures as a null scene; the guard keeps anything it might still throw
// (an allocation failure) from leaving this function.
const aiScene* ReadScene(Assimp::Importer* importer, const char* path, ImportProgress progress, void* context,
                         std::string* error) {
    try {
        importer->SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
        if (progress != nullptr) importer->SetProgressHandler(new ProgressForwarder(progress, context));
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

// Counts the triangles of the scene and checks that every mesh that has some can be taken, and
// whether every one of those has tangents.
bool CheckScene(const aiScene* scene, std::size_t* numTris, bool* allTangents, std::string* error) {
    *numTris = 0;
    *allTangents = true;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        if (!(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        if (!mesh->HasTextureCoords(0)) {
            *error = "mesh " + MeshName(mesh, m) + " has no texture coordinates";
            return false;
        }
        if (!mesh->HasNormals()) {
            *error = "mesh " + MeshName(mesh, m) + " has no normals";
            return false;
        }
        *allTangents = *allTangents && mesh->HasTangentsAndBitangents();
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3) continue;
            for (unsigned c = 0; c < 3; ++c) {
                if (face.mIndices[c] >= mesh->mNumVertices) {
                    *error = "mesh " + MeshName(mesh, m) + " has a face with a vertex index out of range";
                    return false;
                }
            }
            ++*numTris;
        }
    }
    if (*numTris == 0) {
        *error = "no triangles in the file";
        return false;
    }
    if (*numTris > std::size_t(INT_MAX)) {
        *error = std::to_string(*numTris) + " triangles are more than a mesh holds (" +
                 std::to_string(INT_MAX) + ")";
        return false;
    }
    return true;
}

// The triangles of the scene in mesh order, and with `tangents` not null their corners' tangents
// with the sign that gives the file's bitangent.
void FillTriangles(const aiScene* scene, RvRawTriangle* tris, float* tangents) {
    std::size_t t = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        if (!(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        // A set with one component leaves v at 0, as Assimp itself does.
        bool haveV = mesh->mNumUVComponents[0] >= 2;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3) continue;
            RvRawTriangle& tri = tris[t];
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
                if (tangents == nullptr) continue;
                // Assimp keeps a bitangent, not the sign a file such as glTF stores beside the
                // tangent: the sign is where the bitangent lies against cross(normal, tangent).
                const aiVector3D& tangent = mesh->mTangents[i];
                float* out = tangents + t * 12 + c * 4;
                out[0] = float(tangent.x);
                out[1] = float(tangent.y);
                out[2] = float(tangent.z);
                out[3] = mesh->mBitangents[i] * (n ^ tangent) < 0.0f ? -1.0f : 1.0f;
            }
            ++t;
        }
    }
}

// A glTF file names its images by URI, where a space is "%20".
bool NamesByUri(const aiScene* scene) {
    aiString format;
    return scene->mMetaData != nullptr && scene->mMetaData->Get(AI_METADATA_SOURCE_FORMAT, format) &&
           std::strncmp(format.C_Str(), "glTF", 4) == 0;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& uri) {
    std::string name;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        const int high = uri[i] == '%' && i + 2 < uri.size() ? HexDigit(uri[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(uri[i + 2]) : -1;
        if (low >= 0) {
            name += char(high * 16 + low);
            i += 2;
        } else {
            name += uri[i];
        }
    }
    return name;
}

// The path of a texture the file names, relative to the mesh file's folder unless absolute;
// backslashes, as files written on Windows have them, become slashes.
std::string Resolved(const char* meshPath, std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.empty() || name[0] == '/') return name;
    const std::string mesh = meshPath;
    const std::size_t slash = mesh.rfind('/');
    return slash == std::string::npos ? name : mesh.substr(0, slash + 1) + name;
}

// The normal map of the first mesh with triangles whose material names one: a normal texture,
// else a bump texture (OBJ's map_Bump and bump).
void FindNormalMap(const aiScene* scene, const char* path, ImportedMesh* out) {
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        if (!(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE) ||
            mesh->mMaterialIndex >= scene->mNumMaterials)
            continue;
        const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
        aiString name;
        if (material->GetTexture(aiTextureType_NORMALS, 0, &name) != AI_SUCCESS &&
            material->GetTexture(aiTextureType_HEIGHT, 0, &name) != AI_SUCCESS)
            continue;
        // "*N" names the file's N-th stored image; some formats store images under a file name.
        const aiTexture* stored = scene->GetEmbeddedTexture(name.C_Str());
        if (stored != nullptr || name.C_Str()[0] == '*') {
            out->normalMap = name.C_Str();
            out->normalMapEmbedded = true;
            // mHeight 0 marks the bytes of a whole image file, mWidth of them.
            if (stored != nullptr && stored->mHeight == 0 && stored->pcData != nullptr) {
                const unsigned char* bytes = reinterpret_cast<const unsigned char*>(stored->pcData);
                out->normalMapBytes.assign(bytes, bytes + stored->mWidth);
            }
        } else {
            out->normalMap = Resolved(path, NamesByUri(scene) ? PercentDecoded(name.C_Str()) : name.C_Str());
        }
        return;
    }
}

}  // namespace

bool ImportMeshFile(const char* path, ImportedMesh* mesh, std::string* error, ImportProgress progress,
                    void* context) {
    Assimp::Importer importer;
    const aiScene* scene = ReadScene(&importer, path, progress, context, error);
    if (scene == nullptr) return false;

    std::size_t numTris;
    bool allTangents;
    if (!CheckScene(scene, &numTris, &allTangents, error)) return false;
    ImportedMesh imported;
    imported.tris = new (std::nothrow) RvRawTriangle[numTris];
    if (allTangents) imported.tangents = new (std::nothrow) float[numTris * 12];
    if (imported.tris == nullptr || (allTangents && imported.tangents == nullptr)) {
        delete[] imported.tris;
        delete[] imported.tangents;
        *error = "not enough memory for " + std::to_string(numTris) + " triangles";
        return false;
    }
    imported.numTris = int(numTris);
    FillTriangles(scene, imported.tris, imported.tangents);
    try {
        FindNormalMap(scene, path, &imported);
    } catch (const std::bad_alloc&) {
        delete[] imported.tris;
        delete[] imported.tangents;
        *error = "not enough memory";
        return false;
    }
    *mesh = std::move(imported);
    return true;
}

bool ImportMeshMap(const ImportedMesh& mesh, int depth, ImportedMap* map, std::string* error) {
    if (mesh.normalMap.empty()) {
        *error = "the mesh's material names no normal map";
        return false;
    }
    if (!mesh.normalMapEmbedded) return ImportMapFile(mesh.normalMap.c_str(), depth, map, error);
    if (mesh.normalMapBytes.empty()) {
        *error = "the normal map " + mesh.normalMap +
                 " stored in the mesh file is missing or stored as raw texels";
        return false;
    }
    return ImportMapBytes(mesh.normalMapBytes.data(), mesh.normalMapBytes.size(), depth, map, error);
}
