// What every rvftool command shares: exit statuses, its one-line messages and the parsing of
// its options and operands.
#ifndef TOOLS_RVFTOOL_COMMANDLINE_H
#define TOOLS_RVFTOOL_COMMANDLINE_H

#include <string>
#include <vector>

// Exit statuses: success, a failure of the work, a command line that cannot be obeyed.
enum { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Prints "rvftool: " and the message as one line on standard error; returns kExitFailure.
int Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints "rvftool: warning: " and the message as one line on standard error.
void Warn(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints "rvftool COMMAND: " and the message with a pointer to the command's help as one line
// on standard error; returns kExitUsage.
int UsageError(const char* command, const char* format, ...) __attribute__((format(printf, 2, 3)));

// One command's arguments after parsing: the options in the order given and the operands.
struct CommandLine {
    std::vector<std::string> optionNames;   // as spelt in the table, e.g. "--from"
    std::vector<std::string> optionValues;  // the value of an option that takes one, else ""
    std::vector<const char*> operands;
    bool help;
};

// Parses argv[1..argc-1] of `command` against `known`, a null-terminated list of option names;
// a name ending in '=' takes a value ("--from=" accepts "--from smd" and "--from=smd").
// "-h" and "--help" set `help`; "--" ends the options; "-" alone is an operand. Returns false
// after printing a usage error; *status then holds the exit status.
bool ParseCommandLine(const char* command, int argc, char** argv, const char* const* known, CommandLine* out,
                      int* status);

// True when the option `name` (without '=') was given.
bool HasOption(const CommandLine& line, const char* name);

// The value of the last `name` option given, or null.
const char* OptionValue(const CommandLine& line, const char* name);

// Entry points of the commands; argv[0] is the command's name.
int RunInfo(int argc, char** argv);
int RunConvert(int argc, char** argv);
int RunImport(int argc, char** argv);
int RunMap(int argc, char** argv);
int RunTangents(int argc, char** argv);

#endif
