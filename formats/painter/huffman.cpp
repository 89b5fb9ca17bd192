#include "formats/painter/huffman.h"

#include <cfloat>
#include <cstring>
#include <initializer_list>

#include "image/byte_buffer.h"
#include "image/little_endian.h"

namespace {

// Node weights are compared across merges, so every sum must be a float
// rounded at once, never kept wider: the 32-bit build computes in SSE2 like
// every other (set in CMakeLists.txt), and this holds it to that.
static_assert(FLT_EVAL_METHOD == 0, "floating point must be evaluated in its declared precision");

// The picture size limit of the open, with each side checked first so that
// the byte count of two huge sides is never formed.
bool SizeAllowed(int32_t width, int32_t height, const OpenLimits& limits)
{
    return width <= kMaxPixelBytes && height <= kMaxPixelBytes && limits.PictureAllowed(width, height);
}

// Moves past the coded bytes of a section that is not decoded, so that the
// next section of the file can still be read.
void SkipCodedBytes(ByteSource& reader, int32_t codedLength) { reader.Skip(static_cast<size_t>(codedLength)); }

// A section whose head gave its size but whose code cannot be had (the file
// ends in the head or the weights, or the weights make no code) is still
// that picture: black at its size, as the bytes a stream does not reach are.
// Whatever the picture held before (for a canvas, another document's
// picture) must not show in its place. Within the size limit and the
// budget only; otherwise the picture stays as it was.
int BlackAtSectionSize(RasterImage& picture, int32_t width, int32_t height, const OpenLimits& limits,
                       MemoryBudget* budget, int result)
{
    if (width <= 0 || height <= 0 || !SizeAllowed(width, height, limits))
        return result;
    const int64_t bytes = StrideForWidth(width) * height;
    if (budget && !budget->Take(bytes))
        return result;
    RasterImage black;
    if (black.ResizeAndFill(width, height, 0) == kRasterOk)
        AdoptPicture(picture, black);
    else if (budget)
        budget->Give(bytes);
    return result;
}

// Goes on from node down the tree bit by bit to a leaf and stores it: false
// when decoding ends there (the end symbol, a full output, the bits running
// out or a child outside the table; result says which).
inline bool FinishCode(const HuffmanNode* nodes, const uint8_t* coded, int64_t totalBits, int64_t& bitPosition,
                       int node, uint8_t* out, int32_t capacity, int32_t& produced, int& result)
{
    while (node >= kHuffmanFirstInner) {
        if (bitPosition >= totalBits) {
            result = kHuffmanStreamBitsOut;
            return false;
        }
        int bit = (coded[bitPosition >> 3] >> (7 - (bitPosition & 7))) & 1;
        ++bitPosition;
        node = bit ? nodes[node].child1 : nodes[node].child0;
        if (node < 0 || node >= kHuffmanNodes) {
            result = kHuffmanStreamBadTree;
            return false;
        }
    }
    if (node == kHuffmanEndSymbol)
        return false;
    if (produced >= capacity) {
        result = kHuffmanStreamOverflow;
        return false;
    }
    out[produced++] = static_cast<uint8_t>(node);
    return true;
}

}  // namespace

// Negated so that NaN passes: it takes no part, as the header says.
bool HuffmanWeightAllowed(float weight) { return !(weight >= kHuffmanWeightLimit); }

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
        nodes[parent].weight = nodes[s].weight + nodes[t].weight;
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

int HuffmanDecodeByTree(const uint8_t* coded, int32_t codedLength, const HuffmanNode nodes[kHuffmanNodes],
                        uint8_t* out, int32_t capacity, int32_t* count)
{
    const int64_t totalBits = codedLength > 0 ? int64_t{codedLength} * 8 : 0;
    int64_t bitPosition = 0;
    int32_t produced = 0;
    int result = kHuffmanStreamEnded;
    while (FinishCode(nodes, coded, totalBits, bitPosition, kHuffmanRoot, out, capacity, produced, result)) {
    }
    *count = produced;
    return result;
}

