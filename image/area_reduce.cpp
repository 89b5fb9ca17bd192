#include "image/area_reduce.h"

#include <algorithm>
#include <utility>
#include <vector>

ReducedSize FitWithin(int32_t width, int32_t height, int32_t maxSide)
{
    if (width <= maxSide && height <= maxSide)
        return {width, height};
    // The shorter side is side x maxSide / longer, rounded half up.
    auto scaled = [maxSide](int32_t side, int32_t longer) {
        const int64_t v = (2 * int64_t{side} * maxSide + longer) / (2 * int64_t{longer});
        return static_cast<int32_t>(std::max<int64_t>(v, 1));
    };
    if (width >= height)
        return {maxSide, scaled(height, width)};
    return {scaled(width, height), maxSide};
}

namespace {

// The source pixels an output pixel covers along one side, with their
// weights. Measured in units where a source pixel is `to` wide and an output
// pixel `from` wide, both spans are whole numbers: output pixel o covers
// [o x from, (o + 1) x from) and source pixel s covers [s x to, (s + 1) x to),
// so every weight is an integer overlap and the weights of one output pixel
// add up to `from`.
struct Span {
    int32_t first = 0;
    std::vector<uint32_t> weights;
};

std::vector<Span> Spans(int32_t from, int32_t to)
{
    std::vector<Span> spans(static_cast<size_t>(to));
    for (int32_t o = 0; o < to; ++o) {
        const int64_t begin = int64_t{o} * from, end = begin + from;
        Span& span = spans[static_cast<size_t>(o)];
        span.first = static_cast<int32_t>(begin / to);
        for (int64_t s = span.first; s * to < end; ++s) {
            const int64_t overlap = std::min(end, (s + 1) * to) - std::max(begin, s * to);
            span.weights.push_back(static_cast<uint32_t>(overlap));
        }
    }
    return spans;
}

} // namespace

ReduceResult ReduceByAreaAverage(const RasterImage& source, const uint8_t* mask, ReducedSize size,
                                 RasterImage& out, ByteBuffer* outMask)
{
    const int32_t w = source.width, h = source.height;
    if (w < 1 || h < 1 || source.Empty() || size.width < 1 || size.height < 1 || size.width > w ||
        size.height > h)
        return ReduceResult::kBadSize;
    const bool weighted = mask != nullptr;
    RasterImage reduced;
    ByteBuffer reducedMask;
    if (reduced.Resize(size.width, size.height) != kRasterOk ||
        (weighted && outMask && !reducedMask.Allocate(size.width * size.height)))
        return ReduceResult::kNoMemory;

    const std::vector<Span> columns = Spans(w, size.width), rows = Spans(h, size.height);
    // Per output pixel: the weighted sums of blue, green, red, of the colours
    // weighted by opacity, and of the opacity. A sum is at most
    // 255 x 255 x w x h < 2^45.
    const size_t n = static_cast<size_t>(size.width);
    std::vector<uint64_t> plain(3 * n), byOpacity(3 * n), opacity(n);
    std::vector<uint64_t> rowPlain(3 * n), rowByOpacity(3 * n), rowOpacity(n);
    const uint64_t area = uint64_t(w) * uint64_t(h);

    for (int32_t oy = 0; oy < size.height; ++oy) {
        std::fill(plain.begin(), plain.end(), 0);
        std::fill(byOpacity.begin(), byOpacity.end(), 0);
        std::fill(opacity.begin(), opacity.end(), 0);
        const Span& rowSpan = rows[static_cast<size_t>(oy)];
        for (size_t k = 0; k < rowSpan.weights.size(); ++k) {
            const int32_t sy = rowSpan.first + static_cast<int32_t>(k);
            const uint8_t* line = source.pixels.data + source.Offset(0, sy);
            const uint8_t* alpha = weighted ? mask + int64_t{sy} * w : nullptr;
            // The row reduced horizontally, then added with the row's weight.
            for (size_t ox = 0; ox < n; ++ox) {
                const Span& columnSpan = columns[ox];
                uint64_t b = 0, g = 0, r = 0, ab = 0, ag = 0, ar = 0, a = 0;
                for (size_t j = 0; j < columnSpan.weights.size(); ++j) {
                    const int32_t sx = columnSpan.first + static_cast<int32_t>(j);
                    const uint64_t wx = columnSpan.weights[j];
                    const uint8_t* p = line + 3 * int64_t{sx};
                    b += wx * p[0];
                    g += wx * p[1];
                    r += wx * p[2];
                    if (alpha) {
                        const uint64_t wa = wx * alpha[sx];
                        ab += wa * p[0];
                        ag += wa * p[1];
                        ar += wa * p[2];
                        a += wa;
                    }
                }
                rowPlain[3 * ox] = b, rowPlain[3 * ox + 1] = g, rowPlain[3 * ox + 2] = r;
                rowByOpacity[3 * ox] = ab, rowByOpacity[3 * ox + 1] = ag, rowByOpacity[3 * ox + 2] = ar;
                rowOpacity[ox] = a;
            }
            const uint64_t wy = rowSpan.weights[k];
            for (size_t i = 0; i < 3 * n; ++i) {
                plain[i] += wy * rowPlain[i];
                byOpacity[i] += wy * rowByOpacity[i];
            }
            for (size_t i = 0; i < n; ++i)
                opacity[i] += wy * rowOpacity[i];
        }
        uint8_t* target = reduced.pixels.data + reduced.Offset(0, oy);
        for (size_t ox = 0; ox < n; ++ox) {
            for (int c = 0; c < 3; ++c) {
                const size_t i = 3 * ox + static_cast<size_t>(c);
                const uint64_t value = weighted && opacity[ox] ? (2 * byOpacity[i] + opacity[ox]) / (2 * opacity[ox])
                                                               : (2 * plain[i] + area) / (2 * area);
                target[i] = static_cast<uint8_t>(value);
            }
            if (weighted && outMask)
                reducedMask.data[int64_t{oy} * size.width + static_cast<int64_t>(ox)] =
                    static_cast<uint8_t>((2 * opacity[ox] + area) / (2 * area));
        }
    }
    if (out.TakePixels(reduced.pixels, size.width, size.height) != kRasterOk)
        return ReduceResult::kNoMemory;
    out.FillHeaders();
    if (weighted && outMask) {
        std::swap(outMask->data, reducedMask.data);
        std::swap(outMask->length, reducedMask.length);
    }
    return ReduceResult::kOk;
}
