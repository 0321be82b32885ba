#include "platform/Progress.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace {

typedef std::chrono::steady_clock Clock;

const std::chrono::milliseconds kQuietTime(1000);
const std::chrono::milliseconds kRedrawInterval(200);
const std::chrono::seconds kPlainInterval(5);

int gOutputFd = -1;  // the starting standard error when work shows on it, else -1
bool gTerminal = false;
const char* gProgram = "";
std::thread gTicker;
std::mutex gMutex;
std::condition_variable gWake;
bool gWorking = false;
std::string gWhat;
std::size_t gTotal = 0;
std::atomic<std::size_t> gDone(0);
Clock::time_point gStart;
bool gLineShown = false;
std::string gLastLine;     // on a terminal, redrawn only when it changes
bool gStageShown = false;  // plain lines: the current stage has had its line
Clock::time_point gLastPlainLine;

void WriteAll(const char* text, std::size_t length) {
    while (length > 0) {
        ssize_t n = write(gOutputFd, text, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text += n;
        length -= std::size_t(n);
    }
}

long Seconds(Clock::duration elapsed) {
    return long(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
}

// The stage and how far it is, after `before` and before `after`.
std::string StageLine(const char* before, Clock::duration elapsed, const char* after) {
    char line[256];
    int length;
    if (gTotal > 0) {
        std::size_t done = gDone.load();
        int percent = done >= gTotal ? 100 : int(double(done) * 100.0 / double(gTotal));
        length = std::snprintf(line, sizeof line, "%s%s: %s %3d%% (%ld s)%s", before, gProgram, gWhat.c_str(),
                               percent, Seconds(elapsed), after);
    } else {
        length = std::snprintf(line, sizeof line, "%s%s: %s... %ld s%s", before, gProgram, gWhat.c_str(),
                               Seconds(elapsed), after);
    }
    if (length <= 0) return std::string();
    return std::string(line, std::size_t(length) < sizeof line ? std::size_t(length) : sizeof line - 1);
}

void DrawLine(Clock::duration elapsed) {
    std::string text = StageLine("\r", elapsed, "\033[K");
    if (text.empty() || text == gLastLine) return;
    WriteAll(text.data(), text.size());
    gLastLine = text;
    gLineShown = true;
}

void PrintPlainLine(Clock::time_point now) {
    if (gStageShown && now - gLastPlainLine < kPlainInterval) return;
    std::string text = StageLine("", now - gStart, "\n");
    WriteAll(text.data(), text.size());
    gStageShown = gLineShown = true;
    gLastPlainLine = now;
}

void Tick() {
    std::unique_lock<std::mutex> lock(gMutex);
    while (gWorking) {
        gWake.wait_for(lock, kRedrawInterval);
        if (!gWorking) break;
        const Clock::time_point now = Clock::now();
        if (now - gStart < kQuietTime) continue;
        if (gTerminal) {
            DrawLine(now - gStart);
        } else {
            PrintPlainLine(now);
        }
    }
}

}  // namespace

void ProgressInit(const char* program, ProgressOffTerminal offTerminal) {
    gProgram = program;
    if (gOutputFd >= 0) close(gOutputFd);
    gOutputFd = -1;
    gTerminal = isatty(STDERR_FILENO) != 0;
    if (gTerminal || offTerminal == kProgressPlainLines) gOutputFd = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
}

void ProgressBegin(const char* what, std::size_t total) {
    if (gOutputFd < 0) return;
    std::lock_guard<std::mutex> lock(gMutex);
    gWhat = what;
    gTotal = total;
    gDone = 0;
    gStart = Clock::now();
    gLineShown = gStageShown = false;
    gLastLine.clear();
    gWorking = true;
    try {
        gTicker = std::thread(Tick);
    } catch (...) {
        // Without a thread there is no progress line; the work itself goes on.
        gWorking = false;
    }
}

void ProgressNext(const char* what, std::size_t total) {
    if (!gTicker.joinable()) return;
    std::lock_guard<std::mutex> lock(gMutex);
    gWhat = what;
    gTotal = total;
    gDone = 0;
    gStageShown = false;
}

void ProgressUpdate(std::size_t done) { gDone.store(done, std::memory_order_relaxed); }

void ProgressEnd() {
    if (!gTicker.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gWorking = false;
    }
    gWake.notify_all();
    gTicker.join();
    if (!gLineShown) return;
    if (gTerminal) {
        WriteAll("\r\033[K", 4);
        return;
    }
    char line[128];
    const int length =
        std::snprintf(line, sizeof line, "%s: done after %ld s\n", gProgram, Seconds(Clock::now() - gStart));
    if (length > 0) WriteAll(line, std::size_t(length) < sizeof line ? std::size_t(length) : sizeof line - 1);
}
