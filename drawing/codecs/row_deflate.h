// A zlib stream (RFC 1950/1951) of image rows, made for PNG's IDAT data.
// Seals are runs of empty or solid-ink pixels broken by anti-aliased
// edges, whose few colours recur all over the image: the encoder looks
// for the previous pixel, the pixel above and the last place the same
// four bytes were seen, and codes the result with Huffman codes made for
// each block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace korvane {

// The zlib stream of `size` bytes of rows `rowBytes` long (filter bytes
// included). False only when memory runs out.
bool DeflateRows(const uint8_t* data, size_t size, size_t rowBytes, std::vector<uint8_t>& out);

// PNG rows asked for one at a time as the encoder reaches them:
// `fillRow(index, destination)` writes row `index` (rowBytes bytes, its
// filter byte first). Only the 32 KiB window and a few rows are held,
// whatever the image's size. Rows with a filter carry a picture and are
// coded as one, in blocks of their own; where no row has a filter, the
// stream is the one above, byte for byte.
using RowFill = std::function<void(size_t index, uint8_t* destination)>;
bool DeflateRows(size_t rowCount, size_t rowBytes, const RowFill& fillRow, std::vector<uint8_t>& out);

// Lets go of the working memory (a huge page, of which about 290 KB is
// used) this thread keeps for its next encode.
void TrimDeflateScratch();

// Code lengths of a complete prefix code of at most maxLength bits (at
// most 63) for `count` symbols, 0 for symbols of frequency 0; a lone used
// symbol gets length 1.
void HuffmanCodeLengths(const uint32_t* frequency, int count, int maxLength, uint8_t* lengths);

}  // namespace korvane
