// Decoding on many threads at once gives what decoding on one gives.
//
// Every file under samples/ and tests/regression/ is decoded once on the
// test's own thread; then 8 threads decode all of them together for a
// number of rounds, each walking the list from its own start so that
// different files (and sizes of pixel block) meet, and every result must be
// the first one: the result code, the pictures (size, headers and bytes),
// the alpha mask, the texts the file gives and the messages the decoder
// lists, in order. Run under ThreadSanitizer (the native-tsan preset, many
// rounds) it also fails on any data race the decoders have.
//
// The files are decoded through the readers that fill caller-owned values
// and list their messages (not the open steps of the viewer, which commit
// into the program-wide objects and show the messages themselves); the kind
// comes from the file's first bytes and its name, as the viewer decides it.
// The sections without a head of their own (tests/regression/huffman and
// packed) go to the section readers their folder names.
//
// ZAVIK_DECODE_ROUNDS sets the number of rounds (3 unless set).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "formats/painter/canvas_reader.h"
#include "formats/painter/huffman.h"
#include "formats/painter/item_reader.h"
#include "formats/painter/magic.h"
#include "formats/painter/painter_reader.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "image/messages.h"
#include "image/open_file.h"
#include "image/pixel_block.h"
#include "tests/support/recording_platform.h"

namespace fs = std::filesystem;

namespace {

constexpr int kThreads = 8;
// A file whose pictures pass this (a decoding bomb: up to three 256 MiB
// blocks while it decodes) is decoded here once, on this thread, and left
// out of the rounds: eight side by side would take 6 GiB (under
// ThreadSanitizer, whose shadow doubles it, more still), and two would pass
// a 32-bit process's address space. Its sections go through the same
// readers as the smaller canvases'.
constexpr int64_t kHeavyBytes = int64_t{64} << 20;

// A picture as a decoder left it: its size, headers and path, and its
// pixels, or a mask (moved out of the decoder's, never copied: a bomb's
// picture is 256 MiB).
struct Shot {
    std::string head;
    ByteBuffer pixels;

    bool operator==(const Shot& o) const
    {
        return head == o.head && pixels.length == o.pixels.length &&
               (pixels.length == 0 || std::memcmp(pixels.data, o.pixels.data, static_cast<size_t>(pixels.length)) == 0);
    }
};

// Everything one decode gives, in a form that compares whole.
struct Outcome {
    std::vector<int> results;
    std::vector<Shot> pictures;
    Shot mask;
    std::string texts;
    std::vector<std::string> messages;   // id, whole text and caption

