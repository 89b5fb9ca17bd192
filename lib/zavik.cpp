// The library's C interface (include/zavik/zavik.h) over the core: each
// zavik_file owns one Document, opened through the viewer's own dispatch, and
// collects the messages that open shows.
#include "include/zavik/zavik.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/open_dispatch.h"
#include "app/version.h"
#include "app/view_layout.h"
#include "report/document_report.h"
#include "report/report.h"
#include "report/utf8.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "formats/standard/save_pipeline.h"
#include "image/area_reduce.h"
#include "image/byte_source.h"
#include "image/front_end.h"

// The header's limits are the viewer's (builds with a smaller picture limit,
// the fuzz targets', scale both down).
static_assert(kMaxPixelBytes != ZAVIK_MAX_PICTURE_BYTES || kOpenMemoryBytes == ZAVIK_MAX_OPEN_MEMORY_BYTES,
              "the header's memory limit is the viewer's");

struct zavik_file {
    Document doc;
    std::string path;        // as opened; for bytes, the caller's name for them as the readers take it
    std::string name;        // how messages and the properties name the file
    OpenLimits limits;
    // A JPEG opened from memory keeps its bytes: a thumbnail decodes it
    // again at a reduced scale, after the caller's bytes may be gone.
    bool inMemory = false;
    std::vector<unsigned char> jpegBytes;
    MessageList messages;
    bool opened = false;     // the viewer took it in (a canvas may still have no picture)
    bool loaded = false;     // ... and there is a picture
    // The last text each function handed out: each stays valid until the
    // same function is called again.
    std::string messageText, messageCaption;
    std::string properties;  // made with the open
    // The last thumbnail made, for its side.
    int thumbnailSide = 0;
    RasterImage thumbnail;
    ByteBuffer thumbnailMask;

    // The file as the readers take it after the open: on disk, or the kept
    // bytes of a JPEG (none for other files in memory).
    InputFile Input() const
    {
        InputFile input = inMemory ? InputFile(path.c_str(), jpegBytes.data(), jpegBytes.size())
                                   : InputFile(path.c_str());
        input.limits = limits;
        return input;
    }
};

