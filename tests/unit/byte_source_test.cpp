// A file reads alike from disk and from memory: the decoders are written
// against one source, so every step they take must give the same bytes,
// counts, failures and positions over either.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/byte_source.h"
#include "tests/support/temp_files.h"

namespace {

// One step of a reader and what it gave: a result and the bytes it filled.
using Step = std::string (*)(ByteSource&);

std::string Filled(bool ok, const uint8_t* bytes, size_t n)
{
    return std::string(ok ? "ok " : "no ") + std::string(reinterpret_cast<const char*>(bytes), n);
}

std::string Field(ByteSource& in)
{
    int32_t v = -7;   // kept when the bytes are missing
    const bool ok = in.I32(v);
    return std::to_string(ok) + ":" + std::to_string(v);
}

std::string Block(ByteSource& in)
{
    uint8_t b[100];
    std::fill(b, b + sizeof b, 'k');   // larger than the scratch: checked against Remaining
    return Filled(in.Bytes(b, sizeof b), b, sizeof b);
}

std::string PartialRead(ByteSource& in)
{
    uint8_t b[7] = {};
    const size_t got = in.Partial(b, sizeof b);
    return std::to_string(got) + Filled(true, b, got);
}

std::string PlainRead(ByteSource& in)
{
    uint8_t b[5] = {};
    const size_t got = in.Read(b, sizeof b);
    return std::to_string(got) + Filled(true, b, got);
}

const std::vector<std::pair<const char*, Step>> kSteps = {
    {"field", Field},
    {"block", Block},
    {"partial", PartialRead},
    {"read", PlainRead},
    {"byte", [](ByteSource& in) { return std::to_string(in.Byte()); }},
    {"skip 9", [](ByteSource& in) { return std::to_string(in.Skip(9)); }},
    {"remaining", [](ByteSource& in) { return std::to_string(in.Remaining()); }},
    {"failed", [](ByteSource& in) { return std::to_string(in.Failed()); }},
    {"rewind", [](ByteSource& in) { in.Rewind(); return std::string(); }},
    {"seek 3", [](ByteSource& in) { return std::to_string(in.SeekTo(3)); }},
    {"seek past the end", [](ByteSource& in) { return std::to_string(in.SeekTo(1000)); }},
    {"back 2", [](ByteSource& in) { in.StepBack(2); return std::string(); }},
    {"to the end", [](ByteSource& in) { in.SkipToEnd(); return std::string(); }},
};

TEST(ByteSource, EveryStepGivesTheSameFromAFileAndFromMemory)
{
    TempDir dir;
    for (const std::string& bytes : {std::string(), std::string("abc"), std::string(150, 'x') + "0123456789"}) {
        const std::string path = dir.Write("f", bytes);
        // Every pair of steps, each from a fresh source, then the state after.
        for (const auto& first : kSteps)
            for (const auto& second : kSteps) {
                ByteSource onDisk, inMemory;
                ASSERT_TRUE(onDisk.Open(path.c_str()));
                ASSERT_TRUE(inMemory.Open(InputFile("f", bytes.data(), bytes.size())));
                std::string disk, memory;
                for (const auto* step : {&first, &second, &kSteps[0], &kSteps[6], &kSteps[7]}) {
                    disk += step->second(onDisk) + "|";
                    memory += step->second(inMemory) + "|";
                }
                EXPECT_EQ(memory, disk) << bytes.size() << " bytes: " << first.first << ", then " << second.first;
                EXPECT_FALSE(inMemory.IoError());
            }
    }
}

TEST(ByteSource, AFileThatCannotBeOpenedGivesNoSource)
{
    TempDir dir;
    ByteSource missing, folder;
    EXPECT_FALSE(missing.Open(dir.Path("missing").c_str()));
    EXPECT_FALSE(folder.Open(dir.Path("").c_str()));   // not a regular file
    OpenLimits lowered;
    lowered.pictureBytes = 12;
    InputFile input("name.jpg", "", 0);
    input.limits = lowered;
    ByteSource empty;
    ASSERT_TRUE(empty.Open(input));   // bytes in memory always open, empty ones too
    EXPECT_EQ(empty.Remaining(), 0);
    EXPECT_TRUE(empty.Limits().PictureAllowed(4, 1));    // a 12-byte block
    EXPECT_FALSE(empty.Limits().PictureAllowed(5, 1));   // 16 bytes
}

}  // namespace
