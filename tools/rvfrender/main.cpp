// rvfrender: draws one frame of a mesh and its normal map with the viewer's own drawing code in
// an off-screen Mesa context, and writes it as a PNG. No window and no display are needed.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "tools/common/CommandLine.h"
#include "tools/rvfrender/OffscreenFrame.h"
#include "tools/rvfrender/PictureCheck.h"
#include "tools/rvfrender/RenderOptions.h"
#include "viewer/RVFView.h"

namespace {

// Why a viewer's loader failed, from its console lines: the first that says more than its own
// line naming the file, without the words that introduce it.
std::string Reason(const std::vector<std::string>& lines) {
    static const char* const kOnlyNames[] = {"ERROR: Unable to read file: ", "ERROR: Unable to open file: "};
    static const char* const kIntroductions[] = {
        "ERROR: ", "The system says: ", "The importer says: ", "The decoder says: "};
    std::string reason = FirstLine(lines, "unknown reason");
    for (const std::string& line : lines) {
        bool onlyNames = false;
        for (const char* words : kOnlyNames) onlyNames = onlyNames || line.rfind(words, 0) == 0;
        if (!onlyNames) {
            reason = line;
            break;
        }
    }
    for (const char* words : kIntroductions)
        if (reason.rfind(words, 0) == 0) return reason.substr(std::strlen(words));
    return reason;
}

// Runs `load`, a call of the viewer's loaders that reads `what` (the file `path`, or none to
// open first); the loader's console lines become the reason of the one failure message, or
// after a load are left in *lines.
bool Load(const std::string& what, const char* path, const std::function<bool()>& load,
          std::vector<std::string>* lines) {
    // The open is tried first for the system's own words.
    FILE* fp = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (path != nullptr && fp == nullptr) {
        Fail("cannot open %s: %s", what.c_str(), std::strerror(errno));
        return false;
    }
    if (fp != nullptr) std::fclose(fp);
    if (!RunCapturingConsole(load, lines)) {
        Fail("cannot load %s: %s", what.c_str(), Reason(*lines).c_str());
        return false;
    }
    return true;
}

// The loaders' lines after a load (the triangles left out), as warnings about `path`.
void WarnAbout(const char* path, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) Warn("%s: %s", path, line.c_str());
}

// Loads the mesh, welded in the options' basis, and the map the options name, or without a map
// the one the mesh names; false after a message.
bool LoadFiles(const RenderOptions& options) {
    gBasis = options.basis;
    const std::string mesh = std::string("'") + options.mesh + "'";
    std::vector<std::string> lines;
    if (!Load(
            "the mesh " + mesh, options.mesh, [&] { return LoadObjectFile(options.mesh); }, &lines))
        return false;
    // Such a mesh the loader welds in the own basis, with a line that says so.
    if (options.basis == kBasisFile && gFileTangents == nullptr) {
        Fail("%s holds no tangents: --basis file needs a mesh that stores them", mesh.c_str());
        return false;
    }
    WarnAbout(options.mesh, lines);
    if (options.map != nullptr) {
        if (!Load(
                std::string("the map '") + options.map + "'", options.map,
                [&] { return LoadTextureFile(options.map); }, &lines))
            return false;
        WarnAbout(options.map, lines);
        return true;
    }
    if (!MeshNamesMap()) {
        Fail("the mesh %s names no normal map: name one before the picture", mesh.c_str());
        return false;
    }
    if (!Load("the map that " + mesh + " names", nullptr, LoadMeshMap, &lines)) return false;
    WarnAbout(gMeshPath.c_str(), lines);
    return true;
}

