// The real RVFView program: arguments, choosers on the console, keys sent to its window,
// exit statuses, extension checks, reloading and leaks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kMesh = RVF_SAMPLES_DIR "/torus.rvf";
const std::string kMap = RVF_SAMPLES_DIR "/torus_normals.tga";

const std::string kHelp =
    "RVF Viewer v01.03.01\n"
    " a              - Cycle showing normal map, diffuse bump, or vertex lit, or occlusion term (if "
    "present)\n"
    " b              - Cycle background color\n"
    " c              - Toggle converting light vector to tangent space\n"
    " l              - Load a new object and normal map\n"
    " n              - Toggle display of normals\n"
    " r              - Reset view/light position\n"
    " t              - Toggle display of tangent/binormal\n"
    " w              - Toggle wireframe\n"
    " LEFT + MOUSE   - Rotate \n"
    " MIDDLE + MOUSE - Pan \n"
    " RIGHT + MOUSE  - Zoom\n"
    " ESC or q       - Quit program\n"
    "\n";

struct Invocation {
    std::vector<std::string> args;
    std::vector<std::string> env;   // NAME=value
    std::string input;              // standard input
    std::vector<std::string> keys;  // sent to the window once it shows; none: no window expected
};

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs argv (argv[0] a full path) and returns its standard output; the status through *status.
std::string Command(const std::vector<std::string>& argv, int* status = nullptr) {
    int fds[2];
    if (pipe(fds) != 0) return "";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> v;
        for (const std::string& a : argv) v.push_back(const_cast<char*>(a.c_str()));
        v.push_back(nullptr);
        execv(v[0], v.data());
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int s = 0;
    waitpid(pid, &s, 0);
    if (status != nullptr) *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return out;
}

