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
const std::string kObj =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 1\nvt 1 1\nvt 0 0\nvn 0 0 1\nusemtl m\nf 1/1/1 2/2/1 3/3/1\n";

// What ImportMeshFile gave: result, message, triangles' floats, tangents and the mesh record.
struct Imported {
    bool ok = false;
    std::string error;
    std::vector<float> tris, tangents;
    ImportedMesh mesh;
    explicit Imported(const std::string& path) {
        ok = ImportMeshFile(path.c_str(), &mesh, &error);
        const float* f = reinterpret_cast<const float*>(mesh.tris);
        if (ok) tris.assign(f, f + 24 * mesh.numTris);
        if (mesh.tangents != nullptr) tangents.assign(mesh.tangents, mesh.tangents + 12 * mesh.numTris);
    }
    ~Imported() {
        delete[] mesh.tris;
        delete[] mesh.tangents;
    }
};

// The texels of the map `mesh` names, or the message.
std::string MapOf(const ImportedMesh& mesh, Bytes* pixels) {
    ImportedMap map;
    std::string error;
    if (!ImportMeshMap(mesh, 0, &map, &error)) return error;
    pixels->assign(map.pixels, map.pixels + std::size_t(map.width) * map.height * (map.bitDepth / 8));
    delete[] map.pixels;
    return "";
}

}  // namespace

// A mesh alone names its normal map: glTF's normal texture (its name escaped) or the image inside
// a GLB, OBJ's map_Bump (with options and a Windows path) or norm; each decodes as the image file.
TEST(ImportMesh, KeepsStoredTangentsAndNamesTheNormalMapOfItsMaterial) {
    const PeerDir dir;
    ASSERT_TRUE(dir.made && std::filesystem::create_directory(dir.File("maps")));
    const std::string png = dir.File("maps/my map.png"), n = dir.File("maps/n.png");
    ASSERT_TRUE(RunConvert(
        "-size 3x2 gradient:yellow-navy -alpha set -channel A -evaluate set 60% 'PNG32:" + png + "'"));
    ASSERT_TRUE(WriteGltf(dir, "t.gltf", "maps/my%20map.png") && WriteFile(n, FileBytes(png)) &&
                WriteFile(dir.File("t.glb"), Glb(FileBytes(png))));
    const std::pair<std::string, std::string> objs[] = {
        {"bump", "map_Bump -bm 0.5 maps\\n.png"}, {"norm", "norm maps/n.png"}, {"plain", ""}};
    for (const auto& [name, line] : objs) {
        const std::string obj = "mtllib " + name + ".mtl\n" + kObj, mtl = "newmtl m\n" + line + "\n";
        ASSERT_TRUE(WriteFile(dir.File(name + ".obj"), Bytes(obj.begin(), obj.end())) &&
                    WriteFile(dir.File(name + ".mtl"), Bytes(mtl.begin(), mtl.end())));
    }
    Bytes decoded;
    ImportedMesh named;
    named.normalMap = png;
    ASSERT_EQ(MapOf(named, &decoded), "");
    const std::tuple<const char*, std::vector<float>, std::string, Bytes, const char*> cases[] = {
        {"t.gltf", kTangents, png, {}, ""},
        {"t.glb", kTangents, "*0", FileBytes(png), ""},
        {"bump.obj", {}, n, {}, ""},
        {"norm.obj", {}, n, {}, ""},
        {"plain.obj", {}, "", {}, "the mesh's material names no normal map"}};
    for (const auto& [name, tangents, normalMap, embedded, mapError] : cases) {
        SCOPED_TRACE(name);
        const Imported r(dir.File(name));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.tris, kTriangle);
        EXPECT_EQ(r.tangents, tangents);
        EXPECT_EQ(std::make_tuple(r.mesh.normalMap, r.mesh.normalMapEmbedded, r.mesh.normalMapBytes),
                  std::make_tuple(normalMap, !embedded.empty(), embedded));
        Bytes pixels;
        EXPECT_EQ(MapOf(r.mesh, &pixels), mapError);
        EXPECT_EQ(pixels, *mapError == '\0' ? decoded : Bytes());
    }
}
