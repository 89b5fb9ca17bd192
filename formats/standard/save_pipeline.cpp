#include "formats/standard/save_pipeline.h"

#include <cstring>
#include <ctime>

#include "app/view_layout.h"
#include "colour/transparency_state.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "formats/standard/replace_file.h"
#include "image/pixel_blend.h"
#include "image/program_objects.h"
#include "image/sjis_text.h"

bool SaveMaskActive(const RasterImage& picture, const ByteBuffer& mask)
{
    return Transparency.MaskActive == 1 && mask.length >= int64_t{picture.width} * picture.height;
}

const RasterImage* SaveBackdrop(const RasterImage& picture, RasterImage& fallback)
{
    if (Backdrop.width == picture.width && Backdrop.height == picture.height && Backdrop.stride == picture.stride &&
        Backdrop.pixels.length == picture.pixels.length)
        return &Backdrop;
    if (BuildBackdrop(fallback, picture.width, picture.height, kBGColorFill, Transparency.BGColor) != kRasterOk)
        return nullptr;
    return &fallback;
}

int CompositeForSave(RasterImage& composite)
{
    if (!SaveMaskActive(Picture, AlphaMask)) {
        int result = composite.CopyPixelsFrom(Picture);
        if (result == kRasterOk)
            composite.FillHeaders();
        return result;
    }
    // Every pixel byte is blended below; only the padding is copied.
    int result = composite.Resize(Picture.width, Picture.height);
    if (result != kRasterOk)
        return result;
    composite.FillHeaders();
    const size_t rowBytes = static_cast<size_t>(3 * int64_t{Picture.width});
    for (int32_t r = 0; r < Picture.height; ++r)
        std::memcpy(composite.pixels.data + int64_t{r} * composite.stride + rowBytes,
                    Picture.pixels.data + int64_t{r} * Picture.stride + rowBytes,
                    static_cast<size_t>(Picture.stride) - rowBytes);

    RasterImage fallback;
    const RasterImage* backdrop = nullptr;
    if (Transparency.BackgroundMode == kBGColorFill) {
        backdrop = SaveBackdrop(Picture, fallback);
        if (!backdrop) {
            composite.Resize(0, 0);
            return kRasterNoMemory;
        }
    }
    const int32_t w = Picture.width;
    if (w == 0 || Picture.height == 0)
        return kRasterOk;
    for (int32_t r = 0; r < Picture.height; ++r) {
        const int64_t rowStart = int64_t{r} * Picture.stride;
        BlendPixels(composite.pixels.data + rowStart, backdrop ? backdrop->pixels.data + rowStart : nullptr,
                    Picture.pixels.data + rowStart, AlphaMask.data + int64_t{r} * w, w, FullMask::kUnlimited);
    }
    return kRasterOk;
}

const RasterImage* PictureToSave(RasterImage& composite)
{
    if (!SaveMaskActive(Picture, AlphaMask))
        return &Picture;
    return CompositeForSave(composite) == kRasterOk ? &composite : nullptr;
}

int WRITE_JPEG(WindowHandle window, const char* path)
{
    SafeOutput output;
    if (!BeginSafeOutput(output, path)) {
        ShowMessage(window, "ファイルオープンに失敗しました。WRITE_JPEG", "失敗");
        return kJpegCannotCreate;
    }
    RasterImage composite;
    const RasterImage* source = PictureToSave(composite);
    const bool written = source && EncodeJPEG(output.file, *source, 80, 1) == 1;
    if (!FinishSafeOutput(output, written)) {
        ShowMessage(window, "JPEGファイル作成に失敗しました。WRITE_JPEG", "失敗");
        return kJpegWriteFailed;
    }
    return kJpegSaved;
}

int SaveByFilterIndex(WindowHandle window, int filterIndex, const char* path)
{
    const std::string named = PathWithExtensionFor(path, filterIndex);
    switch (filterIndex) {
    case kSaveAsJpeg:
        return WRITE_JPEG(window, named.c_str());
    case kSaveAsBmp:
        return WriteBMP(window, named.c_str());
    case kSaveAsPng:
        return WRITE_PNG(window, named.c_str(), Picture, AlphaMask);
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
    if (filterIndex < kSaveAsJpeg || filterIndex > kSaveAsPng)
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
    result += extensions[filterIndex - kSaveAsJpeg];
    return result;
}

bool BeginSafeOutput(SafeOutput& output, const char* target)
{
    output.file = nullptr;
    const size_t length = std::strlen(target);
    if (length == 0 || length >= sizeof output.target)
        return false;
    std::memcpy(output.target, target, length + 1);
    // The name only has to be new; CreateNewFile refuses one that exists.
    static unsigned counter = 0;
    const unsigned seed = static_cast<unsigned>(std::time(nullptr)) * 2654435761u ^ static_cast<unsigned>(std::clock());
    for (int attempt = 0; attempt < 32; ++attempt) {
        const unsigned tag = (seed + 40503u * ++counter) & 0xFFFFu;
        std::snprintf(output.temporary, sizeof output.temporary, "%s.tmp%04X", target, tag);
        output.file = CreateNewFile(output.temporary);
        if (output.file)
            return true;
    }
    output.temporary[0] = '\0';
    return false;
}

bool FinishSafeOutput(SafeOutput& output, bool written)
{
    if (!output.file)
        return false;
    bool ok = written;
    if (std::fflush(output.file) != 0 || std::ferror(output.file))
        ok = false;
    if (std::fclose(output.file) != 0)
        ok = false;
    output.file = nullptr;
    if (ok && !ReplaceTargetFile(output.temporary, output.target))
        ok = false;
    if (!ok)
        std::remove(output.temporary);
    return ok;
}
