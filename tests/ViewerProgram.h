// Runs the real RVFView program for the tests: its arguments, environment, standard input and
// file dialog (a stand-in zenity), keys sent with xdotool to its window once it shows, steps of
// a test's own between keys, and what it printed and how it ended.
// The including target defines RVF_SAMPLES_DIR and RVFVIEW_PATH.
#ifndef TESTS_VIEWERPROGRAM_H
#define TESTS_VIEWERPROGRAM_H

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

inline const std::string kMesh = RVF_SAMPLES_DIR "/torus.rvf";
inline const std::string kMap = RVF_SAMPLES_DIR "/torus_normals.tga";
inline const std::string kAskMesh = "Select Relievo Data File (.rvf)\n";
inline const std::string kAskMap = "Select Normal Map Texture (.tga)\n";
// What loading the sample prints: its torus grid of 64 x 32 cells, two triangles each, welds
// into 65 x 33 vertices, since the texture coordinates do not wrap where the grid does.
inline const std::string kSummary = "Mesh: 4096 triangles, 2145 welded vertices. Map: 256 x 256, 32 bits.\n";

// What the program prints first, whatever follows.
inline const std::string kHelp =
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
    "\n"
    " g              - Flip the normal map's green channel: up (+Y) or down (-Y)\n"
    " s              - Cycle the tangent basis: own, MikkTSpace, file\n"
    " e              - Toggle the engine view: per-pixel shading (a: what it shows)\n"
    " CTRL + LEFT    - Move the light around the object (r puts it back at the eye)\n"
    " F5             - Reload the mesh and normal map from their files\n"
    " F12            - Save the window as a PNG beside the mesh\n"
    "\n";

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The viewer while it runs: its window, and what it has printed so far.
class Session {
public:
    explicit Session(std::string outPath) : out_(std::move(outPath)) {}

    // Waits up to half a minute for the window to show; false when it does not.
    bool FindWindow() {
        FILE* p =
            popen("timeout 30 xdotool search --sync --onlyvisible --name '^RVF Viewer$' 2>/dev/null", "r");
        if (p == nullptr) return false;
        char id[32] = "";
        if (std::fgets(id, sizeof id, p) == nullptr) id[0] = '\0';
        pclose(p);
        window_ = std::string(id, std::strspn(id, "0123456789"));
        return !window_.empty();
    }
    // Sends xdotool key names to the window; a lost key shows as a wrong outcome.
    void Keys(const std::string& keys) {
        if (window_.empty()) return;
        if (system(("xdotool key --window " + window_ + " " + keys + " >/dev/null 2>&1").c_str()) == -1)
            ADD_FAILURE() << "no shell for xdotool";
    }
    // Drags the pointer with the left button from (x0, y0) to (x1, y1) of the window in one move,
    // Ctrl held from before the press to after the release.
    void CtrlDrag(int x0, int y0, int x1, int y1) {
        if (window_.empty()) return;
        const std::string to = " mousemove --window " + window_ + " ";
        const std::string command = "xdotool" + to + std::to_string(x0) + " " + std::to_string(y0) +
                                    " keydown ctrl mousedown 1" + to + std::to_string(x1) + " " +
                                    std::to_string(y1) + " mouseup 1 keyup ctrl >/dev/null 2>&1";
        if (system(command.c_str()) == -1) ADD_FAILURE() << "no shell for xdotool";
    }
    // True once standard output holds `text` at least `count` times; waits up to a minute.
    bool WaitFor(const std::string& text, int count = 1) {
        for (int i = 0; i < 1200; ++i, usleep(50000)) {
            std::string out = Slurp(out_);
            int seen = 0;
            for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + text.size()))
                ++seen;
            if (seen >= count) return true;
        }
        return false;
    }

private:
    std::string out_, window_;
};

struct Invocation {
    std::vector<std::string> args;
    std::vector<std::string> env;  // NAME=value
    std::string input;             // standard input
    std::string keys;              // xdotool key names sent once the window shows; none: no window
    std::string zenity = "";       // the body of a stand-in zenity script first on the PATH; none: no zenity
    std::function<void(Session&)> steps = nullptr;  // run after `keys`, once the window shows
};

struct Outcome {
    int status = -1;
    std::string out, err;
    std::string zenityArgs;  // the stand-in's arguments, one a line, call after call
};

// Runs RVFView with the stand-in zenity or none on its PATH; a viewer that never ends is killed
// after a minute.
inline Outcome RunViewer(const Invocation& run) {
    Outcome outcome;
    char dir[] = "/tmp/rvfview_run_XXXXXX";
    if (mkdtemp(dir) == nullptr) return outcome;
    const std::string in = std::string(dir) + "/in", out = std::string(dir) + "/out",
                      err = std::string(dir) + "/err";
    const std::string zenity = std::string(dir) + "/zenity", args = std::string(dir) + "/args";
    std::ofstream(in) << run.input;
    if (!run.zenity.empty()) {
        std::ofstream(zenity) << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " << args << "\n" << run.zenity;
        chmod(zenity.c_str(), 0755);
    }
    const std::string path = run.zenity.empty() ? "/nonexistent" : std::string(dir) + ":/usr/bin:/bin";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(open(in.c_str(), O_RDONLY), STDIN_FILENO);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        setenv("PATH", path.c_str(), 1);
        for (const std::string& e : run.env) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv = {const_cast<char*>(RVFVIEW_PATH)};
        for (const std::string& a : run.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Session session(out);
    if ((!run.keys.empty() || run.steps) && session.FindWindow()) {
        session.Keys(run.keys);
        if (run.steps) run.steps(session);
    }
    int s = 0;
    for (int i = 0; i < 600 && waitpid(pid, &s, WNOHANG) == 0; ++i) usleep(100000);
    if (waitpid(pid, &s, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &s, 0);
    }
    outcome.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    outcome.out = Slurp(out);
    outcome.err = Slurp(err);
    outcome.zenityArgs = Slurp(args);
    for (const std::string& f : {in, out, err, zenity, args}) unlink(f.c_str());
    rmdir(dir);
    return outcome;
}

#endif
