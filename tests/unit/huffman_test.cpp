#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "formats/painter/huffman.h"
#include "image/little_endian.h"
#include "image/pixel_block.h"
#include "tests/support/temp_files.h"
#include "tools/writers/huffman_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Weights of 0.0 except the listed byte values.
struct Weights {
    float w[kHuffmanSymbols] = {};
    Weights(std::initializer_list<std::pair<int, float>> set)
    {
        for (auto [symbol, weight] : set)
            w[symbol] = weight;
    }
};

// The 257 weights: weightOf(i) for each byte value i, 0 for the end symbol.
template <typename WeightOf>
std::vector<float> ByteWeights(WeightOf weightOf)
{
    std::vector<float> w(kHuffmanSymbols, 0.0f);
    for (int i = 0; i < kHuffmanEndSymbol; ++i)
        w[i] = weightOf(i);
    return w;
}

Bytes Section(int32_t width, int32_t height, const Weights& weights, const Bytes& coded, int32_t codedLength = -1)
{
    Bytes out;
    AppendHuffmanHead(out, width, height, codedLength < 0 ? static_cast<int32_t>(coded.size()) : codedLength);
    AppendHuffmanWeights(out, weights.w);
    out.insert(out.end(), coded.begin(), coded.end());
    return out;
}

Bytes Pixels(const RasterImage& p) { return Bytes(p.pixels.data, p.pixels.data + p.pixels.length); }

void FillRandom(RasterImage& picture, int32_t width, int32_t height, int distinctValues, std::mt19937& random)
{
    picture.ResizeAndFill(width, height, 0);
    for (int32_t i = 0; i < picture.pixels.length; ++i)
        picture.pixels.data[i] = static_cast<uint8_t>(random() % distinctValues);
}

class Huffman : public ::testing::Test {
protected:
    // Opens a file holding bytes; closed at the end of the test.
    std::FILE* Open(const Bytes& bytes)
    {
        std::string path = dir.Write("s" + std::to_string(files.size()), std::string(bytes.begin(), bytes.end()));
        files.push_back(std::fopen(path.c_str(), "rb"));
        return files.back();
    }
    // One section from the file's current position.
    int Decode(std::FILE* file, RasterImage& into)
    {
        ByteSource reader(file);
        return HuffDecodeImg(reader, into);
    }
    void TearDown() override
    {
        for (std::FILE* f : files)
            std::fclose(f);
    }
    // A picture that a refused section must leave as it was.
    void MakeBefore() { picture.ResizeAndFill(2, 2, 0x55); }
    void ExpectBefore() const { EXPECT_EQ(Pixels(picture), Bytes(16, 0x55)); }

    TempDir dir;
    std::vector<std::FILE*> files;
    RasterImage picture;
};

}  // namespace

