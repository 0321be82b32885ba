#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/Progress.h"

namespace {

void Sleep(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// A load of two stages, the first past the quiet second.
void LongWork() {
    ProgressBegin("reading", 0);
    Sleep(1500);
    ProgressNext("welding", 0);
    Sleep(500);
    ProgressEnd();
}

void ShortWork() {
    ProgressBegin("reading", 0);
    Sleep(200);
    ProgressEnd();
}

// Everything `fd` holds now, read without waiting.
std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    pollfd p = {fd, POLLIN, 0};
    while (poll(&p, 1, 100) > 0 && (p.revents & POLLIN) != 0) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, size_t(n));
    }
    return text;
}

// What `work` shows on a standard error that is a terminal or a file, with progress set up for
// a program called "prog", each run of digits turned into "N".
std::string Shown(bool terminal, ProgressOffTerminal offTerminal, void (*work)()) {
    int writeFd = -1, readFd = -1;
    if (terminal) {
        readFd = posix_openpt(O_RDWR | O_NOCTTY);
        if (readFd < 0 || grantpt(readFd) != 0 || unlockpt(readFd) != 0) return "no terminal";
        writeFd = open(ptsname(readFd), O_RDWR | O_NOCTTY);
    } else {
        char path[] = "/tmp/rvf_progress_XXXXXX";
        writeFd = mkstemp(path);
        readFd = open(path, O_RDONLY);
        unlink(path);
    }
    const int savedStderr = dup(STDERR_FILENO);
    dup2(writeFd, STDERR_FILENO);
    ProgressInit("prog", offTerminal);
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
    close(writeFd);
    work();
    std::string shown;
    for (char c : Drain(readFd)) {
        if (c < '0' || c > '9') {
            shown += c;
        } else if (shown.empty() || shown.back() != 'N') {
            shown += 'N';
        }
    }
    close(readFd);
    return shown;
}

TEST(Progress, OffATerminalAFewPlainLinesWhenAsked) {
    EXPECT_EQ(Shown(false, kProgressPlainLines, LongWork),
              "prog: reading... N s\nprog: welding... N s\nprog: done after N s\n");
    EXPECT_EQ(Shown(false, kProgressPlainLines, ShortWork), "");
    EXPECT_EQ(Shown(false, kProgressSilent, LongWork), "");
}

TEST(Progress, OnATerminalOneLineRedrawnThenWiped) {
    const std::string shown = Shown(true, kProgressSilent, LongWork);
    ASSERT_GE(shown.size(), 7u) << shown;
    EXPECT_EQ(shown.rfind("\rprog: reading... N s\033[K", 0), 0u) << shown;
    EXPECT_NE(shown.find("\rprog: welding... N s\033[K"), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\n'), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 7), "\033[K\r\033[K") << shown;
    EXPECT_EQ(Shown(true, kProgressPlainLines, ShortWork), "");
}

}  // namespace
