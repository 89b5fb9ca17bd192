#include "tools/writers/huffman_writer.h"

#include "image/little_endian.h"

namespace {

void AppendI32(std::vector<uint8_t>& out, int32_t v)
{
    uint8_t b[4];
    StoreI32LE(b, v);
    out.insert(out.end(), b, b + 4);
}

// The code of every leaf, first bit first, found by climbing from the leaf
// to the root. Leaves that took no part get an empty code.
void CodesOf(const HuffmanNode nodes[kHuffmanNodes], std::vector<uint8_t> codes[kHuffmanSymbols])
{
    for (int symbol = 0; symbol < kHuffmanSymbols; ++symbol) {
        codes[symbol].clear();
        // A leaf without parent took no part (its parent stays 0, which is a
        // leaf index and so never a real parent).
        if (nodes[symbol].parent < kHuffmanFirstInner)
            continue;
        for (int node = symbol; node != kHuffmanRoot; node = nodes[node].parent)
            codes[symbol].insert(codes[symbol].begin(), static_cast<uint8_t>(nodes[node].bit));
    }
}

}  // namespace

void CountHuffmanWeights(const uint8_t* data, size_t length, float weights[kHuffmanSymbols])
{
    size_t counts[kHuffmanEndSymbol] = {};
    for (size_t i = 0; i < length; ++i)
        ++counts[data[i]];
    for (int k = 0; k < kHuffmanEndSymbol; ++k)
        weights[k] = static_cast<float>(counts[k]);
    weights[kHuffmanEndSymbol] = 1.0f;
}

void AppendHuffmanHead(std::vector<uint8_t>& out, int32_t width, int32_t height, int32_t codedLength)
{
    AppendI32(out, width);
    AppendI32(out, height);
    AppendI32(out, codedLength);
}

void AppendHuffmanWeights(std::vector<uint8_t>& out, const float weights[kHuffmanSymbols])
{
    for (int k = 0; k < kHuffmanSymbols; ++k) {
        uint8_t b[4];
        StoreF32LE(b, weights[k]);
        out.insert(out.end(), b, b + 4);
    }
}

bool AppendHuffmanBits(std::vector<uint8_t>& out, const uint8_t* data, size_t length,
                       const float weights[kHuffmanSymbols])
{
    for (int k = 0; k < kHuffmanEndSymbol; ++k)
        if (!HuffmanWeightAllowed(weights[k]))
            return false;
    HuffmanNode nodes[kHuffmanNodes];
    BuildHuffmanTree(weights, nodes);
    if (!HuffmanTreeUsable(weights, nodes))
        return false;
    std::vector<uint8_t> codes[kHuffmanSymbols];
    CodesOf(nodes, codes);
    for (size_t i = 0; i < length; ++i)
        if (codes[data[i]].empty())
            return false;

    std::vector<uint8_t> bits;
    uint8_t current = 0;
    int used = 0;
    auto put = [&](const std::vector<uint8_t>& code) {
        for (uint8_t bit : code) {
            current = static_cast<uint8_t>(current | (bit << (7 - used)));
            if (++used == 8) {
                bits.push_back(current);
                current = 0;
                used = 0;
            }
        }
    };
    for (size_t i = 0; i < length; ++i)
        put(codes[data[i]]);
    put(codes[kHuffmanEndSymbol]);
    if (used > 0)
        bits.push_back(current);
    out.insert(out.end(), bits.begin(), bits.end());
    return true;
}

bool AppendHuffmanSection(std::vector<uint8_t>& out, const RasterImage& picture)
{
    if (picture.width <= 0 || picture.height <= 0 || picture.pixels.length <= 0)
        return false;
    const size_t length = static_cast<size_t>(picture.pixels.length);
    float weights[kHuffmanSymbols];
    CountHuffmanWeights(picture.pixels.data, length, weights);
    std::vector<uint8_t> coded;
    if (!AppendHuffmanBits(coded, picture.pixels.data, length, weights))
        return false;
    AppendHuffmanHead(out, picture.width, picture.height, static_cast<int32_t>(coded.size()));
    AppendHuffmanWeights(out, weights);
    out.insert(out.end(), coded.begin(), coded.end());
    return true;
}

std::vector<uint8_t> HuffmanSectionBytes(const RasterImage& picture)
{
    std::vector<uint8_t> out;
    AppendHuffmanSection(out, picture);
    return out;
}

bool WriteHuffmanSection(std::FILE* file, const RasterImage& picture)
{
    std::vector<uint8_t> out;
    if (!AppendHuffmanSection(out, picture))
        return false;
    return std::fwrite(out.data(), 1, out.size(), file) == out.size();
}