TEST(HuffmanTree, TieBreaksFixTheCode)
{
    struct Case {
        const char* what;
        Weights weights;
        int node, child1, child0;
    };
    const int b = 0x42;
    const Case cases[] = {
        {"two leaves go straight to the root, the lighter end symbol on 1", {{b, 3.0f}}, kHuffmanRoot, 256, b},
        {"a tie with the end symbol: the higher index takes 1", {{b, 1.0f}}, kHuffmanRoot, 256, b},
        {"a lighter byte takes 1 from the end symbol", {{b, 0.25f}}, kHuffmanRoot, b, 256},
        {"equal bytes: the higher value takes 1", {{10, 0.5f}, {20, 0.5f}}, kHuffmanFirstInner, 20, 10},
        {"a weight equal to T does not displace it", {{5, 0.25f}, {6, 0.75f}, {7, 0.75f}}, kHuffmanFirstInner, 5, 6},
        {"weights not above 0 take no part", {{3, -1.0f}, {4, kNaN}, {5, 2.0f}, {6, 0.5f}}, kHuffmanFirstInner, 6, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HuffmanNode nodes[kHuffmanNodes];
        BuildHuffmanTree(c.weights.w, nodes);
        EXPECT_EQ(nodes[c.node].child1, c.child1);
        EXPECT_EQ(nodes[c.node].child0, c.child0);
        EXPECT_EQ(nodes[c.child1].bit, 1);
        EXPECT_EQ(nodes[c.child0].bit, 0);
        EXPECT_EQ(nodes[c.child1].parent, c.node);
        EXPECT_EQ(nodes[c.child1].weight, 0.0f);
    }
}

namespace {

// Codes ('0'/'1' from the root down) of a tree built apart from
// BuildHuffmanTree, from the merge rule in words: each merge takes the
// lightest node that takes part, the highest index among equally light ones,
// for the 1 branch; the 0 branch gets the equally light one before it or,
// when the lightest is alone, a node of the next weight: the last one before
// the lightest, else the first one after it. Inner nodes count as heavier
// indexes than every leaf, which is what makes ties between them matter.
std::vector<std::string> CodesBuiltApart(const std::vector<float>& byteWeights)
{
    std::vector<float> w(kHuffmanNodes, 0.0f);
    std::copy(byteWeights.begin(), byteWeights.begin() + kHuffmanEndSymbol, w.begin());
    w[kHuffmanEndSymbol] = 1.0f;
    std::vector<int> parent(kHuffmanNodes, -1);
    std::vector<char> bit(kHuffmanNodes, '?');
    std::vector<int> live;   // in index order
    for (int i = 0; i <= kHuffmanEndSymbol; ++i)
        if (w[i] > 0.0f)
            live.push_back(i);
    for (int next = kHuffmanFirstInner; live.size() >= 2;) {
        auto weightOf = [&](int i) { return w[i]; };
        std::vector<float> sorted(live.size());
        std::transform(live.begin(), live.end(), sorted.begin(), weightOf);
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> lightest;
        for (int i : live)
            if (w[i] == sorted[0])
                lightest.push_back(i);
        const int one = lightest.back();
        int zero = -1;
        if (lightest.size() >= 2) {
            zero = lightest[lightest.size() - 2];
        } else {
            for (int i : live)
                if (w[i] == sorted[1] && (i < one || zero < 0))
                    zero = i;
        }
        const int made = live.size() == 2 ? kHuffmanRoot : next++;
        w[made] = w[one] + w[zero];
        parent[one] = parent[zero] = made;
        bit[one] = '1';
        bit[zero] = '0';
        live.erase(std::remove_if(live.begin(), live.end(), [&](int i) { return i == one || i == zero; }),
                   live.end());
        if (made != kHuffmanRoot)
            live.push_back(made);
    }
    std::vector<std::string> codes(kHuffmanSymbols);
    for (int leaf = 0; leaf < kHuffmanSymbols; ++leaf)
        for (int n = leaf; parent[n] >= 0; n = parent[n])
            codes[leaf].insert(codes[leaf].begin(), bit[n]);
    return codes;
}

}  // namespace

// Streams coded with those codes decode to their bytes, on weights where
// leaves tie with leaves, with the end symbol and with inner nodes many ways.
TEST_F(Huffman, DecodesStreamsCodedByATreeBuiltApart)
{
    std::mt19937 random(1717);
    std::vector<std::vector<float>> families;
    auto family = [&](auto weightOf) { families.push_back(ByteWeights(weightOf)); };
    family([](int) { return 1.0f; });                                        // 257 equal leaves
    family([](int i) { return i == 77 ? 1.0f : 0.0f; });                     // one byte tied with the end
    family([](int i) { return i < 64 ? 1.0f : i < 128 ? 2.0f : i < 160 ? 4.0f : 0.0f; });
    family([](int i) { return i % 3 == 0 ? 0.5f : i % 3 == 1 ? 1.0f : 1.5f; });   // sums tie leaves
    family([](int i) { return i < 12 ? 3.0f : i < 24 ? 1.0f : i < 28 ? 2.0f : 0.0f; });
    family([&](int i) { return i % 5 == 2 ? 0.0f : static_cast<float>(1 + random() % 4); });
    family([&](int) { return static_cast<float>(random() % 3); });

    for (const std::vector<float>& w : families) {
        const std::vector<std::string> codes = CodesBuiltApart(w);
        std::vector<uint8_t> symbols;
        for (int i = 0; i < kHuffmanEndSymbol; ++i)
            if (w[i] > 0.0f)
                symbols.push_back(static_cast<uint8_t>(i));
        SCOPED_TRACE(testing::Message() << symbols.size() << " byte values");
        ASSERT_FALSE(codes[kHuffmanEndSymbol].empty());
        Bytes data(20 * 60);   // 20 rows of 20 pixels, stride 60: the whole buffer
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = i < symbols.size() ? symbols[i] : symbols[random() % symbols.size()];
        std::string bits;
        for (uint8_t byte : data)
            bits += codes[byte];
        bits += codes[kHuffmanEndSymbol];
        Bytes coded((bits.size() + 7) / 8, 0);
        for (size_t i = 0; i < bits.size(); ++i)
            if (bits[i] == '1')
                coded[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
        Weights stored{};
        std::copy(w.begin(), w.end(), stored.w);
        ASSERT_EQ(Decode(Open(Section(20, 20, stored, coded)), picture), kHuffmanDecoded);
        EXPECT_EQ(Pixels(picture), data);
    }
}

TEST_F(Huffman, SevenZeroBitsThenOneGiveSevenCopiesAndTheRestStaysZero)
{
    std::FILE* file = Open(Section(3, 3, {{0xB7, 3.0f}}, {0x01}));
    picture.ResizeAndFill(5, 5, 0x55);
    ASSERT_EQ(Decode(file, picture), kHuffmanDecoded);
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.stride, 12);
    Bytes expected(36, 0);   // row padding included
    std::fill(expected.begin(), expected.begin() + 7, 0xB7);
    EXPECT_EQ(Pixels(picture), expected);
    EXPECT_EQ(std::ftell(file), 12 + 1028 + 1);
}

// The stored weight of the end symbol, and a weight that is not above 0.0
// (NaN among them) on a byte value the picture does not use, change nothing.
TEST_F(Huffman, WeightsThatTakeNoPartHaveNoEffect)
{
    std::mt19937 random(7);
    RasterImage source;
    FillRandom(source, 5, 4, 6, random);
    const Bytes reference = HuffmanSectionBytes(source);
    const float inf = std::numeric_limits<float>::infinity();
    for (int symbol : {kHuffmanEndSymbol, 200})
        for (float stored : {0.0f, -1.0f, -inf, kNaN, -kNaN, symbol == kHuffmanEndSymbol ? 4.0e9f : -0.0f}) {
            Bytes changed = reference;
            StoreF32LE(&changed[12 + 4 * symbol], stored);
            ASSERT_EQ(Decode(Open(changed), picture), kHuffmanDecoded) << symbol << " " << stored;
            EXPECT_EQ(Pixels(picture), Pixels(source)) << symbol << " " << stored;
        }
}

TEST_F(Huffman, SizesNotAboveZeroReadOnlyTheHead)
{
    const int32_t heads[][3] = {{0, 1, 1}, {1, -5, 1}, {1, 1, 0}};
    for (const auto& head : heads) {
        std::FILE* file = Open(Section(head[0], head[1], {{1, 1.0f}}, {0, 0}, head[2]));
        MakeBefore();
        EXPECT_EQ(Decode(file, picture), kHuffmanBadSize);
        EXPECT_EQ(std::ftell(file), 12);
        ExpectBefore();
    }
}

TEST_F(Huffman, RoundTripsThroughTheWriter)
{
    // Widths 1, 2, 3, 5, 50 and 101 have row padding; one value gives the
    // two-leaf tree, 256 values the full one. All in one file, back to back.
    const int cases[][3] = {{1, 1, 1}, {2, 3, 256}, {3, 2, 2}, {4, 4, 17}, {5, 9, 256}, {50, 50, 40}, {101, 37, 256}};
    std::mt19937 random(2024);
    Bytes all;
    std::vector<Bytes> expected;
    for (const auto& c : cases) {
        RasterImage source;
        FillRandom(source, c[0], c[1], c[2], random);
        Bytes section = HuffmanSectionBytes(source);
        all.insert(all.end(), section.begin(), section.end());
        expected.push_back(Pixels(source));
    }
    std::FILE* file = Open(all);
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(Decode(file, picture), kHuffmanDecoded) << i;
        EXPECT_EQ(picture.width, cases[i][0]);
        EXPECT_EQ(Pixels(picture), expected[i]) << i;
    }
    EXPECT_EQ(std::ftell(file), static_cast<long>(all.size()));
}

