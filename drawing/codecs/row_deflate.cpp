#include "drawing/codecs/row_deflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <type_traits>

#include "base/file_io.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {

namespace {

// Deflate allows matches of 3 bytes; one that short, coded with its
// distance, costs more than its literals on seals and photos alike.
constexpr int kMinMatch = 4, kMaxMatch = 258;
constexpr size_t kWindow = 32768;
constexpr int kLitLenSymbols = 286, kDistSymbols = 30, kCodeLengthSymbols = 19;
constexpr int kEndOfBlock = 256;
// A block's codes follow its own statistics; more tokens a block would
// only keep more memory.
constexpr size_t kBlockTokens = size_t(1) << 15;

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistanceBase = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                                    33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Computed by the compiler: at start-up they cost every cold run 0.3 M
// instructions.
struct SymbolTables {
  uint8_t lengthCode[kMaxMatch + 1];
  uint8_t distanceCode[kWindow + 1];
  constexpr SymbolTables() : lengthCode{}, distanceCode{} {
    for (int c = 0; c < 29; ++c)
      for (int l = kLengthBase[c]; l <= (c < 28 ? kLengthBase[c + 1] - 1 : kMaxMatch); ++l) lengthCode[l] = uint8_t(c);
    for (int c = 0; c < 30; ++c)
      for (size_t d = kDistanceBase[c]; d <= (c < 29 ? size_t(kDistanceBase[c + 1] - 1) : kWindow); ++d)
        distanceCode[d] = uint8_t(c);
  }
};

const SymbolTables& symbolTables() {
  static constexpr SymbolTables kTables{};
  return kTables;
}

}  // namespace

// A Huffman tree, then the overlong codes folded back in until the lengths
// fit and the code stays complete.
void HuffmanCodeLengths(const uint32_t* frequency, int count, int maxLength, uint8_t* lengths) {
  std::vector<int> used;
  for (int i = 0; i < count; ++i) {
    lengths[i] = 0;
    if (frequency[i]) used.push_back(i);
  }
  const size_t n = used.size();
  if (n == 0) return;
  std::sort(used.begin(), used.end(), [&](int a, int b) {
    return frequency[a] != frequency[b] ? frequency[a] < frequency[b] : a < b;
  });
  // Two queues: the sorted leaves and the joined nodes, which come out
  // already in order of weight.
  std::vector<uint64_t> weight(2 * n);
  std::vector<size_t> parent(2 * n, 0);
  for (size_t i = 0; i < n; ++i) weight[i] = frequency[used[i]];
  size_t leaf = 0, node = n, next = n;
  auto lightest = [&]() {
    if (leaf < n && (node >= next || weight[leaf] <= weight[node])) return leaf++;
    return node++;
  };
  for (size_t k = 0; k + 1 < n; ++k) {
    const size_t a = lightest(), b = lightest();
    weight[next] = weight[a] + weight[b];
    parent[a] = parent[b] = next++;
  }
  std::vector<int> depth(next, 0);
  for (size_t i = next - 1; i-- > 0;) depth[i] = depth[parent[i]] + 1;
  if (n == 1) depth[0] = 1;
  std::array<uint64_t, 64> perLength{};
  for (size_t i = 0; i < n; ++i) ++perLength[std::min(depth[i], maxLength)];
  uint64_t kraft = 0;
  for (int l = 1; l <= maxLength; ++l) kraft += perLength[l] << (maxLength - l);
  while (kraft > (uint64_t(1) << maxLength)) {
    --perLength[maxLength];
    for (int l = maxLength - 1; l > 0; --l)
      if (perLength[l]) {
        --perLength[l];
        perLength[l + 1] += 2;
        break;
      }
    --kraft;
  }
  // The longest codes go to the rarest symbols.
  size_t s = 0;
  for (int l = maxLength; l > 0; --l)
    for (uint64_t c = 0; c < perLength[l]; ++c) lengths[used[s++]] = uint8_t(l);
}

