// The mesh drawn from buffer objects, only its covering triangles sent, against the literal draw
// from the double-precision client arrays: the same pixels in every state, one set of buffers
// and one texture through reloads, and the client arrays when GL cannot hold the mesh.
#define GL_GLEXT_PROTOTYPES 1

#include <dlfcn.h>

#include <algorithm>
#include <string>

#include "bench/TorusGrid.h"
#include "tests/LiteralFrame.h"
#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

// What GL is made to say: every buffer asks for more storage than it can give, or the context
// has no buffer objects.
bool gRefuseBufferStorage = false;
const char* gVersion = nullptr;

}  // namespace

// The viewer's calls reach these first; they hand everything else to GL.
extern "C" void glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
    static auto real =
        reinterpret_cast<void (*)(GLenum, GLsizeiptr, const void*, GLenum)>(dlsym(RTLD_NEXT, "glBufferData"));
    real(target, gRefuseBufferStorage ? GLsizeiptr(1) << 40 : size, data, usage);
}

extern "C" const GLubyte* glGetString(GLenum name) {
    static auto real = reinterpret_cast<const GLubyte* (*)(GLenum)>(dlsym(RTLD_NEXT, "glGetString"));
    if (name == GL_VERSION && gVersion != nullptr) return reinterpret_cast<const GLubyte*>(gVersion);
    return real(name);
}

namespace {

class MeshBuffers : public ViewerWindow {
protected:
    void TearDown() override {
        gEngineView = false;
        gRefuseBufferStorage = false;
        gVersion = nullptr;
    }

    static void LoadSample() {
        ASSERT_TRUE(LoadObjectFile(RVF_SAMPLES_DIR "/torus.rvf"));
        ASSERT_TRUE(LoadTextureFile(RVF_SAMPLES_DIR "/torus_normals.tga"));
        ObjectInit();
        TextureInit();
    }

    // A torus of some 200000 triangles, most of them smaller than a pixel, 50 units across.
    static void LoadDenseTorus() {
        int around, across;
        TorusGridSize(200000, &around, &across);
        const std::vector<RvRawTriangle> tris = MakeTorusGrid(around, across, false);
        delete[] gTriangles;
        gTriangles = new RvRawTriangle[tris.size()];
        std::copy(tris.begin(), tris.end(), gTriangles);
        gNumTris = int(tris.size());
        ASSERT_TRUE(WeldInBasis(kBasisOwn));
        ObjectInit();
    }

    // The frame of the current state drawn by `draw`, read back before the swap.
    static std::vector<unsigned char> Frame(void (*draw)(bool)) {
        GLfloat worldLightPos[3];
        FrameLightVectors(worldLightPos);
        FrameView();
        FrameObject(worldLightPos, draw);
        FrameOverlays();
        glFinish();
        std::vector<unsigned char> rgb(512 * 512 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 512, 512, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }

    // The new frame is the literal one, and something other than the background shows in it.
    static void ExpectLiteralPixels() {
        const std::vector<unsigned char> literal = Frame(LiteralDrawObject);
        const std::vector<unsigned char> drawn = Frame(DrawObject);
        int shown = 0, differing = 0;
        for (size_t i = 0; i < drawn.size(); ++i) {
            shown += drawn[i] != 0;
            differing += drawn[i] != literal[i];
        }
        EXPECT_EQ(differing, 0) << "colour components differ";
        EXPECT_GT(shown, 1000) << "the object shows";
    }

    static int Live(GLboolean (*is)(GLuint)) {
        int live = 0;
        for (GLuint name = 1; name < 4096; ++name) live += is(name) ? 1 : 0;
        return live;
    }
};

struct State {
    const char* name;
    int mode;
    bool objectSpace, wireframe, overlays;
    GLfloat turnX, panX, zoom;
    bool engine = false;
};

TEST_F(MeshBuffers, DrawTheLiteralPixelsInEveryState) {
    const State states[] = {
        {"dot3", 0, false, false, false, -40, 0, 0},
        {"dot3, light in object space", 0, true, false, false, -40, 0, 0},
        {"map colours", 1, false, false, false, -40, 0, 0},
        {"vertex lighting", 2, false, false, false, -40, 0, 0},
        {"alpha", 3, false, false, false, -40, 0, 0},
        {"wire-frame", 0, false, true, false, -40, 0, 0},
        {"normals and tangents", 0, false, false, true, -40, 0, 0},
        {"half off the window", 0, false, false, false, -40, 30, 0},
        {"through the near plane", 0, false, false, false, -80, 0, 60},
        {"engine view under normals and tangents", 0, false, false, true, -40, 0, 0, true},
    };
    for (bool dense : {false, true}) {
        LoadSample();
        if (dense) LoadDenseTorus();
        for (const State& s : states) {
            SCOPED_TRACE(std::string(dense ? "dense torus, " : "sample, ") + s.name);
            MatrixInit();
            DragRotate(s.turnX, 15);
            DragPan(s.panX, 0);
            DragZoom(s.zoom);
            gViewMode = s.mode;
            gInTangentSpace = !s.objectSpace;
            gWireframe = s.wireframe;
            gShowNormals = gShowTanCoord = s.overlays;
            gEngineView = s.engine;
            ExpectLiteralPixels();
        }
    }
}

// The engine view keeps one more buffer, of frames, filled again in place for each mesh.
TEST_F(MeshBuffers, ReloadsKeepOneSetOfBuffersAndOneTexture) {
    gEngineView = true;
    LoadSample();
    Display();
    SetSquare();
    SetMap();
    ExpectLiteralPixels();
    LoadSample();
    ExpectLiteralPixels();
    EXPECT_EQ(Live(glIsBuffer), 5);
    EXPECT_EQ(Live(glIsTexture), 1);
}

TEST_F(MeshBuffers, WithoutRoomOrBufferObjectsTheClientArraysDraw) {
    const struct {
        const char* what;
        bool refuse;
        const char* version;
        std::string printed;  // by the frame after
    } cases[] = {
        {"no room", true, nullptr, "GL_OUT_OF_MEMORY: Display\n"},
        {"GL 1.4", false, "1.4 Mesa", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        gRefuseBufferStorage = c.refuse;
        gVersion = c.version;
        LoadSample();
        ExpectLiteralPixels();
        EXPECT_EQ(Live(glIsBuffer), 0);
        CaptureStdout();
        Display();
        EXPECT_EQ(CapturedStdout(), c.printed);
    }
}

}  // namespace
