// Huffman image sections: a picture's raw pixel buffer coded with a static
// Huffman code over byte values, as canvas files store their layers and,
// optionally, their main picture.
//
// Owned by the painter-format readers; the canvas reader is the one caller.
// The test and sample writers (tools/writers/huffman_writer) build their code
// with BuildHuffmanTree from here, so that writer and reader cannot disagree.
//
// Section layout, little-endian:
//   int32 width (> 0), int32 height (> 0), int32 coded length L (> 0),
//   257 float weights (symbols 0..255 are byte values, 256 the end symbol;
//   the stored weight of 256 is ignored), then L coded bytes, read from the
//   most significant bit of each byte down.
// The decoded bytes are the picture's pixel buffer as it is (bottom-up BGR
// rows padded to the stride); bytes the stream does not reach stay 0.
#pragma once

#include <cstdint>

#include "image/byte_source.h"
#include "image/memory_budget.h"
#include "image/raster_image.h"

constexpr int kHuffmanSymbols = 257;       // 256 byte values and the end symbol
constexpr int kHuffmanEndSymbol = 256;
constexpr int kHuffmanFirstInner = 257;    // indexes from here on are inner nodes
constexpr int kHuffmanRoot = 512;
constexpr int kHuffmanNodes = 513;
constexpr int kHuffmanHeadBytes = 12;      // width, height, L
constexpr int kHuffmanWeightBytes = 4 * kHuffmanSymbols;

// Weights must stay below the root's starting weight, which serves as the
// "nothing found yet" sentinel of the merge scan.
constexpr float kHuffmanWeightLimit = 2147483648.0f;   // 2^31

struct HuffmanNode {
    float weight;     // 0.0 once the node has a parent
    int32_t bit;      // branch bit from the parent to this node
    int32_t parent;
    int32_t child0;   // reached by a 0 bit
    int32_t child1;   // reached by a 1 bit
};

// Results of HuffDecodeImg. Every result but kHuffmanDecoded is a failure
// that the caller reports; what the picture holds afterwards is said per code.
enum HuffmanResult : int {
    kHuffmanDecoded = 0,
    // Width, height or L not above 0. Nothing more is read (the file is 12
    // bytes further) and the picture is untouched.
    kHuffmanBadSize = -1,
    // Width x height beyond the picture size limit. The section is skipped
    // and the picture is untouched.
    kHuffmanTooLarge = -2,
    // The weights give no usable code: a byte weight not below 2^31
    // (infinity among them), no byte value with a positive weight, or a tree
    // that does not reach every symbol. The section is skipped; the picture
    // is black at the section's size.
    kHuffmanBadWeights = -3,
    // A scratch or pixel block could not be had. Picture untouched.
    kHuffmanNoMemory = -4,
    // The file ends inside the section. Ending before the head gives width
    // and height leaves the picture untouched; ending after them, in the
    // head or the weights, leaves it black at that size; ending in the coded
    // bytes still decodes what is there (the picture then holds those
    // bytes, the rest 0).
    kHuffmanTruncated = -5,
    // The coded bits run out before the end symbol, or the stream decodes
    // more bytes than the picture holds. The picture holds what was decoded
    // up to there; the file is positioned after the section.
    kHuffmanBadStream = -6,
};

// Results of HuffmanDecode.
enum HuffmanStreamResult : int {
    kHuffmanStreamEnded = 0,        // the end symbol was reached
    kHuffmanStreamBitsOut = -1,     // the coded bytes ran out first
    kHuffmanStreamOverflow = -2,    // a byte beyond the output capacity
    kHuffmanStreamBadTree = -3,     // a child index outside the table
};

// True when a byte weight can take part in a code without breaking the
// merge scan: values from 2^31 up (and infinity) cannot. Weights <= 0 and
// NaN are fine: none is greater than 0.0, so the symbol takes no part.
bool HuffmanWeightAllowed(float weight);

// Fills the 513-node table from the 257 weights (the weight of the end
// symbol is taken as 1.0 whatever is stored). The merge order and its
// tie-breaks fix the code:
//  - the scan keeps the smallest positive node S and the second smallest T,
//    both starting at the root, whose weight is the 2^31 sentinel;
//  - a node whose weight is <= weight(S) becomes S (so among equal weights
//    the highest index wins S) and pushes S to T; otherwise a node lighter
//    than T becomes T;
//  - S goes on the 1 branch, T on the 0 branch;
//  - the merge that finds exactly two positive nodes makes the root.
// Any weights are accepted; HuffmanTreeUsable says whether the result is a
// tree that can be decoded.
void BuildHuffmanTree(const float weights[kHuffmanSymbols], HuffmanNode nodes[kHuffmanNodes]);

// True when the table is a proper tree: walking down from the root meets
// every node at most once, reaches the end symbol and at least one byte
// value, and reaches exactly the leaves that took part (positive weight).
bool HuffmanTreeUsable(const float weights[kHuffmanSymbols], const HuffmanNode nodes[kHuffmanNodes]);

// Decodes the coded bytes (most significant bit first) into out, which
// holds capacity bytes. Stops at the end symbol, when the coded bytes run
// out, or before the first byte that would not fit; *count is the number of
// bytes written in every case. Meant for a usable tree; any other table
// still never makes it read or write outside the given blocks.
//
// Codes are looked up kHuffmanTableBits at a time in a table built from the
// tree; longer codes, and the last bytes of the stream, go on down the tree
// bit by bit. Output, count and result are those of HuffmanDecodeByTree for
// every table and stream.
constexpr int kHuffmanTableBits = 11;
int HuffmanDecode(const uint8_t* coded, int32_t codedLength, const HuffmanNode nodes[kHuffmanNodes],
                  uint8_t* out, int32_t capacity, int32_t* count);

// The same decoding: streams of kHuffmanSplitBytes and more are decoded by
// two decoders, one from each half, at once. Result, count and the bytes up
// to count are those of HuffmanDecode; bytes past count that were 0 are 0
// again at the end (others may have been overwritten).
constexpr int32_t kHuffmanSplitBytes = 1 << 16;
int HuffmanDecodeSplit(const uint8_t* coded, int32_t codedLength, const HuffmanNode nodes[kHuffmanNodes],
                       uint8_t* out, int32_t capacity, int32_t* count);

// The same decoding as a plain walk down the tree, one bit per step: the
// reference that HuffmanDecode is checked against.
int HuffmanDecodeByTree(const uint8_t* coded, int32_t codedLength, const HuffmanNode nodes[kHuffmanNodes],
                        uint8_t* out, int32_t capacity, int32_t* count);

// Reads one section at the reader's position into picture: on success the
// picture is width x height with the decoded bytes (headers not filled; the
// caller runs FillHeaders) and the reader is positioned after the section.
// With a budget, the section's coded bytes and picture must fit in what is
// left or the section is refused as too large; the picture's block stays
// counted.
int HuffDecodeImg(ByteSource& reader, RasterImage& picture, MemoryBudget* budget = nullptr);
