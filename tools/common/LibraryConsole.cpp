#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "tools/common/CommandLine.h"

bool RunCapturingConsole(const std::function<bool()>& call, std::vector<std::string>* lines) {
    lines->clear();
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* scratch = std::tmpfile();
    int savedOut = scratch != nullptr ? dup(STDOUT_FILENO) : -1;
    int savedErr = savedOut >= 0 ? dup(STDERR_FILENO) : -1;
    if (savedErr < 0 || dup2(fileno(scratch), STDOUT_FILENO) < 0 ||
        dup2(fileno(scratch), STDERR_FILENO) < 0) {
        if (savedOut >= 0) {
            dup2(savedOut, STDOUT_FILENO);
            close(savedOut);
        }
        if (savedErr >= 0) close(savedErr);
        if (scratch != nullptr) std::fclose(scratch);
        return call();
    }

    bool result = call();

    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    close(savedOut);
    close(savedErr);

    std::rewind(scratch);
    std::string line;
    int c;
    while ((c = std::fgetc(scratch)) != EOF) {
        if (c == '\n') {
            lines->push_back(line);
            line.clear();
        } else {
            line += char(c);
        }
    }
    if (!line.empty()) lines->push_back(line);
    std::fclose(scratch);
    return result;
}

std::string FirstLine(const std::vector<std::string>& lines, const char* fallback, const char* dropPrefix) {
    if (lines.empty()) return fallback;
    const std::string& line = lines.front();
    if (dropPrefix != nullptr && line.compare(0, std::strlen(dropPrefix), dropPrefix) == 0)
        return line.substr(std::strlen(dropPrefix));
    return line;
}
