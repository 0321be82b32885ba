// Runs the real RVFView program for the tests: its arguments, environment, standard input and
// file dialog (a stand-in zenity), keys sent with xdotool to its window once it shows, and what
// it printed and how it ended.
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
#include <fstream>
#include <string>
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
    "\n";

struct Invocation {
    std::vector<std::string> args;
    std::vector<std::string> env;  // NAME=value
    std::string input;             // standard input
    std::string keys;              // xdotool key names sent once the window shows; none: no window
    std::string zenity = "";       // the body of a stand-in zenity script first on the PATH; none: no zenity
};

struct Outcome {
    int status = -1;
    std::string out, err;
    std::string zenityArgs;  // the stand-in's arguments, one a line, call after call
};

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs RVFView with the stand-in zenity or none on its PATH; a viewer that never ends is killed
// after a minute.
inline Outcome RunViewer(const Invocation& run) {
    Outcome outcome;
    char dir[] = "/tmp/rvfview_run_XXXXXX";
    if (mkdtemp(dir) == nullptr) return outcome;
    const std::string in = std::string(dir) + "/in", out = std::string(dir) + "/out", err = std::string(dir) + "/err";
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
    if (!run.keys.empty()) {  // a lost key shows as a wrong outcome
        const std::string send = "w=$(timeout 30 xdotool search --sync --onlyvisible --name '^RVF Viewer$' | head -n 1)"
                                 " && xdotool key --window \"$w\" " + run.keys;
        if (system(("(" + send + ") >/dev/null 2>&1").c_str()) == -1) ADD_FAILURE() << "no shell for xdotool";
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