namespace {

struct Code {
  uint16_t bits = 0;  // bit-reversed: deflate sends codes from their top bit
  uint8_t length = 0;
};

void canonicalCodes(const uint8_t* lengths, int count, Code* codes) {
  int perLength[16] = {};
  for (int i = 0; i < count; ++i) ++perLength[lengths[i]];
  perLength[0] = 0;
  int next[16] = {}, code = 0;
  for (int l = 1; l < 16; ++l) next[l] = code = (code + perLength[l - 1]) << 1;
  for (int i = 0; i < count; ++i) {
    codes[i].length = lengths[i];
    codes[i].bits = 0;
    if (!lengths[i]) continue;
    const int c = next[lengths[i]]++;
    for (int k = 0; k < lengths[i]; ++k) codes[i].bits |= uint16_t(((c >> k) & 1) << (lengths[i] - 1 - k));
  }
}

// Deflate's bit order: least significant bit first. Bits gather in a
// 64-bit word that Flush stores whole, moving on by the bytes completed:
// no branch on how full the word is, which a seal's mix of literals and
// matches made a coin toss (the start-up seal's encode: 0.45 -> 0.42 ms,
// for a few more instructions). The buffer needs 8 bytes of room past the
// last byte.
class BitWriter {
 public:
  explicit BitWriter(uint8_t* at) : m_at(at) {}
  // At most 56 bits pending after it: Flush between puts of more.
  void Add(uint64_t bits, int count) {
    m_bits |= bits << m_count;
    m_count += count;
  }
  void Flush() {
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(m_at, &m_bits, 8);
    } else {
      for (int i = 0; i < 8; ++i) m_at[i] = uint8_t(m_bits >> (8 * i));
    }
    m_at += m_count >> 3;
    m_bits >>= m_count & ~7;
    m_count &= 7;
  }
  void Put(uint32_t bits, int count) {  // count <= 32
    Add(bits, count);
    Flush();
  }
  void Put(const Code& c) { Put(c.bits, c.length); }
  uint8_t* Finish() {
    for (; m_count > 0; m_count -= 8, m_bits >>= 8) *m_at++ = uint8_t(m_bits);
    m_count = 0;
    return m_at;
  }
  // Whole bytes written (fewer than 8 bits pending), so a block can resume
  // the stream.
  uint8_t* At() const { return m_at; }
  void MoveTo(uint8_t* at) { m_at = at; }

 private:
  uint8_t* m_at;
  uint64_t m_bits = 0;
  int m_count = 0;
};

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline uint32_t load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Runs of empty or solid pixels are most of a seal: sixteen bytes or more
// a step where the processor has SSE2 (every x86-64), then eight, then one.
inline int matchLength(const uint8_t* a, const uint8_t* b, int max) {
  int l = 0;
#if defined(__SSE2__)
  // Thirty-two bytes a step while they agree: a run of empty pixels is
  // matched 258 bytes at a time.
  for (; l + 32 <= max; l += 32) {
    const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + l));
    const __m128i y0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + l));
    const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + l + 16));
    const __m128i y1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + l + 16));
    const __m128i same = _mm_and_si128(_mm_cmpeq_epi8(x0, y0), _mm_cmpeq_epi8(x1, y1));
    if (_mm_movemask_epi8(same) != 0xFFFF) break;
  }
  for (; l + 16 <= max; l += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + l));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + l));
    const unsigned same = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
    if (same != 0xFFFFu) return l + std::countr_zero(~same);
  }
#endif
  for (; l + 8 <= max; l += 8)
    if (const uint64_t x = load64(a + l) ^ load64(b + l)) {
      // The first differing byte is the lowest in memory.
      if constexpr (std::endian::native == std::endian::little) return l + std::countr_zero(x) / 8;
      else return l + std::countl_zero(x) / 8;
    }
  while (l < max && a[l] == b[l]) ++l;
  return l;
}

// A token is a literal byte, or a match: bit 31, the distance's code << 25,
// length << 16, distance. The code is found once, as the match is counted.
constexpr uint32_t kMatch = 0x80000000u;

struct Block {
  // Room for kBlockTokens, written without a check of capacity each.
  uint32_t* tokens = nullptr;
  size_t count = 0;
  std::array<uint32_t, kLitLenSymbols> litLen{};
  std::array<uint32_t, kDistSymbols> dist{};
};

