#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "colour/separation.h"
#include "colour/transparency_state.h"
#include "tests/support/recording_platform.h"

namespace {

// Bound to a window, so that a box shown with that window as its owner,
// rather than with none, shows as one.
RecordingFrontEnd ui(reinterpret_cast<WindowHandle>(0x7777));

uint32_t Grey(int v) { return static_cast<uint32_t>(v) * 0x010101u; }
uint32_t Pack(const Rgb& c) { return uint32_t{c.b} << 16 | uint32_t{c.g} << 8 | c.r; }

// The luminance straight from its definition.
int32_t ReferenceY(int r, int g, int b) { return static_cast<int32_t>((0.1 * b + 0.3 * r) + 0.6 * g); }

// Every test starts from the parts of a document with nothing loaded.
class Colour : public ::testing::Test {
protected:
    void SetUp() override { ClearRecordedCalls(); }

    // picture = the colours in buffer order, rows of `width`; padding is 0x5A.
    void LoadPicture(int32_t width, const std::vector<uint32_t>& colours)
    {
        const int32_t n = static_cast<int32_t>(colours.size());
        picture.ResizeAndFill(width, n / width, 0x5A);
        for (int32_t i = 0; i < n; ++i)
            StoreColour(picture.pixels.data + picture.Offset(i % width, i / width), colours[i]);
    }

    uint32_t PixelAt(int32_t i) const
    {
        return PackedColour(picture.pixels.data + picture.Offset(i % picture.width, i / picture.width));
    }

    RasterImage picture;
    ByteBuffer mask;
    TransparencyState transparency;
};

}  // namespace

TEST_F(Colour, LuminanceHueAndChroma)
{
    EXPECT_EQ(Luminance(255, 0, 0), 76);
    EXPECT_EQ(Luminance(0, 255, 0), 153);
    EXPECT_EQ(Luminance(0, 0, 255), 25);
    EXPECT_EQ(Luminance(255, 255, 255), 255);
    std::vector<int> below;
    for (int v = 0; v < 256; ++v)
        if (Luminance(v, v, v) != v)
            below.push_back(v - Luminance(v, v, v) == 1 ? v : -v);
    EXPECT_EQ(below, (std::vector<int>{31, 57, 62, 109, 114, 119, 124, 218, 223, 228, 233, 238, 243, 248, 253}));

    const LuminanceHue grey = RgbToLuminanceHue(100, 100, 100), g31 = RgbToLuminanceHue(31, 31, 31);
    EXPECT_EQ(grey.hue, 127.5f);
    EXPECT_EQ(grey.chroma, 0.0f);
    EXPECT_EQ(Pack(LuminanceHueToRgb(20, grey.hue, grey.chroma)), Grey(20));
    EXPECT_EQ(g31.luminance, 30);   // red and blue differences 1
    EXPECT_EQ(g31.chroma, static_cast<float>(std::sqrt(2.0)));
    EXPECT_NEAR(g31.hue, 159.375f, 1e-4);
    // dr 0, db -10 is the angle pi, a hair above 255 with the rounded pi: folded.
    const LuminanceHue pi = RgbToLuminanceHue(10, 13, 0);
    EXPECT_EQ(pi.luminance, 10);
    EXPECT_TRUE(pi.hue >= 0.0f && pi.hue < 0.001f) << pi.hue;

    // Back and forth loses only the truncations: up to one in red and blue,
    // up to 1/0.6 of the luminance's fraction in green.
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 5) {
                const LuminanceHue lh = RgbToLuminanceHue(r, g, b);
                const Rgb c = LuminanceHueToRgb(lh.luminance, lh.hue, lh.chroma);
                ASSERT_TRUE(c.r <= r && c.r >= r - 1 && c.b <= b && c.b >= b - 1 && c.g <= g && c.g >= g - 2)
                    << r << "," << g << "," << b << " -> " << int(c.r) << "," << int(c.g) << "," << int(c.b);
            }
}

TEST_F(Colour, DarkestAndBrightestTakeTheFirstOfEquals)
{
    const uint32_t a50 = Grey(50), b50 = 0x00323728, a200 = Grey(200), b200 = 0x00C8C4D2;   // b50: Y 50, b200: Y 200
    const struct { int32_t width; std::vector<uint32_t> colours; uint32_t dark, bright; } cases[] = {
        {3, {Grey(100), a50, a200, b50, b200, Grey(120)}, a50, a200},   // row 0 first
        {1, {Grey(255), Grey(255)}, 7, Grey(255)},   // all white: the pen stays; stride 4, padding never read
        {1, {0, 0}, 0, 7},
        {1, {Grey(128), Grey(128)}, Grey(128), Grey(128)},
        {1, {}, 7, 7},
    };
    for (const auto& c : cases) {
        LoadPicture(c.width, c.colours);
        uint32_t dark = 7, bright = 7;
        EXPECT_EQ(FindDarkestBrightest(picture, dark, bright), 0);
        EXPECT_EQ(dark, c.dark);
        EXPECT_EQ(bright, c.bright);
    }
}

