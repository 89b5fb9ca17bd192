// Separation of ink from background by luminance, and the recolouring of the
// ink. Portable: the two colour dialogs (colour/*_win32.cpp, the front end's)
// keep their controls and surfaces; everything they decide on OK lives here.
//
// The separation works on a document's parts, handed over by the caller: it
// reads and rewrites the picture's pixels, rewrites the mask (one byte a
// picture pixel, rows in the picture's buffer order, no padding; 255 ink,
// 0 background) and sets the transparency state's MaskActive and
// BackgroundMode.
//
// All arithmetic is double precision with the stores to single precision
// noted below, truncated toward zero, because views and saved files are
// compared byte for byte with the program's earlier results.
#pragma once

#include <cstdint>

#include "colour/transparency_state.h"
#include "image/byte_buffer.h"
#include "image/front_end.h"
#include "image/raster_image.h"

// ---------------------------------------------------------------- colour model

// A colour as luminance, hue and chroma. hue is the angle of the (red - Y,
// blue - Y) difference mapped onto 0..255, with 127.5 for a grey; chroma is
// the length of that difference.
struct LuminanceHue {
    int32_t luminance;   // 0..255
    float hue;           // 0..255
    float chroma;        // 0 or more
};

struct Rgb {
    uint8_t r, g, b;
};

// Y = trunc((0.1 B + 0.3 R) + 0.6 G). Being truncated, 15 greys come out one
// below their level (31, 57, 62, ...).
int32_t Luminance(uint8_t r, uint8_t g, uint8_t b);

// Y as above; hue = atan2(R - Y, B - Y) x 127.5 / 3.14159 + 127.5 and
// chroma = |(R - Y, B - Y)|, both stored as float.
LuminanceHue RgbToLuminanceHue(uint8_t r, uint8_t g, uint8_t b);

// The inverse up to truncation: each channel truncated toward zero and
// clamped to 0..255. Any luminance is accepted (out-of-range results clamp).
Rgb LuminanceHueToRgb(int32_t luminance, float hue, float chroma);

// Packed 0x00BBGGRR colour of the pixel at p (blue, green, red bytes).
inline uint32_t PackedColour(const uint8_t* p)
{
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

// Luminance of a packed 0x00BBGGRR colour (bits above 23 are ignored).
inline int32_t LuminanceOfColour(uint32_t colour)
{
    return Luminance(static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                     static_cast<uint8_t>(colour >> 16));
}

// ------------------------------------------------------------------ separation

// Results of BuildAlphaMask and RecolorPen.
enum SeparationResult : int {
    kSeparationOk = 0,
    kSeparationTooClose = -1,       // BuildAlphaMask, dark pen: pen within the band
    kSeparationTooCloseLight = -2,  // BuildAlphaMask, light pen (or equal luminances)
    kSeparationNoMemory = -3,       // BuildAlphaMask: the mask could not be had
    kSeparationNoMask = -4,         // RecolorPen: the mask does not cover the picture
};

// Scans picture in buffer order for the darkest and the brightest pixel by
// luminance (strict comparisons: the first of equals wins; luminance 255
// never becomes the darkest, 0 never the brightest) and overwrites darkest
// and brightest (packed 0x00BBGGRR) only when such a pixel exists.
// Returns 0.
int FindDarkestBrightest(const RasterImage& picture, uint32_t& darkest, uint32_t& brightest);

// Separates picture into mask with pen luminance pen, background luminance
// background and a tolerance that widens the background band from the
// background toward the pen.
//  - Always first: mask = width x height bytes of 255.
//  - pen < background: band background - tolerance .. background, or -1 when
//    the pen lies in it. Otherwise: band background .. background +
//    tolerance, or -2 when the pen lies in it; equal luminances are -2 with
//    any tolerance.
//  - Band pixels get mask 0 and stay as they are. Every other pixel gets
//    trunc((Y - B) x 255.0 / (P - B)) clamped to 0..255 and is recoloured to
//    the pen's luminance, keeping its hue and chroma.
//  - 0: MaskActive = 1, BackgroundMode = kTransparent. -1/-2: the picture,
//    MaskActive and BackgroundMode are unchanged.
//  - -3: the mask could not be allocated; it is empty, MaskActive = 0, the
//    picture is unchanged.
int BuildAlphaMask(RasterImage& picture, ByteBuffer& mask, TransparencyState& transparency, int32_t pen,
                   int32_t background, int32_t tolerance);

// The separation as the transparency dialog runs it: BuildAlphaMask with the
// luminances of the two packed colours. On failure the user is told (in a
// box of no window's) and the result is -1; 0 on success.
enum SeparateBackgroundResult : int {
    kBackgroundSeparated = 0,
    kBackgroundNotSeparated = -1,   // the user has been told
};
int SeparateBackground(FrontEnd& ui, RasterImage& picture, ByteBuffer& mask, TransparencyState& transparency,
                       uint32_t penColour, uint32_t backgroundColour, int32_t tolerance);

// Sets every picture pixel whose mask byte is non-zero to colour (packed
// 0x00BBGGRR); the others stay. Returns 0, or -4 (nothing changed) when the
// mask is shorter than the picture's width x height.
int RecolorPen(RasterImage& picture, const ByteBuffer& mask, uint32_t colour);

// -------------------------------------------------------------- dialog logic

// OK in the transparency dialog: stores PenColor and BGColor, then separates
// only while no mask is active. tolerance is the edit's unsigned number;
// values beyond the int32 range count as the largest int32 (they can never
// separate). Returns SeparateBackground's result, or 1 when a mask was
// already active and only the colours were stored.
int ApplyTransparencyChoice(FrontEnd& ui, RasterImage& picture, ByteBuffer& mask, TransparencyState& transparency,
                            uint32_t penColour, uint32_t backgroundColour, uint32_t tolerance);

// OK in the pen and background colour dialog: stores PenColor, BGColor and
// BackgroundMode (kTransparent when transparentChecked, else kBGColorFill),
// and while a mask is active recolours the ink with the pen colour.
// Returns 0, or RecolorPen's -4.
int ApplyPenBackgroundChoice(RasterImage& picture, const ByteBuffer& mask, TransparencyState& transparency,
                             uint32_t penColour, uint32_t backgroundColour, bool transparentChecked);

// --------------------------------------------------------------------- swatches

// Both colour dialogs show their colours from a 30 x 60 swatch image: the
// pen in the top square, the background in the bottom one. Rectangles are in
// the surface's top-down coordinates with exclusive right and bottom edges.
struct SwatchRect {
    int32_t left, top, right, bottom;
};

constexpr int32_t kSwatchWidth = 30;
constexpr int32_t kSwatchHeight = 60;
constexpr SwatchRect kPenSwatch = {0, 0, 30, 30};
constexpr SwatchRect kBackgroundSwatch = {0, 30, 30, 60};

// Fills first with firstColour and second with secondColour (packed
// 0x00BBGGRR) in image, rows counted from the top as a device context sees
// the bottom-up block; each rectangle is clipped to the image. Returns 0.
int DrawSwatchPair(RasterImage& image, uint32_t firstColour, uint32_t secondColour, const SwatchRect& first,
                   const SwatchRect& second);
