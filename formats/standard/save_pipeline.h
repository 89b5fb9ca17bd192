// The save pipeline: what Save writes and how it writes it.
//
// Owned here: the composite of a separated picture with its background, the
// JPEG, BMP and PNG save steps, the choice of writer by the save dialog's
// filter index and the extension a bare name gets. Each save reads the
// document's picture, its mask, the view's backdrop and the transparency
// state, handed over in that order. The Win32 save dialog
// (with its LastSaveFolder) and the command-line tool call
// SaveByFilterIndex; the encoders (jpeg_codec.h, bmp_codec.h, png_codec.h)
// only write into an open stream, and every save writes through
// safe_output.h.
//
// Two promises hold for every writer:
//   - a save never changes the document: a separated picture is blended into
//     a copy that only the writer sees, so the picture stays as displayed and
//     a second save writes the same file as the first;
//   - a failed save never destroys data (safe_output.h): an existing target
//     stays as it was, and the user is told.
#pragma once

#include <cstdint>
#include <string>

#include "colour/transparency_state.h"
#include "formats/standard/safe_output.h"
#include "image/byte_buffer.h"
#include "image/front_end.h"
#include "image/raster_image.h"

// The save dialog's filter indexes.
enum SaveFilterIndex : int {
    kSaveAsJPEG = 1,
    kSaveAsBMP = 2,
    kSaveAsPNG = 3,
};

// Results of WRITE_JPEG.
enum JPEGSaveResult : int {
    kJPEGSaved = 0,
    kJPEGCannotCreate = -1,   // "ファイルオープンに失敗しました。WRITE_JPEG" shown
    kJPEGWriteFailed = -2,    // "JPEGファイル作成に失敗しました。WRITE_JPEG" shown
};

// Results of WriteBMP.
enum BMPWriteResult : int {
    kBMPWritten = 0,
    kBMPCannotCreate = -3,   // "ファイル生成に失敗しました。" shown
    kBMPWriteFailed = -4,    // "ファイルの書き込みに失敗しました。" shown
};

// Results of WRITE_PNG.
enum PNGWriteResult : int {
    kPNGWritten = 0,
    kPNGCannotCreate = -1,   // "ファイルオープンに失敗しました。WRITE_PNG" shown
    kPNGWriteFailed = -2,    // "PNGファイル作成に失敗しました。WRITE_PNG" shown
};

// SaveByFilterIndex for an index that names no format: nothing is written.
constexpr int kSaveNoFormat = -10;

// True when a save blends: MaskActive is 1 and the mask covers the picture
// (a shorter mask is taken as inactive, as the view takes it).
bool SaveMaskActive(const RasterImage& picture, const ByteBuffer& mask, const TransparencyState& transparency);

// The background of the BGColorFill composite: backdrop when it has the
// picture's size (the view rebuilt it for this picture), otherwise solid
// BGColor built into fallback. Null when fallback cannot be made.
const RasterImage* SaveBackdrop(const RasterImage& picture, const RasterImage& backdrop,
                                const TransparencyState& transparency, RasterImage& fallback);

// Makes composite the picture blended with its background by the mask: over
// the backdrop in BGColorFill mode, over white in any other mode. Padding
// bytes are the picture's. The picture, the mask and the transparency state
// are not changed. With no active mask the composite is a plain copy.
// Returns kRasterOk or the failing size operation's result.
int CompositeForSave(RasterImage& composite, const RasterImage& picture, const ByteBuffer& mask,
                     const RasterImage& backdrop, const TransparencyState& transparency);

// What the JPEG and BMP writers write: the picture itself, or while a mask
// is active its composite, made in `composite`. Null when it cannot be made.
const RasterImage* PictureToSave(RasterImage& composite, const RasterImage& picture, const ByteBuffer& mask,
                                 const RasterImage& backdrop, const TransparencyState& transparency);

// The writers below save through WriteSafely with `call` (its settings,
// watcher and failure report) when one is given, else with the defaults.

// Writes the picture to save as a progressive JPEG of quality 80.
int WRITE_JPEG(FrontEnd& ui, const char* path, const RasterImage& picture, const ByteBuffer& mask,
               const RasterImage& backdrop, const TransparencyState& transparency, SaveCall* call = nullptr);

// Writes the picture to save as a 24-bit BMP file.
int WriteBMP(FrontEnd& ui, const char* path, const RasterImage& picture, const ByteBuffer& mask,
             const RasterImage& backdrop, const TransparencyState& transparency, SaveCall* call = nullptr);

// Writes picture as an 8-bit PNG file: colour with alpha from alphaMask in
// Transparent mode while a mask is active, colour composited over the
// backdrop in BGColorFill mode, plain colour otherwise. The picture and the
// mask are not changed.
int WRITE_PNG(FrontEnd& ui, const char* path, const RasterImage& picture, const ByteBuffer& alphaMask,
              const RasterImage& backdrop, const TransparencyState& transparency, SaveCall* call = nullptr);

// Save with the format the dialog's filter index chose (1 JPEG, 2 BMP,
// 3 PNG), whatever extension the name has; a name without one gets the
// format's (PathWithExtensionFor), unless it names a pipe or a device
// (which a save within its folder never writes into). Returns the writer's result (0 written,
// negative after its message), or kSaveNoFormat for another index.
int SaveByFilterIndex(FrontEnd& ui, int filterIndex, const char* path, const RasterImage& picture,
                      const ByteBuffer& mask, const RasterImage& backdrop, const TransparencyState& transparency,
                      SaveCall* call = nullptr);

// path, with ".jpg", ".bmp" or ".png" (by filter index) appended when its
// final component has no extension; otherwise, and for other indexes,
// unchanged. Meant for a save dialog without a default extension of its own.
std::string PathWithExtensionFor(const char* path, int filterIndex);