TEST_F(Colour, MaskAndRecolouringOfBothBranches)
{
    const std::vector<uint32_t> colours = {Grey(220), Grey(225), Grey(230), Grey(219), Grey(100), Grey(20),
                                           Grey(10), Grey(240), 0x00506070 /* Y 99 */, Grey(25), Grey(250)};
    const struct { int32_t pen, bg, low, high; std::vector<uint8_t> mask; } cases[] = {
        {20, 230, 220, 230, {0, 0, 0, 13, 157, 255, 255, 0, 159, 248, 0}},
        {230, 20, 20, 30, {242, 248, 255, 241, 97, 0, 0, 255, 95, 0, 255}},
    };
    for (const auto& c : cases) {
        LoadPicture(11, colours);
        transparency.BackgroundMode = kBGColorFill;
        ASSERT_EQ(BuildAlphaMask(picture, mask, transparency, c.pen, c.bg, 10), 0);
        EXPECT_EQ(std::vector<uint8_t>(mask.data, mask.data + mask.length), c.mask) << c.pen;
        EXPECT_EQ(transparency.MaskActive, 1);
        EXPECT_EQ(transparency.BackgroundMode, kTransparent);
        for (int i = 0; i < 11; ++i) {
            const uint32_t k = colours[i];
            const LuminanceHue lh = RgbToLuminanceHue(k & 255, k >> 8 & 255, k >> 16);
            const bool band = lh.luminance >= c.low && lh.luminance <= c.high;
            EXPECT_EQ(PixelAt(i), band ? k : Pack(LuminanceHueToRgb(c.pen, lh.hue, lh.chroma))) << i;
        }
        EXPECT_EQ(PixelAt(7), Grey(c.pen));   // beyond the background, still recoloured
        EXPECT_EQ(picture.pixels.data[33], 0x5A);
    }
}

TEST_F(Colour, LuminancesTooCloseFailAndResetTheMask)
{
    const struct { int32_t pen, bg, tolerance, result; } cases[] = {
        {20, 30, 10, -1}, {30, 20, 10, -2}, {100, 100, 0, -2}, {100, 100, -5, -2}, {0, 255, 255, -1},
        {255, 0, 255, -2}, {10, 20, INT32_MAX, -1}, {20, 10, INT32_MAX, -2}, {0, 0, INT32_MIN, -2}};
    for (const auto& c : cases) {
        LoadPicture(2, {Grey(0), Grey(250)});
        mask.AllocateFilled(1, 7);
        transparency.BackgroundMode = kBGColorFill;
        EXPECT_EQ(BuildAlphaMask(picture, mask, transparency, c.pen, c.bg, c.tolerance), c.result)
            << c.pen << " " << c.bg << " " << c.tolerance;
        EXPECT_TRUE(mask.length == 2 && mask.data[0] == 255 && mask.data[1] == 255);
        EXPECT_TRUE(PixelAt(0) == 0 && PixelAt(1) == Grey(250));
        EXPECT_TRUE(transparency.MaskActive == 0 && transparency.BackgroundMode == kBGColorFill);
    }
}

TEST_F(Colour, DialogChoices)
{
    // Transparency dialog: a failure is told once, a success separates, a
    // second OK only stores the colours. 4e9 is not wrapped to a negative tolerance.
    LoadPicture(2, {Grey(20), Grey(230)});
    EXPECT_EQ(ApplyTransparencyChoice(ui, picture, mask, transparency, Grey(20), Grey(230), 4000000000u), -1);
    ASSERT_EQ(Recorded().messages.size(), 1u);
    EXPECT_EQ(Recorded().messages[0], (RecordedMessage{nullptr, "文字と背景の色の輝度が近すぎて分離できません。", "ごめんなさい。"}));
    EXPECT_EQ(transparency.MaskActive, 0);
    EXPECT_EQ(ApplyTransparencyChoice(ui, picture, mask, transparency, Grey(20), Grey(230), 10), 0);
    EXPECT_EQ(transparency.MaskActive, 1);
    EXPECT_EQ(ApplyTransparencyChoice(ui, picture, mask, transparency, 0x123456, 0x654321, 10), 1);
    EXPECT_TRUE(transparency.PenColor == 0x123456 && transparency.BGColor == 0x654321);
    EXPECT_EQ(Recorded().messages.size(), 1u);

    // Pen colour dialog: without a mask only colours and mode are stored;
    // with one, OK twice recolours the same non-zero-mask pixels.
    LoadPicture(4, {Grey(1), Grey(2), Grey(3), Grey(4)});
    transparency.MaskActive = 0;
    EXPECT_EQ(ApplyPenBackgroundChoice(picture, mask, transparency, 0x0000FF, 0x00FF00, false), 0);
    EXPECT_EQ(transparency.BackgroundMode, kBGColorFill);
    EXPECT_EQ(PixelAt(0), Grey(1));
    mask.Allocate(4);
    std::memcpy(mask.data, "\0\1\x80\xFF", 4);
    transparency.MaskActive = 1;
    for (uint32_t pen : {0x0000FFu, 0x00ABCDEFu}) {
        EXPECT_EQ(ApplyPenBackgroundChoice(picture, mask, transparency, pen, 0, true), 0);
        EXPECT_EQ(transparency.BackgroundMode, kTransparent);
        EXPECT_EQ(std::vector<uint32_t>({PixelAt(0), PixelAt(1), PixelAt(2), PixelAt(3)}), std::vector<uint32_t>({Grey(1), pen, pen, pen}));
    }
    mask.Allocate(3);   // a mask that does not cover the picture is not read
    EXPECT_EQ(RecolorPen(picture, mask, 0), -4);
    EXPECT_EQ(PixelAt(1), 0x00ABCDEFu);

    // Separation of an empty picture succeeds with nothing to do.
    picture.ResizeAndFill(0, 0, 0);
    transparency.MaskActive = 0;
    EXPECT_EQ(SeparateBackground(ui, picture, mask, transparency, 0, Grey(255), 10), 0);
    EXPECT_TRUE(mask.length == 0 && transparency.MaskActive == 1);
}

