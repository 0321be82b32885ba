// The mesh and image library reports on the console, a line per problem, on standard output
// or standard error. The tool keeps its own standard output for results and promises one
// message per failure, so it runs such calls with both streams sent to a scratch file and
// words its message from the lines the library printed.
#ifndef TOOLS_RVFTOOL_LIBRARYCONSOLE_H
#define TOOLS_RVFTOOL_LIBRARYCONSOLE_H

#include <functional>
#include <string>
#include <vector>

// Runs `call` with standard output and standard error captured and returns its result; *lines
// receives the lines printed meanwhile, without their newlines. When no scratch file can be
// made the call runs uncaptured and *lines stays empty.
bool RunCapturingConsole(const std::function<bool()>& call, std::vector<std::string>* lines);

#endif
