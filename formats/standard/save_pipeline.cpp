#include "formats/standard/save_pipeline.h"

#include <cstring>
#include <functional>

#include "colour/backdrop.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "formats/standard/safe_output.h"
#include "image/pixel_blend.h"
#include "image/sjis_text.h"

bool SaveMaskActive(const RasterImage& picture, const ByteBuffer& mask, const TransparencyState& transparency)
{
    return transparency.MaskActive == 1 && mask.length >= int64_t{picture.width} * picture.height;
}

const RasterImage* SaveBackdrop(const RasterImage& picture, const RasterImage& backdrop,
                                const TransparencyState& transparency, RasterImage& fallback)
{
    if (backdrop.width == picture.width && backdrop.height == picture.height && backdrop.stride == picture.stride &&
        backdrop.pixels.length == picture.pixels.length)
        return &backdrop;
    if (BuildBackdrop(fallback, picture.width, picture.height, kBGColorFill, transparency.BGColor) != kRasterOk)
        return nullptr;
    return &fallback;
}

int CompositeForSave(RasterImage& composite, const RasterImage& picture, const ByteBuffer& mask,
                     const RasterImage& backdrop, const TransparencyState& transparency)
{
    if (!SaveMaskActive(picture, mask, transparency)) {
        int result = composite.CopyPixelsFrom(picture);
        if (result == kRasterOk)
            composite.FillHeaders();
        return result;
    }
    // Every pixel byte is blended below; only the padding is copied.
    int result = composite.Resize(picture.width, picture.height);
    if (result != kRasterOk)
        return result;
    composite.FillHeaders();
    const size_t rowBytes = static_cast<size_t>(3 * int64_t{picture.width});
    for (int32_t r = 0; r < picture.height; ++r)
        std::memcpy(composite.pixels.data + int64_t{r} * composite.stride + rowBytes,
                    picture.pixels.data + int64_t{r} * picture.stride + rowBytes,
                    static_cast<size_t>(picture.stride) - rowBytes);

    RasterImage fallback;
    const RasterImage* under = nullptr;
    if (transparency.BackgroundMode == kBGColorFill) {
        under = SaveBackdrop(picture, backdrop, transparency, fallback);
        if (!under) {
            composite.Resize(0, 0);
            return kRasterNoMemory;
        }
    }
    const int32_t w = picture.width;
    if (w == 0 || picture.height == 0)
        return kRasterOk;
    for (int32_t r = 0; r < picture.height; ++r) {
        const int64_t rowStart = int64_t{r} * picture.stride;
        BlendPixels(composite.pixels.data + rowStart, under ? under->pixels.data + rowStart : nullptr,
                    picture.pixels.data + rowStart, mask.data + int64_t{r} * w, w, FullMask::kUnlimited);
    }
    return kRasterOk;
}

const RasterImage* PictureToSave(RasterImage& composite, const RasterImage& picture, const ByteBuffer& mask,
                                 const RasterImage& backdrop, const TransparencyState& transparency)
{
    if (!SaveMaskActive(picture, mask, transparency))
        return &picture;
    return CompositeForSave(composite, picture, mask, backdrop, transparency) == kRasterOk ? &composite : nullptr;
}

namespace {

// What a writer tells the user when its file cannot be made and when
// writing it failed, and what it returns then.
struct WriterFailures {
    MessageId cannotCreate;
    MessageId writeFailed;
    int cannotCreateResult;
    int writeFailedResult;
};

// The one save: a temporary file beside path, encode into it, put it in
// path's place, and tell the user when that failed.
int Save(FrontEnd& ui, const char* path, const WriterFailures& failures,
         const std::function<bool(std::FILE*)>& encode, SaveCall* call)
{
    SaveCall defaults;
    switch (WriteSafely(path, encode, call ? *call : defaults)) {
    case OutputResult::kWritten:
        return 0;
    case OutputResult::kCannotCreate:
        ui.ShowMessage(failures.cannotCreate, nullptr, BoxOwner::kWindow);
        return failures.cannotCreateResult;
    case OutputResult::kWriteFailed:
        break;
    }
    ui.ShowMessage(failures.writeFailed, nullptr, BoxOwner::kWindow);
    return failures.writeFailedResult;
}

}  // namespace

