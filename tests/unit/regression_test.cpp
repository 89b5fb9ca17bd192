// Replays tests/regression/<target>/*: inputs the fuzz targets found faults
// with, and a few interesting corpus entries. Each runs through its reader
// exactly as the fuzz target runs it (fuzz/fuzz_driver.h) and must give the
// outcome in its sidecar NAME.expected (the reader's result, the picture
// size and the number of messages shown), twice alike, with the program
// state left consistent.
//
// ZAVIK_REGRESSION_UPDATE=1 writes the sidecars from what the readers give
// now (review the diff before keeping it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_driver.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"

namespace fs = std::filesystem;

namespace {

// The window the fuzz targets' runs stand for.
RecordingFrontEnd ui(reinterpret_cast<WindowHandle>(0x1234));

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Replay(Document& doc, FuzzTarget target, const std::string& bytes, const std::string& folder,
                   std::string* problem)
{
    ClearRecordedCalls();
    const FuzzOutcome outcome =
        RunFuzzInput(ui, doc, target, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), folder);
    *problem = outcome.problem;
    return outcome.Describe() + "messages " + std::to_string(Recorded().messages.size()) + "\n";
}

}  // namespace

TEST(Regression, EveryInputGivesItsOutcome)
{
    const fs::path top = ZAVIK_REGRESSION_DIR;
    TempDir dir;
    const std::string folder = dir.Path("work");
    ASSERT_TRUE(PrepareFuzzFolder(folder));
    // One document for the whole replay, as a fuzzing process keeps one from
    // input to input.
    Document doc;
    const bool update = std::getenv("ZAVIK_REGRESSION_UPDATE") != nullptr;

    int replayed = 0;
    for (FuzzTarget target : AllFuzzTargets()) {
        const fs::path folderOfTarget = top / FuzzTargetName(target);
        if (!fs::is_directory(folderOfTarget))
            continue;
        std::vector<fs::path> inputs;
        for (const auto& entry : fs::directory_iterator(folderOfTarget))
            if (entry.is_regular_file() && entry.path().extension() != ".expected")
                inputs.push_back(entry.path());
        std::sort(inputs.begin(), inputs.end());
        for (const fs::path& input : inputs) {
            SCOPED_TRACE(input.string());
            const std::string bytes = ReadText(input);
            std::string problem, again;
            const std::string outcome = Replay(doc, target, bytes, folder, &problem);
            EXPECT_EQ(problem, "");
            EXPECT_EQ(Replay(doc, target, bytes, folder, &again), outcome) << "not the same twice";
            fs::path sidecar = input;
            sidecar += ".expected";
            if (update)
                std::ofstream(sidecar, std::ios::binary) << outcome;
            else
                EXPECT_EQ(outcome, ReadText(sidecar));
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0) << "nothing found under " << top;
}