namespace {

// One entry per kHuffmanTableBits-bit window, for the codes the window
// starts with: bits 0..5 hold how many bits the entry takes, bits 6..7 its
// kind, bit 8 whether it holds a second byte (bits 9..13 are then the first
// code's length); a byte entry has its byte in bits 16..23 and its second
// byte (or the first again) in bits 24..31, the other kinds their symbol or
// node in bits 16 up.
constexpr uint32_t kEntryBytes = 0;     // one or two byte values
constexpr uint32_t kEntryEnd = 1;
constexpr uint32_t kEntryInner = 2;     // the code is longer than the window
constexpr uint32_t kEntryBadTree = 3;   // the walk left the node table
constexpr uint32_t kEntryTwo = 1u << 8;
static_assert(kHuffmanTableBits < 32, "the first code's length has 5 bits");
constexpr int kTableSize = 1 << kHuffmanTableBits;
// A loaded window holds at least 57 bits of the stream.
constexpr int kEntriesPerWindow = 57 / kHuffmanTableBits;
static_assert(kEntriesPerWindow >= 1, "the table is wider than a window");

constexpr uint32_t Entry(uint32_t kind, int bits, int value)
{
    return static_cast<uint32_t>(bits) | (kind << 6) | (static_cast<uint32_t>(value) << 16);
}
constexpr uint32_t KindOf(uint32_t entry) { return (entry >> 6) & 3; }
constexpr int BitsOf(uint32_t entry) { return static_cast<int>(entry & 63); }

// Walks every branch from node (reached by the depth bits of prefix) down to
// a leaf, a bad child or the window's depth, filling the entries of all
// windows that start with the bits walked. Each window is filled once, so
// the work is bounded by the table size whatever the node table holds.
void FillTable(const HuffmanNode nodes[kHuffmanNodes], uint32_t table[kTableSize], int node, int depth,
               uint32_t prefix)
{
    for (uint32_t bit = 0; bit < 2; ++bit) {
        const int child = bit ? nodes[node].child1 : nodes[node].child0;
        const int bits = depth + 1;
        const uint32_t walked = (prefix << 1) | bit;
        uint32_t entry;
        if (child < 0 || child >= kHuffmanNodes) {
            entry = Entry(kEntryBadTree, bits, 0);
        } else if (child == kHuffmanEndSymbol) {
            entry = Entry(kEntryEnd, bits, child);
        } else if (child < kHuffmanFirstInner) {
            entry = Entry(kEntryBytes, bits, child | (child << 8));
        } else if (bits < kHuffmanTableBits) {
            FillTable(nodes, table, child, bits, walked);
            continue;
        } else {
            entry = Entry(kEntryInner, bits, child);
        }
        const int free = kHuffmanTableBits - bits;
        uint32_t* first = table + (walked << free);
        for (uint32_t k = 0; k < (1u << free); ++k)
            first[k] = entry;
    }
}

// The decoding table: after a byte code, a second byte code whose bits all
// lie in the same window joins its entry.
void BuildTable(const HuffmanNode nodes[kHuffmanNodes], uint32_t table[kTableSize])
{
    uint32_t single[kTableSize];
    FillTable(nodes, single, kHuffmanRoot, 0, 0);
    for (uint32_t window = 0; window < static_cast<uint32_t>(kTableSize); ++window) {
        const uint32_t first = single[window];
        table[window] = first;
        const int used = BitsOf(first);
        if (KindOf(first) != kEntryBytes || used >= kHuffmanTableBits)
            continue;
        // The entry of the window that starts where the first code ends;
        // its low bits are unknown here, so it counts only when its code
        // ends inside the known ones.
        const uint32_t second = single[(window << used) & (kTableSize - 1)];
        if (KindOf(second) != kEntryBytes || BitsOf(second) > kHuffmanTableBits - used)
            continue;
        table[window] = Entry(kEntryBytes, used + BitsOf(second), 0) | kEntryTwo |
                        (static_cast<uint32_t>(used) << 9) | (first & 0x00FF0000u) | ((second & 0x00FF0000u) << 8);
    }
}

// The 64 bits from byte p on, the first byte in the top bits.
uint64_t LoadU64BE(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return __builtin_bswap64(v);
#elif defined(__GNUC__)
    return v;
#else
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i)
        r = (r << 8) | p[i];
    return r;
#endif
}

// A place in the stream: the next code's first bit, the bytes written and
// the room for them, and why decoding stopped.
struct Cursor {
    int64_t bit;
    uint8_t* out;
    int32_t capacity;
    int32_t produced;
    int result;
};

