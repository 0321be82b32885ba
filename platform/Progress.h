// Progress of long work on standard error. Nothing appears until the work has run for over a
// second. On a terminal one line is redrawn in place a few times a second from a thread of its
// own, so that a long library call shows its elapsed time, and it is wiped when the work ends.
// Elsewhere (a pipe, a file) the work shows either nothing or, when asked, a few plain lines:
// one when a stage is first shown, one every few seconds while it lasts and one at the end.
#ifndef PLATFORM_PROGRESS_H
#define PLATFORM_PROGRESS_H

#include <cstddef>

// What work shows when standard error is not a terminal.
enum ProgressOffTerminal { kProgressSilent, kProgressPlainLines };

// Keeps a descriptor of the standard error the process started with, so that progress still
// reaches it while a library call's console output is being captured; the lines begin with
// `program` and ": ". Called at start-up, before any work; `program` outlives the process's
// work.
void ProgressInit(const char* program, ProgressOffTerminal offTerminal = kProgressSilent);

// Starts work whose first stage is called `what`; `total` is the stage's amount of work, or 0
// when only the elapsed time can be shown. One piece of work at a time.
void ProgressBegin(const char* what, std::size_t total);

// Moves the work on to its next stage, called `what`, with `total` as in ProgressBegin; the
// time counts on from ProgressBegin.
void ProgressNext(const char* what, std::size_t total);

// Reports that `done` of the stage's total is finished.
void ProgressUpdate(std::size_t done);

// Ends the work: wipes its line on a terminal, or prints how long it took after plain lines.
void ProgressEnd();

#endif
