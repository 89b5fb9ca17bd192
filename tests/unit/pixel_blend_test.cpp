#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/pixel_blend.h"
#include "tests/support/blend_reference.h"

namespace {

uint8_t Reference(uint8_t back, uint8_t picture, uint8_t mask, FullMask full)
{
    return full == FullMask::kShowsPicture ? ViewBlendReference(back, picture, mask)
                                           : SaveBlendReference(back, picture, mask);
}

const FullMask kBoth[] = {FullMask::kShowsPicture, FullMask::kUnlimited};

}  // namespace

TEST(PixelBlend, KnownBytes)
{
    struct Case {
        FullMask full;
        int back, picture, mask, expected;
    } cases[] = {
        {FullMask::kShowsPicture, 255, 0, 128, 126},   // truncated, not rounded
        {FullMask::kShowsPicture, 0, 255, 128, 128},
        {FullMask::kShowsPicture, 17, 200, 255, 200},   // d is limited to 1
        {FullMask::kShowsPicture, 200, 10, 255, 10},
        {FullMask::kShowsPicture, 17, 200, 0, 17},
        {FullMask::kShowsPicture, 100, 100, 77, 100},   // equal bytes stay equal
        {FullMask::kUnlimited, 255, 0, 64, 190},
        {FullMask::kUnlimited, 37, 200, 0, 37},
        {FullMask::kUnlimited, 200, 10, 255, 9},   // b is slightly above 1
        {FullMask::kUnlimited, 255, 0, 255, 0},     // -0.00001 truncates to 0
        {FullMask::kUnlimited, 10, 200, 255, 200},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BlendByte(uint8_t(c.back), uint8_t(c.picture), uint8_t(c.mask), c.full), c.expected)
            << c.back << " " << c.picture << " " << c.mask;
}

// Every (mask, backdrop, picture) triple through both the single byte and
// whole rows: a uniform mask (whole chunks of one mask byte, copied where
// the mask is 0 or shows the picture) and the same mask spoiled in one
// pixel of every 16, first at the end and then at the start of each chunk,
// so that each triple also goes through the arithmetic of a mixed chunk.
TEST(PixelBlend, EveryTripleGivesTheDoublePrecisionBytes)
{
    constexpr int kPixels = 65536 / 3 + 1;   // every (backdrop, picture) pair once, plus a tail
    std::vector<uint8_t> back(3 * kPixels), picture(3 * kPixels), out(3 * kPixels), mask(kPixels);
    for (int i = 0; i < 3 * kPixels; ++i) {
        back[i] = static_cast<uint8_t>(i);
        picture[i] = static_cast<uint8_t>(i >> 8);
    }
    for (FullMask full : kBoth)
        for (int m = 0; m < 256; ++m) {
            for (int b = 0; b < 256; ++b)
                for (int p = 0; p < 256; ++p)
                    ASSERT_EQ(BlendByte(uint8_t(b), uint8_t(p), uint8_t(m), full), Reference(b, p, m, full))
                        << b << " " << p << " " << m;
            for (int spoiled : {-1, 15, 0}) {
                for (int x = 0; x < kPixels; ++x)
                    mask[x] = static_cast<uint8_t>(x % 16 == spoiled ? 255 - m : m);
                BlendPixels(out.data(), back.data(), picture.data(), mask.data(), kPixels, full);
                for (int i = 0; i < 3 * kPixels; ++i)
                    ASSERT_EQ(out[i], Reference(back[i], picture[i], mask[i / 3], full))
                        << "byte " << i << " mask " << int(mask[i / 3]) << " spoiled " << spoiled;
            }
        }
}

// Random masks and bytes, rows of every length up to a few chunks at every
// alignment, over a given backdrop and over white; nothing past the row is
// written.
TEST(PixelBlend, RowsOfAnyLengthAndAlignment)
{
    std::mt19937 random(7);
    std::vector<uint8_t> back(200), picture(200), mask(70), out(210);
    for (int trial = 0; trial < 3000; ++trial) {
        for (auto& v : back)
            v = static_cast<uint8_t>(random());
        for (auto& v : picture)
            v = static_cast<uint8_t>(random());
        // Mostly the extremes, as in a separated drawing.
        for (auto& v : mask) {
            const unsigned r = random() % 4;
            v = static_cast<uint8_t>(r == 0 ? 0 : r == 1 ? 255 : random());
        }
        const int count = static_cast<int>(random() % 60);
        const int shift = static_cast<int>(random() % 8);
        const bool white = trial % 3 == 0;
        for (FullMask full : kBoth) {
            std::fill(out.begin(), out.end(), 0xA5);
            BlendPixels(out.data() + shift, white ? nullptr : back.data() + shift, picture.data() + shift,
                        mask.data() + shift, count, full);
            for (int i = 0; i < 3 * count; ++i)
                ASSERT_EQ(out[shift + i], Reference(white ? 255 : back[shift + i], picture[shift + i],
                                                    mask[shift + i / 3], full))
                    << "trial " << trial << " byte " << i;
            for (int i = 0; i < static_cast<int>(out.size()); ++i) {
                if (i < shift || i >= shift + 3 * count) {
                    ASSERT_EQ(out[i], 0xA5) << "written outside the row at " << i;
                }
            }
        }
    }
}
