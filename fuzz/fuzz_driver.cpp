#include "fuzz/fuzz_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/document.h"
#include "app/open_dispatch.h"
#include "app/open_readers.h"
#include "colour/transparency_state.h"
#include "formats/painter/canvas_reader.h"
#include "formats/painter/huffman.h"
#include "formats/painter/item_reader.h"
#include "formats/painter/painter_reader.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "image/little_endian.h"
#include "image/sjis_text.h"
#include "tools/writers/painter_file_writer.h"

namespace {

const struct {
    FuzzTarget target;
    const char* name;
} kTargets[] = {
    {FuzzTarget::Painter, "painter"}, {FuzzTarget::PainterShort, "painter_short"},
    {FuzzTarget::Canvas, "canvas"},   {FuzzTarget::Huffman, "huffman"},
    {FuzzTarget::Packed, "packed"},   {FuzzTarget::Item, "item"},
    {FuzzTarget::Bmp, "bmp"},         {FuzzTarget::Png, "png"},
    {FuzzTarget::Jpeg, "jpeg"},       {FuzzTarget::Open, "open"},
};

// The current directory for one run, put back afterwards.
class InFolder {
public:
    explicit InFolder(const std::string& folder)
    {
        std::error_code error;
        previous_ = std::filesystem::current_path(error);
        std::filesystem::current_path(folder, error);
        entered_ = !error;
    }
    ~InFolder()
    {
        std::error_code error;
        if (!previous_.empty())
            std::filesystem::current_path(previous_, error);
    }
    bool Entered() const { return entered_; }

private:
    std::filesystem::path previous_;
    bool entered_ = false;
};

bool WriteInput(const char* name, const uint8_t* data, size_t size)
{
    // A new file rather than the old one cut to nothing: some file systems
    // (ext4) flush a file to disk when it is truncated, which costs a run
    // far more than the read itself.
    std::remove(name);
    std::FILE* file = std::fopen(name, "wb");
    if (!file)
        return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// The input as a file opened "rb": in memory where the C library can do
// that, else through a file of the work folder.
std::FILE* OpenInputStream(const uint8_t* data, size_t size, std::vector<uint8_t>& memory)
{
#ifndef _WIN32
    if (size > 0) {
        memory.assign(data, data + size);
        return fmemopen(memory.data(), size, "rb");
    }
#else
    (void)memory;
#endif
    if (!WriteInput("input.bin", data, size))
        return nullptr;
    return std::fopen("input.bin", "rb");
}

bool Terminated(const char* text, size_t size) { return std::memchr(text, 0, size) != nullptr; }

// Reads the first and the last byte of the block, so that a length larger
// than the block shows under the address sanitizer.
void TouchBlock(const ByteBuffer& block)
{
    if (block.length > 0) {
        volatile uint8_t first = block.data[0];
        volatile uint8_t last = block.data[block.length - 1];
        (void)first;
        (void)last;
    }
}

std::string StateProblem(const Document& doc, bool pictureHeaders)
{
    std::string problem = PictureProblem(doc.Picture, pictureHeaders);
    if (!problem.empty())
        return "Picture: " + problem;
    if (doc.Transparency.MaskActive != 0 &&
        int64_t{doc.AlphaMask.length} != int64_t{doc.Picture.width} * doc.Picture.height)
        return "active mask of " + std::to_string(doc.AlphaMask.length) + " bytes";
    TouchBlock(doc.AlphaMask);
    for (const RasterImage* pen : {&doc.CurrentPainter.fillPenPicture, &doc.CurrentPainter.outlinePenPicture}) {
        problem = PictureProblem(*pen, true);
        if (!problem.empty())
            return "pen picture: " + problem;
    }
    const struct {
        const char* text;
        size_t size;
        const char* what;
    } texts[] = {
        {doc.CurrentPainter.name, sizeof doc.CurrentPainter.name, "painter name"},
        {doc.CurrentPainter.auxText, sizeof doc.CurrentPainter.auxText, "painter text"},
        {doc.CurrentPainter.fillPenName, sizeof doc.CurrentPainter.fillPenName, "fill pen name"},
        {doc.CurrentPainter.outlinePenName, sizeof doc.CurrentPainter.outlinePenName, "outline pen name"},
        {doc.CurrentPainter.memo, sizeof doc.CurrentPainter.memo, "memo"},
        {doc.Picture.path, sizeof doc.Picture.path, "picture path"},
        {doc.PainterPath, sizeof doc.PainterPath, "painter path"},
        {doc.CanvasPath, sizeof doc.CanvasPath, "canvas path"},
        {doc.CurrentPath, sizeof doc.CurrentPath, "current path"},
        {doc.ItemExplanation, sizeof doc.ItemExplanation, "item explanation"},
    };
    for (const auto& t : texts)
        if (!Terminated(t.text, t.size))
            return std::string(t.what) + " not terminated";
    return "";
}

// A reader given an open file must leave it somewhere inside the input.
std::string PositionProblem(std::FILE* file, size_t size)
{
    const long position = std::ftell(file);
    if (position < 0 || static_cast<size_t>(position) > size)
        return "file left at " + std::to_string(position) + " of " + std::to_string(size);
    return "";
}

// The Huffman input's coded bytes, repeated to a stream long enough to be
// split, decoded by both halves at once and by one decoder into zeroed
// blocks: the same result, count and bytes, zero past the count in both.
// Inputs whose weights give no usable code have nothing to compare.
std::string SplitDecoderProblem(const uint8_t* data, size_t size)
{
    constexpr size_t kCodedStart = kHuffmanHeadBytes + kHuffmanWeightBytes;
    if (size <= kCodedStart)
        return "";
    float weights[kHuffmanSymbols];
    for (int i = 0; i < kHuffmanSymbols; ++i) {
        weights[i] = LoadF32LE(data + kHuffmanHeadBytes + 4 * i);
        if (i < kHuffmanEndSymbol && !HuffmanWeightAllowed(weights[i]))
            return "";
    }
    HuffmanNode nodes[kHuffmanNodes];
    BuildHuffmanTree(weights, nodes);
    if (!HuffmanTreeUsable(weights, nodes))
        return "";
    std::vector<uint8_t> coded;
    const size_t length = static_cast<size_t>(kHuffmanSplitBytes) + size % 4096;
    while (coded.size() < length)
        coded.insert(coded.end(), data + kCodedStart, data + std::min(size, kCodedStart + length - coded.size()));
    // Room for every code of one bit, or less (the first byte chooses).
    const int32_t capacity = static_cast<int32_t>(length * 8 >> (data[0] & 3));
    std::vector<uint8_t> one(static_cast<size_t>(capacity)), two(one.size());
    int32_t oneCount = 0, twoCount = 0;
    const int32_t codedLength = static_cast<int32_t>(coded.size());
    const int oneResult = HuffmanDecode(coded.data(), codedLength, nodes, one.data(), capacity, &oneCount);
    const int twoResult = HuffmanDecodeSplit(coded.data(), codedLength, nodes, two.data(), capacity, &twoCount);
    if (oneResult != twoResult || oneCount != twoCount || one != two)
        return "the split decoder differs: result " + std::to_string(twoResult) + " count " +
               std::to_string(twoCount) + " against " + std::to_string(oneResult) + " " + std::to_string(oneCount);
    return "";
}

void RunOnStream(FrontEnd& ui, Document& doc, FuzzTarget target, std::FILE* file, size_t size, FuzzOutcome& outcome)
{
    ByteSource reader(file);
    switch (target) {
    case FuzzTarget::Painter:
        outcome.results.push_back(ReadPainter(ui, reader, doc, doc.CurrentPainter));
        break;
    case FuzzTarget::PainterShort:
        outcome.results.push_back(ReadPainterShort(reader, doc.CurrentPainter));
        break;
    case FuzzTarget::Huffman:
        outcome.results.push_back(HuffDecodeImg(reader, doc.Picture));
        break;
    case FuzzTarget::Packed:
        for (int32_t side : {kPenPictureSize, kPainterPictureSize}) {
            reader.Rewind();
            outcome.results.push_back(ReadPackedPicture(reader, side, side, doc.Picture));
            if (doc.Picture.width != side || doc.Picture.height != side)
                outcome.problem = "packed picture not " + std::to_string(side) + " x " + std::to_string(side);
            else if (outcome.problem.empty())
                outcome.problem = PictureProblem(doc.Picture, true);
        }
        break;
    case FuzzTarget::Jpeg:
        outcome.results.push_back(DecodeJPEG(reader, doc.Picture));
        break;
    default:
        break;
    }
    if (outcome.problem.empty())
        outcome.problem = PositionProblem(file, size);
}

void RunOnFile(FrontEnd& ui, Document& doc, FuzzTarget target, const uint8_t* data, size_t size, FuzzOutcome& outcome)
{
    // The open by content recognises BMP by name as well; everything else
    // goes by content or (JPEG) by the name it is given here.
    const char* name = "input.jpg";
    switch (target) {
    case FuzzTarget::Canvas: name = "input.cnv"; break;
    case FuzzTarget::Item: name = "input.itm"; break;
    case FuzzTarget::Bmp: name = "input.bmp"; break;
    case FuzzTarget::Png: name = "input.png"; break;
    default:
        if (size >= 2 && data[0] == 'B' && data[1] == 'M')
            name = "input.bmp";
        break;
    }
    if (!WriteInput(name, data, size)) {
        outcome.problem = "cannot write the input";
        return;
    }
    switch (target) {
    case FuzzTarget::Canvas:
        outcome.results.push_back(ReadCNV(ui, name, doc, doc.Picture.path, doc.PainterPath));
        break;
    case FuzzTarget::Item: {
        RasterImage picture;
        ItemRecord item;
        const int result = ReadItem(ui, name, doc, picture, item);
        outcome.results.push_back(result);
        outcome.width = picture.width;
        outcome.height = picture.height;
        outcome.problem = PictureProblem(picture, true);
        if (outcome.problem.empty() && result == kItemRead &&
            (picture.width != kItemPictureSize || picture.height != kItemPictureSize))
            outcome.problem = "item picture not 50 x 50";
        if (outcome.problem.empty() && !Terminated(item.name, sizeof item.name))
            outcome.problem = "item name not terminated";
        break;
    }
    case FuzzTarget::Bmp:
        outcome.results.push_back(ReadBMP(name, doc.Picture));
        break;
    case FuzzTarget::Png:
        outcome.results.push_back(LoadPNG(ui, name, doc, doc.Picture));
        break;
    default:
        outcome.results.push_back(Read_ESI_CNV(ui, name, doc, outcome.view));
        // The title is handed to the window as a C string.
        if (outcome.view.title && !Terminated(outcome.view.titleText, sizeof outcome.view.titleText))
            outcome.problem = "title not terminated";
        break;
    }
}

}  // namespace

const char* FuzzTargetName(FuzzTarget target)
{
    for (const auto& t : kTargets)
        if (t.target == target)
            return t.name;
    return "";
}

bool FuzzTargetFromName(const std::string& name, FuzzTarget* target)
{
    for (const auto& t : kTargets)
        if (name == t.name) {
            *target = t.target;
            return true;
        }
    return false;
}

std::vector<FuzzTarget> AllFuzzTargets()
{
    std::vector<FuzzTarget> all;
    for (const auto& t : kTargets)
        all.push_back(t.target);
    return all;
}

std::string FuzzOutcome::Describe() const
{
    std::string text = "result";
    for (int r : results)
        text += " " + std::to_string(r);
    return text + "\npicture " + std::to_string(width) + " " + std::to_string(height) + "\n";
}

bool PrepareFuzzFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // A small painter without pen pictures or memo: a canvas naming
    // "hanako.esi" finds it and reads its name with the short reader.
    PainterRecord painter;
    CopyText(painter.name, sizeof painter.name, "花子");
    RasterImage picture;
    picture.ResizeAndFill(kPainterPictureSize, kPainterPictureSize, 0x80);
    picture.FillHeaders();
    PainterFileLayout layout(painter, picture);
    layout.penPicturesFlag = 0;
    layout.memoFlag = 0;
    return WritePainterFile((std::filesystem::path(folder) / "hanako.esi").string().c_str(), layout);
}

