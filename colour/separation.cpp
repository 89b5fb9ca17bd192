#include "colour/separation.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "image/pixel_math.h"
#include "image/front_end.h"

// The results truncate double-precision values: every build must evaluate in
// the declared precision (the 32-bit Windows build uses SSE2).
static_assert(FLT_EVAL_METHOD == 0, "floating point must be evaluated in its declared precision");

namespace {


// 127.5 / 3.14159 and 3.14159 / 127.5: the angle is mapped with a rounded
// pi, so a hue can land a hair above 255 and is folded back.
constexpr double kAngleToHue = 40.58454476873176;
constexpr double kHueToAngle = 0.02463992156862745;
constexpr double kSixth = 0.16666666666666669;

// The three products of the luminance, each rounded to double exactly as
// 0.1 x B, 0.3 x R and 0.6 x G are; only the two sums are left per pixel.
// The compiler rounds a constant product to the nearest double as the
// processor does, so the table is made while compiling and is read-only.
struct LuminanceTerms {
    double blue[256], red[256], green[256];
};

constexpr LuminanceTerms MakeLuminanceTerms()
{
    LuminanceTerms t{};
    for (int v = 0; v < 256; ++v) {
        t.blue[v] = 0.1 * v;
        t.red[v] = 0.3 * v;
        t.green[v] = 0.6 * v;
    }
    return t;
}

constexpr LuminanceTerms kLuminanceTerms = MakeLuminanceTerms();

const LuminanceTerms& Terms() { return kLuminanceTerms; }

inline int32_t LuminanceFrom(const LuminanceTerms& t, uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<int32_t>((t.blue[b] + t.red[r]) + t.green[g]);
}

// Hue and chroma depend on the two differences only, which is what lets the
// separation look them up by (R - Y, B - Y).
void HueChroma(int32_t dr, int32_t db, float& hue, float& chroma)
{
    const double theta = std::atan2(static_cast<double>(dr), static_cast<double>(db));
    hue = static_cast<float>(theta * kAngleToHue + 127.5);
    while (hue < 0.0f)
        hue = static_cast<float>(hue + 255.0);
    while (hue > 255.0f)
        hue = static_cast<float>(hue - 255.0);
    chroma = static_cast<float>(std::sqrt(static_cast<double>(dr * dr + db * db)));
}


// The recoloured pixel for a pen luminance, by (R - Y, B - Y): each entry is
// LuminanceHueToRgb(pen, HueChroma(dr, db)) and is computed the first time a
// pixel needs it. A picture has at most 511 x 511 different pairs and most
// have far fewer, so the trigonometry runs a few thousand times instead of
// once a pixel.
class RecolourCache {
public:
    explicit RecolourCache(int32_t pen)
        : pen_(pen), entries_(new (std::nothrow) uint32_t[kSide * kSide]())
    {
    }

    // Stores the recoloured pixel (blue, green, red) at p.
    void Recolour(uint8_t* p, int32_t dr, int32_t db)
    {
        if (!entries_) {
            Store(p, Compute(dr, db));
            return;
        }
        uint32_t& e = entries_[(dr + 255) * kSide + (db + 255)];
        if (!(e & kFilled))
            e = Compute(dr, db) | kFilled;
        Store(p, e);
    }

private:
    static constexpr int32_t kSide = 511;
    static constexpr uint32_t kFilled = 0x80000000u;

    uint32_t Compute(int32_t dr, int32_t db) const
    {
        float hue, chroma;
        HueChroma(dr, db, hue, chroma);
        const Rgb c = LuminanceHueToRgb(pen_, hue, chroma);
        return uint32_t{c.b} << 16 | uint32_t{c.g} << 8 | c.r;
    }
    static void Store(uint8_t* p, uint32_t e) { StoreColour(p, e); }

    int32_t pen_;
    std::unique_ptr<uint32_t[]> entries_;
};

}  // namespace

int32_t Luminance(uint8_t r, uint8_t g, uint8_t b) { return LuminanceFrom(Terms(), r, g, b); }

LuminanceHue RgbToLuminanceHue(uint8_t r, uint8_t g, uint8_t b)
{
    LuminanceHue out;
    out.luminance = Luminance(r, g, b);
    HueChroma(r - out.luminance, b - out.luminance, out.hue, out.chroma);
    return out;
}

Rgb LuminanceHueToRgb(int32_t luminance, float hue, float chroma)
{
    const double phi = (static_cast<double>(hue) - 127.5) * kHueToAngle;
    const float s = static_cast<float>(chroma * std::sin(phi));
    const float c = static_cast<float>(chroma * std::cos(phi));
    const double y = luminance;
    Rgb out;
    out.r = TruncateToByte(y + s);
    out.g = TruncateToByte(y - 0.5 * s - c * kSixth);
    out.b = TruncateToByte(y + c);
    return out;
}

int FindDarkestBrightest(const RasterImage& picture, uint32_t& darkest, uint32_t& brightest)
{
    if (picture.Empty())
        return 0;
    const LuminanceTerms& t = Terms();
    int32_t minimum = 255, maximum = 0;
    for (int32_t row = 0; row < picture.height; ++row) {
        const uint8_t* line = picture.pixels.data + int64_t{row} * picture.stride;
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint8_t* p = line + 3 * x;
            const int32_t y = LuminanceFrom(t, p[2], p[1], p[0]);
            if (y > maximum) {
                maximum = y;
                brightest = PackedColour(p);
            }
            if (y < minimum) {
                minimum = y;
                darkest = PackedColour(p);
            }
        }
        // Neither can change any more.
        if (maximum == 255 && minimum == 0)
            break;
    }
    return 0;
}

