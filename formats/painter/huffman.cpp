#include "formats/painter/huffman.h"

#include <cfloat>
#include <initializer_list>

#include "image/byte_buffer.h"
#include "image/little_endian.h"

namespace {

// The 32-bit Windows build evaluates on the x87 unit with excess precision.
// Node weights are compared across merges, so every sum is rounded to a
// float through memory at once, as every other build does.
float RoundToFloat(float v)
{
#if FLT_EVAL_METHOD != 0
    volatile float stored = v;
    return stored;
#else
    return v;
#endif
}

// The picture size limit, with each side checked first so that the byte
// count of two huge sides is never formed (it would not fit in 64 bits).
bool SizeAllowed(int32_t width, int32_t height)
{
    return width <= kMaxPixelBytes && height <= kMaxPixelBytes && PictureSizeAllowed(width, height);
}

// Moves past the coded bytes of a section that is not decoded, so that the
// next section of the file can still be read.
void SkipCodedBytes(FileReader& reader, int32_t codedLength) { reader.Skip(static_cast<size_t>(codedLength)); }

}  // namespace

bool HuffmanWeightAllowed(float weight) { return weight == weight && weight < kHuffmanWeightLimit; }

void BuildHuffmanTree(const float weights[kHuffmanSymbols], HuffmanNode nodes[kHuffmanNodes])
{
    for (int i = 0; i < kHuffmanNodes; ++i)
        nodes[i] = HuffmanNode{0.0f, 0, 0, 0, 0};
    for (int i = 0; i < kHuffmanEndSymbol; ++i)
        nodes[i].weight = weights[i];
    nodes[kHuffmanEndSymbol].weight = 1.0f;
    nodes[kHuffmanRoot].weight = kHuffmanWeightLimit;

    for (int next = kHuffmanFirstInner; next <= kHuffmanRoot; ++next) {
        int s = kHuffmanRoot;
        int t = kHuffmanRoot;
        int taking = 0;
        for (int k = 0; k < next; ++k) {
            float w = nodes[k].weight;
            if (!(w > 0.0f))
                continue;
            ++taking;
            if (w <= nodes[s].weight) {
                t = s;
                s = k;
            } else if (w < nodes[t].weight) {
                t = k;
            }
        }
        int parent = taking == 2 ? kHuffmanRoot : next;
        nodes[parent].weight = RoundToFloat(nodes[s].weight + nodes[t].weight);
        nodes[parent].child1 = s;
        nodes[parent].child0 = t;
        nodes[s].bit = 1;
        nodes[t].bit = 0;
        nodes[s].parent = parent;
        nodes[t].parent = parent;
        nodes[s].weight = 0.0f;
        nodes[t].weight = 0.0f;
        if (parent == kHuffmanRoot)
            return;
    }
}

bool HuffmanTreeUsable(const float weights[kHuffmanSymbols], const HuffmanNode nodes[kHuffmanNodes])
{
    // Depth-first walk from the root. A node is pushed only the first time
    // it is met, so a shared child or a cycle shows as a second meeting and
    // the stack never holds more than every node once.
    bool met[kHuffmanNodes] = {};
    int stack[kHuffmanNodes];
    int depth = 0;
    met[kHuffmanRoot] = true;
    stack[depth++] = kHuffmanRoot;
    while (depth > 0) {
        const int index = stack[--depth];
        if (index < kHuffmanFirstInner)
            continue;
        for (int child : {nodes[index].child0, nodes[index].child1}) {
            if (child < 0 || child >= kHuffmanNodes || met[child])
                return false;
            met[child] = true;
            stack[depth++] = child;
        }
    }
    bool anyByte = false;
    for (int i = 0; i < kHuffmanEndSymbol; ++i) {
        if (met[i] != (weights[i] > 0.0f))
            return false;
        anyByte = anyByte || met[i];
    }
    return anyByte && met[kHuffmanEndSymbol];
}