namespace {

// The library's front end for one file: every box goes to the file's
// messages; there is no window, no control and no view to lay out.
class FileFrontEnd final : public FrontEnd {
public:
    explicit FileFrontEnd(MessageList& messages) : messages_(messages) {}
    void ShowMessage(MessageId id, const char* argument, BoxOwner) override
    {
        messages_.push_back({id, argument ? argument : ""});
    }
    void SetControlText(int, const char*) override {}

private:
    MessageList& messages_;
};

std::string MessageUtf8(const Message& m)
{
    const MessageText& text = TextOfMessage(m.id);
    return Cp932ToUtf8(text.before) + m.argument + Cp932ToUtf8(text.after);
}

zavik_status Finish(zavik_file* file, int result)
{
    if (result == kOpenCannotOpen)
        return ZAVIK_ERROR_OPEN;
    const RasterImage& picture = file->doc.Picture;
    file->opened = result == kOpenDone && file->doc.kind != kNone;
    file->loaded = file->opened && picture.width > 0 && picture.height > 0 && !picture.Empty();
    if (file->loaded)
        return ZAVIK_OK;
    for (const Message& m : file->messages)
        if (m.id == MessageId::kUnsupportedFile)
            return ZAVIK_ERROR_UNSUPPORTED;
    return ZAVIK_ERROR_NO_PICTURE;
}

// Opens input (the file's path or the caller's bytes under its name)
// through the viewer's dispatch. Bytes in memory are read where they are:
// nothing is written or looked up on disk.
zavik_status Open(zavik_file* file, const InputFile& input)
{
    if (file->path.size() >= static_cast<size_t>(kPathSize)) {
        file->messages.push_back({MessageId::kFileNameTooLong, {}});
        return ZAVIK_ERROR_OPEN;
    }
    FileFrontEnd ui(file->messages);
    ViewChanges changes;
    const int result = Read_ESI_CNV(ui, input, file->doc, changes);
    const zavik_status status = Finish(file, result);
    // The properties as `zavik info` reports them; an item is read again
    // for them, as the use-item dialog reads it, and its messages count.
    const Report details = DocumentDetails(ui, file->doc, input, file->opened);
    // Messages name the file as the caller named it.
    if (file->name != file->path)
        for (Message& m : file->messages)
            if (m.argument == file->path)
                m.argument = file->name;
    std::vector<std::string> texts;
    for (const Message& m : file->messages)
        texts.push_back(MessageUtf8(m));
    file->properties = InfoJson(file->doc, file->name, file->opened, details, texts);
    uint8_t header[12];
    if (input.inMemory && status == ZAVIK_OK && ReadFileHeader(input, header) &&
        KindByContent(input.path, header) == ContentKind::kJPEG) {
        const unsigned char* bytes = static_cast<const unsigned char*>(input.bytes);
        try {
            file->jpegBytes.assign(bytes, bytes + input.size);
        } catch (const std::bad_alloc&) {
            return ZAVIK_ERROR_NO_MEMORY;
        }
    }
    return status;
}

// The name the readers take for bytes in memory. One their path buffers
// cannot hold is cut to its end, its last component or else its last
// bytes, which keep the extension a JPEG is known by; nothing is looked up
// by it.
std::string NameInMemory(const std::string& name)
{
    const size_t most = static_cast<size_t>(kPathSize) - 1;
    if (name.size() <= most)
        return name;
    const size_t separator = name.find_last_of("/\\");
    std::string last = separator == std::string::npos ? name : name.substr(separator + 1);
    return last.size() <= most ? last : last.substr(last.size() - most);
}

// The caller's limits, each within the viewer's own (0 takes the viewer's).
bool TakeLimits(const zavik_limits* given, OpenLimits& limits)
{
    if (!given)
        return true;
    const OpenLimits viewer;
    if (given->max_picture_bytes > static_cast<uint64_t>(viewer.pictureBytes) ||
        given->max_memory_bytes > static_cast<uint64_t>(viewer.memoryBytes))
        return false;
    if (given->max_picture_bytes)
        limits.pictureBytes = static_cast<int64_t>(given->max_picture_bytes);
    if (given->max_memory_bytes)
        limits.memoryBytes = static_cast<int64_t>(given->max_memory_bytes);
    return true;
}

// Copies a picture (bottom-up BGR) into top-down RGBA rows, alpha from the
// mask where there is one.
void ToRgba(const RasterImage& picture, const uint8_t* mask, bool blend, unsigned char* rgba, size_t stride)
{
    std::vector<uint8_t> row(static_cast<size_t>(picture.width) * 4);
    const PNGRowSource source{&picture, mask, nullptr, blend};
    for (int32_t y = 0; y < picture.height; ++y) {
        unsigned char* out = rgba + stride * static_cast<size_t>(y);
        const int32_t memoryRow = picture.height - 1 - y;
        if (blend) {
            FillPNGRow(source, memoryRow, out);
            continue;
        }
        FillPNGRow(source, memoryRow, row.data());
        for (int32_t x = 0; x < picture.width; ++x) {
            out[4 * x + 0] = row[3 * x + 0];
            out[4 * x + 1] = row[3 * x + 1];
            out[4 * x + 2] = row[3 * x + 2];
            out[4 * x + 3] = 255;
        }
    }
}

bool ZoomAllowed(int percent) { return percent >= 10 && percent <= 100 && percent % 10 == 0; }

float ZoomOf(int percent) { return static_cast<float>(percent) / 100.0f; }

const char* Hand(std::string& kept, std::string text)
{
    kept = std::move(text);
    return kept.c_str();
}

// The mask when the picture has transparent parts, as the saved PNG has them.
const uint8_t* AlphaOf(const zavik_file* file)
{
    const Document& doc = file->doc;
    return SaveMaskActive(doc.Picture, doc.AlphaMask, doc.Transparency) &&
                   doc.Transparency.BackgroundMode == kTransparent
               ? doc.AlphaMask.data
               : nullptr;
}

// The thumbnail of max_side as `zavik thumbnail` makes it: a JPEG (known by
// its name alone) decoded straight at a reduced scale, anything else from
// the picture as opened; then reduced by area averaging, a PNG's
// transparency kept.
zavik_status MakeThumbnail(zavik_file* file, int max_side)
{
    if (file->thumbnailSide == max_side)
        return ZAVIK_OK;
    const Document& doc = file->doc;
    RasterImage reduced;
    const RasterImage* picture = &doc.Picture;
    const uint8_t* mask =
        doc.Transparency.MaskActive == 1 && doc.AlphaMask.length == doc.Picture.width * doc.Picture.height
            ? doc.AlphaMask.data
            : nullptr;
    uint8_t header[12];
    const InputFile input = file->Input();
    if ((!file->inMemory || !file->jpegBytes.empty()) && ReadFileHeader(input, header) &&
        KindByContent(input.path, header) == ContentKind::kJPEG && ReadJPEGReduced(input, max_side, reduced) == 1) {
        picture = &reduced;
        mask = nullptr;
    }
    file->thumbnailSide = 0;
    file->thumbnailMask.Discard();
    const ReducedSize size = FitWithin(picture->width, picture->height, max_side);
    if (ReduceByAreaAverage(*picture, mask, size, file->thumbnail, &file->thumbnailMask) != ReduceResult::kOk)
        return ZAVIK_ERROR_NO_MEMORY;
    file->thumbnailSide = max_side;
    return ZAVIK_OK;
}

}  // namespace