void ResetFuzzState(Document& doc)
{
    doc.Picture.ResizeAndFill(3, 2, 0x55);
    doc.Picture.FillHeaders();
    CopyText(doc.Picture.path, sizeof doc.Picture.path, "previous.bmp");
    doc.kind = kNone;
    std::memset(doc.PainterPath, 0, sizeof doc.PainterPath);
    std::memset(doc.CanvasPath, 0, sizeof doc.CanvasPath);
    std::memset(doc.CurrentPath, 0, sizeof doc.CurrentPath);
    doc.ZoomFactor = 1.0f;
    doc.Transparency = TransparencyState();
    doc.AlphaMask.Free();
    CopyText(doc.CurrentPainter.name, sizeof doc.CurrentPainter.name, "前の絵師");
}

FuzzOutcome RunFuzzInput(FrontEnd& ui, Document& doc, FuzzTarget target, const uint8_t* data, size_t size,
                         const std::string& folder)
{
    FuzzOutcome outcome;
    ResetFuzzState(doc);
    InFolder inFolder(folder);
    if (!inFolder.Entered()) {
        outcome.problem = "cannot enter " + folder;
        return outcome;
    }
    const bool onStream = target == FuzzTarget::Painter || target == FuzzTarget::PainterShort ||
                          target == FuzzTarget::Huffman || target == FuzzTarget::Packed ||
                          target == FuzzTarget::Jpeg;
    if (onStream) {
        std::vector<uint8_t> memory;
        std::FILE* file = OpenInputStream(data, size, memory);
        if (!file) {
            outcome.problem = "cannot open the input";
            return outcome;
        }
        RunOnStream(ui, doc, target, file, size, outcome);
        std::fclose(file);
    } else {
        RunOnFile(ui, doc, target, data, size, outcome);
    }
    if (target != FuzzTarget::Item) {
        outcome.width = doc.Picture.width;
        outcome.height = doc.Picture.height;
    }
    if (outcome.problem.empty())
        outcome.problem = StateProblem(doc, target != FuzzTarget::Huffman);
    if (outcome.problem.empty() && target == FuzzTarget::Huffman)
        outcome.problem = SplitDecoderProblem(data, size);
    return outcome;
}

