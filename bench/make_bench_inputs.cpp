// Writes the inputs of scripts/bench into a folder: photo24.jpg, a
// 6000 x 4000 photograph-like JPEG (quality 90), and drawing12.jpg, a
// 4000 x 3000 scanned drawing (dark strokes on a textured light ground,
// quality 90). Usage: make_bench_inputs FOLDER
#include <cstdio>
#include <string>

#include "formats/standard/jpeg_codec.h"
#include "image/raster_image.h"

namespace {

bool Write(const std::string& path, const RasterImage& picture)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = EncodeJPEG(picture, 90, 0, f) == 1;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("Usage: make_bench_inputs FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    RasterImage photo;
    photo.ResizeAndFill(6000, 4000, 0);
    for (int row = 0; row < photo.height; ++row) {
        uint8_t* line = photo.pixels.data + int64_t{row} * photo.stride;
        for (int x = 0; x < photo.width; ++x) {
            line[3 * x + 0] = static_cast<uint8_t>(x / 24 + ((x * row) & 15));
            line[3 * x + 1] = static_cast<uint8_t>(row / 16 + ((x ^ row) & 7));
            line[3 * x + 2] = static_cast<uint8_t>((x + row) / 40);
        }
    }
    photo.FillHeaders();

    RasterImage drawing;
    drawing.ResizeAndFill(4000, 3000, 0);
    for (int row = 0; row < drawing.height; ++row) {
        uint8_t* line = drawing.pixels.data + int64_t{row} * drawing.stride;
        for (int x = 0; x < drawing.width; ++x) {
            const bool stroke = ((x / 7 + row / 5) % 23 < 3) || ((x * 3 + row) % 61 < 4);
            const int noise = (x * 7 + row * 13) & 15;
            uint8_t* p = line + 3 * x;
            p[0] = static_cast<uint8_t>(stroke ? 30 + noise : 232 + (noise >> 1));
            p[1] = static_cast<uint8_t>(stroke ? 20 + (x & 7) : 236 + (noise >> 2));
            p[2] = static_cast<uint8_t>(stroke ? 25 + (row & 7) : 240 + (noise >> 2));
        }
    }
    drawing.FillHeaders();

    if (!Write(folder + "/photo24.jpg", photo) || !Write(folder + "/drawing12.jpg", drawing)) {
        std::fputs("make_bench_inputs: cannot write the inputs\n", stderr);
        return 1;
    }
    return 0;
}
