// rvftool's commands, one per file, each called with its own arguments.
#ifndef TOOLS_RVFTOOL_COMMANDS_H
#define TOOLS_RVFTOOL_COMMANDS_H

// Entry points of the commands; argv[0] is the command's name. Each returns the exit status.
int RunInfo(int argc, char** argv);
int RunConvert(int argc, char** argv);
int RunImport(int argc, char** argv);
int RunMap(int argc, char** argv);
int RunTangents(int argc, char** argv);

#endif