    bool operator==(const Outcome& o) const
    {
        return results == o.results && pictures == o.pictures && mask == o.mask && texts == o.texts &&
               messages == o.messages;
    }
};

void AddPicture(Outcome& out, RasterImage& picture)
{
    uint8_t headers[kFileHeaderBytes + kInfoHeaderBytes];
    StoreFileHeader(picture.fileHeader, headers);
    StoreInfoHeader(picture.info.bmiHeader, headers + kFileHeaderBytes);
    Shot shot;
    shot.head = std::to_string(picture.width) + "x" + std::to_string(picture.height) + "/" +
                std::to_string(picture.stride) + " " + picture.path + "|";
    shot.head.append(reinterpret_cast<const char*>(headers), sizeof headers);
    shot.pixels = std::move(picture.pixels);
    out.pictures.push_back(std::move(shot));
}

void AddMessages(Outcome& out, const MessageList& messages)
{
    for (const Message& m : messages)
        out.messages.push_back(std::to_string(static_cast<int>(m.id)) + " " + Cp932MessageText(m.id, m.argument.c_str()) +
                               "\n" + TextOfMessage(m.id).caption);
}

// The first 12 bytes, zero after a short file's end; false when it cannot
// be opened.
bool ReadHead(const std::string& path, uint8_t head[12])
{
    std::memset(head, 0, 12);
    std::FILE* file = OpenRegularFile(path.c_str());
    if (!file)
        return false;
    const size_t got = std::fread(head, 1, 12, file);
    (void)got;
    std::fclose(file);
    return true;
}

Outcome DecodeSection(const std::string& path, bool huffman)
{
    Outcome out;
    ByteSource reader;
    if (!reader.Open(path.c_str())) {
        out.results.push_back(-1000);
        return out;
    }
    if (huffman) {
        RasterImage picture;
        out.results.push_back(HuffDecodeImg(reader, picture));
        AddPicture(out, picture);
    } else {
        for (int32_t side : {kPenPictureSize, kPainterPictureSize}) {
            RasterImage picture;
            reader.Rewind();
            out.results.push_back(ReadPackedPicture(reader, side, side, picture));
            AddPicture(out, picture);
        }
    }
    return out;
}

Outcome DecodeFile(const std::string& path)
{
    const std::string folder = fs::path(path).parent_path().filename().string();
    if (folder == "huffman" || folder == "packed")
        return DecodeSection(path, folder == "huffman");

    Outcome out;
    uint8_t head[12];
    if (!ReadHead(path, head)) {
        out.results.push_back(-1000);
        return out;
    }
    MessageList messages;
    if (IsItemMagic(head)) {
        ItemContents item;
        ByteSource in;
        out.results.push_back(in.Open(path.c_str()) ? static_cast<int>(DecodeItemFile(in, item)) : -1000);
        AddPicture(out, item.picture);
        out.texts = std::to_string(item.itemKind) + "|" + item.record.name + "|" + item.explanation;
    } else if (IsPainterMagic(head)) {
        PainterRecord painter;
        RasterImage picture;
        ByteSource in;
        if (!in.Open(path.c_str())) {
            out.results.push_back(-1000);
            return out;
        }
        out.results.push_back(static_cast<int>(DecodePainter(in, painter, picture, messages)));
        AddPicture(out, picture);
        AddPicture(out, painter.fillPenPicture);
        AddPicture(out, painter.outlinePenPicture);
        out.texts = std::string(painter.name) + "|" + painter.fillPenName + "|" + painter.outlinePenName + "|" +
                    painter.memo;
    } else if (IsCanvasMagic(head)) {
        CanvasContents canvas;
        ByteSource in;
        out.results.push_back(in.Open(path.c_str()) ? static_cast<int>(DecodeCanvasFile(in, canvas, messages)) : -1000);
        AddPicture(out, canvas.picture);
        out.texts = std::string(canvas.subjectPath) + "|" + canvas.painterPath;
    } else if (IsPNGSignature(head)) {
        RasterImage picture;
        ByteBuffer mask;
        bool alpha = false;
        const int result = ReadPNG(path.c_str(), picture, &mask, &alpha);
        out.results = {result, alpha};
        MessageId id;
        if (PNGReadMessage(result, id))
            AddMessages(out, {Message{id, ""}});
        AddPicture(out, picture);
        out.mask.pixels = std::move(mask);
    } else if (IsBMPName(path.c_str()) && head[0] == 'B' && head[1] == 'M') {
        RasterImage picture;
        out.results.push_back(ReadBMP(path.c_str(), picture));
        AddPicture(out, picture);
    } else if (IsJPEGName(path.c_str())) {
        RasterImage picture;
        out.results.push_back(ReadJPEG(path.c_str(), picture));
        AddPicture(out, picture);
    } else {
        out.results.push_back(-1001);   // a kind the viewer does not open
    }
    AddMessages(out, messages);
    return out;
}

std::vector<std::string> InputFiles()
{
    std::vector<std::string> files;
    for (const char* top : {ZAVIK_SAMPLES_DIR, ZAVIK_REGRESSION_DIR})
        for (const auto& entry : fs::recursive_directory_iterator(top))
            if (entry.is_regular_file())
                files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

int Rounds()
{
    const char* text = std::getenv("ZAVIK_DECODE_ROUNDS");
    const int rounds = text ? std::atoi(text) : 3;
    return rounds > 0 ? rounds : 3;
}

}  // namespace

TEST(DecodeThreads, EveryFileDecodesAsOnOneThread)
{
    const std::vector<std::string> files = InputFiles();
    ASSERT_GT(files.size(), 20u);
    std::vector<Outcome> expected;
    for (const std::string& file : files)
        expected.push_back(DecodeFile(file));
    // Some file in the rounds must give a picture of a large block's size,
    // so that each thread keeps blocks and takes them again: the two BMPs of
    // 1024 x 683 whose rows are mostly missing take each other's block,
    // which must be cleared again.
    std::vector<bool> heavy;
    int largeEveryRound = 0;
    for (Outcome& o : expected) {
        int64_t bytes = 0, largest = 0;
        for (const Shot& p : o.pictures) {
            bytes += p.pixels.length;
            largest = std::max<int64_t>(largest, p.pixels.length);
        }
        heavy.push_back(bytes > kHeavyBytes);
        if (heavy.back())
            o = Outcome();
        else if (largest >= static_cast<int64_t>(kLargeBlockBytes))
            ++largeEveryRound;
    }
    ReleaseSpareBlocks();   // what this thread kept of the bombs
    ASSERT_GE(largeEveryRound, 1);

    const int rounds = Rounds();
    std::vector<std::vector<std::string>> differences(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const size_t n = files.size();
            for (int round = 0; round < rounds; ++round) {
                for (size_t i = 0; i < n; ++i) {
                    const size_t k = (i + static_cast<size_t>(t) * n / kThreads) % n;
                    if (heavy[k])
                        continue;
                    if (!(DecodeFile(files[k]) == expected[k]))
                        differences[t].push_back(files[k] + " (round " + std::to_string(round) + ")");
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        for (const std::string& difference : differences[t])
            ADD_FAILURE() << "thread " << t << ": not as on one thread: " << difference;
    // The readers list their messages; none shows one itself.
    EXPECT_TRUE(Recorded().messages.empty());
}