int BuildAlphaMask(RasterImage& picture, ByteBuffer& mask, TransparencyState& transparency, int32_t pen,
                   int32_t background, int32_t tolerance)
{
    const int64_t count = int64_t{picture.width} * picture.height;
    if (count > INT32_MAX || !mask.AllocateFilled(static_cast<int32_t>(count), 255)) {
        // Whatever the mask held is gone, so it cannot stay active.
        mask.Free();
        transparency.MaskActive = 0;
        return kSeparationNoMemory;
    }

    // In 64 bits, so that no tolerance overflows the band's edge.
    const int64_t p = pen, b = background, t = tolerance;
    int64_t low, high;
    if (p < b) {
        low = b - t;
        high = b;
        if (p >= low)
            return kSeparationTooClose;
    } else {
        low = b;
        high = b + t;
        // Equal luminances cannot be told apart (and would divide by zero
        // below) whatever the tolerance.
        if (p == b || p <= high)
            return kSeparationTooCloseLight;
    }

    // The mask byte depends on the luminance alone: -1 marks the band.
    int16_t weight[256];
    for (int32_t y = 0; y < 256; ++y) {
        if (y >= low && y <= high)
            weight[y] = -1;
        else
            weight[y] = TruncateToByte(static_cast<double>(y - b) * 255.0 / static_cast<double>(p - b));
    }

    const LuminanceTerms& terms = Terms();
    RecolourCache cache(pen);
    uint8_t* out = mask.data;
    for (int32_t row = 0; row < picture.height; ++row) {
        uint8_t* line = picture.pixels.data + int64_t{row} * picture.stride;
        for (int32_t x = 0; x < picture.width; ++x, ++out) {
            uint8_t* px = line + 3 * x;
            const int32_t y = LuminanceFrom(terms, px[2], px[1], px[0]);
            const int16_t w = weight[y];
            if (w < 0) {
                *out = 0;
                continue;
            }
            *out = static_cast<uint8_t>(w);
            cache.Recolour(px, px[2] - y, px[0] - y);
        }
    }
    transparency.MaskActive = 1;
    transparency.BackgroundMode = kTransparent;
    return kSeparationOk;
}

int SeparateBackground(FrontEnd& ui, RasterImage& picture, ByteBuffer& mask, TransparencyState& transparency,
                       uint32_t penColour, uint32_t backgroundColour, int32_t tolerance)
{
    const int result = BuildAlphaMask(picture, mask, transparency, LuminanceOfColour(penColour),
                                      LuminanceOfColour(backgroundColour), tolerance);
    if (result >= 0)
        return kBackgroundSeparated;
    const MessageId id = result == kSeparationNoMemory ? MessageId::kSeparationNoMemory : MessageId::kColoursTooClose;
    ui.ShowMessage(id, nullptr, BoxOwner::kNone);
    return kBackgroundNotSeparated;
}

int RecolorPen(RasterImage& picture, const ByteBuffer& mask, uint32_t colour)
{
    const int64_t count = int64_t{picture.width} * picture.height;
    if (mask.length < count)
        return kSeparationNoMask;
    const uint8_t* weight = mask.data;
    for (int32_t row = 0; row < picture.height; ++row) {
        uint8_t* line = picture.pixels.data + int64_t{row} * picture.stride;
        for (int32_t x = 0; x < picture.width; ++x, ++weight)
            if (*weight != 0)
                StoreColour(line + 3 * x, colour);
    }
    return kSeparationOk;
}

int ApplyTransparencyChoice(FrontEnd& ui, RasterImage& picture, ByteBuffer& mask, TransparencyState& transparency,
                            uint32_t penColour, uint32_t backgroundColour, uint32_t tolerance)
{
    transparency.PenColor = penColour;
    transparency.BGColor = backgroundColour;
    if (transparency.MaskActive != 0)
        return 1;
    const int32_t t = tolerance > uint32_t{INT32_MAX} ? INT32_MAX : static_cast<int32_t>(tolerance);
    return SeparateBackground(ui, picture, mask, transparency, penColour, backgroundColour, t);
}

int ApplyPenBackgroundChoice(RasterImage& picture, const ByteBuffer& mask, TransparencyState& transparency,
                             uint32_t penColour, uint32_t backgroundColour, bool transparentChecked)
{
    transparency.PenColor = penColour;
    transparency.BGColor = backgroundColour;
    transparency.BackgroundMode = transparentChecked ? kTransparent : kBGColorFill;
    if (transparency.MaskActive == 1)
        return RecolorPen(picture, mask, penColour);
    return 0;
}

namespace {

void FillSwatch(RasterImage& image, uint32_t colour, const SwatchRect& r)
{
    const int32_t left = r.left > 0 ? r.left : 0;
    const int32_t top = r.top > 0 ? r.top : 0;
    const int32_t right = r.right < image.width ? r.right : image.width;
    const int32_t bottom = r.bottom < image.height ? r.bottom : image.height;
    for (int32_t y = top; y < bottom; ++y) {
        // Top-down y on the surface is buffer row height - 1 - y.
        uint8_t* line = image.pixels.data + int64_t{image.height - 1 - y} * image.stride;
        for (int32_t x = left; x < right; ++x)
            StoreColour(line + 3 * x, colour);
    }
}

}  // namespace

int DrawSwatchPair(RasterImage& image, uint32_t firstColour, uint32_t secondColour, const SwatchRect& first,
                   const SwatchRect& second)
{
    FillSwatch(image, firstColour, first);
    FillSwatch(image, secondColour, second);
    return 0;
}
