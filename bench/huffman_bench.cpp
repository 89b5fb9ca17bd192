// Decoding a canvas whose main picture is a 4000 x 3000 Huffman section
// (36 MB of pixel data), against zlib's inflate of the same pixel data
// deflated at the default level, in the same process.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/open_readers.h"
#include "cli/cli_platform.h"
#include "formats/painter/canvas_reader.h"
#include "formats/painter/huffman.h"
#include "image/pixel_block.h"
#include "tools/writers/canvas_file_writer.h"
#include "tools/writers/huffman_writer.h"

namespace {

constexpr int32_t kWidth = 4000, kHeight = 3000;

// 0: a painting: soft colour fields with brush grain and a few hard
// strokes, about 7.3 bits a byte under the section's code (close to the
// worst case for a byte code). 1: a drawing on white paper, mostly ground.
void MakePicture(RasterImage& picture, int kind)
{
    picture.ResizeAndFill(kWidth, kHeight, 0);
    uint32_t noise = 12345;
    for (int32_t row = 0; row < kHeight; ++row) {
        uint8_t* line = picture.pixels.data + int64_t{row} * picture.stride;
        for (int32_t x = 0; x < kWidth; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 28) & 7);
            uint8_t* p = line + 3 * x;
            if (kind == 0) {
                const bool stroke = ((x + 2 * row) % 157) < 6;
                p[0] = static_cast<uint8_t>(stroke ? 40 + grain : 90 + x / 40 + grain);
                p[1] = static_cast<uint8_t>(stroke ? 30 + grain : 120 + row / 30 + grain);
                p[2] = static_cast<uint8_t>(stroke ? 20 + grain : 60 + (x + row) / 70 + grain);
            } else {
                const bool stroke = ((x / 7 + row / 5) % 23 < 2) || ((x * 3 + row) % 61 < 2);
                const int ground = 255 - (grain >> 1);
                p[0] = static_cast<uint8_t>(stroke ? 30 + grain : ground);
                p[1] = static_cast<uint8_t>(stroke ? 25 + grain : ground);
                p[2] = static_cast<uint8_t>(stroke ? 20 + grain : ground);
            }
        }
    }
    picture.FillHeaders();
}

struct Inputs {
    RasterImage picture;
    std::string canvasPath;
    std::vector<uint8_t> section;   // the Huffman section alone
    HuffmanNode nodes[kHuffmanNodes];
    std::vector<uint8_t> deflated;

    explicit Inputs(int kind)
    {
        MakePicture(picture, kind);
        canvasPath = (std::filesystem::temp_directory_path() /
                      ("zavik_bench_huffman" + std::to_string(kind) + ".cnv")).string();
        CanvasFileFields fields;
        fields.painterPath = "bench.esi";
        fields.mainFormat = kCanvasHuffmanPicture;
        fields.mainPicture = &picture;
        WriteCanvasFile(canvasPath.c_str(), fields);

        section = HuffmanSectionBytes(picture);
        float weights[kHuffmanSymbols];
        CountHuffmanWeights(picture.pixels.data, static_cast<size_t>(picture.pixels.length), weights);
        BuildHuffmanTree(weights, nodes);

        uLongf length = compressBound(static_cast<uLong>(picture.pixels.length));
        deflated.resize(length);
        compress2(deflated.data(), &length, picture.pixels.data, static_cast<uLong>(picture.pixels.length),
                  Z_DEFAULT_COMPRESSION);
        deflated.resize(length);
    }
    const uint8_t* Coded() const { return section.data() + kHuffmanHeadBytes + kHuffmanWeightBytes; }
    int32_t CodedLength() const
    {
        return static_cast<int32_t>(section.size()) - kHuffmanHeadBytes - kHuffmanWeightBytes;
    }
};

const Inputs& TheInputs(const benchmark::State& state)
{
    static const Inputs painting(0), drawing(1);
    return state.range(0) ? drawing : painting;
}

void Report(benchmark::State& state, int64_t codedBytes)
{
    const int64_t bytes = int64_t{TheInputs(state).picture.pixels.length};
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["coded_MB"] = static_cast<double>(codedBytes) / 1e6;
    state.counters["pixel_MB"] = static_cast<double>(bytes) / 1e6;
}

// The whole open as the viewer does it: the file read, the tree rebuilt
// and the section decoded into the picture.
void BM_HuffmanCanvasOpen(benchmark::State& state)
{
    CliFrontEnd ui;
    const Inputs& in = TheInputs(state);
    Document doc;
    char subject[kPathSize], painter[kPathSize];
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadCNV(ui, in.canvasPath.c_str(), doc, subject, painter));
    Report(state, in.CodedLength());
}
BENCHMARK(BM_HuffmanCanvasOpen)->ArgName("drawing")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same open with no block kept from the one before, as the first open
// of a process: every block is new from the system.
void BM_HuffmanCanvasFirstOpen(benchmark::State& state)
{
    CliFrontEnd ui;
    const Inputs& in = TheInputs(state);
    Document doc;
    char subject[kPathSize], painter[kPathSize];
    for (auto _ : state) {
        state.PauseTiming();
        ReleaseSpareBlocks();
        state.ResumeTiming();
        benchmark::DoNotOptimize(ReadCNV(ui, in.canvasPath.c_str(), doc, subject, painter));
    }
    Report(state, in.CodedLength());
}
BENCHMARK(BM_HuffmanCanvasFirstOpen)->ArgName("drawing")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

using Decoder = int (*)(const uint8_t*, int32_t, const HuffmanNode*, uint8_t*, int32_t, int32_t*);

// One decoder in memory, into a block it reuses.
void DecodeInMemory(benchmark::State& state, Decoder decode)
{
    const Inputs& in = TheInputs(state);
    std::vector<uint8_t> out(static_cast<size_t>(in.picture.pixels.length));
    for (auto _ : state) {
        int32_t count = 0;
        benchmark::DoNotOptimize(
            decode(in.Coded(), in.CodedLength(), in.nodes, out.data(), static_cast<int32_t>(out.size()), &count));
    }
    Report(state, in.CodedLength());
}

// From both halves at once, as the canvas reader decodes; one table-driven
// decoder; the plain tree walk.
void BM_HuffmanDecodeSplit(benchmark::State& state) { DecodeInMemory(state, HuffmanDecodeSplit); }
void BM_HuffmanDecode(benchmark::State& state) { DecodeInMemory(state, HuffmanDecode); }
void BM_HuffmanDecodeByTree(benchmark::State& state) { DecodeInMemory(state, HuffmanDecodeByTree); }
BENCHMARK(BM_HuffmanDecodeSplit)->ArgName("drawing")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HuffmanDecode)->ArgName("drawing")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HuffmanDecodeByTree)->ArgName("drawing")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

// The reference: zlib's inflate of the same pixel data (deflate, level 6).
void BM_ZlibInflate(benchmark::State& state)
{
    const Inputs& in = TheInputs(state);
    std::vector<uint8_t> out(static_cast<size_t>(in.picture.pixels.length));
    for (auto _ : state) {
        uLongf length = static_cast<uLongf>(out.size());
        benchmark::DoNotOptimize(uncompress(out.data(), &length, in.deflated.data(),
                                            static_cast<uLong>(in.deflated.size())));
    }
    Report(state, static_cast<int64_t>(in.deflated.size()));
}
BENCHMARK(BM_ZlibInflate)->ArgName("drawing")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
