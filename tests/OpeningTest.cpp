// The real RVFView and rvfrender opening what users have in one step: an OBJ with a run-length
// encoded Targa stored top row first, and a GLB alone with its normal map inside. Each must show
// what the three steps show that make plain files of the same ones (rvftool import; the map
// through ImageMagick with -auto-orient, then rvftool map; the RVF mesh and the plain Targa).
// The inputs are made by Assimp's exporter and ImageMagick, the map asymmetric so that flips
// and swaps show.
#include <assimp/material.h>
#include <assimp/scene.h>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <cstring>

#include "ViewerProgram.h"
#include "tests/rvfrender/RenderRun.h"

namespace {

// The quad of the tools' tests written by Assimp's exporter as `format` into `out`, its material
// naming `map` as its normal map: with `image`, those file bytes stored inside as image "*0".
bool ExportQuad(const std::string& format, const std::string& out, const std::string& map,
                const std::string& image = "") {
    Assimp::Importer importer;
    if (importer.ReadFile(RVFTOOL_TEST_DATA "/quad.obj", 0) == nullptr) return false;
    aiScene* scene = importer.GetOrphanedScene();
    if (!image.empty()) {
        aiTexture* texture = new aiTexture;
        texture->mWidth = static_cast<unsigned>(image.size());
        texture->mHeight = 0;
        std::strcpy(texture->achFormatHint, "png");
        texture->pcData = new aiTexel[(image.size() + 3) / 4];
        std::memcpy(texture->pcData, image.data(), image.size());
        scene->mTextures = new aiTexture*[1];
        scene->mTextures[0] = texture;
        scene->mNumTextures = 1;
    }
    const aiString name(map);
    scene->mMaterials[0]->AddProperty(&name, AI_MATKEY_TEXTURE_NORMALS(0));
    const bool exported = Assimp::Exporter().Export(scene, format, out) == AI_SUCCESS;
    delete scene;
    return exported;
}

const std::string kQuad =
    "Mesh: 2 triangles, 4 welded vertices (no tangents in the file). Map: 8 x 8, 24 bits.\n"
    "Warning: the map has no alpha channel (the alpha mode shows white).\n";

}  // namespace

class Opening : public ToolTest {
protected:
    // The map's quadrants are red (top left), green, blue and the flat normal.
    void SetUp() override {
        ToolTest::SetUp();
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        std::string ppm = "P6\n8 8\n255\n";
        const char quadrants[4][3] = {
            {'\xff', 0, 0}, {0, '\xff', 0}, {0, 0, '\xff'}, {'\x80', '\x80', '\xff'}};
        for (int i = 0; i < 64; ++i) ppm.append(quadrants[2 * (i / 32) + i % 8 / 4], 3);
        WriteFile("map.ppm", ppm);
        WriteFile("head.obj", FileText(RVFTOOL_TEST_DATA "/quad.obj"));
        Run("/usr/bin/convert", "map.ppm PNG24:map.png");
        Run("/usr/bin/convert", "map.png -compress RLE -orient TopLeft head_nm.tga");
        const std::string tga = FileText("head_nm.tga");
        ASSERT_TRUE(tga.size() > 18 && tga[2] == 10 && (tga[17] & 0x20) != 0) << "not run-length, top first";
        ASSERT_TRUE(ExportQuad("glb2", dir + "/model.glb", "*0", FileText("map.png")));
    }
    void Run(const std::string& program, const std::string& args) {
        RunResult r = RunProgram(program, Words(args));
        ASSERT_EQ(r.status, 0) << program << " " << args << ": " << r.err;
    }
    // Makes the plain files of `mesh` and `map` in three steps, draws them with rvfrender in modes
    // 0 and 1 (plain-0.png, plain-1.png), and finds these the viewer's shots MESH-001.png and
    // MESH-002.png, MESH the mesh file's name without its extension.
    void ExpectShotsShowThePlainFiles(const std::string& mesh, const std::string& map) {
        const std::string base = mesh.substr(0, mesh.find('.'));
        Run(RVFTOOL_PATH, "import " + mesh + " plain.rvf");
        Run("/usr/bin/convert", map + " -auto-orient upright.png");
        Run(RVFTOOL_PATH, "map upright.png plain.tga");
        for (const std::string mode : {"0", "1"}) {
            Run(RVFRENDER_PATH, "--mode " + mode + " plain.rvf plain.tga plain-" + mode + ".png");
            EXPECT_TRUE(
                SamePictures(base + "-00" + (mode == "0" ? "1" : "2") + ".png", "plain-" + mode + ".png"));
        }
    }
    // Runs the viewer with `args`, saves its first frame, then after `keys` the next one, and quits.
    // The shots are named after `mesh`, the mesh file's name without its extension.
    Outcome ShowTwice(const std::vector<std::string>& args, const std::string& keys,
                      const std::string& mesh) {
        auto steps = [&](Session& s) {
            EXPECT_TRUE(s.WaitFor(dir + "/" + mesh + "-001.png"));
            s.Keys(keys + " F12");
            EXPECT_TRUE(s.WaitFor(dir + "/" + mesh + "-002.png"));
            s.Keys("q");
        };
        return RunViewer({args, {}, "", "F12", "", steps});
    }
};

TEST_F(Opening, ObjWithRunLengthTargaShowsWhatThePlainFilesShow) {
    Outcome o = ShowTwice({dir + "/head.obj", "head_nm.tga"}, "a", "head");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp + kQuad + dir + "/head-001.png\nNormal map.\n" + dir + "/head-002.png\n");
    ExpectShotsShowThePlainFiles("head.obj", "head_nm.tga");
    Run(RVFRENDER_PATH, "--mode 1 head.obj head_nm.tga direct.png");
    EXPECT_TRUE(SamePictures("direct.png", "plain-1.png"));
}

// The map comes from inside the mesh file, also when F5 reads the file again.
TEST_F(Opening, GlbAloneShowsItsOwnMapAsThePlainFilesShowIt) {
    const std::string glb = dir + "/model.glb";
    Outcome o = ShowTwice({glb}, "a F5", "model");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp + kQuad + dir + "/model-001.png\nNormal map.\nReloaded " + glb + " and " + glb +
                         ".\n" + kQuad + dir + "/model-002.png\n");
    ExpectShotsShowThePlainFiles("model.glb", "map.png");
    Run(RVFRENDER_PATH, "model.glb direct.png");
    EXPECT_TRUE(SamePictures("direct.png", "plain-0.png"));
}

// A normal texture that is not there is told as a map given by name would be; the map chooser
// asks instead.
TEST_F(Opening, GltfWhoseNormalTextureIsMissingAsksForTheMap) {
    ASSERT_TRUE(ExportQuad("gltf2", dir + "/model.gltf", "gone.png"));
    Outcome o = RunViewer({{dir + "/model.gltf"}, {}, "map.png\n", "q"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp + "ERROR: Unable to open file: " + dir + "/gone.png\n" +
                         "The system says: No such file or directory\n" + kAskMap + kQuad);
}