extern "C" {

int zavik_api_version(void) { return ZAVIK_API_VERSION; }

const char* zavik_version(void) { return kVersionText; }

const char* zavik_status_text(zavik_status status)
{
    switch (status) {
    case ZAVIK_OK: return "success";
    case ZAVIK_ERROR_ARGUMENT: return "an argument is out of range";
    case ZAVIK_ERROR_OPEN: return "the file cannot be opened or read";
    case ZAVIK_ERROR_UNSUPPORTED: return "the file is of no kind zavik view opens";
    case ZAVIK_ERROR_NO_PICTURE: return "no picture came of the file";
    case ZAVIK_ERROR_NO_MEMORY: return "not enough memory";
    case ZAVIK_ERROR_TOO_SMALL: return "the row stride is smaller than the picture's rows";
    }
    return "unknown status";
}

void zavik_default_limits(zavik_limits* limits)
{
    if (!limits)
        return;
    const OpenLimits viewer;
    limits->max_picture_bytes = static_cast<size_t>(viewer.pictureBytes);
    limits->max_memory_bytes = static_cast<size_t>(viewer.memoryBytes);
}

zavik_status zavik_open_path_limited(const char* path, const zavik_limits* limits, zavik_file** file)
{
    if (!file)
        return ZAVIK_ERROR_ARGUMENT;
    *file = nullptr;
    OpenLimits taken;
    if (!path || !TakeLimits(limits, taken))
        return ZAVIK_ERROR_ARGUMENT;
    zavik_file* f = new (std::nothrow) zavik_file;
    if (!f)
        return ZAVIK_ERROR_NO_MEMORY;
    f->path = f->name = path;
    f->limits = taken;
    *file = f;
    return Open(f, f->Input());
}

zavik_status zavik_open_path(const char* path, zavik_file** file)
{
    return zavik_open_path_limited(path, nullptr, file);
}

zavik_status zavik_open_memory_limited(const void* bytes, size_t size, const char* name, const zavik_limits* limits,
                                       zavik_file** file)
{
    if (!file)
        return ZAVIK_ERROR_ARGUMENT;
    *file = nullptr;
    OpenLimits taken;
    if ((!bytes && size > 0) || !TakeLimits(limits, taken))
        return ZAVIK_ERROR_ARGUMENT;
    zavik_file* f = new (std::nothrow) zavik_file;
    if (!f)
        return ZAVIK_ERROR_NO_MEMORY;
    f->name = name ? name : "";
    f->path = NameInMemory(f->name);
    f->limits = taken;
    f->inMemory = true;
    *file = f;
    InputFile input(f->path.c_str(), bytes ? bytes : "", bytes ? size : 0);
    input.limits = taken;
    return Open(f, input);
}

zavik_status zavik_open_memory(const void* bytes, size_t size, const char* name, zavik_file** file)
{
    return zavik_open_memory_limited(bytes, size, name, nullptr, file);
}

void zavik_close(zavik_file* file) { delete file; }

zavik_kind zavik_file_kind(const zavik_file* file)
{
    return file ? static_cast<zavik_kind>(file->doc.kind) : ZAVIK_KIND_NONE;
}

int zavik_width(const zavik_file* file) { return file && file->loaded ? file->doc.Picture.width : 0; }

int zavik_height(const zavik_file* file) { return file && file->loaded ? file->doc.Picture.height : 0; }

int zavik_has_alpha(const zavik_file* file) { return file && file->loaded && AlphaOf(file) ? 1 : 0; }

zavik_status zavik_picture_rgba(zavik_file* file, unsigned char* rgba, size_t stride)
{
    if (!file || !rgba)
        return ZAVIK_ERROR_ARGUMENT;
    if (!file->loaded)
        return ZAVIK_ERROR_NO_PICTURE;
    const Document& doc = file->doc;
    if (stride < static_cast<size_t>(doc.Picture.width) * 4)
        return ZAVIK_ERROR_TOO_SMALL;
    // As the PNG writer composes a save: a separation over its colour is
    // blended into the picture first.
    RasterImage composite;
    const RasterImage* source = &doc.Picture;
    if (SaveMaskActive(doc.Picture, doc.AlphaMask, doc.Transparency) &&
        doc.Transparency.BackgroundMode == kBGColorFill) {
        source = PictureToSave(composite, doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency);
        if (!source)
            return ZAVIK_ERROR_NO_MEMORY;
    }
    const uint8_t* alpha = source == &doc.Picture ? AlphaOf(file) : nullptr;
    ToRgba(*source, alpha, alpha != nullptr, rgba, stride);
    return ZAVIK_OK;
}

zavik_status zavik_view_size(const zavik_file* file, int zoom_percent, int* width, int* height)
{
    if (!file || !width || !height || !ZoomAllowed(zoom_percent))
        return ZAVIK_ERROR_ARGUMENT;
    *width = *height = 0;
    if (!file->loaded)
        return ZAVIK_ERROR_NO_PICTURE;
    *width = DisplayLength(file->doc.Picture.width, ZoomOf(zoom_percent));
    *height = DisplayLength(file->doc.Picture.height, ZoomOf(zoom_percent));
    return ZAVIK_OK;
}

zavik_status zavik_view_rgba(zavik_file* file, int zoom_percent, unsigned char* rgba, size_t stride)
{
    int width = 0, height = 0;
    const zavik_status status = zavik_view_size(file, zoom_percent, &width, &height);
    if (status != ZAVIK_OK)
        return status;
    if (!rgba)
        return ZAVIK_ERROR_ARGUMENT;
    if (stride < static_cast<size_t>(width) * 4)
        return ZAVIK_ERROR_TOO_SMALL;
    if (width == 0 || height == 0)
        return ZAVIK_OK;
    RasterImage view;
    if (RenderView(file->doc, view, ZoomOf(zoom_percent)) != kRasterOk)
        return ZAVIK_ERROR_NO_MEMORY;
    ToRgba(view, nullptr, false, rgba, stride);
    return ZAVIK_OK;
}

zavik_status zavik_thumbnail_size(const zavik_file* file, int max_side, int* width, int* height)
{
    if (!file || !width || !height || max_side < 1)
        return ZAVIK_ERROR_ARGUMENT;
    *width = *height = 0;
    if (!file->loaded)
        return ZAVIK_ERROR_NO_PICTURE;
    const zavik_status status = MakeThumbnail(const_cast<zavik_file*>(file), max_side);
    if (status == ZAVIK_OK) {
        *width = file->thumbnail.width;
        *height = file->thumbnail.height;
    }
    return status;
}

zavik_status zavik_thumbnail_rgba(zavik_file* file, int max_side, unsigned char* rgba, size_t stride)
{
    int width = 0, height = 0;
    const zavik_status status = zavik_thumbnail_size(file, max_side, &width, &height);
    if (status != ZAVIK_OK)
        return status;
    if (!rgba)
        return ZAVIK_ERROR_ARGUMENT;
    if (stride < static_cast<size_t>(width) * 4)
        return ZAVIK_ERROR_TOO_SMALL;
    const uint8_t* alpha = file->thumbnailMask.length ? file->thumbnailMask.data : nullptr;
    ToRgba(file->thumbnail, alpha, alpha != nullptr, rgba, stride);
    return ZAVIK_OK;
}

const char* zavik_properties_json(zavik_file* file) { return file ? file->properties.c_str() : ""; }

size_t zavik_message_count(const zavik_file* file) { return file ? file->messages.size() : 0; }

int zavik_message_id(const zavik_file* file, size_t index)
{
    return file && index < file->messages.size() ? static_cast<int>(file->messages[index].id) : 0;
}

const char* zavik_message_text(zavik_file* file, size_t index)
{
    if (!file || index >= file->messages.size())
        return "";
    return Hand(file->messageText, MessageUtf8(file->messages[index]));
}

const char* zavik_message_caption(zavik_file* file, size_t index)
{
    if (!file || index >= file->messages.size())
        return "";
    return Hand(file->messageCaption, Cp932ToUtf8(TextOfMessage(file->messages[index].id).caption));
}

}  // extern "C"