// Puts the viewer into the state the options ask for, as start-up and the keys and drags would.
void SetViewerState(const RenderOptions& options) {
    StateInit();
    SetBackground(options.background);
    gGreenDown = options.flipGreen;
    ObjectInit();
    TextureInit();
    MatrixInit();
    Reshape(options.width, options.height);
    gViewMode = options.mode;
    gWireframe = options.wireframe;
    gShowNormals = options.normals;
    gShowTanCoord = options.tangents;
    gInTangentSpace = !options.objectSpace;
    gEngineView = options.engine;
    gEngineShow = options.show;
    if (options.light) std::memcpy(gLightpos, options.lightPosition, sizeof options.lightPosition);
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

// The frame the options ask for as RGB, top row first; array new, the caller's. Null after a
// message.
unsigned char* Render(const RenderOptions& options) {
    if (!LoadFiles(options)) return nullptr;
    if (options.mode == 3 && gTexInfo.format != KIV_BITMAP_FORMAT_8888) {
        Fail("mode 3 (alpha) needs a map with an alpha channel; '%s' has %d bits", gMapPath.c_str(),
             gTexInfo.bitDepth);
        return nullptr;
    }

    OffscreenFrame frame;
    std::string error;
    if (!OffscreenOpen(&frame, options.width, options.height, &error)) {
        Fail("%s", error.c_str());
        return nullptr;
    }
    SetViewerState(options);
    std::vector<std::string> lines;
    if (options.engine && !RunCapturingConsole(EngineViewReady, &lines)) {
        OffscreenClose(&frame);
        // A shader's log comes before the line that says what follows from it.
        for (size_t i = 0; i + 1 < lines.size(); ++i) Warn("%s", lines[i].c_str());
        Fail("%s", lines.empty() ? "the engine view cannot run" : lines.back().c_str());
        return nullptr;
    }
    bool drawn = Draw();
    size_t bytes = static_cast<size_t>(options.width) * static_cast<size_t>(options.height) * 3;
    unsigned char* rgb = drawn ? new (std::nothrow) unsigned char[bytes] : nullptr;
    if (rgb != nullptr) OffscreenReadRgb(frame, rgb);
    OffscreenClose(&frame);
    if (drawn && rgb == nullptr) Fail("not enough memory for the picture");
    return rgb;
}

// Writes the picture into the pending file `out`, named `name` on the command line, and puts it
// in place; false after a message.
bool WritePicture(AtomicOutput* out, const char* name, const RenderOptions& options,
                  const unsigned char* rgb) {
    std::string error;
    if (!EncodePng(out->fp, options.width, options.height, rgb, &error)) {
        AtomicOutputDiscard(out);
        Fail("cannot write '%s': %s", name, error.c_str());
        return false;
    }
    if (!AtomicOutputCommit(out, &error)) {
        Fail("%s", error.c_str());
        return false;
    }
    std::printf("%s: %d x %d\n", name, options.width, options.height);
    return true;
}

// The reference the options name, which must have the picture's size; array new, the caller's.
// Null after a message.
unsigned char* ReadSameSizeReference(const RenderOptions& options) {
    int width = 0, height = 0;
    unsigned char* rgb = nullptr;
    std::string error;
    if (!ReadReference(options.reference.c_str(), &width, &height, &rgb, &error)) {
        Fail("cannot read the reference '%s': %s", options.reference.c_str(), error.c_str());
        return nullptr;
    }
    if (width != options.width || height != options.height) {
        Fail("the reference '%s' is %d x %d, the picture %d x %d", options.reference.c_str(), width, height,
             options.width, options.height);
        delete[] rgb;
        return nullptr;
    }
    return rgb;
}

// Compares the picture with the reference, writes the differences where asked, and prints the
// outcome: on standard output when no pixel differs, else as the failure's message.
int Check(const RenderOptions& options, const unsigned char* rgb, const unsigned char* reference,
          AtomicOutput* diffOut) {
    unsigned char* diff = nullptr;
    if (diffOut != nullptr) {
        diff = new (std::nothrow) unsigned char[static_cast<size_t>(options.width) * options.height * 3];
        if (diff == nullptr) {
            AtomicOutputDiscard(diffOut);
            return Fail("not enough memory for the differences");
        }
    }
    PictureDifference d =
        ComparePictures(rgb, reference, options.width, options.height, options.threshold, diff);
    bool written = diff == nullptr || WritePicture(diffOut, options.diff.c_str(), options, diff);
    delete[] diff;
    if (!written) return kExitFailure;
    char outcome[256];
    std::snprintf(outcome, sizeof outcome, "%zu pixels differ by more than %d (largest difference %d)",
                  d.differing, options.threshold, d.largest);
    if (d.differing != 0) return Fail("%s: %s", options.reference.c_str(), outcome);
    std::printf("%s: %s\n", options.reference.c_str(), outcome);
    return kExitOk;
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
    // The reference is read and the output files are made first, so that a reference that
    // cannot serve or a place a file cannot go is told before the work.
    std::unique_ptr<unsigned char[]> reference;
    if (!options.reference.empty()) {
        reference.reset(ReadSameSizeReference(options));
        if (reference == nullptr) return kExitFailure;
    }
    std::string error;
    AtomicOutput out, diff;
    if (!AtomicOutputOpen(&out, options.out, &error)) return Fail("%s", error.c_str());
    if (!options.diff.empty() && !AtomicOutputOpen(&diff, options.diff.c_str(), &error)) {
        AtomicOutputDiscard(&out);
        return Fail("%s", error.c_str());
    }
    std::unique_ptr<unsigned char[]> rgb(Render(options));
    if (rgb == nullptr || !WritePicture(&out, options.out, options, rgb.get())) {
        if (rgb == nullptr) AtomicOutputDiscard(&out);
        if (!options.diff.empty()) AtomicOutputDiscard(&diff);
        return kExitFailure;
    }
    if (reference == nullptr) return kExitOk;
    return Check(options, rgb.get(), reference.get(), options.diff.empty() ? nullptr : &diff);
}
