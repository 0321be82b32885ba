#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "tools/common/CommandLine.h"

namespace {

// The pending temporary, for the signal handler: a fixed buffer, since the handler may only
// call async-signal-safe functions.
char gPendingTemp[PATH_MAX];
volatile std::sig_atomic_t gHavePendingTemp = 0;

void RemovePendingTempAndDie(int sig) {
    if (gHavePendingTemp) unlink(gPendingTemp);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void SetPendingTemp(const std::string& path) {
    gHavePendingTemp = 0;
    if (path.size() >= sizeof gPendingTemp) return;
    std::memcpy(gPendingTemp, path.c_str(), path.size() + 1);
    gHavePendingTemp = 1;
}

std::string Reason(const char* what, const std::string& path) {
    return std::string(what) + " '" + path + "': " + std::strerror(errno);
}

// The permissions a new file gets from this process.
mode_t NewFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void AtomicOutputInstallCleanup() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RemovePendingTempAndDie;
    sigemptyset(&action.sa_mask);
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (int sig : signals) {
        struct sigaction previous;
        // A signal the caller ignores stays ignored (nohup, background jobs).
        if (sigaction(sig, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        sigaction(sig, &action, nullptr);
    }
}

bool AtomicOutputOpen(AtomicOutput* out, const char* path, std::string* error) {
    out->fp = nullptr;
    out->target = path;
    out->temp.clear();

    struct stat st;
    mode_t mode = NewFileMode();
    if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link names, so that the link stays a link.
        char* resolved = realpath(path, nullptr);
        if (resolved == nullptr) {
            *error = Reason("cannot follow the link", out->target);
            return false;
        }
        out->target = resolved;
        std::free(resolved);
    }
    if (stat(out->target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            *error = "'" + out->target + "' is a directory";
            return false;
        }
        mode = st.st_mode & 07777;
    }

    std::string::size_type slash = out->target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : out->target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? out->target : out->target.substr(slash + 1);
    std::string temp = dir + "." + base + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        *error = Reason("cannot create a temporary file in", dir.empty() ? std::string(".") : dir);
        return false;
    }
    SetPendingTemp(temp);
    if (fchmod(fd, mode) != 0) {
        *error = Reason("cannot set the permissions of", temp);
        close(fd);
        unlink(temp.c_str());
        gHavePendingTemp = 0;
        return false;
    }
    out->fp = fdopen(fd, "wb");
    if (out->fp == nullptr) {
        *error = Reason("cannot write", temp);
        close(fd);
        unlink(temp.c_str());
        gHavePendingTemp = 0;
        return false;
    }
    out->temp = temp;
    return true;
}

bool AtomicOutputCommit(AtomicOutput* out, std::string* error) {
    bool ok = true;
    if (std::fflush(out->fp) != 0 || std::ferror(out->fp)) {
        *error = Reason("cannot write", out->target);
        ok = false;
    } else if (fsync(fileno(out->fp)) != 0) {
        *error = Reason("cannot sync", out->target);
        ok = false;
    }
    if (std::fclose(out->fp) != 0 && ok) {
        *error = Reason("cannot write", out->target);
        ok = false;
    }
    out->fp = nullptr;
    if (ok && std::rename(out->temp.c_str(), out->target.c_str()) != 0) {
        *error = Reason("cannot replace", out->target);
        ok = false;
    }
    if (!ok) {
        unlink(out->temp.c_str());
        gHavePendingTemp = 0;
        return false;
    }
    gHavePendingTemp = 0;

    // Make the rename itself durable; the file is already in place, so a directory that cannot
    // be synced (some file systems refuse) is no failure of the output.
    std::string::size_type slash = out->target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : out->target.substr(0, slash + 1);
    int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

void AtomicOutputDiscard(AtomicOutput* out) {
    if (out->fp != nullptr) std::fclose(out->fp);
    out->fp = nullptr;
    if (!out->temp.empty()) unlink(out->temp.c_str());
    gHavePendingTemp = 0;
}
