// Runs the real RVFView program for the tests: its arguments, environment, standard input and
// file dialog (a stand-in zenity), keys sent with xdotool to its window once it shows, steps of
// a test's own between keys, and what it printed and how it ended.
// The including target defines RVF_SAMPLES_DIR, RVFVIEW_PATH, RVFRENDER_PATH and RVFTOOL_PATH.
#ifndef TESTS_VIEWERPROGRAM_H
#define TESTS_VIEWERPROGRAM_H

#include <sys/stat.h>

#include <functional>
#include <future>

#include "tests/rvfrender/RenderRun.h"

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

// The viewer while it runs: its window, once it shows, and the file of what it has printed.
struct Session {
    std::string out, window;

    // Runs xdotool with `commands`, words split at spaces, once the window shows; a lost key or
    // move shows as a wrong outcome.
    void Xdo(const std::string& commands) {
        if (!window.empty()) RunProgram("/usr/bin/xdotool", Words(commands));
    }
    void Keys(const std::string& keys) { Xdo("key --window " + window + " " + keys); }
    // True once standard output holds `text`; waits up to a minute.
    bool WaitFor(const std::string& text) {
        for (int i = 0; i < 1200; ++i, usleep(50000))
            if (FileText(out).find(text) != std::string::npos) return true;
        return false;
    }
};

struct Invocation {
    std::vector<std::string> args, env;  // env: NAME=value, for the viewer alone
    std::string input;                   // standard input
    std::string keys;                    // xdotool key names sent once the window shows; none: no window
    std::string zenity = "";  // the body of a stand-in zenity script first on the PATH; none: no zenity
    std::function<void(Session&)> steps = nullptr;  // run after `keys`, once the window shows
};

struct Outcome {
    int status = -1;
    std::string out, err, zenityArgs;  // zenityArgs: the stand-in's, one a line, call after call
};

// Runs RVFView with the stand-in zenity or none on its PATH; one that never ends is killed after a
// minute.
inline Outcome RunViewer(const Invocation& run) {
    const PeerDir dir;
    const std::string in = dir.File("in"), out = dir.File("out"), err = dir.File("err");
    if (!dir.made || !WriteFile(in, BytesOf(run.input))) return Outcome();
    if (!run.zenity.empty()) {
        // It warns as zenity does on a bare X server; only a failed dialog lets that through.
        WriteFile(dir.File("zenity"), "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " + dir.File("args") +
                                          "\necho 'Gtk-WARNING: cannot reach the settings service' >&2\n" +
                                          run.zenity);
        chmod(dir.File("zenity").c_str(), 0755);
    }
    std::vector<std::string> words = Words("/usr/bin/timeout -s KILL 60 /usr/bin/env PATH=/nonexistent");
    if (!run.zenity.empty()) words.back() = "PATH=" + std::string(dir.path) + ":/usr/bin:/bin";
    words.insert(words.end(), run.env.begin(), run.env.end());
    words.push_back(RVFVIEW_PATH);
    words.insert(words.end(), run.args.begin(), run.args.end());
    words.insert(words.begin(), {"-c", "exec \"$0\" \"$@\" <" + in + " >" + out + " 2>" + err});
    std::future<RunResult> ended = std::async(std::launch::async, RunProgram, "/bin/sh", words, 0);
    Session session = {out, ""};
    if (!run.keys.empty() || run.steps) {
        const RunResult found = RunProgram("/usr/bin/timeout", {"30", "xdotool", "search", "--sync",
                                                                "--onlyvisible", "--name", "^RVF Viewer$"});
        session.window = found.out.substr(0, found.out.find_first_not_of("0123456789"));
        session.Keys(run.keys);
        if (run.steps && !session.window.empty()) run.steps(session);
    }
    return {ended.get().status, FileText(out), FileText(err), FileText(dir.File("args"))};
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