std::string PictureProblem(const RasterImage& picture, bool withHeaders)
{
    if (picture.width < 0 || picture.height < 0)
        return "negative size";
    if (picture.stride != StrideForWidth(picture.width))
        return "stride " + std::to_string(picture.stride) + " for width " + std::to_string(picture.width);
    const int64_t bytes = int64_t{picture.stride} * picture.height;
    if (bytes > kMaxPixelBytes)
        return "beyond the size limit";
    if (picture.pixels.length != bytes)
        return "block of " + std::to_string(picture.pixels.length) + " bytes for " + std::to_string(bytes);
    if ((picture.pixels.length == 0) != (picture.pixels.data == nullptr))
        return "block pointer and length disagree";
    TouchBlock(picture.pixels);
    if (withHeaders) {
        const BitmapInfoHeader& h = picture.info.bmiHeader;
        if (h.biWidth != picture.width || h.biHeight != picture.height)
            return "headers say " + std::to_string(h.biWidth) + " x " + std::to_string(h.biHeight) + " for " +
                   std::to_string(picture.width) + " x " + std::to_string(picture.height);
        if (bytes > 0 && (picture.fileHeader.bfType != 0x4D42 || h.biBitCount != 24 || h.biCompression != 0))
            return "headers do not describe a 24-bit picture";
    }
    return "";
}

std::string ProgramStateProblem(const Document& doc) { return StateProblem(doc, true); }
