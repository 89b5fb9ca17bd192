#include "formats/standard/bmp_codec.h"

#include <cstring>

#include "image/sjis_text.h"
#include "image/byte_source.h"

int EncodeBMP(const RasterImage& image, std::FILE* file)
{
    const int64_t bytes = int64_t{image.stride} * image.height;
    // An empty picture is refused like the JPEG and PNG encoders refuse it:
    // its 54 bytes would be a file that no reader (this one included) opens.
    if (image.width <= 0 || image.height <= 0 || image.stride != StrideForWidth(image.width) ||
        bytes > image.pixels.length)
        return 0;
    RasterImage headers;
    headers.width = image.width;
    headers.height = image.height;
    headers.stride = image.stride;
    headers.FillHeaders();
    uint8_t head[kFileHeaderBytes + kInfoHeaderBytes];
    StoreFileHeader(headers.fileHeader, head);
    StoreInfoHeader(headers.info.bmiHeader, head + kFileHeaderBytes);
    if (std::fwrite(head, 1, sizeof head, file) != sizeof head)
        return 0;
    return std::fwrite(image.pixels.data, 1, static_cast<size_t>(bytes), file) == static_cast<size_t>(bytes) ? 1 : 0;
}

namespace {

// True when the source starts with "BM"; the source is left at its start.
bool StartsWithBM(ByteSource& in)
{
    char magic[2] = {0, 0};
    const size_t n = in.Read(magic, 2);
    in.Rewind();
    return n == 2 && magic[0] == 'B' && magic[1] == 'M';
}

// 0 when the file starts with "BM", else kBMPOpenFailed or kBMPNotBM.
int CheckStartsWithBM(const InputFile& input)
{
    ByteSource in;
    if (!in.Open(input))
        return kBMPOpenFailed;
    return StartsWithBM(in) ? 0 : kBMPNotBM;
}

// What a BMP file holds, read into buffers of the caller's.
struct BmpContents {
    BitmapFileHeader fileHeader;
    BitmapInfoHeader infoHeader;
    int32_t width = 0;
    int32_t height = 0;
};

int ReadBmpContents(ByteSource& in, BmpContents& bmp, ByteBuffer& block)
{
    uint8_t head[kFileHeaderBytes];
    if (in.Read(head, sizeof head) != sizeof head)
        return kBMPFileHeaderFailed;
    bmp.fileHeader = ParseFileHeader(head);
    uint8_t info[kInfoHeaderBytes];
    if (in.Read(info, sizeof info) != sizeof info)
        return kBMPInfoHeaderFailed;
    bmp.infoHeader = ParseInfoHeader(info);
    BitmapInfoHeader& h = bmp.infoHeader;
    // Shorter headers (the 12-byte core header) lay out their fields otherwise.
    if (h.biSize < kInfoHeaderBytes)
        return kBMPInfoHeaderFailed;
    if (h.biCompression != 0)
        return kBMPCompressed;
    if (h.biBitCount != 24)
        return kBMPNot24Bit;
    const int64_t width = h.biWidth;
    const bool topDown = h.biHeight < 0;
    const int64_t height = topDown ? -int64_t{h.biHeight} : int64_t{h.biHeight};
    if (width <= 0 || height <= 0 || !in.Limits().PictureAllowed(width, height))
        return kBMPBadSize;

    // Pixels start at the recorded offset; an offset inside the headers
    // (some writers leave it 0) means right after them.
    const uint64_t afterHeaders = uint64_t{kFileHeaderBytes} + h.biSize;
    const uint64_t offset = bmp.fileHeader.bfOffBits >= afterHeaders ? bmp.fileHeader.bfOffBits : afterHeaders;
    if (!in.SeekTo(offset))
        return kBMPSeekFailed;

    const int64_t stride = StrideForWidth(width);
    // Zero-filled: whatever a short file does not supply stays 0.
    if (!block.AllocateFilled(static_cast<int32_t>(stride * height), 0))
        return kBMPNoMemory;
    for (int64_t i = 0; i < height; ++i) {
        const int64_t row = topDown ? height - 1 - i : i;
        if (in.Read(block.data + row * stride, static_cast<size_t>(stride)) != static_cast<size_t>(stride))
            break;
    }
    if (in.IoError())
        return kBMPRowsFailed;
    bmp.width = static_cast<int32_t>(width);
    bmp.height = static_cast<int32_t>(height);
    // The kept header describes the block as it is now: 40 bytes, bottom-up.
    h.biSize = kInfoHeaderBytes;
    h.biHeight = bmp.height;
    return kBMPRead;
}

}  // namespace

bool IsBMPName(const char* path)
{
    static const char* const accepted[4] = {".", "bB", "mM", "pP"};
    return NameEndsIn(path, accepted, 4);
}

int IsBMPFile(const InputFile& input)
{
    if (!IsBMPName(input.path))
        return 0;
    int check = CheckStartsWithBM(input);
    if (check == kBMPOpenFailed)
        return -1;
    return check == 0 ? 1 : 0;
}

namespace {

// The whole load from the open file: the "BM" test, then (with path, when
// given, recorded in the picture once the test passed) the headers and
// rows. The picture's size, headers and pixels change only after a load.
int LoadFromSource(ByteSource& in, RasterImage& picture, const char* path)
{
    if (!StartsWithBM(in))
        return kBMPNotBM;
    if (path)
        CopyText(picture.path, sizeof picture.path, path);
    BmpContents bmp;
    ByteBuffer block;
    int result = ReadBmpContents(in, bmp, block);
    if (result != kBMPRead)
        return result;
    if (picture.TakePixels(block, bmp.width, bmp.height) != kRasterOk)
        return kBMPBadSize;
    picture.fileHeader = bmp.fileHeader;
    picture.info.bmiHeader = bmp.infoHeader;
    return kBMPRead;
}

// Opens the file once for the whole load.
int LoadFile(const InputFile& input, RasterImage& picture, const char* pathToRecord)
{
    ByteSource in;
    if (!in.Open(input))
        return kBMPOpenFailed;
    return LoadFromSource(in, picture, pathToRecord);
}

}  // namespace

int LoadBMPPixels(RasterImage& picture) { return LoadFile(picture.path, picture, nullptr); }

int ReadBMP(const InputFile& input, RasterImage& picture)
{
    // A name the path buffer cannot hold would be cut and name another file.
    if (std::strlen(input.path) >= sizeof picture.path)
        return kBMPOpenFailed;
    return LoadFile(input, picture, input.path);
}

int LoadBMP(FrontEnd& ui, const InputFile& input, RasterImage& picture)
{
    int result = ReadBMP(input, picture);
    if (result >= 0)
        return 0;
    if (result == kBMPNot24Bit)
        ui.ShowMessage(MessageId::kBmpNot24Bit, nullptr, BoxOwner::kWindow);
    else
        ui.ShowMessage(MessageId::kBmpOpenFailed, nullptr, BoxOwner::kWindow);
    return -1;
}