// Refused before decoding: the file moves past the section so that the next
// one still reads. Weights that make no code leave the section's picture
// black at its size; a size beyond the limit leaves the picture as it was.
TEST_F(Huffman, RefusedSectionsAreSkipped)
{
    struct Case {
        const char* what;
        int32_t width, height;
        Weights weights;
        int result;
    };
    const Case cases[] = {
        {"no byte weight", 1, 1, {}, kHuffmanBadWeights},
        {"NaN as the only byte weight", 1, 1, {{2, kNaN}}, kHuffmanBadWeights},
        {"infinite weight", 1, 1, {{1, 1.0f}, {2, std::numeric_limits<float>::infinity()}}, kHuffmanBadWeights},
        {"weight of 2^31", 1, 1, {{1, 2147483648.0f}}, kHuffmanBadWeights},
        // An inner node of 3e9 passes the 2^31 sentinel and breaks the tree.
        {"sums beyond 2^31", 1, 1, {{1, 1.5e9f}, {2, 1.5e9f}, {3, 1.5e9f}}, kHuffmanBadWeights},
        {"huge sides", 0x7FFFFFFF, 0x7FFFFFFF, {{1, 1.0f}}, kHuffmanTooLarge},
        {"beyond the picture limit", 65536, 2000, {{1, 1.0f}}, kHuffmanTooLarge},
    };
    RasterImage next;
    next.ResizeAndFill(2, 1, 0x21);
    const Bytes following = HuffmanSectionBytes(next);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = Section(c.width, c.height, c.weights, Bytes(40, 0xA5));
        bytes.insert(bytes.end(), following.begin(), following.end());
        std::FILE* file = Open(bytes);
        MakeBefore();
        EXPECT_EQ(Decode(file, picture), c.result);
        if (c.result == kHuffmanBadWeights)
            EXPECT_EQ(Pixels(picture), Bytes(4, 0));
        else
            ExpectBefore();
        EXPECT_EQ(Decode(file, picture), kHuffmanDecoded);
        EXPECT_EQ(Pixels(picture), Pixels(next));
    }
}