struct Stream {
    const uint8_t* coded;
    int64_t totalBits;
    int64_t lastWindowByte;   // a window is loaded only while its 8 bytes lie inside
    const HuffmanNode* nodes;
    uint32_t table[kTableSize];

    Stream(const uint8_t* codedBytes, int32_t codedLength, const HuffmanNode* tree)
        : coded(codedBytes), totalBits(codedLength > 0 ? int64_t{codedLength} * 8 : 0),
          lastWindowByte(int64_t{codedLength} - 8), nodes(tree)
    {
        BuildTable(tree, table);
    }
};

// Stores one byte entry at out and moves past its bits. The second store
// repeats the first byte for a one-byte entry, so nothing is written past
// the bytes produced. The callers keep out and bit in locals, not in their
// cursor: the byte stores could alias its fields, which would then be
// reloaded after every store.
inline void TakeEntry(uint8_t*& out, uint64_t& window, int64_t& bit, uint32_t entry)
{
    out[0] = static_cast<uint8_t>(entry >> 16);
    out += 1 + ((entry & kEntryTwo) >> 8);
    out[-1] = static_cast<uint8_t>(entry >> 24);
    window <<= BitsOf(entry);
    bit += BitsOf(entry);
}

// The byte entries of one window, several codes to a window, while their
// bytes surely fit: false when there is no whole window or room for one, or
// when the window met an entry of another kind (decoded up to there).
inline bool DecodeWindow(const Stream& s, Cursor& c)
{
    if ((c.bit >> 3) > s.lastWindowByte || c.capacity - c.produced < 2 * kEntriesPerWindow)
        return false;
    int64_t bit = c.bit;
    uint8_t* out = c.out + c.produced;
    uint64_t window = LoadU64BE(s.coded + (bit >> 3)) << (bit & 7);
    int k = 0;
    for (; k < kEntriesPerWindow; ++k) {
        const uint32_t entry = s.table[window >> (64 - kHuffmanTableBits)];
        if (KindOf(entry) != kEntryBytes)
            break;
        TakeEntry(out, window, bit, entry);
    }
    c.bit = bit;
    c.produced = static_cast<int32_t>(out - c.out);
    return k == kEntriesPerWindow;
}

// One code the general way: the first code of the window's entry while a
// whole window is left, then the tree bit by bit, exactly as
// HuffmanDecodeByTree walks it. False when decoding stops (c.result says
// why); a code that finds no room leaves c.bit at its start.
inline bool DecodeCode(const Stream& s, Cursor& c)
{
    const int64_t start = c.bit;
    int node = kHuffmanRoot;
    if ((c.bit >> 3) <= s.lastWindowByte) {
        const uint64_t window = LoadU64BE(s.coded + (c.bit >> 3)) << (c.bit & 7);
        uint32_t entry = s.table[window >> (64 - kHuffmanTableBits)];
        if (entry & kEntryTwo)   // the first code only
            entry = (entry & 0x00FF0000u) | ((entry >> 9) & 31);
        c.bit += BitsOf(entry);
        if (KindOf(entry) == kEntryBadTree) {
            c.result = kHuffmanStreamBadTree;
            return false;
        }
        node = KindOf(entry) == kEntryBytes ? static_cast<int>((entry >> 16) & 0xFF) : static_cast<int>(entry >> 16);
    }
    if (FinishCode(s.nodes, s.coded, s.totalBits, c.bit, node, c.out, c.capacity, c.produced, c.result))
        return true;
    if (c.result == kHuffmanStreamOverflow)
        c.bit = start;
    return false;
}

