#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "image/area_reduce.h"

namespace {

TEST(FitWithin, LongerSideBecomesTheLimitShorterIsRounded)
{
    struct Case {
        int32_t w, h, side, ew, eh;
    } cases[] = {
        {6000, 4000, 256, 256, 171}, {4000, 6000, 256, 171, 256}, {100, 50, 256, 100, 50},
        {256, 256, 256, 256, 256},   {257, 256, 256, 256, 255},   {10000, 3, 256, 256, 1},
        {1000, 1, 256, 256, 1},      {640, 480, 128, 128, 96},    {3, 5, 2, 1, 2},
    };
    for (const Case& c : cases) {
        const ReducedSize s = FitWithin(c.w, c.h, c.side);
        EXPECT_EQ(s.width, c.ew) << c.w << " x " << c.h << " in " << c.side;
        EXPECT_EQ(s.height, c.eh) << c.w << " x " << c.h << " in " << c.side;
    }
}

// The area average written from its definition, in double precision: each
// output pixel is the integral of the source over the rectangle it covers.
double ReferenceAverage(const RasterImage& src, const uint8_t* mask, int32_t ow, int32_t oh, int32_t ox, int32_t oy,
                        int channel, bool wantOpacity)
{
    const double x0 = double(ox) * src.width / ow, x1 = double(ox + 1) * src.width / ow;
    const double y0 = double(oy) * src.height / oh, y1 = double(oy + 1) * src.height / oh;
    double sum = 0, weight = 0, opacity = 0, plain = 0;
    for (int32_t sy = int32_t(y0); sy < src.height && sy < y1; ++sy)
        for (int32_t sx = int32_t(x0); sx < src.width && sx < x1; ++sx) {
            const double a = (std::min(x1, sx + 1.0) - std::max(x0, double(sx))) *
                             (std::min(y1, sy + 1.0) - std::max(y0, double(sy)));
            const double v = src.pixels.data[src.Offset(sx, sy) + channel];
            const double alpha = mask ? mask[sy * src.width + sx] : 255;
            sum += a * alpha * v;
            weight += a * alpha;
            opacity += a * alpha;
            plain += a * v;
        }
    const double area = (x1 - x0) * (y1 - y0);
    if (wantOpacity)
        return opacity / area;
    return weight > 0 ? sum / weight : plain / area;
}

void FillRandom(RasterImage& image, int32_t w, int32_t h, std::mt19937& random)
{
    ASSERT_EQ(image.Resize(w, h), kRasterOk);
    for (int32_t i = 0; i < image.pixels.length; ++i)
        image.pixels.data[i] = static_cast<uint8_t>(random());
}

TEST(ReduceByAreaAverage, EqualsTheIntegralOverEachOutputPixel)
{
    std::mt19937 random(7);
    struct Case {
        int32_t w, h, ow, oh;
        bool mask;
    } cases[] = {
        {1, 1, 1, 1, false},   {7, 5, 3, 2, false},    {100, 3, 17, 1, false}, {64, 64, 64, 64, false},
        {97, 61, 40, 25, true}, {256, 200, 100, 78, true}, {5, 300, 1, 7, true},  {13, 11, 13, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << " to " << c.ow << " x " << c.oh);
        RasterImage src, out;
        FillRandom(src, c.w, c.h, random);
        std::vector<uint8_t> mask(size_t(c.w) * c.h);
        for (size_t i = 0; i < mask.size(); ++i)   // runs of transparency, partial and full opacity
            mask[i] = (i / 9) % 3 == 0 ? 0 : static_cast<uint8_t>(random());
        ByteBuffer outMask;
        ASSERT_EQ(ReduceByAreaAverage(src, c.mask ? mask.data() : nullptr, {c.ow, c.oh}, out, &outMask),
                  ReduceResult::kOk);
        ASSERT_EQ(out.width, c.ow);
        ASSERT_EQ(out.height, c.oh);
        ASSERT_EQ(out.info.bmiHeader.biWidth, c.ow);
        ASSERT_EQ(outMask.length, c.mask ? c.ow * c.oh : 0);
        int worst = 0;
        for (int32_t y = 0; y < c.oh; ++y)
            for (int32_t x = 0; x < c.ow; ++x) {
                for (int ch = 0; ch < 3; ++ch) {
                    const double want = ReferenceAverage(src, c.mask ? mask.data() : nullptr, c.ow, c.oh, x, y, ch, false);
                    worst = std::max(worst, std::abs(out.pixels.data[out.Offset(x, y) + ch] - int(std::lround(want))));
                }
                if (c.mask) {
                    const double want = ReferenceAverage(src, mask.data(), c.ow, c.oh, x, y, 0, true);
                    worst = std::max(worst, std::abs(outMask.data[y * c.ow + x] - int(std::lround(want))));
                }
            }
        // Exact integer sums rounded once; the reference's doubles may round
        // a half the other way.
        EXPECT_LE(worst, 1);
    }
}

TEST(ReduceByAreaAverage, TransparentPixelsLendNoColourAndSameSizeIsACopy)
{
    // A 2 x 1 picture, opaque red beside transparent green, to 1 x 1: red at
    // half opacity, not a red-green mixture.
    RasterImage src, out;
    ASSERT_EQ(src.Resize(2, 1), kRasterOk);
    StoreColour(src.pixels.data, 0x0000FF);
    StoreColour(src.pixels.data + 3, 0x00FF00);
    const uint8_t mask[2] = {255, 0};
    ByteBuffer outMask;
    ASSERT_EQ(ReduceByAreaAverage(src, mask, {1, 1}, out, &outMask), ReduceResult::kOk);
    EXPECT_EQ(out.pixels.data[2], 255);
    EXPECT_EQ(out.pixels.data[1], 0);
    EXPECT_EQ(outMask.data[0], 128);

    std::mt19937 random(3);
    FillRandom(src, 9, 4, random);
    ASSERT_EQ(ReduceByAreaAverage(src, nullptr, {9, 4}, out, nullptr), ReduceResult::kOk);
    for (int32_t y = 0; y < 4; ++y)
        EXPECT_EQ(0, memcmp(out.pixels.data + out.Offset(0, y), src.pixels.data + src.Offset(0, y), 27));
}

TEST(ReduceByAreaAverage, RefusesEnlargingAndEmptySizesLeavingTheOutputAsItWas)
{
    RasterImage src, out;
    ASSERT_EQ(src.ResizeAndFill(4, 4, 0), kRasterOk);
    ASSERT_EQ(out.ResizeAndFill(2, 2, 7), kRasterOk);
    const ReducedSize bad[] = {{5, 4}, {4, 5}, {0, 1}, {1, 0}, {-1, 2}};
    for (const ReducedSize& size : bad) {
        EXPECT_EQ(ReduceByAreaAverage(src, nullptr, size, out, nullptr), ReduceResult::kBadSize);
        EXPECT_EQ(out.width, 2);
        EXPECT_EQ(out.pixels.data[0], 7);
    }
    RasterImage empty;
    EXPECT_EQ(ReduceByAreaAverage(empty, nullptr, {1, 1}, out, nullptr), ReduceResult::kBadSize);
}

} // namespace
