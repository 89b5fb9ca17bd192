// The library on many threads at once gives what it gives on one: every
// file under samples/ and tests/regression/ is opened through zavik.h once
// on the test's thread, then by 8 threads together for a number of rounds
// (each from its own start in the list, every other open from memory), and
// each open must give the first one's status, kind, properties, messages,
// view at 100 % and thumbnail. Under ThreadSanitizer (the native-tsan
// preset, many rounds) it fails on any data race behind the interface.
//
// ZAVIK_DECODE_ROUNDS sets the number of rounds (3 unless set).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <zavik/zavik.h>

namespace fs = std::filesystem;

namespace {

constexpr int kThreads = 8;
// Pictures larger than this (the decoding bombs) are opened once, here:
// eight side by side would take gigabytes.
constexpr long long kHeavyPixels = 16LL << 20;

struct Outcome {
    int status = -1;
    int kind = -1;
    std::string properties;
    std::vector<std::string> messages;
    std::vector<unsigned char> view, thumbnail;

    bool operator==(const Outcome& o) const
    {
        return status == o.status && kind == o.kind && properties == o.properties && messages == o.messages &&
               view == o.view && thumbnail == o.thumbnail;
    }
};

std::vector<unsigned char> Pixels(zavik_file* file, bool thumbnail)
{
    int width = 0, height = 0;
    if ((thumbnail ? zavik_thumbnail_size(file, 128, &width, &height) : zavik_view_size(file, 100, &width, &height)) !=
        ZAVIK_OK)
        return {};
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4 + 1);
    const zavik_status status = thumbnail ? zavik_thumbnail_rgba(file, 128, rgba.data(), width * 4u)
                                          : zavik_view_rgba(file, 100, rgba.data(), width * 4u);
    return status == ZAVIK_OK ? rgba : std::vector<unsigned char>{};
}

Outcome Open(const std::string& path, bool fromMemory)
{
    Outcome o;
    zavik_file* file = nullptr;
    if (fromMemory) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        o.status = zavik_open_memory(bytes.data(), bytes.size(), path.c_str(), &file);
    } else {
        o.status = zavik_open_path(path.c_str(), &file);
    }
    if (!file)
        return o;
    o.kind = zavik_file_kind(file);
    o.properties = zavik_properties_json(file);
    for (size_t i = 0; i < zavik_message_count(file); ++i)
        o.messages.push_back(std::to_string(zavik_message_id(file, i)) + " " + zavik_message_caption(file, i) +
                             ": " + zavik_message_text(file, i));
    if (o.status == ZAVIK_OK && static_cast<long long>(zavik_width(file)) * zavik_height(file) <= kHeavyPixels) {
        o.view = Pixels(file, false);
        o.thumbnail = Pixels(file, true);
    }
    zavik_close(file);
    return o;
}

std::vector<std::string> Files()
{
    std::vector<std::string> files;
    for (const char* top : {ZAVIK_SAMPLES_DIR, ZAVIK_REGRESSION_DIR})
        for (const auto& entry : fs::recursive_directory_iterator(top)) {
            const std::string name = entry.path().string();
            if (entry.is_regular_file() && name.find(".expected") == std::string::npos &&
                entry.path().extension() != ".md" && entry.path().extension() != ".py")
                files.push_back(name);
        }
    std::sort(files.begin(), files.end());
    return files;
}

int Rounds()
{
    const char* rounds = std::getenv("ZAVIK_DECODE_ROUNDS");
    return rounds ? std::max(1, std::atoi(rounds)) : 3;
}

TEST(LibraryThreads, ManyOpensAtOnceGiveWhatOneGives)
{
    const std::vector<std::string> files = Files();
    ASSERT_GT(files.size(), 40u);
    std::vector<Outcome> expected;
    std::vector<size_t> light;
    for (size_t i = 0; i < files.size(); ++i) {
        expected.push_back(Open(files[i], false));
        EXPECT_EQ(Open(files[i], true), expected.back()) << files[i] << ": from memory";
        if (expected.back().status != ZAVIK_OK || !expected.back().view.empty())
            light.push_back(i);
    }
    const int rounds = Rounds();
    std::vector<std::vector<std::string>> differences(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < rounds; ++round)
                for (size_t k = 0; k < light.size(); ++k) {
                    const size_t i = light[(k + t * light.size() / kThreads) % light.size()];
                    if (!(Open(files[i], (k + t + round) % 2 == 1) == expected[i]))
                        differences[t].push_back(files[i]);
                }
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_TRUE(differences[t].empty()) << "thread " << t << ": " << differences[t].size()
                                            << " differences, first " << differences[t].front();
}

}  // namespace
