#include "cli/batch.h"

#include <cstdio>
#include <map>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
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
        std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", done, total_, ShortName(current).c_str());
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

int RunBatch(const std::vector<BatchFile>& files, const BatchSettings& settings,
             bool (*convert)(const BatchFile& file, const void* context), const void* context)
{
    struct Worker {
        size_t index;
        std::FILE* messages;   // the worker's standard error
    };
    std::map<pid_t, Worker> running;
    Progress progress(settings.progress, files.size());
    size_t next = 0, done = 0;
    int failed = 0;
    std::fflush(nullptr);   // nothing buffered may be written twice

    // Shows what a finished worker wrote and counts its outcome.
    auto finish = [&](pid_t pid, int status) {
        const auto found = running.find(pid);
        if (found == running.end())
            return;
        const Worker worker = found->second;
        running.erase(found);
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
                std::fprintf(stderr, "zavik: %s: the conversion ended abnormally\n", files[worker.index].input.c_str());
        }
        if (next < files.size() || !running.empty())
            progress.Show(done, next < files.size() ? files[next].input : files[running.begin()->second.index].input);
    };

    while (next < files.size() || !running.empty()) {
        if (next < files.size() && static_cast<int>(running.size()) < settings.jobs) {
            const size_t index = next++;
            progress.Show(done, files[index].input);
            std::FILE* messages = std::tmpfile();
            const pid_t pid = messages ? fork() : -1;
            if (pid == 0) {
                dup2(fileno(messages), STDERR_FILENO);
                const bool converted = convert(files[index], context);
                std::fflush(nullptr);
                _exit(converted ? 0 : 1);
            }
            if (pid < 0) {
                // No worker to be had: convert it here, as a single file is.
                if (messages)
                    std::fclose(messages);
                progress.Clear();
                ++done;
                if (!convert(files[index], context))
                    ++failed;
                continue;
            }
            running[pid] = Worker{index, messages};
            continue;
        }
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0)
            break;   // no child left to wait for
        finish(pid, status);
    }
    progress.Clear();
    return failed;
}

#endif
