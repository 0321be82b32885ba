#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <tuple>

#include "platform/Progress.h"

namespace {

// What a load of two stages, the first past the quiet second, shows on a standard error that is a terminal or
// a pipe, with progress set up for a program called "prog": each run of digits turned into "N", each line
// redrawn unchanged shown once.
std::string Shown(bool terminal, ProgressOffTerminal offTerminal) {
    int fds[2];  // read, write
    if (terminal ? openpty(&fds[0], &fds[1], nullptr, nullptr, nullptr) != 0 : pipe(fds) != 0)
        return "no terminal or pipe";
    const int savedStderr = dup(STDERR_FILENO);
    dup2(fds[1], STDERR_FILENO);
    ProgressInit("prog", offTerminal);
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
    close(fds[1]);
    ProgressBegin("reading", 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ProgressNext("welding", 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ProgressEnd();
    std::string text;
    char buffer[4096];
    pollfd p = {fds[0], POLLIN, 0};
    ssize_t n = 0;
    while (poll(&p, 1, 100) > 0 && (p.revents & POLLIN) != 0 && (n = read(fds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, size_t(n));
    close(fds[0]);
    text = std::regex_replace(text, std::regex("[0-9]+"), "N");
    return std::regex_replace(text, std::regex("(\r[^\r]*\033\\[K)\\1+"), "$1");
}

TEST(Progress, LongWorkShowsOneLineOnATerminalAndPlainLinesElsewhereWhenAsked) {
    const std::tuple<const char*, bool, ProgressOffTerminal, const char*> rows[] = {
        {"plain lines", false, kProgressPlainLines,
         "prog: reading... N s\nprog: welding... N s\nprog: done after N s\n"},
        {"silent", false, kProgressSilent, ""},
        {"terminal", true, kProgressSilent,
         "\rprog: reading... N s\033[K\rprog: welding... N s\033[K\r\033[K"},
    };
    for (const auto& [name, terminal, offTerminal, shown] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Shown(terminal, offTerminal), shown);
    }
}

}  // namespace
