// What the tools share on the command line: exit statuses, one-line messages prefixed with the
// program's name, the parsing of options and operands, input files, output files that appear
// only when complete, and the capture of the library's console messages.
#ifndef TOOLS_COMMON_COMMANDLINE_H
#define TOOLS_COMMON_COMMANDLINE_H

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Exit statuses and messages.

// Exit statuses: success, a failure of the work, a command line that cannot be obeyed.
enum { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Names the program in every message below ("rvftool"); called once at start-up, before them.
void SetProgramName(const char* name);

// Prints "PROGRAM VERSION" on standard output, the answer to --version; returns kExitOk.
int PrintVersion();

// Prints "PROGRAM: " and the message as one line on standard error; returns kExitFailure.
int Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints "PROGRAM: warning: " and the message as one line on standard error.
void Warn(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints "PROGRAM COMMAND: " and the message with a pointer to the command's help as one line
// on standard error; returns kExitUsage. A null `command` stands for the program as a whole.
int UsageError(const char* command, const char* format, ...) __attribute__((format(printf, 2, 3)));

// ---------------------------------------------------------------------------------------------
// Options and operands.

// One command's arguments after parsing: the options in the order given and the operands.
struct CommandLine {
    std::vector<std::string> optionNames;   // as spelt in the table, e.g. "--from"
    std::vector<std::string> optionValues;  // the value of an option that takes one, else ""
    std::vector<const char*> operands;
    bool help;
    bool version;  // --version was given
};

// Parses argv[1..argc-1] of `command` (null for the program as a whole) against `known`, a
// null-terminated list of option names; a name ending in '=' takes a value ("--from=" accepts
// "--from smd" and "--from=smd"). "-h" and "--help" set `help`, "--version" sets `version`
// (for the program as a whole only); "--" ends the options; "-"
// alone is an operand. Returns false after printing a usage error; *status then holds the exit
// status.
bool ParseCommandLine(const char* command, int argc, char** argv, const char* const* known, CommandLine* out,
                      int* status);

// True when the option `name` (without '=') was given.
bool HasOption(const CommandLine& line, const char* name);

// The value of the last `name` option given, or null.
const char* OptionValue(const CommandLine& line, const char* name);

// ---------------------------------------------------------------------------------------------
// Input files.

// Opens the file at `path` for binary reading. Null after one message when it cannot be opened
// (with the system's reason) or is a directory.
FILE* OpenInputFile(const char* path);

// ---------------------------------------------------------------------------------------------
// Output files that appear only when complete. The bytes go to a temporary file beside the
// target (same directory, so the final rename cannot cross file systems); committing flushes,
// syncs, closes and renames it into place, and every failure removes it, so the user's file at
// the target is either the old one untouched or the new one whole.

struct AtomicOutput {
    std::string target;  // where the finished file goes (a symbolic link is followed)
    std::string temp;    // the temporary beside it
    FILE* fp;            // open for writing in binary mode while the output is pending
};

// Makes the temporary removed also when the process is ended by SIGINT, SIGTERM or SIGHUP.
// Called once at start-up.
void AtomicOutputInstallCleanup();

// Creates the temporary beside `path` and opens it in out->fp; the finished file takes the
// existing file's permissions, or those a new file gets. False with the reason in *error
// (nothing created) when `path` is a directory or the temporary cannot be made.
bool AtomicOutputOpen(AtomicOutput* out, const char* path, std::string* error);

// Flushes, syncs and closes the temporary and renames it onto the target. False with the
// reason in *error when any write since opening failed or any of these steps fails; the
// temporary is then removed and the target left as it was.
bool AtomicOutputCommit(AtomicOutput* out, std::string* error);

// Closes and removes the temporary; the target is left as it was.
void AtomicOutputDiscard(AtomicOutput* out);

// ---------------------------------------------------------------------------------------------
// The library's console. The mesh and image library (and the viewer's loaders) report a line
// per problem on standard output or standard error. A tool keeps its own standard output for
// results and promises one message per failure, so it runs such calls with both streams sent
// to a scratch file and words its message from the lines they printed.

// Runs `call` with standard output and standard error captured and returns its result; *lines
// receives the lines printed meanwhile, without their newlines. When no scratch file can be
// made the call runs uncaptured and *lines stays empty.
bool RunCapturingConsole(const std::function<bool()>& call, std::vector<std::string>* lines);

// The first captured line, without `dropPrefix` when it begins with it (null drops nothing),
// or `fallback` when nothing was printed.
std::string FirstLine(const std::vector<std::string>& lines, const char* fallback,
                      const char* dropPrefix = nullptr);

#endif
