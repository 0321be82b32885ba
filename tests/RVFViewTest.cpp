// The real RVFView program: arguments, choosers on the console and in a stand-in dialog, keys
// sent to its window, load summaries, exit statuses, extension checks, reloading and leaks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "GltfFiles.h"
#include "ViewerProgram.h"
#include "tests/rvftool/ToolRun.h"

namespace {

const std::string kShim = "LD_PRELOAD=" GL_SHIM_PATH;

struct Run {
    const char* name;
    Invocation invocation;
    int status;
    std::string printed;  // after the key help
    std::string err;
    std::string zenityArgs = "";
};

void PrintTo(const Run& run, std::ostream* os) { *os << run.name; }

std::vector<Run> Runs() {
    const std::string lost = "ERROR: Unable to open file: /nonexistent/";
    const std::string why = "The system says: No such file or directory\n";
    const std::string none = "Error: Invalid or no file chosen.\n";
    const std::string kept = "Nothing loaded: the mesh and the map on screen stay.\n";
    const std::string failed = "The file dialog failed (zenity ended with status 5); asking here instead.\n";
    const std::string askMesh =
        "--file-selection\n--title=Select Relievo Data File (.rvf)\n"
        "--file-filter=Meshes (*.rvf *.obj *.fbx *.gltf *.glb *.dae *.ply *.3ds *.smd) | *.rvf *.RVF *.obj "
        "*.OBJ *.fbx *.FBX *.gltf *.GLTF *.glb *.GLB *.dae *.DAE *.ply *.PLY *.3ds *.3DS *.smd *.SMD\n"
        "--file-filter=All files | *\n";
    const std::string askMap =
        "--file-selection\n--title=Select Normal Map Texture (.tga)\n"
        "--file-filter=Normal maps (*.tga *.png *.jpg *.jpeg) | *.tga *.TGA *.png *.PNG *.jpg *.JPG *.jpeg "
        "*.JPEG\n--file-filter=All files | *\n";
    // zenity's warnings about the desktop, which only a failed dialog lets through.
    const std::string noise = "echo 'Gtk-WARNING: cannot reach the settings service' >&2\n";
    return {
        {"TwoArgumentsQuitWithQ",
         {{kMesh, kMap}, {}, "", "a a a a c n t w b r Q"},
         0,
         kSummary + "Normal map.\nVertex lighting.\nAlpha.\nDiffuse lit normal map.\n"
                    "Not converting light into tangent space\n",
         ""},
        {"BasisAndGreenFromTheCommandLineAndKeys",
         {{"--basis", "mikktspace", "--flip-green", kMesh, kMap}, {}, "", "s F5 S g q"},
         0,
         kSummary + "Tangent basis: own\nReloaded " + kMesh + " and " + kMap + ".\n" + kSummary +
             "Tangent basis: MikkTSpace\nGreen up (+Y)\n",
         ""},
        // A mesh that stores no tangents is shown in the own basis, and s passes over the file's.
        {"FileBasisWithoutStoredTangents",
         {{"--basis=file", kMesh, kMap}, {}, "", "s s q"},
         0,
         kMesh + " holds no tangents: tangent basis own.\n" + kSummary +
             "Tangent basis: MikkTSpace\nTangent basis: own\n",
         ""},
        {"QuitWithEscape", {{kMesh, kMap}, {}, "", "Escape"}, 0, kSummary, ""},
        {"BadFirstArgumentAsksForAMeshAndStillTriesTheSecond",
         {{"/nonexistent/mesh.rvf", kMap}, {}, "/nonexistent/again.rvf\n" + kMesh + "\n", "q"},
         0,
         lost + "mesh.rvf\n" + why + kAskMesh + lost + "again.rvf\n" + why + kAskMesh + kSummary,
         ""},
        // A mesh alone brings the map its material names; an RVF mesh names none.
        {"OneMeshWithoutItsOwnMapAsksForTheMap", {{kMesh}, {}, kMap + "\n", "q"}, 0, kAskMap + kSummary, ""},
        {"NoMeshChosen", {{}, {}, "", ""}, 255, kAskMesh + none, ""},
        // A load on "l" that gets no file, at either chooser, keeps what is on screen.
        {"LoadCancelledKeepsTheMeshAndMap",
         {{kMesh, kMap}, {}, "\n/nonexistent/x.rvf\n" + kMesh + "\n\n", "l l q"},
         0,
         kSummary + kAskMesh + kept + kAskMesh + lost + "x.rvf\n" + why + kAskMesh + kAskMap + kept,
         ""},
        {"NoMapChosen",
         {{kMesh, "/nonexistent/map.tga"}, {}, "\n", ""},
         255,
         lost + "map.tga\n" + why + kAskMap + none,
         ""},
        {"NoCombineExtension",
         {{kMesh, kMap}, {kShim, "RVF_TEST_EXTENSIONS=GL_ARB_texture_env_dot3"}, "", ""},
         255,
         kSummary + "No GL_EXT_texture_env_combine support!\n",
         ""},
        {"NoDot3Extension",
         {{kMesh, kMap}, {kShim, "RVF_TEST_EXTENSIONS=GL_ARB_texture_env_combine GL_EXT_other"}, "", ""},
         255,
         kSummary + "No GL_EXT_texture_env_dot3 support!\n",
         ""},
        // The engine view needs GLSL; without it, or when its shaders do not build, "a" steps
        // through the shading modes as before.
        {"NoGlslKeepsTheShadingModes",
         {{kMesh, kMap},
          {kShim, "RVF_TEST_EXTENSIONS=GL_ARB_texture_env_combine GL_ARB_texture_env_dot3"},
          "",
          "e a q"},
         0,
         kSummary + "The engine view needs GLSL (OpenGL 2.0), which this GL lacks: the shading modes stay.\n"
                    "Normal map.\n",
         ""},
        {"ShadersThatDoNotBuildPrintTheirLog",
         {{kMesh, kMap}, {kShim, "RVF_TEST_SHADER_LOG=0:1(1): error: no GLSL today"}, "", "e a q"},
         0,
         kSummary +
             "0:1(1): error: no GLSL today\n"
             "The engine view's shaders do not build on this GL: the shading modes stay.\nNormal map.\n",
         ""},
        // Extensions as the last words are found; every reload keeps one texture object.
        {"ReloadKeepsOneTextureObject",
         {{kMesh, kMap},
          {kShim, "RVF_TEST_COUNT_TEXTURES=1",
           "RVF_TEST_EXTENSIONS=GL_A GL_ARB_texture_env_combine GL_ARB_texture_env_dot3"},
          kMesh + "\n" + kMap + "\n" + kMesh + "\n" + kMap + "\n",
          "l L q"},
         0,
         kSummary + kAskMesh + kAskMap + kSummary + kAskMesh + kAskMap + kSummary,
         "textures alive: 1\n"},
        // The dialog answers by its title ($2).
        {"DialogOffersTheKindOfFileAndKeepsQuiet",
         {{},
          {},
          "",
          "q",
          noise + "case \"$2\" in *Relievo*) echo '" + kMesh + "';; *) echo '" + kMap + "';; esac\n"},
         0,
         kSummary,
         "",
         askMesh + askMap},
        {"DialogCancelledKeepsQuiet", {{}, {}, "", "", noise + "exit 1\n"}, 255, none, "", askMesh},
        {"DialogThatFailsIsHeardAndTheConsoleAsks",
         {{}, {}, kMesh + "\n" + kMap + "\n", "q", noise + "echo 'zenity: no dialog today' >&2\nexit 5\n"},
         0,
         failed + kAskMesh + failed + kAskMap + kSummary,
         "Gtk-WARNING: cannot reach the settings service\nzenity: no dialog today\n"
         "Gtk-WARNING: cannot reach the settings service\nzenity: no dialog today\n",
         askMesh + askMap},
    };
}

class RVFView : public testing::TestWithParam<Run> {
protected:
    void SetUp() override {
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    }
};

TEST_P(RVFView, PrintsAndEndsAsExpected) {
    Outcome o = RunViewer(GetParam().invocation);
    EXPECT_EQ(o.status, GetParam().status);
    EXPECT_EQ(o.out, kHelp + GetParam().printed);
    EXPECT_EQ(o.err, GetParam().err);
    EXPECT_EQ(o.zenityArgs, GetParam().zenityArgs);
}

INSTANTIATE_TEST_SUITE_P(Runs, RVFView, testing::ValuesIn(Runs()),
                         [](const testing::TestParamInfo<Run>& run) { return run.param.name; });

// Answers that come before any file, chooser or window: each ends at once, and nothing but the
// answer is printed.
TEST(RVFViewStartUp, AnswersBeforeFilesAndWindow) {
    const struct {
        const char* name;
        std::vector<std::string> args, env;
        int status;
        std::string out, err;
    } runs[] = {
        {"Help", {"--help", kMesh, kMap}, {}, 0, "Usage: RVFView [OPTIONS] [MESH [MAP]]\n", ""},
        {"Version", {kMesh, "--version"}, {}, 0, "RVFView " RVF_VERSION "\n", ""},
        {"UnknownOption",
         {"--bogus", kMesh, kMap},
         {},
         2,
         "",
         "RVFView: unknown option '--bogus' (see 'RVFView --help')\n"},
        {"UnknownBasis",
         {"--basis=bent", kMesh, kMap},
         {},
         2,
         "",
         "RVFView: unknown tangent basis 'bent' (own, mikktspace or file)\n"},
        {"NoDisplay",
         {kMesh, kMap},
         {"DISPLAY="},
         1,
         "RVFView needs a display, and DISPLAY is not set; rvfrender draws pictures without one.\n",
         ""},
        {"DisplayThatDoesNotAnswer",
         {kMesh, kMap},
         {"DISPLAY=:4711"},
         1,
         "RVFView needs a display, and ':4711' cannot be opened; rvfrender draws pictures without one.\n",
         ""},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        Outcome o = RunViewer({run.args, run.env, "", ""});
        EXPECT_EQ(o.status, run.status);
        // The help goes on; every other answer is one line.
        EXPECT_EQ(run.name == std::string("Help") ? o.out.substr(0, run.out.size()) : o.out, run.out);
        EXPECT_EQ(o.err, run.err);
    }
}

// A left drag with Ctrl held moves the light as rvfrender's --light places it: 60 pixels to the
// right turn it 18 degrees about the object's centre, 65 units in front of the eye; the object
// stays. The screenshot goes beside a copy of the sample.
class LightDrag : public ToolTest {};

TEST_F(LightDrag, CtrlDragMovesTheLightWhereRvfrenderPutsIt) {
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    const std::string mesh = dir + "/mesh.rvf", shot = dir + "/mesh-001.png";
    WriteFile(mesh, FileText(kMesh));
    auto steps = [&](Session& s) {
        s.CtrlDrag(200, 200, 260, 200);
        s.Keys("F12");
        EXPECT_TRUE(s.WaitFor(shot));
        s.Keys("q");
    };
    Outcome o = RunViewer({{mesh, kMap}, {}, "", "e", "", steps});
    EXPECT_EQ(o.status, 0) << o.err;
    const double turn = 18 * M_PI / 180;
    const std::string light =
        std::to_string(65 * std::sin(turn)) + ",0," + std::to_string(65 * std::cos(turn) - 65);
    RunResult r = RunProgram(RVFRENDER_PATH, {"--engine", "--light", light, "--reference", shot,
                                              "--threshold", "1", mesh, kMap, "rendered.png"});
    EXPECT_EQ(r.status, 0) << r.err;
}

// The leaks of a LeakSanitizer report (printed with the module of every frame) that were
// allocated by our program: the first frame past the allocator and the C and C++ runtimes lies in
// the viewer's executable. Blocks that the GL driver keeps, whether it is still loaded or already
// unloaded (its frames then have no module), are not ours, on whatever Mesa the system has.
std::vector<std::string> OurLeaks(const std::string& report) {
    static const char* const kRuntimes[] = {"/libc.so", "/libstdc++.so", "/libgcc_s.so", "/libm.so",
                                            "/liblsan.so"};
    std::vector<std::string> ours;
    std::istringstream lines(report);
    std::string line, leak;
    int frame = -1;  // frames of the current leak seen so far; -1: not in a leak's frames
    while (std::getline(lines, line)) {
        if (line.find(" leak of ") != std::string::npos) {
            leak = line;
            frame = 0;
            continue;
        }
        size_t open = line.find(" [");
        if (frame < 0 || line.find("    #") != 0 || open == std::string::npos) {
            frame = -1;
            continue;
        }
        // Frame 0 is the allocator's entry point, in the runtime or linked into the program.
        if (frame++ == 0) continue;
        std::string module = line.substr(open + 2, line.find(']', open) - open - 2);
        bool runtime = false;
        for (const char* name : kRuntimes) runtime = runtime || module.find(name) != std::string::npos;
        if (runtime) continue;
        if (module == RVFVIEW_PATH) ours.push_back(leak + " at" + line.substr(open + 2 + module.size() + 1));
        frame = -1;
    }
    return ours;
}

// Every reload replaces the mesh, light-vector and texel arrays; the old ones must be released.
// The texel pointer sits unaligned in the byte-packed map descriptor, where LeakSanitizer looks
// only when told to. The libraries stay loaded so that the driver's blocks keep their module.
TEST(RVFViewLeaks, ReloadsLeakNothing) {
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    const std::string options =
        "LSAN_OPTIONS=exitcode=0:use_unaligned=1:stack_trace_format=\"    #%n %p [%m] %f\"";
#ifdef RVFVIEW_HAS_LEAK_CHECK
    // Built with the sanitizers, which keep the libraries loaded themselves.
    const std::vector<std::string> env = {options};
#else
    const std::string lsan = LSAN_RUNTIME;
    if (lsan.empty() || lsan[0] != '/') GTEST_SKIP() << "no LeakSanitizer";
    const std::vector<std::string> env = {"LD_PRELOAD=" + lsan + " " KEEP_LOADED_PATH, options};
#endif
    // It starts on a GLB with stored tangents and its map inside, which the first load keeps: that
    // load is cancelled at the map, after a new mesh was read. Between the loads the mesh is welded
    // again in the other basis and the map uploaded green down; F5 reads the last again.
    const PeerDir dir;
    ASSERT_TRUE(dir.made && RunConvert("-size 2x2 xc:blue PNG24:" + dir.File("n.png")));
    ASSERT_TRUE(WriteFile(dir.File("t.glb"), Glb(FileBytes(dir.File("n.png")))));
    std::string input = kMesh + "\n\n";
    for (int i = 0; i < 3; ++i) input += kMesh + "\n" + kMap + "\n";
    Outcome o = RunViewer({{dir.File("t.glb")}, env, input, "l s l g l s l F5 q"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err.find("cannot be preloaded"), std::string::npos) << o.err;
    for (const std::string& leak : OurLeaks(o.err)) ADD_FAILURE() << leak;
}

}  // namespace
