// Meshes and maps of the kinds the library's own readers do not take, through the import
// library: into the same globals, in the same form, as the readers of RVF and plain Targa files.
#include "viewer/Opening.h"

#include <cstdio>
#include <utility>

#include "platform/Progress.h"
#include "viewer/RVFView.h"

namespace {

// What the material of the mesh imported last names as its normal map; never holds triangles.
ImportedMesh gImportedMaterial;

// Forwards the importer's estimate, in percent, to the progress line.
void ShowProgress(float percent, void*) { ProgressUpdate(std::size_t(percent)); }

// Puts decoded texels in gTexInfo, which takes over the array.
void KeepMap(const ImportedMap& map) {
    gTexInfo.width = static_cast<uint16>(map.width);
    gTexInfo.height = static_cast<uint16>(map.height);
    gTexInfo.bitDepth = static_cast<std::uint8_t>(map.bitDepth);
    gTexInfo.format = map.bitDepth == 32 ? KIV_BITMAP_FORMAT_8888 : KIV_BITMAP_FORMAT_888;
    gTexInfo.pixels = map.pixels;
    gMapGreyscale = map.greyscale;
}

}  // namespace

bool ImportObjectFile(const char* objectFile, ImportKind kind) {
    if (kind != IMPORT_KIND_MESH) {
        ProgressEnd();
        printf("ERROR: Unable to read file: %s\n", objectFile);
        printf("%s is %s, not a mesh: give the mesh first, then the map\n", objectFile, ImportKindName(kind));
        return false;
    }
    ImportedMesh mesh;
    std::string error;
    if (!ImportMeshFile(objectFile, &mesh, &error, ShowProgress, nullptr)) {
        ProgressEnd();
        printf("ERROR: Unable to read file: %s\n", objectFile);
        printf("The importer says: %s\n", error.c_str());
        return false;
    }
    gNumTris = mesh.numTris;
    gTriangles = mesh.tris;
    gFileTangents = mesh.tangents;
    gMeshImported = true;
    mesh.tris = nullptr;
    mesh.tangents = nullptr;
    gImportedMaterial = std::move(mesh);
    return true;
}

bool ImportTextureFile(FILE* fp, ImportKind kind, const char* textureFile) {
    if (kind == IMPORT_KIND_RVF || kind == IMPORT_KIND_MESH) {
        printf("ERROR: Unable to open file: %s\n", textureFile);
        if (kind == IMPORT_KIND_RVF)
            printf("%s is an RVF mesh, not a map: give the mesh first, then the map\n", textureFile);
        else
            printf("%s is no PNG, JPEG or Targa image: if it is a mesh, give it first, then the map\n",
                   textureFile);
        return false;
    }
    ImportedMap map;
    std::string error;
    if (!ImportReadMap(fp, kind, 0, &map, &error)) {
        printf("ERROR: Unable to open file: %s\n", textureFile);
        printf("The decoder says: %s\n", error.c_str());
        return false;
    }
    KeepMap(map);
    return true;
}

const std::string& ImportedMeshMap(bool* embedded) {
    *embedded = gImportedMaterial.normalMapEmbedded;
    return gImportedMaterial.normalMap;
}

bool ImportEmbeddedMap(const char* meshFile) {
    ImportedMap map;
    std::string error;
    if (!ImportMeshMap(gImportedMaterial, 0, &map, &error)) {
        printf("ERROR: Unable to open file: %s\n", meshFile);
        printf("The decoder says: %s\n", error.c_str());
        return false;
    }
    KeepMap(map);
    return true;
}
