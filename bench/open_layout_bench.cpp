// Opening a large JPEG and laying it out, as the viewer does: decode into
// the picture, then build the backdrop, compose and stretch for the view.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/view_layout.h"
#include "colour/transparency_state.h"
#include "formats/standard/jpeg_codec.h"

namespace {

// A 4000 x 3000 photograph-like picture (smooth gradients with texture),
// written once per run.
const std::string& LargeJpeg()
{
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "zavik_bench_4000x3000.jpg").string();
        RasterImage picture;
        picture.ResizeAndFill(4000, 3000, 0);
        for (int row = 0; row < 3000; ++row) {
            uint8_t* line = picture.pixels.data + int64_t{row} * picture.stride;
            for (int x = 0; x < 4000; ++x) {
                line[3 * x + 0] = static_cast<uint8_t>(x / 16 + ((x * row) & 15));
                line[3 * x + 1] = static_cast<uint8_t>(row / 12 + ((x ^ row) & 7));
                line[3 * x + 2] = static_cast<uint8_t>((x + row) / 28);
            }
        }
        picture.FillHeaders();
        std::FILE* f = std::fopen(p.c_str(), "wb");
        EncodeJPEG(picture, 90, 0, f);
        std::fclose(f);
        return p;
    }();
    return path;
}

void BM_DecodeLargeJpeg(benchmark::State& state)
{
    const std::string& path = LargeJpeg();
    Document doc;
    for (auto _ : state) {
        int result = ReadJPEG(path.c_str(), doc.Picture);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_DecodeLargeJpeg)->Unit(benchmark::kMillisecond);

void BM_LayoutLargePicture(benchmark::State& state)
{
    Document doc;
    ReadJPEG(LargeJpeg().c_str(), doc.Picture);
    doc.Transparency.MaskActive = static_cast<int32_t>(state.range(0));
    if (doc.Transparency.MaskActive)
        doc.AlphaMask.AllocateFilled(doc.Picture.width * doc.Picture.height, 128);
    const float zoom = state.range(1) / 100.0f;
    for (auto _ : state) {
        RasterImage view;
        int result = RenderView(doc, view, zoom);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_LayoutLargePicture)->Args({0, 100})->Args({1, 100})->Args({0, 50})->Unit(benchmark::kMillisecond);

void BM_OpenAndLayOut(benchmark::State& state)
{
    const std::string& path = LargeJpeg();
    Document doc;
    for (auto _ : state) {
        ReadJPEG(path.c_str(), doc.Picture);
        RasterImage view;
        benchmark::DoNotOptimize(RenderView(doc, view, 1.0f));
    }
}
BENCHMARK(BM_OpenAndLayOut)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
