// rvftool: makes RVF meshes and Targa normal maps from the files a user has, and looks inside
// meshes without a display. One command per run, named by the first argument.
#include <cstdio>
#include <cstring>

#include "platform/Progress.h"
#include "tools/common/CommandLine.h"
#include "tools/rvftool/Commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
};

const Command kCommands[] = {
    {"info", RunInfo}, {"convert", RunConvert},   {"import", RunImport},
    {"map", RunMap},   {"tangents", RunTangents},
};

const char kUsage[] =
    "Usage: rvftool COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "Makes RVF meshes and Targa normal maps for the tools of the family, and looks inside meshes.\n"
    "\n"
    "Commands:\n"
    "  info MESH                 triangles, welded vertices, bounds, degenerate triangles,\n"
    "                            texture-coordinate range, tangents (--json for scripts)\n"
    "  convert IN OUT.rvf        an SMD mesh or bare triangle data to an RVF mesh\n"
    "  import IN OUT.rvf         any mesh Assimp reads (OBJ, PLY, glTF, FBX, ...) to an RVF mesh\n"
    "  map IN OUT.tga            a PNG, JPEG or Targa normal map to a 24- or 32-bit Targa\n"
    "  tangents MESH [OUT]       smoothed per-corner tangent frames as text or binary\n"
    "\n"
    "Run 'rvftool COMMAND --help' for one command's options, 'rvftool --version' for the version.\n"
    "Exit status: 0 on success, 1 when the work failed, 2 for a command line that cannot be obeyed.\n"
    "Output files appear only when complete: a failure leaves an existing file as it was.\n";

const Command* FindCommand(const char* name) {
    for (const Command& command : kCommands)
        if (std::strcmp(command.name, name) == 0) return &command;
    return nullptr;
}

int UnknownCommand(const char* name) { return UsageError(nullptr, "unknown command '%s'", name); }

}  // namespace

int main(int argc, char** argv) {
    SetProgramName("rvftool");
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const char* name = argv[1];
    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (std::strcmp(name, "--version") == 0) return PrintVersion();
    if (std::strcmp(name, "help") == 0) {
        if (argc < 3) {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        const Command* command = FindCommand(argv[2]);
        if (command == nullptr) return UnknownCommand(argv[2]);
        char help[] = "--help";
        char* helpArgv[] = {argv[2], help, nullptr};
        return command->run(2, helpArgv);
    }
    const Command* command = FindCommand(name);
    if (command == nullptr) return UnknownCommand(name);
    ProgressInit("rvftool");
    AtomicOutputInstallCleanup();
    return command->run(argc - 1, argv + 1);
}