// Code lengths of both alphabets, run-length coded with symbols 16-18
// (the extra bits ride in the high byte).
std::vector<uint16_t> runLengthCoded(const uint8_t* lengths, int count, uint32_t* frequency) {
  std::vector<uint16_t> out;
  for (int i = 0; i < count;) {
    const int v = lengths[i];
    int run = 1;
    while (i + run < count && lengths[i + run] == v) ++run;
    if (v == 0 && run >= 3) {
      const int r = std::min(run, 138);
      const int symbol = r >= 11 ? 18 : 17;
      out.push_back(uint16_t(symbol | (r - (symbol == 18 ? 11 : 3)) << 8));
      ++frequency[symbol];
      i += r;
    } else if (v != 0 && run >= 4) {
      const int r = std::min(run - 1, 6);
      out.push_back(uint16_t(v));
      out.push_back(uint16_t(16 | (r - 3) << 8));
      ++frequency[v], ++frequency[16];
      i += 1 + r;
    } else {
      out.push_back(uint16_t(v));
      ++frequency[v];
      ++i;
    }
  }
  return out;
}

// Some inflaters refuse a code of fewer than two symbols (zlib and
// libdeflate take them): every code gets two.
void atLeastTwoSymbols(uint32_t* frequency, int count) {
  int used = 0;
  for (int i = 0; i < count; ++i) used += frequency[i] != 0;
  for (int i = 0; used < 2 && i < count; ++i)
    if (!frequency[i]) frequency[i] = 1, ++used;
}

void writeBlock(const Block& block, bool last, std::vector<uint8_t>& out, BitWriter& stream) {
  const SymbolTables& t = symbolTables();
  // A copy the compiler keeps in registers: through the caller's, each
  // store of output bytes might have changed its fields, which were then
  // stored and read back at every token.
  BitWriter bits = stream;
  std::array<uint32_t, kLitLenSymbols> litLen = block.litLen;
  std::array<uint32_t, kDistSymbols> dist = block.dist;
  litLen[kEndOfBlock] = 1;
  atLeastTwoSymbols(litLen.data(), kLitLenSymbols);
  atLeastTwoSymbols(dist.data(), kDistSymbols);
  uint8_t lengths[kLitLenSymbols + kDistSymbols];
  HuffmanCodeLengths(litLen.data(), kLitLenSymbols, 15, lengths);
  HuffmanCodeLengths(dist.data(), kDistSymbols, 15, lengths + kLitLenSymbols);
  int litLenCount = kLitLenSymbols, distCount = kDistSymbols;
  while (litLenCount > 257 && !lengths[litLenCount - 1]) --litLenCount;
  while (distCount > 1 && !lengths[kLitLenSymbols + distCount - 1]) --distCount;
  uint8_t sequence[kLitLenSymbols + kDistSymbols];
  std::memcpy(sequence, lengths, size_t(litLenCount));
  std::memcpy(sequence + litLenCount, lengths + kLitLenSymbols, size_t(distCount));
  uint32_t clFrequency[kCodeLengthSymbols] = {};
  const std::vector<uint16_t> rle = runLengthCoded(sequence, litLenCount + distCount, clFrequency);
  atLeastTwoSymbols(clFrequency, kCodeLengthSymbols);
  uint8_t clLengths[kCodeLengthSymbols];
  HuffmanCodeLengths(clFrequency, kCodeLengthSymbols, 7, clLengths);
  Code clCodes[kCodeLengthSymbols], litLenCodes[kLitLenSymbols], distCodes[kDistSymbols];
  canonicalCodes(clLengths, kCodeLengthSymbols, clCodes);
  canonicalCodes(lengths, kLitLenSymbols, litLenCodes);
  canonicalCodes(lengths + kLitLenSymbols, kDistSymbols, distCodes);
  int clCount = kCodeLengthSymbols;
  while (clCount > 4 && !clLengths[kCodeLengthOrder[clCount - 1]]) --clCount;

  // The block's exact size is known from its statistics: room for it, and
  // for the bits still pending, before writing.
  uint64_t bitCount = 3 + 5 + 5 + 4 + 3 * uint64_t(clCount) + 64;
  for (uint16_t r : rle) bitCount += clCodes[r & 0xFF].length + 7;
  for (int s = 0; s < kLitLenSymbols; ++s)
    bitCount += uint64_t(litLen[s]) * (litLenCodes[s].length + (s > kEndOfBlock ? kLengthExtra[s - 257] : 0));
  for (int s = 0; s < kDistSymbols; ++s) bitCount += uint64_t(dist[s]) * (distCodes[s].length + kDistanceExtra[s]);
  const size_t written = size_t(bits.At() - out.data());
  out.resize(written + size_t(bitCount / 8) + 8);
  bits.MoveTo(out.data() + written);

  bits.Put(last ? 1 : 0, 1);
  bits.Put(2, 2);  // dynamic Huffman codes
  bits.Put(uint32_t(litLenCount - 257), 5);
  bits.Put(uint32_t(distCount - 1), 5);
  bits.Put(uint32_t(clCount - 4), 4);
  for (int i = 0; i < clCount; ++i) bits.Put(clLengths[kCodeLengthOrder[i]], 3);
  for (uint16_t r : rle) {
    const int symbol = r & 0xFF;
    bits.Put(clCodes[symbol]);
    if (symbol >= 16) bits.Put(r >> 8, symbol == 16 ? 2 : symbol == 17 ? 3 : 7);
  }
  // Each length's code with its extra bits, sent as one (at most 20 bits).
  struct Bits {
    uint32_t bits;
    int count;
  };
  std::array<Bits, kMaxMatch + 1> lengthBits{};
  for (int length = kMinMatch; length <= kMaxMatch; ++length) {
    const int lc = t.lengthCode[length];
    const Code& c = litLenCodes[257 + lc];
    lengthBits[size_t(length)] = {c.bits | uint32_t(length - kLengthBase[lc]) << c.length, c.length + kLengthExtra[lc]};
  }
  // A distance code's bits, its length with the extra bits', and the
  // distance it counts from.
  struct DistanceBits {
    uint32_t bits;
    int count;
    int codeLength;
    uint32_t base;
  };
  std::array<DistanceBits, kDistSymbols> distanceBits{};
  for (int dc = 0; dc < kDistSymbols; ++dc)
    distanceBits[size_t(dc)] = {distCodes[dc].bits, distCodes[dc].length + kDistanceExtra[dc], distCodes[dc].length,
                                kDistanceBase[dc]};
  for (const uint32_t token : std::span(block.tokens, block.count)) {
    if (!(token & kMatch)) {
      bits.Add(litLenCodes[token].bits, litLenCodes[token].length);
    } else {
      // The length's code and extra bits, then the distance's: at most 48.
      const Bits& length = lengthBits[(token >> 16) & 0x1FF];
      const DistanceBits& d = distanceBits[(token >> 25) & 0x1F];
      const uint64_t distance = d.bits | uint64_t((token & 0xFFFF) - d.base) << d.codeLength;
      bits.Add(length.bits | distance << length.count, length.count + d.count);
    }
    bits.Flush();
  }
  bits.Put(litLenCodes[kEndOfBlock]);
  stream = bits;
}

}  // namespace

