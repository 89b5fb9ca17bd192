#include "cli/batch.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>

#include "cli/batch_memory.h"
#include "cli/cli_platform.h"
#include "cli/interrupt.h"
#include "cli/text_output.h"
#include "image/pixel_block.h"

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

// A file's conversion and what it left to show.
struct Conversion {
    size_t index = 0;
    bool converted = false;
    std::string messages;   // its error texts
    std::thread thread;
};

}  // namespace

int ProcessorCount()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

int RunBatch(const std::vector<BatchFile>& files, const BatchSettings& settings,
             bool (*convert)(const BatchFile& file, SaveWatcher& watcher, const void* context),
             const void* context)
{
    size_t limit = static_cast<size_t>(std::max(settings.jobs, 1));
    // One file at a time holds one open's budget by itself.
    const bool shareMemory = limit > 1;
    BatchControl control;
    if (shareMemory)
        StartBatchMemory();
    Progress progress(settings.progress, files.size());
    std::list<Conversion> running;   // in the order they started
    std::mutex endedLock;
    std::vector<std::list<Conversion>::iterator> ended;   // in the order they ended, not yet shown
    size_t next = 0, done = 0;
    int failed = 0;

    // On the conversion's thread.
    auto run = [&](Conversion& conversion) {
        ThreadMessageLog log;
        KeepErrorTexts(&conversion.messages);
        if (shareMemory)
            StartFileMemory();
        conversion.converted = convert(files[conversion.index], control, context);
        // What the thread kept for reuse goes back as this file's, as it
        // would at the end of a process of its own.
        ReleaseSpareBlocks();
        if (shareMemory)
            EndFileMemory();
        KeepErrorTexts(nullptr);
    };
    // Shows what a finished conversion wrote and counts its outcome.
    auto show = [&](const Conversion& conversion) {
        ++done;
        progress.Clear();
        std::fwrite(conversion.messages.data(), 1, conversion.messages.size(), stderr);
        if (!conversion.converted)
            ++failed;
    };

    for (;;) {
        if (control.Interruption()) {
            control.Stop();
            if (BatchControl::kWaitsForConversions)
                for (Conversion& conversion : running)
                    conversion.thread.join();
            progress.Clear();
            control.EndInterrupted();
        }
        if (next == files.size() && running.empty())
            break;
        if (next < files.size() && running.size() < limit) {
            progress.Show(done, files[next].input);
            const auto conversion = running.emplace(running.end());
            conversion->index = next;
            try {
                conversion->thread = std::thread([&, conversion] {
                    run(*conversion);
                    {
                        std::lock_guard<std::mutex> lock(endedLock);
                        ended.push_back(conversion);
                    }
                    control.Notify();
                });
                ++next;
                continue;
            } catch (const std::system_error&) {
                running.erase(conversion);
            }
            if (running.empty()) {
                // No thread to be had: convert it on this one (an
                // interruption then waits for the file).
                Conversion alone;
                alone.index = next++;
                run(alone);
                show(alone);
                continue;
            }
            // Go on with the threads there are.
            limit = running.size();
        }
        control.Wait();
        std::vector<std::list<Conversion>::iterator> taken;
        {
            std::lock_guard<std::mutex> lock(endedLock);
            taken.swap(ended);
        }
        for (const auto& conversion : taken) {
            conversion->thread.join();
            const Conversion finished = std::move(*conversion);
            running.erase(conversion);
            show(finished);
            if (next < files.size() || !running.empty())
                progress.Show(done, next < files.size() ? files[next].input : files[running.front().index].input);
        }
    }
    progress.Clear();
    if (shareMemory)
        EndBatchMemory();
    return failed;
}
