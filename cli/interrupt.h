// An interrupted tool leaves no temporary file and no partial output.
//
// A single save: on SIGINT, SIGTERM, SIGHUP (the terminal closed) or SIGQUIT
// the temporary file of the save under way is removed by the signal's
// handler, from a fixed buffer, before the program ends as the signal ends
// it (nothing on Windows, where a file still open cannot be removed).
//
// A batch converts its files on threads of one process (batch.h). Its
// threads never take an interruption: the main thread holds them back while
// it starts and follows the conversions and takes them only while it waits
// (the handler just notes the signal). It then stops the saves (no new
// temporary file, no rename, no write in place begins; one being made or
// written in place is let finish), removes every temporary file the saves
// made and ends as the signal ends it. On Windows Ctrl-C, Ctrl-Break and a
// closed console do the same, except that the conversions under way are let
// end first (their saves stopped), since a file still open cannot be
// removed. A batch killed outright (SIGKILL, as the out-of-memory killer
// sends) cannot clean up after itself: a small guard process, forked when
// the batch starts, is told each temporary file's name before the file can
// exist and removes those still there once the batch is gone.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "formats/standard/safe_output.h"

// Installs the handlers (not over a signal the caller chose to ignore).
// Nothing on Windows.
void RemoveTemporaryFilesOnInterrupt();

// The watcher of the tool's single saves (on the main thread): it keeps the
// temporary file's name where the handler finds it. Null on Windows.
SaveWatcher* SingleSaveWatcher();

// A batch's side of the interruptions and its saves' watcher, from its
// start (before its first thread) to its end.
class BatchControl final : public SaveWatcher {
public:
    BatchControl();
    ~BatchControl();
    BatchControl(const BatchControl&) = delete;
    BatchControl& operator=(const BatchControl&) = delete;

    // Called by the saves of the batch's threads.
    bool Follow(TemporaryFileEvent event, const char* name) override;

    // On the main thread: waits until Notify is called (from any thread) or
    // an interruption comes.
    void Wait();
    void Notify();
    // The interruption that came (a signal number; 1 for a Windows console
    // event), or 0.
    int Interruption() const;

    // On the main thread, once an interruption came: stops the saves and,
    // where an open file can be removed, removes their temporary files.
    void Stop();
    // True when the conversions under way must end before the batch does
    // (Windows).
    static const bool kWaitsForConversions;
    // After Stop (and on Windows once every conversion ended): removes what
    // is left and ends the program as the interruption ends it.
    [[noreturn]] void EndInterrupted();

private:
    struct Platform;
    // Lets no save begin a step that Follow may refuse, waits for the files
    // being made and the writes in place, and returns the temporary files.
    std::vector<std::string> StopSaves();
    void Report(TemporaryFileEvent event, const std::string& name);   // to the guard

    std::mutex mutex_;
    std::condition_variable idle_;
    bool stopping_ = false;
    int busy_ = 0;                        // files being made, writes in place under way
    std::vector<std::string> temporary_;   // the files the saves may have made
    std::unique_ptr<Platform> platform_;
};
