#include "tools/writers/packed_picture_writer.h"

#include "image/little_endian.h"

void AppendPackedHead(std::vector<uint8_t>& out, int32_t mode, int32_t count)
{
    uint8_t head[8];
    StoreI32LE(head, mode);
    StoreI32LE(head + 4, count);
    out.insert(out.end(), head, head + sizeof head);
}

void AppendRuns(std::vector<uint8_t>& out, uint8_t value, uint32_t length)
{
    while (length > 0) {
        uint32_t run = length % 256 == 0 ? length - 1 : length;
        out.push_back(value);
        out.insert(out.end(), run / 256, 0x00);
        out.push_back(static_cast<uint8_t>(run % 256));
        length -= run;
    }
}

void AppendRunPlane(std::vector<uint8_t>& out, const uint8_t* plane, size_t count)
{
    size_t start = 0;
    while (start < count) {
        size_t end = start + 1;
        while (end < count && plane[end] == plane[start])
            ++end;
        AppendRuns(out, plane[start], static_cast<uint32_t>(end - start));
        start = end;
    }
}

void AppendPackedPicture(std::vector<uint8_t>& out, const RasterImage& picture, int32_t mode)
{
    const int32_t count = picture.pixels.length;
    AppendPackedHead(out, mode, count);
    if (mode == 0) {
        out.insert(out.end(), picture.pixels.data, picture.pixels.data + count);
    } else if (mode == 1) {
        const size_t planeBytes = static_cast<size_t>(count / 3);
        std::vector<uint8_t> plane(planeBytes);
        for (int i = 0; i < 3; ++i) {
            for (size_t j = 0; j < planeBytes; ++j)
                plane[j] = picture.pixels.data[3 * j + i];
            AppendRunPlane(out, plane.data(), planeBytes);
        }
    }
}

std::vector<uint8_t> PackedPictureBytes(const RasterImage& picture, int32_t mode)
{
    std::vector<uint8_t> out;
    AppendPackedPicture(out, picture, mode);
    return out;
}

bool WritePackedPicture(std::FILE* file, const RasterImage& picture, int32_t mode)
{
    std::vector<uint8_t> bytes = PackedPictureBytes(picture, mode);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}
