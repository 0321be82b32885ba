// Output files that appear only when complete. The bytes go to a temporary file beside the
// target (same directory, so the final rename cannot cross file systems); committing flushes,
// syncs, closes and renames it into place, and every failure removes it, so the user's file at
// the target is either the old one untouched or the new one whole.
#ifndef TOOLS_RVFTOOL_ATOMICOUTPUT_H
#define TOOLS_RVFTOOL_ATOMICOUTPUT_H

#include <cstdio>
#include <string>

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

#endif
