#include "cli/batch.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <thread>

#include "cli/text_output.h"

#ifndef _WIN32
#include <cerrno>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "cli/batch_memory.h"
#include "cli/interrupt.h"
#endif

namespace {

// The last component of a name, for the progress line.
std::string ShortName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class Progress {
public:
    Progress(bool shown, size_t total) : shown_(shown), total_(total) {}
    void Show(size_t done, const std::string& current)
    {
        if (!shown_)
            return;
        std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", done, total_, ShownName(ShortName(current)).c_str());
        std::fflush(stderr);
    }
    // Clears the line before other output, and at the end.
    void Clear()
    {
        if (!shown_)
            return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }

private:
    bool shown_;
    size_t total_;
};

}  // namespace

int ProcessorCount()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

#ifdef _WIN32

int RunBatch(const std::vector<BatchFile>& files, const BatchSettings& settings,
             bool (*convert)(const BatchFile& file, const void* context), const void* context)
{
    Progress progress(settings.progress, files.size());
    int failed = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        progress.Show(i, files[i].input);
        progress.Clear();
        if (!convert(files[i], context))
            ++failed;
    }
    progress.Clear();
    return failed;
}

#else

namespace {

// A worker process and what it told so far.
struct Worker {
    pid_t pid = -1;
    size_t index = 0;               // of the file it converts
    int slot = 0;                   // its number among the workers at a time
    std::FILE* messages = nullptr;  // its standard error
    int reports = -1;               // the read end of its temporary files' reports
    TemporaryFileReports temporary;
};

// Forks a worker for files[index]. False (nothing started) when no worker
// can be had.
bool StartWorker(const std::vector<BatchFile>& files, size_t index, int slot, std::vector<Worker>& running,
                 bool (*convert)(const BatchFile& file, const void* context), const void* context)
{
    std::FILE* messages = std::tmpfile();
    int pipeEnds[2];
    if (!messages || pipe(pipeEnds) != 0) {
        if (messages)
            std::fclose(messages);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
#ifdef __linux__
        // Ends with its parent, however the parent ends: SIGTERM, so that
        // its own handler removes its temporary file. A parent that ended
        // before this took hold is seen by its pid changing.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
        if (getppid() != parent)
            _exit(1);
        for (const Worker& other : running)
            close(other.reports);
        close(pipeEnds[0]);
        dup2(fileno(messages), STDERR_FILENO);
        // A parent gone is seen by the failed report, not by SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        ReportTemporaryFilesTo(pipeEnds[1]);
        WatchWorkerMemory(slot);
        ReleaseInterruptions();
        const bool converted = convert(files[index], context);
        std::fflush(nullptr);
        _exit(converted ? 0 : 1);
    }
    close(pipeEnds[1]);
    if (pid < 0) {
        close(pipeEnds[0]);
        std::fclose(messages);
        return false;
    }
    Worker worker;
    worker.pid = pid;
    worker.index = index;
    worker.slot = slot;
    worker.messages = messages;
    worker.reports = pipeEnds[0];
    running.push_back(std::move(worker));
    return true;
}

// Waits until a worker reports or ends (with `mask` while waiting, or the
// interruptions held when it is null; at most timeoutMs, -1 for no limit)
// and takes what came. Returns the workers that ended, with their wait
// status, taken out of `running`; their temporary files, where they left
// one, are removed.
std::vector<std::pair<Worker, int>> Wait(std::vector<Worker>& running, const sigset_t* mask, int timeoutMs)
{
    std::vector<pollfd> watched;
    for (const Worker& worker : running)
        watched.push_back({worker.reports, POLLIN, 0});
    timespec timeout = {timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
    std::vector<std::pair<Worker, int>> ended;
    if (ppoll(watched.data(), watched.size(), timeoutMs < 0 ? nullptr : &timeout, mask) <= 0)
        return ended;   // interrupted or timed out
    for (size_t i = watched.size(); i-- > 0;) {
        if (watched[i].revents == 0)
            continue;
        Worker& worker = running[i];
        char buffer[4096];
        const ssize_t n = read(worker.reports, buffer, sizeof buffer);
        if (n > 0) {
            worker.temporary.Take(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // The end of the reports: the worker has ended.
        int status = 0;
        while (waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
        }
        close(worker.reports);
        // A worker killed outright could not remove its file itself.
        if (!worker.temporary.Pending().empty())
            unlink(worker.temporary.Pending().c_str());
        ReturnWorkerMemory(worker.slot);
        ended.emplace_back(std::move(worker), status);
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return ended;
}

// Ends every worker (SIGTERM, so that each removes its own file; SIGKILL
// for one that has not ended after a while) and removes what they left.
void StopWorkers(std::vector<Worker>& running)
{
    for (const Worker& worker : running)
        kill(worker.pid, SIGTERM);
    for (int waited = 0; !running.empty(); waited += 100) {
        if (waited == 2000)
            for (const Worker& worker : running)
                kill(worker.pid, SIGKILL);
        for (auto& ended : Wait(running, nullptr, 100))
            std::fclose(ended.first.messages);
    }
}

}  // namespace

int RunBatch(const std::vector<BatchFile>& files, const BatchSettings& settings,
             bool (*convert)(const BatchFile& file, const void* context), const void* context)
{
    // Without a budget shared by the workers, one file at a time keeps the
    // batch within one open's.
    int limit = settings.jobs > 1 && ShareBatchMemory(settings.jobs) ? settings.jobs : 1;
    std::vector<bool> slotTaken(static_cast<size_t>(limit), false);
    std::vector<Worker> running;
    Progress progress(settings.progress, files.size());
    size_t next = 0, done = 0;
    int failed = 0;
    std::fflush(nullptr);   // nothing buffered may be written twice
    const sigset_t waitMask = HoldInterruptions();

    // Shows what a finished worker wrote and counts its outcome.
    auto finish = [&](Worker& worker, int status) {
        slotTaken[static_cast<size_t>(worker.slot)] = false;
        ++done;
        progress.Clear();
        std::rewind(worker.messages);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, worker.messages)) > 0)
            std::fwrite(buffer, 1, n, stderr);
        std::fclose(worker.messages);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            ++failed;
            if (!WIFEXITED(status))
                std::fprintf(stderr, "zavik: %s: not converted: the conversion ended abnormally (signal %d)\n",
                             ShownName(files[worker.index].input).c_str(), WTERMSIG(status));
        }
        if (next < files.size() || !running.empty())
            progress.Show(done, next < files.size() ? files[next].input : files[running.front().index].input);
    };

    for (;;) {
        if (const int signal = HeldInterruption()) {
            StopWorkers(running);
            progress.Clear();
            EndBatchMemory();
            EndAsInterrupted(signal);
        }
        if (next == files.size() && running.empty())
            break;
        if (next < files.size() && static_cast<int>(running.size()) < limit) {
            progress.Show(done, files[next].input);
            const int slot = static_cast<int>(std::find(slotTaken.begin(), slotTaken.end(), false) - slotTaken.begin());
            if (StartWorker(files, next, slot, running, convert, context)) {
                slotTaken[static_cast<size_t>(slot)] = true;
                ++next;
                continue;
            }
            if (running.empty()) {
                // No worker to be had: convert it here, as a single file is,
                // with this process's own interruption handling.
                progress.Clear();
                ReleaseInterruptions();
                if (!convert(files[next++], context))
                    ++failed;
                ++done;
                HoldInterruptions();
                continue;
            }
            // Go on with the workers there are.
            limit = static_cast<int>(running.size());
        }
        for (auto& ended : Wait(running, &waitMask, -1))
            finish(ended.first, ended.second);
    }
    progress.Clear();
    ReleaseInterruptions();
    EndBatchMemory();
    return failed;
}

#endif
