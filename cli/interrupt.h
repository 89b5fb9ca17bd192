// An interrupted tool leaves no temporary file: on SIGINT, SIGTERM, SIGHUP
// (the terminal closed) or SIGQUIT the temporary file of the save under way
// (safe_output.h) is removed before the program ends as the signal ends it.
//
// A batch's workers are forked after this is set up, so each removes its
// own; each also tells its parent the name of its temporary file before the
// file can exist, so that the parent can remove the file of a worker that
// was killed outright (SIGKILL, as the out-of-memory killer sends). The
// parent holds interruptions back while it starts and follows its workers
// and takes them only while it waits, so that it can stop its workers and
// remove their files before it ends.
#pragma once

#include <cstddef>
#include <string>

// Installs the handlers (not over a signal the caller chose to ignore) and
// starts following the saves' temporary files. Nothing on Windows, where a
// file still open cannot be removed from a handler.
void RemoveTemporaryFilesOnInterrupt();

#ifndef _WIN32

#include <signal.h>

// In a batch worker: tells every temporary file's event through `fd` as
// well (records that TemporaryFileReports reads), the name before the file
// may exist.
void ReportTemporaryFilesTo(int fd);

// What a worker told its parent of its temporary file so far.
class TemporaryFileReports {
public:
    // Takes bytes read from the worker's report descriptor.
    void Take(const char* bytes, size_t count);
    // The file that may exist now: one whose making was announced and that
    // was not yet renamed or removed. Empty when there is none.
    const std::string& Pending() const { return pending_; }

private:
    std::string unread_;    // the start of a record not complete yet
    std::string pending_;
};

// In the batch's parent: installs handlers that only note the signal on the
// interruptions the program handles, and holds them blocked. Returns the
// signal mask to wait with (ppoll), under which they are taken.
sigset_t HoldInterruptions();
// The interruption that came while waiting, or 0.
int HeldInterruption();
// Puts back the handlers and the mask from before HoldInterruptions (in a
// worker, right after it is forked).
void ReleaseInterruptions();
// Ends the program as `signal` ends it, whatever handler it had.
[[noreturn]] void EndAsInterrupted(int signal);

#endif
