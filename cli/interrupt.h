// An interrupted tool leaves no temporary file: on SIGINT or SIGTERM the
// temporary file of the save under way (safe_output.h) is removed before
// the program ends as the signal ends it. Batch workers are forked after
// this is set up, so each removes its own.
#pragma once

// Installs the handlers (not over a signal the caller chose to ignore) and
// starts following the saves' temporary files. Nothing on Windows, where a
// file still open cannot be removed from a handler.
void RemoveTemporaryFilesOnInterrupt();
