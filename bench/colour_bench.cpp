// The per-pixel work of the colour tools on a 12-megapixel picture: the
// separation (mask and recolouring), the recolouring with a new pen colour,
// and the view composition with the resulting mask.
#include <benchmark/benchmark.h>

#include <cstring>

#include "app/view_layout.h"
#include "colour/separation.h"
#include "colour/transparency_state.h"
#include "formats/standard/save_pipeline.h"
#include "image/pixel_block.h"

namespace {

constexpr int32_t kWidth = 4000, kHeight = 3000;

// A scanned drawing: a textured light ground (mostly in the background
// band) with dark strokes and coloured soft edges around them.
const RasterImage& Drawing()
{
    static RasterImage picture;
    if (picture.Empty()) {
        picture.ResizeAndFill(kWidth, kHeight, 0);
        for (int32_t row = 0; row < kHeight; ++row) {
            uint8_t* line = picture.pixels.data + int64_t{row} * picture.stride;
            for (int32_t x = 0; x < kWidth; ++x) {
                const int stroke = ((x / 7 + row / 5) % 23 < 3) || ((x * 3 + row) % 61 < 4);
                const int edge = ((x / 7 + row / 5) % 23 == 3);
                const int noise = (x * 7 + row * 13) & 15;
                uint8_t* p = line + 3 * x;
                if (stroke) {
                    p[0] = static_cast<uint8_t>(30 + noise);
                    p[1] = static_cast<uint8_t>(20 + (x & 7));
                    p[2] = static_cast<uint8_t>(25 + (row & 7));
                } else if (edge) {
                    p[0] = static_cast<uint8_t>(120 + (x & 63));
                    p[1] = static_cast<uint8_t>(100 + (row & 63));
                    p[2] = static_cast<uint8_t>(90 + ((x ^ row) & 63));
                } else {
                    p[0] = static_cast<uint8_t>(215 + noise - (x >> 9));
                    p[1] = static_cast<uint8_t>(225 + (noise >> 1) - (row >> 9));
                    p[2] = static_cast<uint8_t>(230 + (noise >> 2));
                }
            }
        }
        picture.FillHeaders();
    }
    return picture;
}

// A photograph-like picture (smooth gradients with texture): hardly any
// pixel is background, so nearly every one is recoloured.
const RasterImage& Photograph()
{
    static RasterImage picture;
    if (picture.Empty()) {
        picture.ResizeAndFill(kWidth, kHeight, 0);
        for (int32_t row = 0; row < kHeight; ++row) {
            uint8_t* line = picture.pixels.data + int64_t{row} * picture.stride;
            for (int32_t x = 0; x < kWidth; ++x) {
                line[3 * x + 0] = static_cast<uint8_t>(x / 16 + ((x * row) & 15));
                line[3 * x + 1] = static_cast<uint8_t>(row / 12 + ((x ^ row) & 7));
                line[3 * x + 2] = static_cast<uint8_t>((x + row) / 28);
            }
        }
        picture.FillHeaders();
    }
    return picture;
}

// Pixels per second as megapixels per second, next to the time.
void CountMegapixels(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                                                benchmark::Counter::kIsRate);
}

void LoadDrawing(Document& doc, int photograph = 0)
{
    doc.Picture.CopyPixelsFrom(photograph ? Photograph() : Drawing());
    doc.Picture.FillHeaders();
    doc.Transparency.MaskActive = 0;
}

// The separation every benchmark after the first starts from.
int Separate(Document& doc) { return BuildAlphaMask(doc.Picture, doc.AlphaMask, doc.Transparency, 20, 230, 10); }

void BM_BuildAlphaMask(benchmark::State& state)
{
    Document doc;
    for (auto _ : state) {
        state.PauseTiming();
        LoadDrawing(doc, static_cast<int>(state.range(0)));   // the separation rewrites the picture
        state.ResumeTiming();
        benchmark::DoNotOptimize(Separate(doc));
    }
    CountMegapixels(state);
}
// 0: the drawing, 1: the photograph.
BENCHMARK(BM_BuildAlphaMask)->ArgName("photograph")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FindDarkestBrightest(benchmark::State& state)
{
    Document doc;
    LoadDrawing(doc);
    for (auto _ : state) {
        uint32_t dark = 0, bright = 0;
        benchmark::DoNotOptimize(FindDarkestBrightest(doc.Picture, dark, bright));
    }
    CountMegapixels(state);
}
BENCHMARK(BM_FindDarkestBrightest)->Unit(benchmark::kMillisecond);