namespace {

// Rows asked for at a time: enough that the window's upkeep is rare.
constexpr size_t kBatchBytes = size_t(64) << 10;
// A block cut short where rows change kind still pays for its codes.
constexpr size_t kMinSplitTokens = 1024;

constexpr int kHashBits = 14, kPictureHashBits = 12;
constexpr size_t kHashSlots = size_t(1) << kHashBits;

// What a thread keeps between encodes: the hash heads, a block's tokens
// and the window (about 290 KB), in that order. Made anew for each encode,
// they were faulted in afresh every time. They lie in one huge page where
// the system gives one: on machines where touching fresh memory is slow,
// the 60 small pages they span cost a first encode more than the encode.
struct Scratch {
  static constexpr size_t kTokensAt = kHashSlots * 4, kHeldAt = kTokensAt + kBlockTokens * 4;
  static constexpr size_t kHeldCapacity = (size_t(2) << 20) - kHeldAt;  // rows are at most 64 KiB

  Scratch() {
    if (!memory.Allocate(kHeldAt + kHeldCapacity)) throw std::bad_alloc();
    lastSeen = reinterpret_cast<uint32_t*>(memory.data());
    tokens = reinterpret_cast<uint32_t*>(memory.data() + kTokensAt);
    held = memory.data() + kHeldAt;
  }

  HugePageMemory memory;
  uint32_t* lastSeen = nullptr;
  uint32_t* tokens = nullptr;
  uint8_t* held = nullptr;
  bool inUse = false;

  // This thread's scratch, or a scratch of its own for an encode that runs
  // inside another's row fill.
  class Lease {
   public:
    explicit Lease(size_t heldCapacity) {
      Scratch* kept = t_kept.get();
      if (!kept) t_kept.reset(kept = new Scratch);
      if (kept->inUse) {
        m_own.reset(new Scratch);
        kept = m_own.get();
      }
      if (heldCapacity > kHeldCapacity) throw std::bad_alloc();
      kept->inUse = true;
      m_scratch = kept;
    }
    ~Lease() { m_scratch->inUse = false; }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Scratch* operator->() const { return m_scratch; }