int HuffmanDecode(const uint8_t* coded, int32_t codedLength, const HuffmanNode nodes[kHuffmanNodes],
                  uint8_t* out, int32_t capacity, int32_t* count)
{
    const int64_t totalBits = codedLength > 0 ? int64_t{codedLength} * 8 : 0;
    int64_t bitPosition = 0;
    int32_t produced = 0;
    int result = kHuffmanStreamEnded;
    for (;;) {
        int node = kHuffmanRoot;
        while (node >= kHuffmanFirstInner) {
            if (bitPosition >= totalBits) {
                result = kHuffmanStreamBitsOut;
                break;
            }
            int bit = (coded[bitPosition >> 3] >> (7 - (bitPosition & 7))) & 1;
            ++bitPosition;
            node = bit ? nodes[node].child1 : nodes[node].child0;
            if (node < 0 || node >= kHuffmanNodes) {
                result = kHuffmanStreamBadTree;
                break;
            }
        }
        if (result != kHuffmanStreamEnded || node == kHuffmanEndSymbol)
            break;
        if (produced >= capacity) {
            result = kHuffmanStreamOverflow;
            break;
        }
        out[produced++] = static_cast<uint8_t>(node);
    }
    *count = produced;
    return result;
}

int HuffDecodeImg(RasterImage& picture, FileReader& reader)
{
    int32_t width = 0, height = 0, codedLength = 0;
    reader.I32(width);
    reader.I32(height);
    reader.I32(codedLength);
    if (reader.Failed())
        return kHuffmanTruncated;
    if (width <= 0 || height <= 0 || codedLength <= 0)
        return kHuffmanBadSize;

    uint8_t storedWeights[kHuffmanWeightBytes];
    if (!reader.Bytes(storedWeights, sizeof storedWeights))
        return kHuffmanTruncated;
    float weights[kHuffmanSymbols];
    for (int i = 0; i < kHuffmanSymbols; ++i)
        weights[i] = LoadF32LE(storedWeights + 4 * i);

    if (!SizeAllowed(width, height)) {
        SkipCodedBytes(reader, codedLength);
        return kHuffmanTooLarge;
    }
    bool usable = true;
    for (int i = 0; i < kHuffmanEndSymbol; ++i)
        usable = usable && HuffmanWeightAllowed(weights[i]);
    HuffmanNode nodes[kHuffmanNodes];
    if (usable) {
        BuildHuffmanTree(weights, nodes);
        usable = HuffmanTreeUsable(weights, nodes);
    }
    if (!usable) {
        SkipCodedBytes(reader, codedLength);
        return kHuffmanBadWeights;
    }

    // The coded block is never larger than what the file still holds, so a
    // length field can not make us allocate more than the file's size. When
    // the size cannot be told, the picture size limit bounds it instead.
    int64_t wanted = codedLength;
    int64_t available = reader.Remaining();
    if (available >= 0 && available < wanted)
        wanted = available;
    else if (available < 0 && wanted > kMaxPixelBytes)
        wanted = kMaxPixelBytes;
    ByteBuffer coded;
    if (!coded.Allocate(static_cast<int32_t>(wanted))) {
        SkipCodedBytes(reader, codedLength);
        return kHuffmanNoMemory;
    }
    const int32_t got = wanted > 0 ? static_cast<int32_t>(reader.Partial(coded.data, static_cast<size_t>(wanted))) : 0;

    // Decode into a block of its own and hand it to the picture only at the
    // end, so that a failure up to here leaves the picture as it was.
    const int32_t capacity = static_cast<int32_t>(StrideForWidth(width) * height);
    ByteBuffer decoded;
    if (!decoded.AllocateFilled(capacity, 0))
        return kHuffmanNoMemory;
    int32_t count = 0;
    int stream = HuffmanDecode(coded.data, got, nodes, decoded.data, capacity, &count);
    if (picture.TakePixels(decoded, width, height) != kRasterOk)
        return kHuffmanNoMemory;
    if (got < codedLength)
        return kHuffmanTruncated;
    return stream == kHuffmanStreamEnded ? kHuffmanDecoded : kHuffmanBadStream;
}

int HuffDecodeImg(RasterImage& picture, std::FILE* file)
{
    FileReader reader(file);
    return HuffDecodeImg(picture, reader);
}