void BM_RecolorPen(benchmark::State& state)
{
    Document doc;
    LoadDrawing(doc);
    Separate(doc);
    uint32_t colour = 0x00203040;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RecolorPen(doc.Picture, doc.AlphaMask, colour));
        colour ^= 0x00010101;
    }
    CountMegapixels(state);
}
BENCHMARK(BM_RecolorPen)->Unit(benchmark::kMillisecond);

// The blend of the view into a composed image that already has the size.
void BM_ComposeViewWithMask(benchmark::State& state)
{
    Document doc;
    LoadDrawing(doc);
    Separate(doc);
    BuildBackdrop(doc.Backdrop, doc.Picture.width, doc.Picture.height, kTransparent, 0);
    RasterImage composed;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComposeView(composed, doc.Picture, doc.Backdrop, doc.AlphaMask, 1));
    CountMegapixels(state);
}
BENCHMARK(BM_ComposeViewWithMask)->Unit(benchmark::kMillisecond);

// The composition step of every layout of the viewer: the backdrop rebuilt,
// then the picture composed into a new temporary image (with a mask) or
// taken as it is (without one).
void BM_LayoutComposition(benchmark::State& state)
{
    Document doc;
    LoadDrawing(doc);
    Separate(doc);
    const int32_t maskActive = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        BuildBackdrop(doc.Backdrop, doc.Picture.width, doc.Picture.height, kTransparent, 0);
        RasterImage composed;
        benchmark::DoNotOptimize(ViewPicture(composed, doc.Picture, doc.Backdrop, doc.AlphaMask, maskActive));
    }
    CountMegapixels(state);
}
BENCHMARK(BM_LayoutComposition)->ArgName("mask")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What a new picture-sized block costs before anything is computed: the
// system hands out zeroed pages on first touch. The block given back is
// not kept, so each one is new.
void BM_NewBlockFirstTouch(benchmark::State& state)
{
    const int32_t bytes = static_cast<int32_t>(StrideForWidth(kWidth) * kHeight);
    for (auto _ : state) {
        ReleaseSpareBlocks();
        ByteBuffer block;
        block.AllocateFilled(bytes, 0x80);
        benchmark::DoNotOptimize(block.data);
    }
    CountMegapixels(state);
}
BENCHMARK(BM_NewBlockFirstTouch)->Unit(benchmark::kMillisecond);

// The whole view of `zavik render` at 100 %: backdrop, composition (with the
// mask or, with none, the picture as it is) into a new image.
void BM_RenderView(benchmark::State& state)
{
    Document doc;
    LoadDrawing(doc);
    Separate(doc);
    doc.Transparency.MaskActive = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        RasterImage view;
        benchmark::DoNotOptimize(RenderView(doc, view, 1.0f));
    }
    CountMegapixels(state);
}
BENCHMARK(BM_RenderView)->ArgName("mask")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The composite the JPEG and BMP writers save while a mask is active, over
// white (0) and over the background colour (1), into a composite that
// already has the size (fresh: 1, into a new one as each save makes it).
void BM_CompositeForSave(benchmark::State& state)
{
    Document doc;
    LoadDrawing(doc);
    Separate(doc);
    doc.Transparency.BackgroundMode = state.range(0) ? kBGColorFill : kTransparent;
    doc.Transparency.BGColor = 0x00C0E0F0;
    BuildBackdrop(doc.Backdrop, doc.Picture.width, doc.Picture.height, doc.Transparency.BackgroundMode,
                  doc.Transparency.BGColor);
    RasterImage kept;
    for (auto _ : state) {
        RasterImage fresh;
        RasterImage& composite = state.range(1) ? fresh : kept;
        benchmark::DoNotOptimize(
            CompositeForSave(composite, doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency));
    }
    CountMegapixels(state);
}
BENCHMARK(BM_CompositeForSave)
    ->ArgNames({"colour", "fresh"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
