#include <assimp/scene.h>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "GltfFiles.h"
#include "TestFiles.h"
#include "import/Import.h"

namespace {

// The one triangle of every file here, as the importer hands it back: corners, normals and
// texture coordinates, v measured up from the bottom of the map.
const std::vector<float> kTriangle = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0};
// The triangle as an OBJ file whose material comes from t.mtl.
const std::string kObj =
    "mtllib t.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 1\nvt 1 1\nvt 0 0\nvn 0 0 1\nusemtl m\nf 1/1/1 2/2/1 "
    "3/3/1\n";

std::vector<float> Floats(const RvRawTriangle& tri) {
    std::vector<float> out(24);
    std::memcpy(out.data(), &tri, sizeof tri);
    return out;
}

// What ImportMeshFile gave: the result and message, the triangles as floats, the tangents, the
// normal map's name and where it is, and whether arrays came back after a failure.
struct Imported {
    bool ok = false;
    std::string error;
    std::vector<float> tris, tangents;
    ImportedMesh mesh;
    bool strayArrays = false;
    explicit Imported(const std::string& path) {
        ok = ImportMeshFile(path.c_str(), &mesh, &error);
        for (int t = 0; t < mesh.numTris; ++t) {
            const std::vector<float> f = Floats(mesh.tris[t]);
            tris.insert(tris.end(), f.begin(), f.end());
        }
        if (mesh.tangents != nullptr) tangents.assign(mesh.tangents, mesh.tangents + 12 * mesh.numTris);
        strayArrays = !ok && (mesh.tris != nullptr || mesh.tangents != nullptr);
    }
    ~Imported() {
        delete[] mesh.tris;
        delete[] mesh.tangents;
    }
};

// The texels of a map decoded here, or the message.
std::string MapOf(const ImportedMesh& mesh, Bytes* pixels) {
    ImportedMap map;
    std::string error;
    if (!ImportMeshMap(mesh, 0, &map, &error)) return error;
    pixels->assign(map.pixels, map.pixels + std::size_t(map.width) * map.height * (map.bitDepth / 8));
    delete[] map.pixels;
    return "";
}

}  // namespace

// The normal texture beside a .gltf (its name escaped) or inside a GLB decodes as the image file.
TEST(ImportMesh, GltfAndGlbKeepTheirTangentsAndTheirNormalTexture) {
    const PeerDir dir;
    ASSERT_TRUE(dir.made);
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("maps")));
    const std::string png = dir.File("maps/my map.png");
    ASSERT_TRUE(RunConvert(
        "-size 3x2 gradient:yellow-navy -alpha set -channel A -evaluate set 60% 'PNG32:" + png + "'"));
    ASSERT_TRUE(WriteGltf(dir, "t.gltf", "maps/my%20map.png"));
    ASSERT_TRUE(WriteFile(dir.File("t.glb"), Glb(FileBytes(png))));
    ImportedMap map;
    std::string error;
    ASSERT_TRUE(ImportMapFile(png.c_str(), 0, &map, &error)) << error;
    const Bytes decoded(map.pixels, map.pixels + 3 * 2 * 4);
    delete[] map.pixels;
    const std::tuple<const char*, std::string, bool, Bytes> cases[] = {
        {"t.gltf", png, false, {}},
        {"t.glb", "*0", true, FileBytes(png)},
    };
    for (const auto& [name, normalMap, embedded, bytes] : cases) {
        SCOPED_TRACE(name);
        const Imported r(dir.File(name));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.tris, kTriangle);
        EXPECT_EQ(r.tangents, kTangents);
        EXPECT_EQ(std::make_tuple(r.mesh.normalMap, r.mesh.normalMapEmbedded, r.mesh.normalMapBytes),
                  std::make_tuple(normalMap, embedded, bytes));
        Bytes pixels;
        ASSERT_EQ(MapOf(r.mesh, &pixels), "");
        EXPECT_EQ(pixels, decoded);
    }
}

