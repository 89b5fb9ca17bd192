// Writes the bundled sample files: pictures drawn here, in the formats the
// viewer opens. Usage: make_samples OUTPUT_FOLDER
#include <cmath>
#include <cstdio>
#include <string>

#include "formats/standard/jpeg_codec.h"
#include "image/raster_image.h"

namespace {

struct Colour {
    double r, g, b;
};

Colour Mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void Put(RasterImage& p, int x, int yFromTop, Colour c)
{
    uint8_t* px = p.pixels.data + p.Offset(x, p.height - 1 - yFromTop);
    px[0] = static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, c.b))));
    px[1] = static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, c.g))));
    px[2] = static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, c.r))));
}

// A landscape at dusk: sky, sun, two rows of hills, a lake with reflections.
void DrawLandscape(RasterImage& p, int width, int height)
{
    p.ResizeAndFill(width, height, 0);
    const Colour skyTop{40, 60, 140}, skyLow{250, 170, 110}, sun{255, 235, 170};
    const Colour farHill{120, 90, 140}, nearHill{50, 90, 60}, lake{60, 90, 150};
    const double horizon = height * 0.62, sunX = width * 0.68, sunY = height * 0.45, sunR = height * 0.09;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = double(x) / width;
            Colour c;
            double farTop = horizon - height * (0.10 + 0.05 * std::sin(u * 7.0 + 1.0));
            double nearTop = horizon - height * (0.04 + 0.04 * std::sin(u * 11.0 + 0.3) * std::cos(u * 3.0));
            if (y < horizon) {
                c = Mix(skyTop, skyLow, std::pow(y / horizon, 1.4));
                double d = std::hypot(x - sunX, y - sunY);
                if (d < sunR)
                    c = sun;
                else if (d < sunR * 3)
                    c = Mix(c, sun, 0.35 * (1 - (d - sunR) / (sunR * 2)));
                if (y > farTop)
                    c = Mix(farHill, skyLow, 0.25 * (horizon - y) / (horizon - farTop + 1));
                if (y > nearTop)
                    c = nearHill;
            } else {
                double depth = (y - horizon) / (height - horizon);
                c = Mix(lake, skyLow, 0.35 * (1 - depth));
                double ripple = 0.5 + 0.5 * std::sin(y * 0.9 + std::sin(x * 0.05) * 2.0);
                if (std::fabs(x - sunX) < sunR * (1.4 - depth) * ripple)
                    c = Mix(c, sun, 0.55 * (1 - depth));
            }
            Put(p, x, y, c);
        }
    }
    p.FillHeaders();
}

bool WriteJpeg(const std::string& path, const RasterImage& p)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = EncodeJPEG(f, p, 85, 1) == 1;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    RasterImage landscape;
    DrawLandscape(landscape, 640, 480);
    if (!WriteJpeg(folder + "/landscape.jpg", landscape)) {
        std::fprintf(stderr, "make_samples: cannot write %s/landscape.jpg\n", folder.c_str());
        return 1;
    }
    return 0;
}
