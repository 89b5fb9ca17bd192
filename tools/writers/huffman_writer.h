// Writers of Huffman image sections, the picture coding of canvas files.
// Part of the writers library that the tests and the sample generator use;
// the viewer only reads these sections (formats/painter/huffman).
//
// The code is built with the reader's own BuildHuffmanTree from weights
// that are the byte counts of the pixel buffer, so that every section
// written here decodes with exactly the tree the reader rebuilds. Codes are
// written from the most significant bit of each byte down, the end symbol
// follows the last byte, and the last byte is padded with 0 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "formats/painter/huffman.h"
#include "image/raster_image.h"

// The weights of a block: weight k is the number of bytes of value k, as a
// float. The end symbol's slot, which the reader ignores, is set to 1.0.
void CountHuffmanWeights(const uint8_t* data, size_t length, float weights[kHuffmanSymbols]);

// The section head and the 257 weights exactly as given (tests use them to
// write hostile sections).
void AppendHuffmanHead(std::vector<uint8_t>& out, int32_t width, int32_t height, int32_t codedLength);
void AppendHuffmanWeights(std::vector<uint8_t>& out, const float weights[kHuffmanSymbols]);

// The coded bits of data under the tree of weights, then the end symbol,
// padded to a whole byte. False, with out unchanged, when the weights give
// no usable tree or a byte of data has no code (its weight is not positive).
bool AppendHuffmanBits(std::vector<uint8_t>& out, const uint8_t* data, size_t length,
                       const float weights[kHuffmanSymbols]);

// A whole section for the picture's pixel buffer (stride x height bytes,
// padding included). False, with out unchanged, for an empty picture.
bool AppendHuffmanSection(std::vector<uint8_t>& out, const RasterImage& picture);
std::vector<uint8_t> HuffmanSectionBytes(const RasterImage& picture);   // empty when not codable
bool WriteHuffmanSection(std::FILE* file, const RasterImage& picture);