TEST(ImportMesh, ObjBumpAndNormTexturesAreTheNormalMapBesideTheMesh) {
    const PeerDir dir;
    ASSERT_TRUE(dir.made);
    const std::pair<const char*, const char*> cases[] = {
        {"map_Bump -bm 0.5 maps\\n.tga", "maps/n.tga"},
        {"bump n.png", "n.png"},
        {"norm n.jpg", "n.jpg"},
    };
    ASSERT_TRUE(WriteFile(dir.File("t.obj"), Bytes(kObj.begin(), kObj.end())));
    for (const auto& [line, name] : cases) {
        const std::string mtl = std::string("newmtl m\n") + line + "\n";
        ASSERT_TRUE(WriteFile(dir.File("t.mtl"), Bytes(mtl.begin(), mtl.end())));
        const Imported r(dir.File("t.obj"));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.tris, kTriangle) << line;
        EXPECT_TRUE(r.tangents.empty()) << line;
        EXPECT_EQ(r.mesh.normalMap, dir.File(name)) << line;
    }
}

// Assimp writes FBX without tangents; the tangent and binormal layers are added to its text.
TEST(ImportMesh, FbxKeepsItsTangentsWithTheSignOfItsBinormals) {
    const PeerDir dir;
    ASSERT_TRUE(dir.made);
    const std::string mtl = "newmtl m\nnorm n.png\n";
    ASSERT_TRUE(WriteFile(dir.File("t.obj"), Bytes(kObj.begin(), kObj.end())) &&
                WriteFile(dir.File("t.mtl"), Bytes(mtl.begin(), mtl.end())));
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(dir.File("t.obj"), 0);
    ASSERT_NE(scene, nullptr);
    Assimp::Exporter exporter;
    ASSERT_EQ(exporter.Export(scene, "fbxa", dir.File("t.fbx")), AI_SUCCESS);
    const Bytes exported = FileBytes(dir.File("t.fbx"));
    std::string fbx(exported.begin(), exported.end());
    const std::size_t uvLayer = fbx.find("\t\tLayerElementUV: 0 {"),
                      uvEntry = fbx.find("Type: \"LayerElementUV\"");
    ASSERT_TRUE(uvLayer != std::string::npos && uvEntry != std::string::npos && uvLayer < uvEntry);
    fbx.insert(uvEntry,
               "Type: \"LayerElementTangent\"\nTypedIndex: 0\n}\nLayerElement: {\n"
               "Type: \"LayerElementBinormal\"\nTypedIndex: 0\n}\nLayerElement: {\n");
    fbx.insert(
        uvLayer,
        "LayerElementTangent: 0 {\nVersion: 101\nName: \"\"\nMappingInformationType: \"ByPolygonVertex\"\n"
        "ReferenceInformationType: \"Direct\"\nTangents: *9 {\na: 1,0,0,1,0,0,0,1,0\n}\n}\n"
        "LayerElementBinormal: 0 {\nVersion: 101\nName: \"\"\nMappingInformationType: \"ByPolygonVertex\"\n"
        "ReferenceInformationType: \"Direct\"\nBinormals: *9 {\na: 0,1,0,0,-1,0,-1,0,0\n}\n}\n");
    ASSERT_TRUE(WriteFile(dir.File("t.fbx"), Bytes(fbx.begin(), fbx.end())));
    const Imported r(dir.File("t.fbx"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.tangents, kTangents);
    EXPECT_EQ(r.mesh.normalMap, dir.File("n.png"));
}

TEST(ImportMesh, BadFilesAndMissingMapsGetOneLine) {
    const PeerDir dir;
    ASSERT_TRUE(dir.made);
    const std::string junk = "this is no mesh at all\n";
    ASSERT_TRUE(WriteFile(dir.File("junk.obj"), Bytes(junk.begin(), junk.end())));
    const Imported bad(dir.File("junk.obj"));
    EXPECT_FALSE(bad.ok);
    EXPECT_FALSE(bad.error.empty());
    EXPECT_EQ(bad.error.find('\n'), std::string::npos) << bad.error;
    EXPECT_FALSE(bad.strayArrays);

    ASSERT_TRUE(WriteGltf(dir, "t.gltf", "gone.png"));
    const Imported missing(dir.File("t.gltf"));
    ASSERT_TRUE(missing.ok) << missing.error;
    Bytes pixels;
    EXPECT_EQ(MapOf(missing.mesh, &pixels), "cannot open: No such file or directory");

    const std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1\n";
    ASSERT_TRUE(WriteFile(dir.File("plain.obj"), Bytes(obj.begin(), obj.end())));
    const Imported plain(dir.File("plain.obj"));
    ASSERT_TRUE(plain.ok) << plain.error;
    EXPECT_EQ(MapOf(plain.mesh, &pixels), "the mesh's material names no normal map");
}