TEST_F(Colour, SwatchPairPaintsTopAndBottomSquares)
{
    RasterImage s;
    s.ResizeAndFill(kSwatchWidth, kSwatchHeight, 0);
    const auto at = [&](int x, int row) { return PackedColour(s.pixels.data + s.Offset(x, row)); };
    DrawSwatchPair(s, 0x0000FF, 0xFF0000, kPenSwatch, kBackgroundSwatch);
    EXPECT_EQ(std::vector<uint32_t>({at(0, 59), at(29, 30), at(0, 29), at(29, 0)}),
              std::vector<uint32_t>({0x0000FF, 0x0000FF, 0xFF0000, 0xFF0000}));   // top square: pen
    DrawSwatchPair(s, 0x111111, 0x222222, {-5, -5, 100, 100}, {10, 10, 10, 20});   // clipped; empty
    EXPECT_TRUE(at(0, 0) == 0x111111 && at(29, 59) == 0x111111);
}

// The shortcuts (luminance terms, weights by luminance, recolouring by
// colour difference) against the definitions, for all 2^24 colours. The
// recoloured pixel depends on (R - Y, B - Y) only, so the reference computes
// it once a pair.
TEST_F(Colour, SeparationOfEveryColourMatchesItsDefinition)
{
    int mismatches = 0;
    picture.Resize(4096, 4096);
    for (int32_t i = 0; i < (1 << 24); ++i) {
        StoreColour(picture.pixels.data + 3 * int64_t{i}, static_cast<uint32_t>(i));
        mismatches += Luminance(i & 255, i >> 8 & 255, i >> 16) != ReferenceY(i & 255, i >> 8 & 255, i >> 16);
    }
    const int32_t pen = 20, bg = 230;
    ASSERT_EQ(BuildAlphaMask(picture, mask, transparency, pen, bg, 10), 0);
    const auto clamp = [](double v) { return v <= 0 ? 0u : v >= 255 ? 255u : static_cast<uint32_t>(v); };
    std::vector<int64_t> recoloured(511 * 511, -1);
    for (int32_t i = 0; i < (1 << 24); ++i) {
        const int r = i & 255, g = i >> 8 & 255, b = i >> 16, y = ReferenceY(r, g, b), dr = r - y, db = b - y;
        uint32_t w = 0, expected = static_cast<uint32_t>(i);
        if (y < 220 || y > 230) {
            w = clamp((y - bg) * 255.0 / (pen - bg));
            int64_t& e = recoloured[(dr + 255) * 511 + (db + 255)];
            if (e < 0) {
                float hue = static_cast<float>(std::atan2(double(dr), double(db)) * 40.58454476873176 + 127.5);
                if (hue > 255.0f)
                    hue = static_cast<float>(hue - 255.0);
                const float chroma = static_cast<float>(std::sqrt(double(dr * dr + db * db)));
                const double phi = (hue - 127.5) * 0.02463992156862745, yp = pen;
                const float s = static_cast<float>(chroma * std::sin(phi)), c = static_cast<float>(chroma * std::cos(phi));
                e = clamp(yp + c) << 16 | clamp(yp - 0.5 * s - c * 0.16666666666666669) << 8 | clamp(yp + s);
            }
            expected = static_cast<uint32_t>(e);
        }
        mismatches += mask.data[i] != w || PackedColour(picture.pixels.data + 3 * int64_t{i}) != expected;
    }
    EXPECT_EQ(mismatches, 0);
}