// DecodeWindow for two cursors in step, window after window, so that their
// two chains of lookups overlap: goes on while both have a whole window and
// room (the first, a window ending before limit) and meet only byte entries.
inline void DecodeWindowPairs(const Stream& s, Cursor& a, Cursor& b, int64_t limit)
{
    const int64_t windowEnd = (s.lastWindowByte + 1) * 8;   // a window may start before this bit
    const int64_t aLast = limit - 64 < windowEnd - 1 ? limit - 64 : windowEnd - 1;
    const int64_t bLast = windowEnd - 1;
    int64_t aBit = a.bit, bBit = b.bit;
    uint8_t* aOut = a.out + a.produced;
    uint8_t* bOut = b.out + b.produced;
    // The most bytes produced at which a window may still start.
    const int64_t aRoom = int64_t{a.capacity} - 2 * kEntriesPerWindow;
    const int64_t bRoom = int64_t{b.capacity} - 2 * kEntriesPerWindow;
    const uint32_t* const table = s.table;
    while (aBit <= aLast && bBit <= bLast && aOut - a.out <= aRoom && bOut - b.out <= bRoom) {
        uint64_t wa = LoadU64BE(s.coded + (aBit >> 3)) << (aBit & 7);
        uint64_t wb = LoadU64BE(s.coded + (bBit >> 3)) << (bBit & 7);
        int k = 0;
        for (; k < kEntriesPerWindow; ++k) {
            const uint32_t ea = table[wa >> (64 - kHuffmanTableBits)];
            const uint32_t eb = table[wb >> (64 - kHuffmanTableBits)];
            if (KindOf(ea | eb) != kEntryBytes)
                break;
            TakeEntry(aOut, wa, aBit, ea);
            TakeEntry(bOut, wb, bBit, eb);
        }
        if (k < kEntriesPerWindow)
            break;
    }
    a.bit = aBit;
    b.bit = bBit;
    a.produced = static_cast<int32_t>(aOut - a.out);
    b.produced = static_cast<int32_t>(bOut - b.out);
}

// Decodes from the cursor to the end of the stream.
void DecodeRest(const Stream& s, Cursor& c)
{
    do {
        while (DecodeWindow(s, c)) {
        }
    } while (DecodeCode(s, c));
}

}  // namespace

int HuffmanDecode(const uint8_t* coded, int32_t codedLength, const HuffmanNode nodes[kHuffmanNodes],
                  uint8_t* out, int32_t capacity, int32_t* count)
{
    const Stream s(coded, codedLength, nodes);
    Cursor c{0, out, capacity, 0, kHuffmanStreamEnded};
    DecodeRest(s, c);
    *count = c.produced;
    return c.result;
}

// Every code depends on where the one before it ended, so one decoder is a
// single chain of table lookups. Here a second decoder starts at the middle
// byte of the stream, on a boundary it can only guess, and writes into the
// upper part of out while the first decodes the lower half; the two chains
// run side by side. Codes of a byte code fall back into step after a few
// codes: once the first decoder, going on past the middle, starts a code
// where the second started one, everything the second decoded from there
// on is what the first would decode, and it is moved down behind the first
// decoder's bytes. Where that never happens, or the second part of out is
// too small, the first decoder simply goes on alone, so the outcome is that
// of one decoder in every case.
int HuffmanDecodeSplit(const uint8_t* coded, int32_t codedLength, const HuffmanNode nodes[kHuffmanNodes],
                       uint8_t* out, int32_t capacity, int32_t* count)
{
    if (codedLength < kHuffmanSplitBytes || capacity < kHuffmanSplitBytes)
        return HuffmanDecode(coded, codedLength, nodes, out, capacity, count);
    const Stream s(coded, codedLength, nodes);
    const int64_t middle = int64_t{codedLength / 2} * 8;
    // The upper part: a little less than half, so that a first half holding
    // somewhat more bytes than the second still fits below it.
    const int32_t upper = capacity / 2 + capacity / 32;
    Cursor first{0, out, upper, 0, kHuffmanStreamEnded};
    Cursor second{middle, out + upper, capacity - upper, 0, kHuffmanStreamEnded};

    // The second decoder's first codes one at a time, noting where each
    // starts: the places where the first may fall into step with it.
    constexpr int kMarks = 1024;
    int64_t marks[kMarks];
    int markCount = 0;
    bool secondLive = true;
    while (secondLive && markCount < kMarks) {
        marks[markCount++] = second.bit;
        secondLive = DecodeCode(s, second);
    }
    // Both chains: the first up to the middle, the second to its end.
    bool firstLive = true;
    while ((firstLive && first.bit < middle) || secondLive) {
        if (firstLive && secondLive)
            DecodeWindowPairs(s, first, second, middle);
        if (firstLive && first.bit < middle && (first.bit + 64 > middle || !DecodeWindow(s, first)))
            firstLive = DecodeCode(s, first);
        if (secondLive && !DecodeWindow(s, second))
            secondLive = DecodeCode(s, second);
    }
    // The first decoder on from the middle, code by code, until it starts a
    // code where the second started one, or is past every noted start.
    int meet = 0;
    bool met = false;
    while (firstLive) {
        while (meet < markCount && marks[meet] < first.bit)
            ++meet;
        if (meet == markCount)
            break;
        if (marks[meet] == first.bit) {
            met = true;
            break;
        }
        firstLive = DecodeCode(s, first);
    }
    if (met) {
        // The second decoder's bytes from its code number meet on, then
        // where and why it stopped. Full only means its part was.
        const int32_t taken = second.produced - meet;
        std::memmove(out + first.produced, second.out + meet, static_cast<size_t>(taken));
        first.produced += taken;
        first.bit = second.bit;
        first.result = second.result;
        firstLive = second.result == kHuffmanStreamOverflow;
    } else if (!firstLive) {
        // Stopped for good, unless only for want of room below the upper part.
        firstLive = first.result == kHuffmanStreamOverflow;
    }
    if (firstLive) {
        first.capacity = capacity;
        first.result = kHuffmanStreamEnded;
        DecodeRest(s, first);
    }
    // Where the stream stops short, the second decoder's bytes beyond the
    // ones kept are cleared again: a block that was zero stays zero past
    // the count, so a new one needs no clearing at all.
    const int64_t written = int64_t{upper} + second.produced;
    if (written > first.produced)
        std::memset(out + first.produced, 0, static_cast<size_t>(written - first.produced));
    *count = first.produced;
    return first.result;
}

