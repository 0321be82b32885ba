// The real RVFView program: arguments, choosers on the console and in a stand-in dialog, keys
// sent to its window, load summaries, exit statuses, extension checks, reloading and leaks.
#include <cmath>
#include <regex>

#include "GltfFiles.h"
#include "ViewerProgram.h"

namespace {

const std::string kShim = "LD_PRELOAD=" GL_SHIM_PATH;

struct Run {
    const char* name;
    Invocation invocation;
    int status;
    std::string out, err, zenityArgs;
};

void PrintTo(const Run& run, std::ostream* os) { *os << run.name; }

// A run past the start-up answers: `printed` follows the key help.
Run Row(const char* name, std::vector<std::string> args, std::string input, std::string keys, int status,
        std::string printed, std::vector<std::string> env = {}, std::string err = "", std::string zenity = "",
        std::string zenityArgs = "") {
    return {name, {args, env, input, keys, zenity}, status, kHelp + printed, err, zenityArgs};
}

// An answer before any file, chooser or window, the program ending at once (a file that is not
// there would be heard of).
Run Answer(const char* name, std::string args, std::string env, int status, std::string out,
           std::string err) {
    return {name, {Words(args), Words(env), "", ""}, status, out, err, ""};
}

std::vector<Run> Runs() {
    const std::string lost =
        "ERROR: Unable to open file: /nonexistent/x.rvf\nThe system says: No such file or directory\n";
    const std::string kept = "Nothing loaded: the mesh and the map on screen stay.\n";
    const std::string heard = "Gtk-WARNING: cannot reach the settings service\nzenity: no dialog today\n";
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
    auto longMap = [](size_t length) {
        return RVF_SAMPLES_DIR + std::string(length + 1 - kMap.size(), '/') + "torus_normals.tga";
    };
    return {
        Answer("UnknownOption", "--bogus m.rvf", "", 2, "",
               "RVFView: unknown option '--bogus' (see 'RVFView --help')\n"),
        Answer("NoDisplay", "m.rvf", "DISPLAY=", 1,
               "RVFView needs a display, and DISPLAY is not set; rvfrender draws pictures without one.\n",
               ""),
        // A mesh that stores no tangents is shown in the own basis, s passes over the file's, F5
        // keeps the basis, and Escape quits.
        Row("KeysPrintTheirWords", {"--basis", "file", "--flip-green", kMesh, kMap}, "",
            "a a a a c C e a E a n t w b r s F5 S g Escape", 0,
            kMesh + " holds no tangents: tangent basis own.\n" + kSummary +
                "Normal map.\nVertex lighting.\nAlpha.\nDiffuse lit normal map.\n"
                "Not converting light into tangent space\nConverting light into tangent space\n"
                "Engine view: lit (Lambert).\nEngine view: lit, with a Blinn highlight.\nEngine view off.\n"
                "Normal map.\nTangent basis: MikkTSpace\nReloaded " +
                kMesh + " and " + kMap + ".\n" + kSummary + "Tangent basis: own\nGreen up (+Y)\n"),
        // A load on "l" that gets no file, at either chooser, keeps what is on screen; one that
        // does keeps one texture object. Extensions as the last words are found.
        Row("LoadOnL", {kMesh, kMap}, "\n/nonexistent/x.rvf\n" + kMesh + "\n\n" + kMesh + "\n" + kMap + "\n",
            "l l l q", 0,
            kSummary + kAskMesh + kept + kAskMesh + lost + kAskMesh + kAskMap + kept + kAskMesh + kAskMap +
                kSummary,
            {kShim, "RVF_TEST_COUNT_TEXTURES=1",
             "RVF_TEST_EXTENSIONS=GL_A GL_ARB_texture_env_combine GL_ARB_texture_env_dot3"},
            "textures alive: 1\n"),
        // A mesh alone brings the map its material names; an RVF mesh names none. Paths as long as
        // the chooser's buffer holds, but not longer: the map with slashes doubled.
        Row("PathTooLongIsRefusedAndAskedAgain", {kMesh}, longMap(1024) + "\n" + longMap(1023) + "\r\n", "q",
            0,
            kAskMap + "Error: The chosen path is 1024 characters long; at most 1023 can be used.\n" +
                kAskMap + kSummary),
        Row("NoCombineExtension", {kMesh, kMap}, "", "", 255,
            kSummary + "No GL_EXT_texture_env_combine support!\n",
            {kShim, "RVF_TEST_EXTENSIONS=GL_ARB_texture_env_dot3"}),
        Row("NoDot3Extension", {kMesh, kMap}, "", "", 255, kSummary + "No GL_EXT_texture_env_dot3 support!\n",
            {kShim, "RVF_TEST_EXTENSIONS=GL_ARB_texture_env_combine GL_EXT_other"}),
        // The engine view needs GLSL; without it "a" steps through the shading modes as before.
        Row("NoGlslKeepsTheShadingModes", {kMesh, kMap}, "", "e a q", 0,
            kSummary +
                "The engine view needs GLSL (OpenGL 2.0), which this GL lacks: the shading modes stay.\n"
                "Normal map.\n",
            {kShim, "RVF_TEST_EXTENSIONS=GL_ARB_texture_env_combine GL_ARB_texture_env_dot3"}),
        // The dialog answers by its title ($2), the mesh with a copy at a path a shell would change.
        Row("DialogOffersTheKindOfFileAndKeepsQuiet", {}, "", "q", 0, kSummary, {}, "",
            "case \"$2\" in *Relievo*) f=\"${0%/*}/odd \\$(name).rvf\"; cp '" + kMesh +
                "' \"$f\"; echo \"$f\";; *) echo '" + kMap + "';; esac\n",
            askMesh + askMap),
        Row("DialogCancelledKeepsQuiet", {}, "", "", 255, "Error: Invalid or no file chosen.\n", {}, "",
            "exit 1\n", askMesh),
        Row("DialogThatFailsIsHeardAndTheConsoleAsks", {}, kMesh + "\n" + kMap + "\n", "q", 0,
            failed + kAskMesh + failed + kAskMap + kSummary, {}, heard + heard,
            "echo 'zenity: no dialog today' >&2\nexit 5\n", askMesh + askMap),
    };
}

class RVFView : public testing::TestWithParam<Run> {};

TEST_P(RVFView, PrintsAndEndsAsExpected) {
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    Outcome o = RunViewer(GetParam().invocation);
    EXPECT_EQ(o.status, GetParam().status);
    EXPECT_EQ(o.out, GetParam().out);
    EXPECT_EQ(o.err, GetParam().err);
    EXPECT_EQ(o.zenityArgs, GetParam().zenityArgs);
}

INSTANTIATE_TEST_SUITE_P(Runs, RVFView, testing::ValuesIn(Runs()),
                         [](const testing::TestParamInfo<Run>& run) { return run.param.name; });

// A left drag with Ctrl held moves the light as rvfrender's --light places it: 60 pixels to the
// right turn it 18 degrees about the object's centre, 65 units in front of the eye; the object
// stays. The screenshot goes beside a copy of the sample.
TEST(LightDrag, CtrlDragMovesTheLightWhereRvfrenderPutsIt) {
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    const PeerDir dir;
    const std::string mesh = dir.File("mesh.rvf"), shot = dir.File("mesh-001.png");
    WriteFile(mesh, FileText(kMesh));
    auto steps = [&](Session& s) {
        const std::string to = " mousemove --window " + s.window + " ";
        s.Xdo(to + "200 200 keydown ctrl mousedown 1" + to + "260 200 mouseup 1 keyup ctrl");
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
                                              "--threshold", "1", mesh, kMap, dir.File("r.png")});
    EXPECT_EQ(r.status, 0) << r.err;
}

