#include "tools/common/CommandLine.h"

#include <cassert>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const char* gProgram = nullptr;

const char* Program() {
    assert(gProgram != nullptr && "SetProgramName comes first");
    return gProgram;
}

// "PROGRAM: " and `tag`, then the message, as one line on standard error.
void PrintLine(const char* tag, const char* format, std::va_list args) {
    std::fprintf(stderr, "%s: %s", Program(), tag);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
}

// The table entry that `arg` names (up to an '=' it may carry), or null.
const char* FindOption(const char* const* known, const char* arg, std::size_t nameLength) {
    for (; *known != nullptr; ++known) {
        std::size_t length = std::strlen(*known);
        if ((*known)[length - 1] == '=') --length;
        if (length == nameLength && std::strncmp(*known, arg, length) == 0) return *known;
    }
    return nullptr;
}

}  // namespace

void SetProgramName(const char* name) { gProgram = name; }

int PrintVersion() {
    std::printf("%s %s\n", Program(), RVF_VERSION);
    return kExitOk;
}

int Fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    PrintLine("", format, args);
    va_end(args);
    return kExitFailure;
}

void Warn(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    PrintLine("warning: ", format, args);
    va_end(args);
}

int UsageError(const char* command, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    // "rvftool map: ... (see 'rvftool map --help')", or without the command's name.
    std::string name = command != nullptr ? std::string(Program()) + " " + command : Program();
    std::fprintf(stderr, "%s: ", name.c_str());
    std::vfprintf(stderr, format, args);
    std::fprintf(stderr, " (see '%s --help')\n", name.c_str());
    va_end(args);
    return kExitUsage;
}

bool ParseCommandLine(const char* command, int argc, char** argv, const char* const* known, CommandLine* out,
                      int* status) {
    out->help = false;
    out->version = false;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (optionsDone || arg[0] != '-' || arg[1] == '\0') {
            out->operands.push_back(arg);
            continue;
        }
        if (std::strcmp(arg, "--") == 0) {
            optionsDone = true;
            continue;
        }
        const char* equals = std::strchr(arg, '=');
        std::size_t nameLength = equals != nullptr ? std::size_t(equals - arg) : std::strlen(arg);
        std::string name(arg, nameLength);
        if (name == "-h" || name == "--help" || (name == "--version" && command == nullptr)) {
            if (equals != nullptr) {
                *status = UsageError(command, "option '%s' takes no value", name.c_str());
                return false;
            }
            (name == "--version" ? out->version : out->help) = true;
            continue;
        }
        const char* entry = FindOption(known, arg, nameLength);
        if (entry == nullptr) {
            *status = UsageError(command, "unknown option '%.*s'", int(nameLength), arg);
            return false;
        }
        bool takesValue = entry[std::strlen(entry) - 1] == '=';
        std::string value;
        if (takesValue) {
            if (equals != nullptr) {
                value = equals + 1;
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                *status = UsageError(command, "option '%s' needs a value", name.c_str());
                return false;
            }
        } else if (equals != nullptr) {
            *status = UsageError(command, "option '%s' takes no value", name.c_str());
            return false;
        }
        out->optionNames.push_back(name);
        out->optionValues.push_back(value);
    }
    return true;
}

bool HasOption(const CommandLine& line, const char* name) {
    for (const std::string& given : line.optionNames)
        if (given == name) return true;
    return false;
}

const char* OptionValue(const CommandLine& line, const char* name) {
    const char* value = nullptr;
    for (std::size_t i = 0; i < line.optionNames.size(); ++i)
        if (line.optionNames[i] == name) value = line.optionValues[i].c_str();
    return value;
}