   private:
    std::unique_ptr<Scratch> m_own;
    Scratch* m_scratch = nullptr;
  };

  static thread_local std::unique_ptr<Scratch> t_kept;
};
thread_local std::unique_ptr<Scratch> Scratch::t_kept;

// Fills `bytes` bytes at `destination`, continuing where the last call ended.
using ByteFill = std::function<void(uint8_t* destination, size_t bytes)>;

// Codes `size` bytes that arrive in pieces of at most `batch` bytes. A
// position is coded only once the longest match from it has arrived, so
// the stream does not depend on how the bytes were cut.
//
// With `kindOfRow`, rows whose filter byte differs in kind (raw or
// filtered) from the row before start a new block: a photo's residues and a
// seal's runs are coded best by codes of their own.
bool deflateStream(size_t size, size_t rowBytes, size_t batch, const ByteFill& fill, bool splitByKind,
                   std::vector<uint8_t>& out) try {
  const SymbolTables& t = symbolTables();
  out.assign({0x78, 0x01});  // deflate, 32 KiB window, no dictionary
  BitWriter bits(out.data() + out.size());

  // The bytes held: positions [base, filled); a match reaches back at most
  // kWindow from the next position coded.
  const size_t capacity = kWindow + kMaxMatch + batch;
  Scratch::Lease scratch(capacity);
  uint8_t* const held = scratch->held;
  size_t base = 0, filled = 0;
  uint32_t adler = 1;

  // Where each 4-byte value was last seen (position + 1): a seal's edge
  // pixels come in a few colours, met again all round the ring. Positions
  // are kept modulo 2^32: a distance is reckoned the same way, and any
  // position within the window is a real one, checked by matching.
  uint32_t* const lastSeen = scratch->lastSeen;
  std::fill_n(lastSeen, kHashSlots, 0u);
  const size_t above = rowBytes <= kWindow ? rowBytes : 0;

  Block block;
  block.tokens = scratch->tokens;
  size_t pos = 0;
  // Where the rows change kind, in positions not yet coded.
  std::vector<size_t> changes;
  size_t nextChange = 0;
  bool lastKind = false;
  // Rows of a picture look up a quarter of the hash heads: those fit the
  // processor's nearest cache, and the nearer candidates they keep code a
  // photo's residues in fewer bits (the seal with a 300 x 300 photo:
  // 169,859 -> 167,041 bytes, 2.8 -> 2.0 ms). Seal rows use them all.
  int hashShift = 32 - kHashBits;
  while (pos < size || filled < size) {
    if (filled < size) {
      const size_t piece = std::min(batch, size - filled);
      if (filled + piece - base > capacity) {
        const size_t keep = pos - std::min(pos, kWindow);
        std::memmove(held, held + (keep - base), filled - keep);
        base = keep;
      }
      uint8_t* at = held + (filled - base);
      fill(at, piece);
      adler = libdeflate_adler32(adler, at, piece);
      if (splitByKind)
        for (size_t row = 0; row < piece; row += rowBytes) {
          const bool kind = at[row] != 0;
          if (kind != lastKind && filled + row > 0) changes.push_back(filled + row);
          if (filled + row == 0) hashShift = kind ? 32 - kPictureHashBits : 32 - kHashBits;
          lastKind = kind;
        }
      filled += piece;
    }
    const size_t limit = filled == size ? size : (filled > kMaxMatch ? filled - kMaxMatch : 0);
    const uint8_t* const data = held;
    // Where the next token goes: a local the compiler keeps in a register.
    uint32_t* next = nullptr;
    size_t changeAt = nextChange < changes.size() ? changes[nextChange] : SIZE_MAX;
    // One position coded: a match or a literal, one token. `checked` is
    // false where every look back and a whole match's length fit, so that
    // most positions are coded without a range check.
    auto codeOne = [&](auto checked) {
      constexpr bool kChecked = decltype(checked)::value;
      const uint8_t* const here = data + (pos - base);
      const int max = kChecked ? int(std::min<size_t>(kMaxMatch, size - pos)) : kMaxMatch;
      int best = 0;
      size_t distance = 0;
      // A candidate whose first four bytes differ cannot give a match
      // (kMinMatch is 4): one compare rules most of them out at an edge.
      const bool four = !kChecked || max >= 4;
      const uint32_t head = four ? load32(here) : 0;
      // The hash head is read first: it is the one load likely to miss the
      // cache, and the checks below hide its wait.
      const uint32_t slot = (head * 2654435761u) >> hashShift;
      const uint32_t seen = lastSeen[slot];
      // The previous pixel first: empty and solid-ink runs are most of a seal.
      if ((!kChecked || (pos >= 4 && four)) && load32(here - 4) == head) best = matchLength(here, here - 4, max), distance = 4;
      if (best < max && above && (!kChecked || (pos >= above && four)) && load32(here - above) == head) {
        const int l = matchLength(here, here - above, max);
        if (l > best) best = l, distance = above;
      }
      if (best < 16 && (!kChecked || pos + 4 <= size)) {
        lastSeen[slot] = uint32_t(pos + 1);
        const uint32_t back = uint32_t(pos + 1) - seen;
        if (seen && back <= kWindow && back <= pos && back > 0 && load32(here - back) == head) {
          const int l = matchLength(here, here - back, max);
          if (l > best) best = l, distance = back;
        }
      }
      if (best >= kMinMatch) {
        const uint32_t dc = t.distanceCode[distance];
        *next++ = kMatch | dc << 25 | uint32_t(best) << 16 | uint32_t(distance & 0xFFFF);
        ++block.litLen[257 + t.lengthCode[best]];
        ++block.dist[dc];
        pos += size_t(best);
      } else {
        *next++ = *here;
        ++block.litLen[*here];
        ++pos;
      }
    };
    // Where no position needs a range check: past the row above, and a
    // whole match short of the end.
    const size_t uncheckedFrom = std::max<size_t>(4, above);
    const size_t uncheckedTo = size >= kMaxMatch ? size - kMaxMatch + 1 : 0;
    while (pos < limit) {
      const bool change = pos >= changeAt;
      if (change) {  // the rows turn from seal to picture, or back
        changeAt = ++nextChange < changes.size() ? changes[nextChange] : SIZE_MAX;
        hashShift = hashShift == 32 - kHashBits ? 32 - kPictureHashBits : 32 - kHashBits;
      }
      if (block.count >= kBlockTokens || (change && block.count >= kMinSplitTokens)) {
        writeBlock(block, false, out, bits);
        block.count = 0;
        block.litLen.fill(0);
        block.dist.fill(0);
      }
      // Each position adds a token and moves on at least a byte: up to the
      // next change of row kind, the block has room for all of them.
      const size_t stop = std::min({limit, changeAt, pos + (kBlockTokens - block.count)});
      next = block.tokens + block.count;
      while (pos < stop && pos < uncheckedFrom) codeOne(std::true_type{});
      for (const size_t end = std::min(stop, uncheckedTo); pos < end;) codeOne(std::false_type{});
      while (pos < stop) codeOne(std::true_type{});
      block.count = size_t(next - block.tokens);
    }
  }
  writeBlock(block, true, out, bits);
  out.resize(size_t(bits.Finish() - out.data()));
  for (int i = 3; i >= 0; --i) out.push_back(uint8_t(adler >> (8 * i)));
  return true;
} catch (const std::bad_alloc&) {
  out.clear();
  return false;
}

}  // namespace

void TrimDeflateScratch() {
  if (Scratch::t_kept && !Scratch::t_kept->inUse) Scratch::t_kept.reset();
}

bool DeflateRows(const uint8_t* data, size_t size, size_t rowBytes, std::vector<uint8_t>& out) {
  size_t at = 0;
  return deflateStream(size, rowBytes, kBatchBytes, [&](uint8_t* destination, size_t bytes) {
    std::memcpy(destination, data + at, bytes);
    at += bytes;
  }, false, out);
}

bool DeflateRows(size_t rowCount, size_t rowBytes, const RowFill& fillRow, std::vector<uint8_t>& out) {
  if (rowBytes == 0) rowCount = 0;
  const size_t rowsAtOnce = std::max<size_t>(1, kBatchBytes / std::max<size_t>(rowBytes, 1));
  size_t next = 0;
  return deflateStream(rowCount * rowBytes, rowBytes, rowsAtOnce * rowBytes, [&](uint8_t* destination, size_t bytes) {
    for (; bytes >= rowBytes; bytes -= rowBytes, destination += rowBytes) fillRow(next++, destination);
  }, true, out);
}

}  // namespace korvane