// The leaks of a LeakSanitizer report (frames printed with their module) that our program made:
// its first frame past frame 0 (the allocator) and the C and C++ runtimes is in the viewer. Blocks
// the GL driver keeps, loaded or already unloaded (frames then without a module), are not ours.
std::vector<std::string> OurLeaks(const std::string& report) {
    const std::regex frameLine(R"(    #(\d+) \S+ \[([^\]]*)\](.*))"),
        runtime(R"(/lib(c|stdc\+\+|gcc_s|m|lsan)\.so)");
    std::vector<std::string> ours;
    std::istringstream lines(report);
    std::string line, leak;
    bool open = false;  // among a leak's frames, before the first that is not the runtime's
    for (std::smatch m; std::getline(lines, line);) {
        if (line.find(" leak of ") != std::string::npos) {
            leak = line;
            open = true;
        } else if (!open || !std::regex_match(line, m, frameLine)) {
            open = false;
        } else if (m[1] != "0" && !std::regex_search(m[2].str(), runtime)) {
            if (m[2] == RVFVIEW_PATH) ours.push_back(leak + " at" + m[3].str());
            open = false;
        }
    }
    return ours;
}

// Every reload replaces the mesh, light-vector and texel arrays; the old ones must be released.
// The texel pointer sits unaligned in the byte-packed map descriptor, where LeakSanitizer looks
// only when told to. The libraries stay loaded so that the driver's blocks keep their module. The
// check logs the threads it scans, so a run where it never looked does not pass as clean.
TEST(RVFViewLeaks, ReloadsLeakNothing) {
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    const std::string options =
        "LSAN_OPTIONS=exitcode=0:use_unaligned=1:log_threads=1:stack_trace_format=\"    #%n %p [%m] %f\"";
#ifdef RVFVIEW_HAS_LEAK_CHECK
    // Built with the sanitizers, which keep the libraries loaded themselves.
    const std::vector<std::string> env = {options};
#else
    const std::string lsan = LSAN_RUNTIME;
    if (lsan.empty() || lsan[0] != '/') GTEST_SKIP() << "no LeakSanitizer";
    const std::vector<std::string> env = {"LD_PRELOAD=" + lsan + " " KEEP_LOADED_PATH, options};
#endif
    // It starts on a GLB with stored tangents and its map inside, which the first load keeps: that
    // load is cancelled at the map, after a new mesh was read. The next is first given a map of a
    // depth the viewer refuses after reading it. Between the loads the mesh is welded again in the
    // other basis and the map uploaded green down; F5 reads the last again.
    const PeerDir dir;
    ASSERT_TRUE(dir.made && RunConvert("-size 2x2 xc:blue PNG24:" + dir.File("n.png")));
    ASSERT_TRUE(WriteFile(dir.File("t.glb"), Glb(FileBytes(dir.File("n.png")))));
    ASSERT_TRUE(WriteFile(dir.File("grey.tga"), TargaBytes(2, 2, 8, Bytes(4, 7))));
    std::string input = kMesh + "\n\n" + kMesh + "\n" + dir.File("grey.tga") + "\n" + kMap + "\n";
    for (int i = 0; i < 2; ++i) input += kMesh + "\n" + kMap + "\n";
    Outcome o = RunViewer({{dir.File("t.glb")}, env, input, "l s l g l s l F5 q"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err.find("cannot be preloaded"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("Processing thread"), std::string::npos) << "the leak check did not run\n" << o.err;
    for (const std::string& leak : OurLeaks(o.err)) ADD_FAILURE() << leak;
}

}  // namespace