int HuffDecodeImg(ByteSource& reader, RasterImage& picture, MemoryBudget* budget)
{
    int32_t width = 0, height = 0, codedLength = 0;
    reader.I32(width);
    reader.I32(height);
    reader.I32(codedLength);
    if (reader.Failed())
        return BlackAtSectionSize(picture, width, height, reader.Limits(), budget, kHuffmanTruncated);
    if (width <= 0 || height <= 0 || codedLength <= 0)
        return kHuffmanBadSize;

    uint8_t storedWeights[kHuffmanWeightBytes];
    if (!reader.Bytes(storedWeights, sizeof storedWeights))
        return BlackAtSectionSize(picture, width, height, reader.Limits(), budget, kHuffmanTruncated);
    float weights[kHuffmanSymbols];
    for (int i = 0; i < kHuffmanSymbols; ++i)
        weights[i] = LoadF32LE(storedWeights + 4 * i);

    if (!SizeAllowed(width, height, reader.Limits())) {
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
        return BlackAtSectionSize(picture, width, height, reader.Limits(), budget, kHuffmanBadWeights);
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
    const int32_t capacity = static_cast<int32_t>(StrideForWidth(width) * height);
    if (budget && !budget->Take(wanted + capacity)) {
        SkipCodedBytes(reader, codedLength);
        return kHuffmanTooLarge;
    }
    // Decode into a block of its own and hand it to the picture only at the
    // end, so that a failure up to here leaves the picture as it was. It is
    // taken first, so that it can be the block the picture before gave back.
    // Only the bytes the stream does not reach are cleared, after decoding,
    // and only in a block used before: a new one is zero already, and its
    // pages the stream does not reach are never made.
    ByteBuffer decoded, coded;
    bool zeroed = false;
    if (!decoded.Allocate(capacity, zeroed) || !coded.Allocate(static_cast<int32_t>(wanted))) {
        SkipCodedBytes(reader, codedLength);
        return kHuffmanNoMemory;
    }
    const int32_t got = wanted > 0 ? static_cast<int32_t>(reader.Partial(coded.data, static_cast<size_t>(wanted))) : 0;
    int32_t count = 0;
    int stream = HuffmanDecodeSplit(coded.data, got, nodes, decoded.data, capacity, &count);
    if (!zeroed)
        std::memset(decoded.data + count, 0, static_cast<size_t>(capacity - count));
    coded.Discard();
    if (budget)
        budget->Give(wanted);
    if (picture.TakePixels(decoded, width, height) != kRasterOk)
        return kHuffmanNoMemory;
    if (got < codedLength)
        return kHuffmanTruncated;
    return stream == kHuffmanStreamEnded ? kHuffmanDecoded : kHuffmanBadStream;
}
