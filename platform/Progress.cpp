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

int gTerminalFd = -1;  // the starting standard error when it is a terminal, else -1
const char* gProgram = "";
std::thread gTicker;
std::mutex gMutex;
std::condition_variable gWake;
bool gStageActive = false;
std::string gWhat;
std::size_t gTotal = 0;
std::atomic<std::size_t> gDone(0);
Clock::time_point gStart;
bool gLineShown = false;
std::string gLastLine;  // redrawn only when it changes

void WriteAll(const char* text, std::size_t length) {
    while (length > 0) {
        ssize_t n = write(gTerminalFd, text, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text += n;
        length -= std::size_t(n);
    }
}

void DrawLine(Clock::duration elapsed) {
    char line[256];
    int length;
    long seconds = long(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
    if (gTotal > 0) {
        std::size_t done = gDone.load();
        int percent = done >= gTotal ? 100 : int(double(done) * 100.0 / double(gTotal));
        length = std::snprintf(line, sizeof line, "\r%s: %s %3d%% (%ld s)\033[K", gProgram, gWhat.c_str(),
                               percent, seconds);
    } else {
        length =
            std::snprintf(line, sizeof line, "\r%s: %s... %ld s\033[K", gProgram, gWhat.c_str(), seconds);
    }
    if (length <= 0) return;
    std::string text(line, std::size_t(length) < sizeof line ? std::size_t(length) : sizeof line - 1);
    if (text == gLastLine) return;
    WriteAll(text.data(), text.size());
    gLastLine = text;
    gLineShown = true;
}

void Tick() {
    std::unique_lock<std::mutex> lock(gMutex);
    while (gStageActive) {
        gWake.wait_for(lock, kRedrawInterval);
        if (!gStageActive) break;
        Clock::duration elapsed = Clock::now() - gStart;
        if (elapsed >= kQuietTime) DrawLine(elapsed);
    }
}

}  // namespace

void ProgressInit(const char* program) {
    gProgram = program;
    if (isatty(STDERR_FILENO)) gTerminalFd = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
}

void ProgressBegin(const char* what, std::size_t total) {
    if (gTerminalFd < 0) return;
    std::lock_guard<std::mutex> lock(gMutex);
    gWhat = what;
    gTotal = total;
    gDone = 0;
    gStart = Clock::now();
    gLineShown = false;
    gLastLine.clear();
    gStageActive = true;
    try {
        gTicker = std::thread(Tick);
    } catch (...) {
        // Without a thread there is no progress line; the work itself goes on.
        gStageActive = false;
    }
}

void ProgressUpdate(std::size_t done) { gDone.store(done, std::memory_order_relaxed); }

void ProgressEnd() {
    if (!gTicker.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gStageActive = false;
    }
    gWake.notify_all();
    gTicker.join();
    if (gLineShown) WriteAll("\r\033[K", 4);
}
