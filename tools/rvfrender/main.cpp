// rvfrender: draws one frame of a mesh and its normal map with the viewer's own drawing code in
// an off-screen Mesa context, and writes it as a PNG. No window and no display are needed.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "tools/common/CommandLine.h"
#include "tools/rvfrender/OffscreenFrame.h"
#include "tools/rvfrender/RenderOptions.h"
#include "viewer/RVFView.h"

namespace {

// Loads `path` with the viewer's loader `load`; the loader's console lines become the reason
// of the one failure message, or warnings after a load (the triangles left out).
bool Load(const char* what, const char* path, bool (*load)(const char*)) {
    // The open is tried first for the system's reason, which the loaders do not give.
    FILE* fp = std::fopen(path, "rb");
    if (fp == nullptr) {
        Fail("cannot open the %s '%s': %s", what, path, std::strerror(errno));
        return false;
    }
    std::fclose(fp);
    std::vector<std::string> lines;
    if (!RunCapturingConsole([&] { return load(path); }, &lines)) {
        // The viewer's loaders put "ERROR: " before their own lines.
        Fail("cannot load the %s '%s': %s", what, path,
             FirstLine(lines, "unknown reason", "ERROR: ").c_str());
        return false;
    }
    for (const std::string& line : lines) Warn("%s: %s", path, line.c_str());
    return true;
}

// Puts the viewer into the state the options ask for, as start-up and the keys and drags would.
void SetViewerState(const RenderOptions& options) {
    StateInit();
    SetBackground(options.background);
    ObjectInit();
    TextureInit();
    MatrixInit();
    Reshape(options.width, options.height);
    gViewMode = options.mode;
    gWireframe = options.wireframe;
    gShowNormals = options.normals;
    gShowTanCoord = options.tangents;
    gInTangentSpace = !options.objectSpace;
    // One pointer move with every button held, in the viewer's order.
    if (options.rotate[0] != 0.0f || options.rotate[1] != 0.0f)
        DragRotate(options.rotate[0], options.rotate[1]);
    if (options.pan[0] != 0.0f || options.pan[1] != 0.0f) DragPan(options.pan[0], options.pan[1]);
    if (options.zoom != 0.0f) DragZoom(options.zoom);
}

// Draws the frame; false after a message when GL reported an error on the way.
bool Draw() {
    std::vector<std::string> lines;
    RunCapturingConsole(
        [] {
            DrawFrame();
            PrintError(nullptr);  // an error of this frame, which the next frame would report
            return true;
        },
        &lines);
    if (!lines.empty()) {
        Fail("GL reported an error while drawing: %s", lines.front().c_str());
        return false;
    }
    return true;
}

// Draws the frame the options ask for into the pending picture file `out`; false after a message.
bool RenderInto(const RenderOptions& options, FILE* out) {
    if (!Load("mesh", options.mesh, LoadObjectFile) || !Load("map", options.map, LoadTextureFile))
        return false;
    if (options.mode == 3 && gTexInfo.format != KIV_BITMAP_FORMAT_8888) {
        Fail("mode 3 (alpha) needs a map with an alpha channel; '%s' has %d bits", options.map,
             gTexInfo.bitDepth);
        return false;
    }

    OffscreenFrame frame;
    std::string error;
    if (!OffscreenOpen(&frame, options.width, options.height, &error)) {
        Fail("%s", error.c_str());
        return false;
    }
    SetViewerState(options);
    bool drawn = Draw();
    size_t bytes = static_cast<size_t>(options.width) * static_cast<size_t>(options.height) * 3;
    unsigned char* rgb = drawn ? new (std::nothrow) unsigned char[bytes] : nullptr;
    if (rgb != nullptr) OffscreenReadRgb(frame, rgb);
    OffscreenClose(&frame);
    if (!drawn) return false;
    if (rgb == nullptr) {
        Fail("not enough memory for the picture");
        return false;
    }
    bool encoded = EncodePng(out, options.width, options.height, rgb, &error);
    delete[] rgb;
    if (!encoded) Fail("cannot write '%s': %s", options.out, error.c_str());
    return encoded;
}

}  // namespace

int main(int argc, char** argv) {
    SetProgramName("rvfrender");
    RenderOptions options;
    int status = kExitOk;
    if (!ParseRenderOptions(argc, argv, &options, &status)) return status;
    if (options.help) {
        std::fputs(kRenderUsage, stdout);
        return kExitOk;
    }
    if (options.version) return PrintVersion();
    AtomicOutputInstallCleanup();
    // The picture's file is made first, so that a place it cannot go is told before the work.
    std::string error;
    AtomicOutput out;
    if (!AtomicOutputOpen(&out, options.out, &error)) return Fail("%s", error.c_str());
    if (!RenderInto(options, out.fp)) {
        AtomicOutputDiscard(&out);
        return kExitFailure;
    }
    if (!AtomicOutputCommit(&out, &error)) return Fail("%s", error.c_str());
    std::printf("%s: %d x %d\n", options.out, options.width, options.height);
    return kExitOk;
}
