// The library's C interface (include/zavik/zavik.h) over the core: each
// zavik_file owns one Document, opened through the viewer's own dispatch, and
// collects the messages that open shows.
#include "include/zavik/zavik.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

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
#include "image/front_end.h"

struct zavik_file {
    Document doc;
    std::string path;        // as opened; for bytes, the private copy
    std::string name;        // how messages name the file
    bool privateCopy = false;
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

    ~zavik_file()
    {
        if (privateCopy)
            std::remove(path.c_str());
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

zavik_status Open(zavik_file* file)
{
    if (file->path.size() >= static_cast<size_t>(kPathSize)) {
        file->messages.push_back({MessageId::kFileNameTooLong, {}});
        return ZAVIK_ERROR_OPEN;
    }
    FileFrontEnd ui(file->messages);
    ViewChanges changes;
    const int result = Read_ESI_CNV(ui, file->path.c_str(), file->doc, changes);
    const zavik_status status = Finish(file, result);
    // The properties as `zavik info` reports them; an item is read again
    // for them, as the use-item dialog reads it, and its messages count.
    const Report details = DocumentDetails(ui, file->doc, file->path, file->opened);
    // Messages name the file as the caller named it.
    if (file->name != file->path)
        for (Message& m : file->messages)
            if (m.argument == file->path)
                m.argument = file->name;
    std::vector<std::string> texts;
    for (const Message& m : file->messages)
        texts.push_back(MessageUtf8(m));
    file->properties = InfoJson(file->doc, file->name, file->opened, details, texts);
    return status;
}

// A private copy of bytes in the temporary folder, with the extension of
// the caller's name, by which a JPEG is known. The readers open files by
// name; the copy goes when the file is closed.
bool WritePrivateCopy(const void* bytes, size_t size, const char* name, std::string& path)
{
    static std::atomic<unsigned> counter{0};
    const char* base = name ? name : "";
    for (const char* p = base; *p; ++p)
        if (*p == '/' || *p == '\\' || *p == ':')
            base = p + 1;
    const char* dot = std::strrchr(base, '.');
    const std::string extension = dot && std::strlen(dot) <= 16 ? dot : "";
#ifdef _WIN32
    const char* folder = std::getenv("TEMP");
    const char separator = '\\';
    const unsigned long process = static_cast<unsigned long>(_getpid());
#else
    const char* folder = std::getenv("TMPDIR");
    const char separator = '/';
    const unsigned long process = static_cast<unsigned long>(getpid());
#endif
    if (!folder || !*folder)
        folder = ".";
#ifndef _WIN32
    if (std::strcmp(folder, ".") == 0)
        folder = "/tmp";
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        char unique[64];
        std::snprintf(unique, sizeof unique, "zavik-%lu-%u", process, counter++);
        path = std::string(folder) + separator + unique + extension;
        // Created afresh, never over another file, readable by its owner only.
#ifdef _WIN32
        const int fd = _open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
#endif
        if (fd < 0)
            continue;
        std::FILE* out = fdopen(fd, "wb");
        if (!out) {
            close(fd);
            std::remove(path.c_str());
            return false;
        }
        const bool written = std::fwrite(bytes, 1, size, out) == size;
        if (std::fclose(out) == 0 && written)
            return true;
        std::remove(path.c_str());
        return false;
    }
    return false;
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
    if (ReadFileHeader(file->path.c_str(), header) &&
        KindByContent(file->path.c_str(), header) == ContentKind::kJPEG &&
        ReadJPEGReduced(file->path.c_str(), max_side, reduced) == 1) {
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

zavik_status zavik_open_path(const char* path, zavik_file** file)
{
    if (!file)
        return ZAVIK_ERROR_ARGUMENT;
    *file = nullptr;
    if (!path)
        return ZAVIK_ERROR_ARGUMENT;
    zavik_file* f = new (std::nothrow) zavik_file;
    if (!f)
        return ZAVIK_ERROR_NO_MEMORY;
    f->path = f->name = path;
    *file = f;
    return Open(f);
}

zavik_status zavik_open_memory(const void* bytes, size_t size, const char* name, zavik_file** file)
{
    if (!file)
        return ZAVIK_ERROR_ARGUMENT;
    *file = nullptr;
    if (!bytes && size > 0)
        return ZAVIK_ERROR_ARGUMENT;
    zavik_file* f = new (std::nothrow) zavik_file;
    if (!f)
        return ZAVIK_ERROR_NO_MEMORY;
    *file = f;
    f->name = name ? name : "";
    if (!WritePrivateCopy(bytes ? bytes : "", size, name, f->path)) {
        f->path.clear();
        return ZAVIK_ERROR_OPEN;
    }
    f->privateCopy = true;
    return Open(f);
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