// Runs RVFView with no zenity on its PATH unless the
// invocation sets one; sends the keys to its window with xdotool.
Outcome RunViewer(const Invocation& run) {
    char dir[] = "/tmp/rvfview_run_XXXXXX";
    Outcome outcome;
    if (mkdtemp(dir) == nullptr) return outcome;
    const std::string base = dir;
    std::ofstream(base + "/in") << run.input;

    pid_t pid = fork();
    if (pid == 0) {
        int in = open((base + "/in").c_str(), O_RDONLY);
        int out = open((base + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open((base + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        setenv("PATH", "/nonexistent", 1);
        for (const std::string& e : run.env) putenv(const_cast<char*>(e.c_str()));
        std::vector<std::string> argv = {RVFVIEW_PATH};
        argv.insert(argv.end(), run.args.begin(), run.args.end());
        std::vector<char*> v;
        for (const std::string& a : argv) v.push_back(const_cast<char*>(a.c_str()));
        v.push_back(nullptr);
        execv(v[0], v.data());
        _exit(127);
    }
    if (!run.keys.empty()) {
        std::string window = Command({"/usr/bin/timeout", "30", "/usr/bin/xdotool", "search", "--sync",
                                      "--onlyvisible", "--name", "^RVF Viewer$"});
        window = window.substr(0, window.find('\n'));
        std::vector<std::string> key = {"/usr/bin/xdotool", "key", "--window", window};
        key.insert(key.end(), run.keys.begin(), run.keys.end());
        if (!window.empty()) Command(key);
    }
    // A viewer that never ends (keys lost) is stopped after a minute and fails its test.
    int s = 0;
    for (int i = 0; i < 600 && waitpid(pid, &s, WNOHANG) == 0; ++i) usleep(100000);
    if (waitpid(pid, &s, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &s, 0);
    }
    outcome.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    outcome.out = Slurp(base + "/out");
    outcome.err = Slurp(base + "/err");
    for (const char* name : {"/in", "/out", "/err"}) unlink((base + name).c_str());
    rmdir(dir);
    return outcome;
}

class RVFView : public testing::Test {
protected:
    void SetUp() override {
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    }
};

TEST_F(RVFView, OpensTheTwoArgumentsAndQuitsWithQ) {
    Outcome o = RunViewer({{kMesh, kMap}, {}, "", {"a", "a", "a", "a", "c", "Q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp +
                         "Normal map.\nVertex lighting.\nAlpha.\nDiffuse lit normal map.\n"
                         "Not converting light into tangent space\n");
}

TEST_F(RVFView, QuitsWithEscape) {
    Outcome o = RunViewer({{kMesh, kMap}, {}, "", {"n", "t", "w", "Escape"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp);
}

TEST_F(RVFView, BadFirstArgumentAsksForAMeshAndStillTriesTheSecond) {
    Outcome o =
        RunViewer({{"/nonexistent/mesh.rvf", kMap}, {}, "/nonexistent/again.rvf\n" + kMesh + "\n", {"q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp +
                         "ERROR: Unable to open file: /nonexistent/mesh.rvf\n"
                         "Select Relievo Data File (.rvf)\n"
                         "ERROR: Unable to open file: /nonexistent/again.rvf\n"
                         "Select Relievo Data File (.rvf)\n");
}

TEST_F(RVFView, OtherArgumentCountsAskForBothFiles) {
    Outcome o = RunViewer({{kMesh}, {}, kMesh + "\n" + kMap + "\n", {"q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp + "Select Relievo Data File (.rvf)\nSelect Normal Map Texture (.tga)\n");
}

TEST_F(RVFView, CancelledChooserEndsWithStatus255) {
    Outcome o = RunViewer({{}, {}, "", {}});
    EXPECT_EQ(o.status, 255);
    EXPECT_EQ(o.out, kHelp + "Select Relievo Data File (.rvf)\nError: Invalid or no file chosen.\n");

    o = RunViewer({{kMesh, "/nonexistent/map.tga"}, {}, "\n", {}});
    EXPECT_EQ(o.status, 255);
    EXPECT_EQ(o.out, kHelp +
                         "ERROR: Unable to open file: /nonexistent/map.tga\n"
                         "Select Normal Map Texture (.tga)\nError: Invalid or no file chosen.\n");
}

TEST_F(RVFView, MissingCombineExtensionEndsWithStatus255) {
    // Mesa hides the dot3 extension with it and may warn on standard output first.
    Outcome o = RunViewer({{kMesh, kMap}, {"MESA_EXTENSION_OVERRIDE=-GL_ARB_texture_env_combine"}, "", {}});
    EXPECT_EQ(o.status, 255);
    const std::string message = "No GL_EXT_texture_env_combine support!\n";
    EXPECT_EQ(o.out.substr(0, kHelp.size()), kHelp);
    ASSERT_GE(o.out.size(), message.size());
    EXPECT_EQ(o.out.substr(o.out.size() - message.size()), message);
    EXPECT_EQ(o.out.find("dot3"), std::string::npos);
}

TEST_F(RVFView, MissingDot3ExtensionEndsWithStatus255) {
    Outcome o = RunViewer(
        {{kMesh, kMap},
         {"LD_PRELOAD=" GL_SHIM_PATH, "RVF_TEST_EXTENSIONS=GL_ARB_texture_env_combine GL_EXT_other"},
         "",
         {}});
    EXPECT_EQ(o.status, 255);
    EXPECT_EQ(o.out, kHelp + "No GL_EXT_texture_env_dot3 support!\n");
}

TEST_F(RVFView, ExtensionsAsLastWordsAreFound) {
    Outcome o = RunViewer({{kMesh, kMap},
                           {"LD_PRELOAD=" GL_SHIM_PATH,
                            "RVF_TEST_EXTENSIONS=GL_A GL_ARB_texture_env_combine GL_ARB_texture_env_dot3"},
                           "",
                           {"q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp);
}

TEST_F(RVFView, ReloadFromTheConsoleKeepsOneTextureObject) {
    Outcome o = RunViewer({{kMesh, kMap},
                           {"LD_PRELOAD=" GL_SHIM_PATH, "RVF_TEST_COUNT_TEXTURES=1"},
                           kMesh + "\n" + kMap + "\n" + kMesh + "\n" + kMap + "\n",
                           {"l", "L", "q"}});
    EXPECT_EQ(o.status, 0);
    const std::string ask = "Select Relievo Data File (.rvf)\nSelect Normal Map Texture (.tga)\n";
    EXPECT_EQ(o.out, kHelp + ask + ask);
    EXPECT_EQ(o.err, "textures alive: 1\n");
}

// Every reload replaces the mesh, light-vector and texel arrays; the old ones must be released.
// GL's own allocations show up as indirect leaks at exit and are not ours.
TEST_F(RVFView, ReloadsLeakNothing) {
#ifdef RVFVIEW_HAS_LEAK_CHECK
    // Built with the sanitizers: any leak ends the viewer with another status.
    const std::vector<std::string> env;
#else
    std::string lsan = LSAN_RUNTIME;
    if (lsan.empty() || lsan[0] != '/') GTEST_SKIP() << "no LeakSanitizer runtime";
    const std::vector<std::string> env = {"LD_PRELOAD=" + lsan, "LSAN_OPTIONS=exitcode=0"};
#endif
    std::string input;
    for (int i = 0; i < 4; ++i) input += kMesh + "\n" + kMap + "\n";
    Outcome o = RunViewer({{kMesh, kMap}, env, input, {"l", "l", "l", "l", "q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err.find("cannot be preloaded"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("Direct leak"), std::string::npos) << o.err;
}

}  // namespace
