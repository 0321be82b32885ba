// Runs the real RVFView program for the tests: its arguments, environment, standard input and
// file dialog (a stand-in zenity), keys sent with xdotool to its window once it shows, steps of
// a test's own between keys, and what it printed and how it ended.
// The including target defines RVF_SAMPLES_DIR, RVFVIEW_PATH, RVFRENDER_PATH and RVFTOOL_PATH.
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
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/rvfrender/RenderRun.h"

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

// The viewer while it runs: its window, and what it has printed so far.
class Session {
public:
    explicit Session(std::string outPath) : out_(std::move(outPath)) {}

    // Waits up to half a minute for the window to show; false when it does not.
    bool FindWindow() {
        const RunResult r = RunProgram("/usr/bin/timeout", {"30", "xdotool", "search", "--sync",
                                                            "--onlyvisible", "--name", "^RVF Viewer$"});
        window_ = r.out.substr(0, r.out.find_first_not_of("0123456789"));
        return !window_.empty();
    }
    const std::string& Window() const { return window_; }
    // Runs xdotool with `commands`, words split at spaces, once the window shows; a lost key or
    // move shows as a wrong outcome.
    void Xdo(const std::string& commands) {
        if (!window_.empty()) RunProgram("/usr/bin/xdotool", Words(commands));
    }
    void Keys(const std::string& keys) { Xdo("key --window " + window_ + " " + keys); }
    // True once standard output holds `text`; waits up to a minute.
    bool WaitFor(const std::string& text) {
        for (int i = 0; i < 1200; ++i, usleep(50000))
            if (FileText(out_).find(text) != std::string::npos) return true;
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
    const PeerDir dir;
    if (!dir.made) return outcome;
    const std::string in = dir.File("in"), out = dir.File("out"), err = dir.File("err");
    WriteFile(in, run.input);
    if (!run.zenity.empty()) {
        WriteFile(dir.File("zenity"),
                  "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " + dir.File("args") + "\n" + run.zenity);
        chmod(dir.File("zenity").c_str(), 0755);
    }
    const std::string path = run.zenity.empty() ? "/nonexistent" : std::string(dir.path) + ":/usr/bin:/bin";
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
    outcome.out = FileText(out);
    outcome.err = FileText(err);
    outcome.zenityArgs = FileText(dir.File("args"));
    return outcome;
}

// Whether the viewer's screenshot `shot` is the picture rvfrender draws with `args` (words split at
// spaces), pixel for pixel as ImageMagick reads both.
inline testing::AssertionResult AsRendered(const std::string& shot, const std::string& args) {
    const PeerDir dir;
    const RunResult r = RunProgram(RVFRENDER_PATH, Words(args + " " + dir.File("rendered.png")));
    if (r.status != 0) return testing::AssertionFailure() << args << ": " << r.err;
    return SamePictures(shot, dir.File("rendered.png"));
}

#endif