int WRITE_JPEG(FrontEnd& ui, const char* path, const RasterImage& picture, const ByteBuffer& mask,
               const RasterImage& backdrop, const TransparencyState& transparency, SaveCall* call)
{
    static const WriterFailures failures = {MessageId::kJpegSaveCannotCreate, MessageId::kJpegSaveFailed,
                                            kJPEGCannotCreate, kJPEGWriteFailed};
    return Save(ui, path, failures, [&](std::FILE* file) {
        RasterImage composite;
        const RasterImage* source = PictureToSave(composite, picture, mask, backdrop, transparency);
        return source && EncodeJPEG(*source, 80, 1, file) == 1;
    }, call);
}

int WriteBMP(FrontEnd& ui, const char* path, const RasterImage& picture, const ByteBuffer& mask,
             const RasterImage& backdrop, const TransparencyState& transparency, SaveCall* call)
{
    static const WriterFailures failures = {MessageId::kBmpSaveCannotCreate, MessageId::kBmpSaveFailed,
                                            kBMPCannotCreate, kBMPWriteFailed};
    return Save(ui, path, failures, [&](std::FILE* file) {
        RasterImage composite;
        const RasterImage* source = PictureToSave(composite, picture, mask, backdrop, transparency);
        return source && EncodeBMP(*source, file) == 1;
    }, call);
}

int WRITE_PNG(FrontEnd& ui, const char* path, const RasterImage& picture, const ByteBuffer& alphaMask,
              const RasterImage& backdrop, const TransparencyState& transparency, SaveCall* call)
{
    static const WriterFailures failures = {MessageId::kPngSaveCannotCreate, MessageId::kPngSaveFailed,
                                            kPNGCannotCreate, kPNGWriteFailed};
    return Save(ui, path, failures, [&](std::FILE* file) {
        const bool blend = SaveMaskActive(picture, alphaMask, transparency);
        const uint8_t* weights = blend ? alphaMask.data : nullptr;
        if (blend && transparency.BackgroundMode == kBGColorFill) {
            RasterImage fallback;
            const RasterImage* under = SaveBackdrop(picture, backdrop, transparency, fallback);
            return under && EncodePNG(picture, weights, under, false, file) == 1;
        }
        return EncodePNG(picture, weights, nullptr, blend, file) == 1;
    }, call);
}

int SaveByFilterIndex(FrontEnd& ui, int filterIndex, const char* path, const RasterImage& picture,
                      const ByteBuffer& mask, const RasterImage& backdrop, const TransparencyState& transparency,
                      SaveCall* call)
{
    // A pipe or a device (/dev/stdout) is written as it is named.
    const OutputTargets targets = call ? call->targets : OutputTargets::kFollowLinks;
    const std::string named =
        OutputIsStream(path, targets) ? std::string(path) : PathWithExtensionFor(path, filterIndex);
    switch (filterIndex) {
    case kSaveAsJPEG:
        return WRITE_JPEG(ui, named.c_str(), picture, mask, backdrop, transparency, call);
    case kSaveAsBMP:
        return WriteBMP(ui, named.c_str(), picture, mask, backdrop, transparency, call);
    case kSaveAsPNG:
        return WRITE_PNG(ui, named.c_str(), picture, mask, backdrop, transparency, call);
    default:
        return kSaveNoFormat;
    }
}

namespace {

// Where the final component of a path starts. Windows paths are code page
// 932, whose trail bytes include '\\', so they are walked a character at a
// time; elsewhere paths are UTF-8 and '/' never occurs inside a character.
size_t FinalComponentStart(const char* path)
{
    size_t start = 0;
#ifdef _WIN32
    for (size_t i = 0; path[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsSjisLeadByte(c)) {
            if (path[i + 1] == '\0')
                break;
            ++i;
        } else if (c == '\\' || c == '/' || c == ':') {
            start = i + 1;
        }
    }
#else
    if (const char* slash = std::strrchr(path, '/'))
        start = static_cast<size_t>(slash - path) + 1;
#endif
    return start;
}

}  // namespace

std::string PathWithExtensionFor(const char* path, int filterIndex)
{
    static const char* const extensions[] = {"jpg", "bmp", "png"};
    std::string result = path;
    if (filterIndex < kSaveAsJPEG || filterIndex > kSaveAsPNG)
        return result;
    const char* name = path + FinalComponentStart(path);
    if (*name == '\0')
        return result;   // a folder, not a file name
    // '.' is never a trail byte of code page 932, so a plain search is safe.
    const char* dot = std::strrchr(name, '.');
    if (dot && dot[1] != '\0')
        return result;
    if (!dot)
        result += '.';   // "name." only lacks the letters
    result += extensions[filterIndex - kSaveAsJPEG];
    return result;
}
