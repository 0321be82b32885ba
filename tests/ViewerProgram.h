// Runs the real RVFView program for the tests: its arguments, environment and standard input,
// keys sent with xdotool to its window once it shows, and what it printed and how it ended.
// The including target defines RVF_SAMPLES_DIR and RVFVIEW_PATH.
#ifndef TESTS_VIEWERPROGRAM_H
#define TESTS_VIEWERPROGRAM_H

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

// The bundled sample mesh and map, which always load.
inline const std::string kMesh = RVF_SAMPLES_DIR "/torus.rvf";
inline const std::string kMap = RVF_SAMPLES_DIR "/torus_normals.tga";

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
    std::vector<std::string> env;   // NAME=value
    std::string input;              // standard input
    std::vector<std::string> keys;  // sent to the window once it shows; none: no window expected
};

struct Outcome {
    int status = -1;
    std::string out, err;
};

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs argv (argv[0] a full path) and returns its standard output; the status through *status.
inline std::string Command(const std::vector<std::string>& argv, int* status = nullptr) {
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

// Runs RVFView with no zenity on its PATH unless the invocation sets one; sends the keys to its
// window with xdotool.
inline Outcome RunViewer(const Invocation& run) {
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

#endif
