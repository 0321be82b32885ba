// The mesh drawn from buffer objects, only its covering triangles sent, against the literal draw
// from the double-precision client arrays.
#define GL_GLEXT_PROTOTYPES 1

#include <dlfcn.h>

#include <algorithm>
#include <string>

#include "bench/TorusGrid.h"
#include "tests/LiteralFrame.h"
#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

// Set, the viewer's buffers ask for more storage than GL can give.
static bool gRefuseBufferStorage = false;

extern "C" void glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
    static auto real = reinterpret_cast<decltype(&glBufferData)>(dlsym(RTLD_NEXT, "glBufferData"));
    real(target, gRefuseBufferStorage ? GLsizeiptr(1) << 40 : size, data, usage);
}

namespace {

class MeshBuffers : public ViewerWindow {
protected:
    void TearDown() override { gRefuseBufferStorage = false; }
};

void LoadSample() {
    ASSERT_TRUE(LoadObjectFile(RVF_SAMPLES_DIR "/torus.rvf"));
    ASSERT_TRUE(LoadTextureFile(RVF_SAMPLES_DIR "/torus_normals.tga"));
    ObjectInit();
    TextureInit();
}

// The frame of the current state drawn by `draw`, read back before the swap.
std::vector<unsigned char> Frame(void (*draw)(bool)) {
    GLfloat worldLightPos[3];
    FrameLightVectors(worldLightPos);
    FrameView();
    FrameObject(worldLightPos, draw);
    FrameOverlays();
    std::vector<unsigned char> rgb(512 * 512 * 3);
    glReadPixels(0, 0, 512, 512, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// The new frame is the literal one, and something other than the background shows in it.
void ExpectLiteralPixels() {
    const std::vector<unsigned char> literal = Frame(LiteralDrawObject), drawn = Frame(DrawObject);
    EXPECT_TRUE(drawn == literal) << "the pixels differ";
    EXPECT_GT(std::count_if(drawn.begin(), drawn.end(), [](unsigned char c) { return c != 0; }), 1000)
        << "the object shows";
}

int Live(GLboolean (*is)(GLuint)) {
    int live = 0;
    for (GLuint name = 1; name < 4096; ++name) live += is(name) ? 1 : 0;
    return live;
}

// From a view turned by a drag, with a change made to it; loaded again, then replaced.
TEST_F(MeshBuffers, DrawTheLiteralPixelsInEveryStateThroughReloads) {
    const struct {
        const char* name;
        void (*change)();
    } states[] = {
        {"dot3", [] {}},
        {"map colours", [] { gViewMode = 1; }},
        {"vertex lighting", [] { gViewMode = 2; }},
        {"alpha", [] { gViewMode = 3; }},
        {"wire-frame", [] { gWireframe = true; }},
        {"normals and tangents", [] { gShowNormals = gShowTanCoord = true; }},
        {"half off the window", [] { DragPan(30, 0); }},
        {"through the near plane", [] { DragZoom(60); }},
        {"engine view under normals and tangents", [] { gEngineView = gShowNormals = gShowTanCoord = true; }},
    };
    int around, across;
    TorusGridSize(200000, &around, &across);
    for (bool dense : {false, true}) {
        LoadSample();
        // Most of the dense torus's triangles are smaller than a pixel.
        if (dense) SetTriangles(MakeTorusGrid(around, across, false));
        for (const auto& s : states) {
            SCOPED_TRACE(std::string(dense ? "dense torus, " : "sample, ") + s.name);
            MatrixInit();
            DragRotate(-40, 15);
            gViewMode = 0;
            gWireframe = gShowNormals = gShowTanCoord = gEngineView = false;
            s.change();
            ExpectLiteralPixels();
        }
    }
    // The engine view's buffer of frames among them, each filled again in place for each mesh.
    EXPECT_EQ(Live(glIsBuffer), 5) << "one set of buffers through the reloads";
}

// The frame after reports GL's refusal, once.
TEST_F(MeshBuffers, WithoutRoomTheClientArraysDraw) {
    gRefuseBufferStorage = true;
    LoadSample();
    ExpectLiteralPixels();
    EXPECT_EQ(Live(glIsBuffer), 0);
    CaptureStdout();
    Display();
    EXPECT_EQ(CapturedStdout(), "GL_OUT_OF_MEMORY: Display\n");
}

}  // namespace
