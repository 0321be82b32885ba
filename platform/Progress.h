// Progress of long work on standard error. A line appears only when standard error is a
// terminal and the stage has run for over a second; it is redrawn in place a few times a
// second from a thread of its own, so that a long library call shows its elapsed time, and it
// is wiped when the stage ends. Anything else leaves the console exactly as it was.
#ifndef PLATFORM_PROGRESS_H
#define PLATFORM_PROGRESS_H

#include <cstddef>

// Keeps a descriptor of the standard error the process started with, so that progress still
// reaches the terminal while a library call's console output is being captured; the lines
// begin with `program` and ": ". Called once at start-up; `program` outlives the process's work.
void ProgressInit(const char* program);

// Starts a stage called `what`; `total` is the amount of work, or 0 when only the elapsed time
// can be shown. One stage at a time.
void ProgressBegin(const char* what, std::size_t total);

// Reports that `done` of the stage's total is finished.
void ProgressUpdate(std::size_t done);

// Ends the stage and wipes its line.
void ProgressEnd();

#endif
