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

}  // namespace

// A mesh alone names its normal map file beside it: glTF's normal texture (its name escaped), OBJ's
// map_Bump (with options and a Windows path) or norm.
TEST(ImportMesh, NamesTheNormalMapOfItsMaterial) {
    const PeerDir dir;
    ASSERT_TRUE(dir.made && WriteGltf(dir, "t.gltf", "maps/my%20map.png"));
    const std::pair<std::string, std::string> objs[] = {{"bump", "map_Bump -bm 0.5 maps\\n.png"},
                                                        {"norm", "norm maps/n.png"}};
    for (const auto& [name, line] : objs) {
        ASSERT_TRUE(WriteFile(dir.File(name + ".obj"), BytesOf("mtllib " + name + ".mtl\n" + kObj)) &&
                    WriteFile(dir.File(name + ".mtl"), BytesOf("newmtl m\n" + line + "\n")));
    }
    const std::pair<const char*, std::string> cases[] = {{"t.gltf", dir.File("maps/my map.png")},
                                                         {"bump.obj", dir.File("maps/n.png")},
                                                         {"norm.obj", dir.File("maps/n.png")}};
    for (const auto& [name, normalMap] : cases) {
        SCOPED_TRACE(name);
        ImportedMesh mesh;
        std::string error;
        ASSERT_TRUE(ImportMeshFile(dir.File(name).c_str(), &mesh, &error)) << error;
        const float* f = reinterpret_cast<const float*>(mesh.tris);
        EXPECT_EQ(std::vector<float>(f, f + 24 * mesh.numTris), kTriangle);
        EXPECT_EQ(std::make_pair(mesh.normalMap, mesh.normalMapEmbedded), std::make_pair(normalMap, false));
        delete[] mesh.tris;
        delete[] mesh.tangents;
    }
}
