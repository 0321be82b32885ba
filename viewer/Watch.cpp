// Watching the mesh and map files on screen: a GLUT timer stats both and reloads once a change
// has settled. Polling a stat follows a file however it is replaced (rewritten in place, or a
// new file renamed over it) and needs no second thread or descriptor in the event loop.
#include <GL/freeglut.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "viewer/RVFView.h"

namespace {

const unsigned kTickMilliseconds = 100;
// A file is read once it has shown the same size and times for this long, so that a file still
// being written is not read half-way; a read that fails anyway keeps the old data.
const double kQuietSeconds = 0.5;

// What a stat tells of a file: any write changes its size or modification time, and a file
// renamed over it has another inode.
struct FileState {
    bool exists;
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
};

bool operator==(const FileState& a, const FileState& b) {
    if (a.exists != b.exists) return false;
    return !a.exists || (a.device == b.device && a.inode == b.inode && a.size == b.size &&
                         a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec);
}

FileState StateOf(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return FileState{false, 0, 0, 0, {0, 0}};
    return FileState{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// One watched file: the path on screen, its state at the last look, since when it has shown
// that state, and whether it has changed since the mesh and map on screen were read.
struct Watched {
    std::string path;
    FileState seen;
    double since;
    bool changed;
};

Watched gWatchedMesh, gWatchedMap;

// Takes a new look at `path`; a path that differs from the last one (another file loaded with
// "l") starts over, unchanged.
void Look(Watched* w, const std::string& path, double now) {
    FileState state = StateOf(path);
    if (path != w->path) {
        *w = Watched{path, state, now, false};
    } else if (!(state == w->seen)) {
        w->seen = state;
        w->since = now;
        w->changed = true;
    }
}

// Unchanged, or changed and since then present and quiet long enough to be read.
bool Settled(const Watched& w, double now) {
    return !w.changed || (w.seen.exists && now - w.since >= kQuietSeconds);
}

void Tick(int) {
    double now = Now();
    Look(&gWatchedMesh, gMeshPath, now);
    Look(&gWatchedMap, gMapPath, now);
    // Both files wait for each other, so that a bake that writes both is read once.
    if ((gWatchedMesh.changed || gWatchedMap.changed) && Settled(gWatchedMesh, now) &&
        Settled(gWatchedMap, now)) {
        gWatchedMesh.changed = gWatchedMap.changed = false;
        ReloadObjectAndMap();
        glutPostRedisplay();
    }
    // GLUT's timers fire once.
    glutTimerFunc(kTickMilliseconds, Tick, 0);
}

}  // namespace

void StartWatching() {
    double now = Now();
    Look(&gWatchedMesh, gMeshPath, now);
    Look(&gWatchedMap, gMapPath, now);
    printf("Watching %s and %s for changes.\n", gMeshPath.c_str(), gMapPath.c_str());
    glutTimerFunc(kTickMilliseconds, Tick, 0);
}