// Streams that do not end as they should stop at the capacity, at the last
// coded bit or at the end of the file, and keep what they decoded (the rest
// of the picture 0).
TEST_F(Huffman, DamagedStreamsStayInsideTheirBlocks)
{
    struct Case {
        const char* what;
        int32_t width, codedLength;
        Bytes coded;
        int result;
        int decoded;   // bytes of 0x3C, the rest 0
        size_t cut = 0;   // the file's length, when cut
    };
    const Case cases[] = {
        {"more bytes than the picture holds", 1, -1, {0x00, 0x00}, kHuffmanBadStream, 4},
        {"bits run out with the picture full", 2, -1, {0x00}, kHuffmanBadStream, 8},
        {"bits run out before it is full", 3, -1, {0x00}, kHuffmanBadStream, 8},
        // A truncated file still decodes what is there; L never sizes a block.
        {"L claims 2 GiB, the file has 1 byte", 3, 0x7FFFFFFF, {0x00}, kHuffmanTruncated, 8},
        {"file ends before the coded bytes", 3, 1, {}, kHuffmanTruncated, 0},
        // Cut after the size, in the head or the weights: black at that size.
        {"file ends in the coded length", 3, 1, {}, kHuffmanTruncated, 0, 10},
        {"file ends in the weights", 3, 1, {}, kHuffmanTruncated, 0, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBefore();
        Bytes section = Section(c.width, 1, {{0x3C, 2.0f}}, c.coded, c.codedLength);
        if (c.cut)
            section.resize(c.cut);
        EXPECT_EQ(Decode(Open(section), picture), c.result);
        Bytes expected(static_cast<size_t>(StrideForWidth(c.width)), 0);
        std::fill(expected.begin(), expected.begin() + c.decoded, 0x3C);
        EXPECT_EQ(Pixels(picture), expected);
    }
}

// A large section cut short, decoded by both halves into a block new from
// the system (zero, never cleared) and into one used before (cleared past
// what was decoded): the same bytes, zero after the decoded ones, though the
// second decoder wrote into the upper part of the block.
TEST_F(Huffman, CutLargeSectionsEndInZerosInNewAndReusedBlocks)
{
    std::mt19937 random(99);
    RasterImage source;
    FillRandom(source, 1024, 1024, 256, random);
    Bytes section = HuffmanSectionBytes(source);
    const size_t codedStart = kHuffmanHeadBytes + kHuffmanWeightBytes;
    section.resize(codedStart + (section.size() - codedStart) / 2);
    const int32_t got = static_cast<int32_t>(section.size() - codedStart);
    ASSERT_GE(got, kHuffmanSplitBytes);
    float weights[kHuffmanSymbols];
    HuffmanNode nodes[kHuffmanNodes];
    CountHuffmanWeights(source.pixels.data, static_cast<size_t>(source.pixels.length), weights);
    BuildHuffmanTree(weights, nodes);
    Bytes expected(static_cast<size_t>(source.pixels.length), 0);
    int32_t count = 0;
    HuffmanDecode(section.data() + codedStart, got, nodes, expected.data(), source.pixels.length, &count);
    ASSERT_LT(count, source.pixels.length / 2);

    ReleaseSpareBlocks();
    ASSERT_EQ(Decode(Open(section), picture), kHuffmanTruncated);
    EXPECT_TRUE(Pixels(picture) == expected);
    RasterImage dirty;
    dirty.ResizeAndFill(1024, 1024, 0xA5);
    const uint8_t* used = dirty.pixels.data;
    dirty.pixels.Free();
    const bool kept = SpareBlockBytes() > 0;   // not in the sanitizer builds
    ASSERT_EQ(Decode(Open(section), picture), kHuffmanTruncated);
    EXPECT_EQ(picture.pixels.data == used, kept);
    EXPECT_TRUE(Pixels(picture) == expected);
    ReleaseSpareBlocks();
}

// The table decoder against the tree walk: same result, count and bytes for
// every stream (both outputs start as 0xEE, so a write past the count shows;
// the coded bytes are followed by 0x00 or 0xFF bytes, so a read past the
// coded length shows).
namespace {

void ExpectAsByTree(const HuffmanNode nodes[kHuffmanNodes], const Bytes& coded, int32_t capacity)
{
    Bytes slow(static_cast<size_t>(capacity) + 8, 0xEE);
    int32_t slowCount = -1;
    const int32_t length = static_cast<int32_t>(coded.size());
    const int slowResult = HuffmanDecodeByTree(coded.data(), length, nodes, slow.data(), capacity, &slowCount);
    for (uint8_t beyond : {0x00, 0xFF}) {
        Bytes padded = coded, fast(slow.size(), 0xEE);
        padded.resize(coded.size() + 16, beyond);
        int32_t fastCount = -1;
        const int fastResult = HuffmanDecode(padded.data(), length, nodes, fast.data(), capacity, &fastCount);
        ASSERT_EQ(fastResult, slowResult) << "length " << length << " capacity " << capacity;
        ASSERT_EQ(fastCount, slowCount) << "length " << length << " capacity " << capacity;
        ASSERT_EQ(fast, slow) << "length " << length << " capacity " << capacity;
    }
}

int MaxDepth(const HuffmanNode nodes[kHuffmanNodes], int node = kHuffmanRoot)
{
    if (node < kHuffmanFirstInner)
        return 0;
    return 1 + std::max(MaxDepth(nodes, nodes[node].child0), MaxDepth(nodes, nodes[node].child1));
}

}  // namespace

TEST(HuffmanTable, DecodesEveryStreamAsTheTreeWalk)
{
    std::mt19937 random(4711);
    auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<std::vector<float>> families;
    auto family = [&](auto weightOf) { families.push_back(ByteWeights(weightOf)); };
    for (int b : {0, 0x80, 255})   // one byte and the end symbol, lighter, tied and heavier
        for (float weight : {0.25f, 1.0f, 3.0f})
            family([&](int i) { return i == b ? weight : 0.0f; });
    family([](int) { return 1.0f; });                       // 256 ties, tied with the end symbol too
    family([](int) { return 0.5f; });
    family([&](int) { return static_cast<float>(uniform(1, 3)); });   // ties everywhere
    family([&](int) { return static_cast<float>(uniform(1, 100000)); });
    family([&](int i) { return i % 15 == 0 ? static_cast<float>(uniform(1, 9)) : 0.0f; });
    // Codes far longer than the table: Fibonacci weights (depth about 45)
    // and halving weights down to the smallest float (depth about 150).
    family([](int i) {
        float a = 1.0f, b = 1.0f;
        for (int k = 0; k < i; ++k)
            a = std::exchange(b, a + b);
        return i < 44 ? a : 0.0f;
    });
    family([](int i) { return i < 150 ? std::ldexp(1.0f, -i) : 0.0f; });
    family([](int i) { return i < 120 ? std::ldexp(1.0f, 30 - i) : 1.0f; });
    family([](int i) { return i < 3 ? std::ldexp(1.0f, 20 - i) : 1.0f; });   // most codes as long as the table

    int deepest = 0;
    for (const std::vector<float>& w : families) {
        HuffmanNode nodes[kHuffmanNodes];
        BuildHuffmanTree(w.data(), nodes);
        ASSERT_TRUE(HuffmanTreeUsable(w.data(), nodes));
        deepest = std::max(deepest, MaxDepth(nodes));
        std::vector<uint8_t> symbols;
        for (int i = 0; i < kHuffmanEndSymbol; ++i)
            if (w[i] > 0.0f)
                symbols.push_back(static_cast<uint8_t>(i));
        SCOPED_TRACE(testing::Message() << symbols.size() << " symbols, depth " << MaxDepth(nodes));
        for (int round = 0; round < 12; ++round) {
            Bytes data(static_cast<size_t>(uniform(0, round < 6 ? 40 : 3000)));
            for (uint8_t& byte : data)
                byte = symbols[static_cast<size_t>(uniform(0, static_cast<int>(symbols.size()) - 1))];
            Bytes coded;
            ASSERT_TRUE(AppendHuffmanBits(coded, data.data(), data.size(), w.data()));
            const int32_t n = static_cast<int32_t>(data.size());
            for (int32_t capacity : {n, n - 1, n + 9, 0, uniform(0, n + 1)})
                ExpectAsByTree(nodes, coded, std::max(capacity, 0));
            const size_t whole = coded.size();
            for (size_t cut = 0; cut < whole; cut += 1 + whole / 17)   // truncated streams
                ExpectAsByTree(nodes, Bytes(coded.begin(), coded.begin() + static_cast<long>(cut)), n);
            coded.resize(whole + 16, static_cast<uint8_t>(random()));   // bits after the end symbol
            ExpectAsByTree(nodes, coded, n);
            for (size_t i = 0; i < whole; ++i)   // garbage: bits run out mid-code, overflows
                coded[i] = static_cast<uint8_t>(random());
            ExpectAsByTree(nodes, coded, uniform(0, 2 * n));
        }
    }
    EXPECT_GE(deepest, 140);
}

TEST(HuffmanTable, AnyNodeTableDecodesAsTheTreeWalk)
{
    // Children anywhere, outside the table too: cycles, shared nodes, leaves
    // never reached, a walk that leaves the table after any number of bits.
    std::mt19937 random(99);
    for (int round = 0; round < 300; ++round) {
        HuffmanNode nodes[kHuffmanNodes] = {};
        // Mostly inner children in every other round, so that walks run long.
        const int32_t low = round % 2 ? 200 : -40, high = kHuffmanNodes + (round % 3 == 0 ? 40 : 0);
        for (HuffmanNode& node : nodes) {
            node.child0 = low + static_cast<int32_t>(random() % static_cast<uint32_t>(high - low));
            node.child1 = low + static_cast<int32_t>(random() % static_cast<uint32_t>(high - low));
        }
        Bytes coded(random() % 300);
        for (uint8_t& byte : coded)
            byte = static_cast<uint8_t>(random());
        ExpectAsByTree(nodes, coded, static_cast<int32_t>(random() % 400));
    }
}

// The two-halves decoder against the tree walk on streams long enough to be
// split: same result, count and bytes up to the count, nothing written past
// the capacity. The streams let the first half end the decoding, give the
// second decoder a boundary it never meets (codes of one length that the
// middle does not divide), make either half denser than the other, run
// out, overflow, or hold garbage.
namespace {

void ExpectSplitAsByTree(const HuffmanNode nodes[kHuffmanNodes], const Bytes& coded, int32_t capacity)
{
    // fast is zero up to capacity: it must be zero again past the count.
    Bytes slow(static_cast<size_t>(capacity) + 64, 0xEE), fast(slow.size(), 0xEE);
    std::fill(fast.begin(), fast.begin() + capacity, 0);
    int32_t slowCount = -1, fastCount = -1;
    const int32_t length = static_cast<int32_t>(coded.size());
    const int slowResult = HuffmanDecodeByTree(coded.data(), length, nodes, slow.data(), capacity, &slowCount);
    const int fastResult = HuffmanDecodeSplit(coded.data(), length, nodes, fast.data(), capacity, &fastCount);
    ASSERT_EQ(fastResult, slowResult) << "length " << length << " capacity " << capacity;
    ASSERT_EQ(fastCount, slowCount) << "length " << length << " capacity " << capacity;
    ASSERT_TRUE(std::equal(fast.begin(), fast.begin() + fastCount, slow.begin()))
        << "length " << length << " capacity " << capacity;
    ASSERT_TRUE(std::all_of(fast.begin() + fastCount, fast.begin() + capacity, [](uint8_t b) { return b == 0; }))
        << "length " << length << " capacity " << capacity;
    ASSERT_TRUE(std::all_of(fast.begin() + capacity, fast.end(), [](uint8_t b) { return b == 0xEE; }));
}

}  // namespace

TEST(HuffmanSplit, DecodesLongStreamsAsTheTreeWalk)
{
    std::mt19937 random(2024);
    auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<std::vector<float>> families;
    families.push_back(std::vector<float>(kHuffmanSymbols, 1.0f));   // codes of 8 and 9 bits
    std::vector<float> skewed(kHuffmanSymbols, 0.0f);
    for (int i = 0; i < 40; ++i)
        skewed[i] = static_cast<float>(1 + (i % 7) * (i % 7) * 50);   // 2 to 11 bits or so
    families.push_back(skewed);
    std::vector<float> deep(kHuffmanSymbols, 0.0f);
    for (int i = 0; i < 30; ++i)
        deep[i] = std::ldexp(1.0f, 29 - i);   // codes up to 30 bits, beyond the table
    families.push_back(deep);

    for (const std::vector<float>& w : families) {
        HuffmanNode nodes[kHuffmanNodes];
        BuildHuffmanTree(w.data(), nodes);
        ASSERT_TRUE(HuffmanTreeUsable(w.data(), nodes));
        std::vector<uint8_t> symbols;
        for (int i = 0; i < kHuffmanEndSymbol; ++i)
            if (w[i] > 0.0f)
                symbols.push_back(static_cast<uint8_t>(i));
        const uint8_t shortest = symbols.back() == 255 ? 0 : symbols[0];   // the heaviest of each family
        const uint8_t longest = w[255] > 0.0f ? 255 : symbols.back();
        auto encode = [&](const Bytes& data) {
            Bytes coded;
            EXPECT_TRUE(AppendHuffmanBits(coded, data.data(), data.size(), w.data()));
            return coded;
        };
        auto randomData = [&](size_t n) {
            Bytes data(n);
            for (uint8_t& byte : data)
                byte = symbols[static_cast<size_t>(uniform(0, static_cast<int>(symbols.size()) - 1))];
            return data;
        };
        const size_t n = 200000;
        struct Stream {
            const char* what;
            Bytes data;
        };
        std::vector<Stream> streams;
        streams.push_back({"random", randomData(n)});
        streams.push_back({"one length only", Bytes(n, longest)});
        Bytes denseFirst = Bytes(n / 2, shortest), denseSecond = randomData(n / 4);
        Bytes tail = randomData(n / 4);
        denseFirst.insert(denseFirst.end(), tail.begin(), tail.end());
        denseSecond.insert(denseSecond.end(), static_cast<size_t>(n), shortest);
        streams.push_back({"first half denser", denseFirst});
        streams.push_back({"second half denser", denseSecond});
        for (const Stream& stream : streams) {
            SCOPED_TRACE(testing::Message() << stream.what << ", " << symbols.size() << " symbols");
            Bytes coded = encode(stream.data);
            const int32_t count = static_cast<int32_t>(stream.data.size());
            if (coded.size() < static_cast<size_t>(kHuffmanSplitBytes))
                continue;   // too short to be split (codes of one bit)
            for (int32_t capacity : {count, count - 1, count + 9, count / 2, count * 2, uniform(0, count)})
                ExpectSplitAsByTree(nodes, coded, std::max(capacity, 0));
            const size_t whole = coded.size();
            for (size_t cut : {whole / 2 - 1, whole / 2, whole / 2 + 3, whole - 9, whole * 3 / 4})
                ExpectSplitAsByTree(nodes, Bytes(coded.begin(), coded.begin() + static_cast<long>(cut)), count);
            // The end symbol in the first half, garbage after it.
            Bytes early = encode(Bytes(stream.data.begin(), stream.data.begin() + count / 3));
            const size_t earlyLength = early.size();
            early.resize(whole);
            for (size_t i = earlyLength; i < whole; ++i)
                early[i] = static_cast<uint8_t>(random());
            ExpectSplitAsByTree(nodes, early, count);
            // Garbage in the middle, then the whole stream as garbage.
            Bytes damaged = coded;
            for (size_t i = whole / 2 - 100; i < whole / 2 + 100; ++i)
                damaged[i] = static_cast<uint8_t>(random());
            ExpectSplitAsByTree(nodes, damaged, count);
            for (uint8_t& byte : damaged)
                byte = static_cast<uint8_t>(random());
            ExpectSplitAsByTree(nodes, damaged, uniform(0, 2 * count));
        }
    }
    // Any node table: walks that leave the table, cycles, shared nodes.
    for (int round = 0; round < 20; ++round) {
        HuffmanNode nodes[kHuffmanNodes] = {};
        for (HuffmanNode& node : nodes) {
            node.child0 = static_cast<int32_t>(random() % (kHuffmanNodes + 4));
            node.child1 = static_cast<int32_t>(random() % (kHuffmanNodes + 4));
        }
        Bytes coded(static_cast<size_t>(kHuffmanSplitBytes + uniform(0, 5000)));
        for (uint8_t& byte : coded)
            byte = static_cast<uint8_t>(random());
        ExpectSplitAsByTree(nodes, coded, uniform(kHuffmanSplitBytes, 4 * kHuffmanSplitBytes));
    }
}
