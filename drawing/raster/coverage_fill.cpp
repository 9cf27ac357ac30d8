#include "drawing/raster/coverage_fill.h"

#include "drawing/freetype_library.h"
#include "drawing/raster/solid_over.h"

#include FT_OUTLINE_H

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <list>
#include <memory>
#include <new>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {

namespace {

// Columns [start, end) of a piece's row where there is coverage, whose
// bytes are the piece's data from `offset` on.
struct CoverageRun {
  int row, start, end;
  size_t offset;
};

// A part of a fill's coverage, placed in the fill's box. Only the runs'
// bytes are kept: a ring or a line of text covers a tenth of its box or
// less (the start-up seal's masks: 33 KB of runs in 228 KB of boxes), and
// a whole-box mask was fresh memory to fault in, clear and scan.
struct MaskPiece {
  int x = 0, y = 0, width = 0, height = 0;
  std::vector<unsigned char> data;
  std::vector<CoverageRun> runs;

  // The whole piece as an A8 mask of `stride` bytes a row, for cairo.
  std::vector<unsigned char> Expanded(int stride) const {
    std::vector<unsigned char> mask(size_t(stride) * size_t(height), 0);
    for (const CoverageRun& run : runs)
      std::memcpy(&mask[size_t(run.row) * size_t(stride) + size_t(run.start)], &data[run.offset], size_t(run.end - run.start));
    return mask;
  }
};

// Gaps shorter than this stay inside a run: the compositor skips empty
// pixels four at a time anyway. Runs take whole steps of four where the
// piece allows (the compositor's single-pixel steps are the slow ones, and
// an empty pixel is left as it is).
constexpr int kRunGap = 64;

inline CoverageRun alignedRun(int row, int start, int end, int width) {
  return {row, start & ~3, std::min(width, (end + 3) & ~3), 0};
}

// The runs of an A8 mask, and their bytes.
void packMask(const unsigned char* mask, int stride, MaskPiece& piece) {
  piece.runs.clear();
  const int width = piece.width;
  size_t bytes = 0;
  for (int row = 0; row < piece.height; ++row) {
    const unsigned char* line = mask + size_t(row) * size_t(stride);
    // Many bytes a step over empty stretches and over covered ones.
    auto skipEmpty = [&](int x) {
#if defined(__SSE2__)
      for (const __m128i zero = _mm_setzero_si128(); x + 32 <= width; x += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + x + 16));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(a, b), zero)) != 0xFFFF) break;
      }
#endif
      for (uint64_t eight; x + 8 <= width; x += 8) {
        std::memcpy(&eight, line + x, 8);
        if (eight) break;
      }
      while (x < width && !line[x]) ++x;
      return x;
    };
    auto skipCovered = [&](int x) {
      for (uint64_t eight; x + 8 <= width; x += 8) {
        std::memcpy(&eight, line + x, 8);
        if ((eight - 0x0101010101010101ull) & ~eight & 0x8080808080808080ull) break;  // a zero byte
      }
      while (x < width && line[x]) ++x;
      return x;
    };
    for (int x = skipEmpty(0); x < width;) {
      const int start = x;
      int end = skipCovered(x);
      for (x = skipEmpty(end); x < width && x - end < kRunGap; x = skipEmpty(end)) end = skipCovered(x);
      CoverageRun run = alignedRun(row, start, end, width);
      run.offset = bytes;
      bytes += size_t(run.end - run.start);
      piece.runs.push_back(run);
    }
  }
  piece.data.resize(bytes);
  for (const CoverageRun& run : piece.runs)
    std::memcpy(&piece.data[run.offset], mask + size_t(run.row) * size_t(stride) + size_t(run.start), size_t(run.end - run.start));
}

// Runs made as FreeType gives its spans: bottom row first (its rows go
// upward), each row's from the left. A span that comes out of that order
// leaves the runs unfinished, and the caller rasterises the fill again
// into a whole mask.
struct RunBuilder {
  RunBuilder(std::vector<unsigned char>& b, std::vector<CoverageRun>& r, int w, int h)
      : bytes(b), runs(r), width(w), height(h), at(b.data()), limit(b.data() + b.size()) {}

  std::vector<unsigned char>& bytes;  // the runs' up to `at`
  std::vector<CoverageRun>& runs;
  int width, height;
  unsigned char *at, *limit;
  int row = -1, end = 0;  // the open run's row (-1: none) and end
  bool unordered = false;
  bool outOfMemory = false;  // nothing may be thrown through FreeType

  size_t Used() const { return size_t(at - bytes.data()); }
  // `count` bytes of `value`; the kept buffer is rarely grown at all.
  void Put(int count, unsigned char value) {
    if (limit - at < count) {
      const size_t used = Used();
      bytes.resize(std::max(bytes.size() * 2, used + size_t(count) + 4096));
      at = bytes.data() + used, limit = bytes.data() + bytes.size();
    }
    if (count <= 8) {
      for (int i = 0; i < count; ++i) at[i] = value;  // most spans are one edge pixel
    } else {
      std::memset(at, value, size_t(count));
    }
    at += count;
  }

  void Close() {
    if (row < 0) return;
    const int alignedEnd = std::min(width, (end + 3) & ~3);
    Put(alignedEnd - end, 0);
    runs.back().end = alignedEnd;
    row = -1;
  }

  void Add(int r, int x, int length, unsigned char coverage) {
    if (r == row && unsigned(x - end) < unsigned(kRunGap)) {
      Put(x - end, 0);
    } else {
      if (row >= 0 && (r > row || (r == row && x < end))) {
        unordered = true;
        return;
      }
      Close();
      runs.push_back({r, x & ~3, 0, Used()});
      Put(x & 3, 0);
      row = r;
    }
    Put(length, coverage);
    end = x + length;
  }
};

// FreeType may end a row with an empty span at the clip's edge.
void spanFunc(int y, int count, const FT_Span* spans, void* user) {
  auto* t = static_cast<RunBuilder*>(user);
  const int row = t->height - 1 - y;
  if (row < 0 || row >= t->height || t->unordered || t->outOfMemory) return;
  try {
    for (int i = 0; i < count; ++i) {
      const int from = std::max(0, int(spans[i].x)), to = std::min(t->width, int(spans[i].x) + int(spans[i].len));
      if (spans[i].coverage && from < to) t->Add(row, from, to - from, spans[i].coverage);
    }
  } catch (const std::bad_alloc&) {
    t->outOfMemory = true;
  }
}

// The runs and bytes of a thread's last fill, kept so that a fill makes no
// fresh memory once the thread has filled as much before.
struct RunScratch {
  std::vector<unsigned char> bytes;
  std::vector<CoverageRun> runs;
};
RunScratch& threadRuns() {
  thread_local RunScratch scratch;
  return scratch;
}

// Large fills (a frame drawn thousands of pixels wide) cover little of
// their box: a whole-box mask would be tens of megabytes of zeros, fresh
// memory faulted in, cleared and read by the compositor on every render.
// Their spans go into square tiles made on first touch instead, and only
// those tiles are kept and composited.
constexpr int kTile = 64;
constexpr int64_t kTiledFillMinArea = int64_t(512) * 512;

struct TileTarget {
  int width, height, tilesX;
  std::vector<std::unique_ptr<unsigned char[]>> tiles;  // null where nothing was covered
  bool outOfMemory = false;  // nothing may be thrown through FreeType
};

void tileSpanFunc(int y, int count, const FT_Span* spans, void* user) {
  auto* t = static_cast<TileTarget*>(user);
  const int row = t->height - 1 - y;
  if (row < 0 || row >= t->height) return;
  const int tileRow = row / kTile, rowInTile = row % kTile;
  for (int i = 0; i < count; ++i) {
    if (spans[i].coverage == 0) continue;
    int x = spans[i].x;
    const int end = std::min(t->width, x + int(spans[i].len));
    while (x < end) {
      const int tileX = x / kTile, stop = std::min(end, (tileX + 1) * kTile);
      auto& tile = t->tiles[size_t(tileRow) * size_t(t->tilesX) + size_t(tileX)];
      if (!tile) tile.reset(new (std::nothrow) unsigned char[kTile * kTile]());
      if (!tile) {
        t->outOfMemory = true;
        return;
      }
      std::memset(tile.get() + rowInTile * kTile + (x - tileX * kTile), spans[i].coverage, size_t(stop - x));
      x = stop;
    }
  }
}

// Neighbouring tiles of a tile row join into one piece, so a ring costs
// two composites per row of tiles, not one per tile.
std::vector<MaskPiece> piecesFromTiles(const TileTarget& t) {
  std::vector<MaskPiece> pieces;
  const int tilesY = (t.height + kTile - 1) / kTile;
  for (int tileY = 0; tileY < tilesY; ++tileY) {
    const auto* row = &t.tiles[size_t(tileY) * size_t(t.tilesX)];
    const int bandHeight = std::min(kTile, t.height - tileY * kTile);
    for (int a = 0; a < t.tilesX;) {
      if (!row[a]) {
        ++a;
        continue;
      }
      int b = a;
      while (b < t.tilesX && row[b]) ++b;
      MaskPiece piece;
      piece.x = a * kTile, piece.y = tileY * kTile;
      piece.width = std::min(b * kTile, t.width) - piece.x, piece.height = bandHeight;
      const int stride = piece.width;
      std::vector<unsigned char> band(size_t(stride) * size_t(bandHeight));
      for (int tileX = a; tileX < b; ++tileX) {
        const int columns = std::min(kTile, t.width - tileX * kTile);
        for (int r = 0; r < bandHeight; ++r)
          std::memcpy(&band[size_t(r) * size_t(stride) + size_t((tileX - a) * kTile)], row[tileX].get() + r * kTile,
                      size_t(columns));
      }
      packMask(band.data(), stride, piece);
      pieces.push_back(std::move(piece));
      a = b;
    }
  }
  return pieces;
}

// The rasteriser keeps its work memory in the library object, so threads
// must not share one: each thread that fills has a library of its own and
// takes no lock (faces, which live in the shared library, are not touched
// here). It lives as long as the thread.
FT_Library threadRasterLibrary() {
  struct Owner {
    FT_Library library = nullptr;
    Owner() {
      if (FT_Init_FreeType(&library) != 0) library = nullptr;
    }
    ~Owner() {
      if (library) FT_Done_FreeType(library);
    }
  };
  thread_local Owner owner;
  return owner.library;
}

// Coverage masks of recent fills, per thread. An editor redraws the whole
// seal on every keystroke, and a batch draws the same texts row after row:
// the same outline at the same device position gives the same mask, so it
// is rasterised once. The key is the path as given with everything that
// places it on the device (matrix, clip box, surface size, fill rule):
// equal keys make equal device points, so a hit is always the exact mask
// the rasteriser would make, found without transforming a point. Keys are
// compared whole, not only by their hash.
struct Placement {
  double values[10] = {};  // the matrix, then the clip box
  int fillMode = 0, surfaceWidth = 0, surfaceHeight = 0;
  bool operator==(const Placement& o) const {
    return fillMode == o.fillMode && surfaceWidth == o.surfaceWidth && surfaceHeight == o.surfaceHeight &&
           std::memcmp(values, o.values, sizeof values) == 0;
  }
};

// The coordinates a segment uses: a move or a line its end, a curve its
// two controls and its end.
inline int coordinatesOf(const PathSegment& s) {
  return s.kind == PathSegment::Curve ? 6 : s.kind == PathSegment::Close ? 0 : 2;
}

// The path as given, kept compactly: each segment's kind, and the
// coordinates it uses one after another.
struct MaskKey {
  std::vector<uint8_t> kinds;
  std::vector<double> coordinates;
  Placement placement;

  MaskKey() = default;
  MaskKey(const std::vector<PathSegment>& segments, const Placement& where) : placement(where) {
    kinds.reserve(segments.size());
    coordinates.reserve(segments.size() * 6);
    for (const PathSegment& s : segments) {
      kinds.push_back(s.kind);
      const double* c = &s.x1;
      coordinates.insert(coordinates.end(), c, c + coordinatesOf(s));
    }
  }

  // Bit for bit, without a call a segment.
  bool Holds(const std::vector<PathSegment>& segments) const {
    if (segments.size() != kinds.size()) return false;
    const double* c = coordinates.data();
    const double* const end = c + coordinates.size();
    for (size_t i = 0; i < segments.size(); ++i) {
      const PathSegment& s = segments[i];
      if (s.kind != kinds[i]) return false;
      auto differ = [&](int k) {
        uint64_t x, y;
        std::memcpy(&x, &s.x1 + k, sizeof x);
        std::memcpy(&y, c + k, sizeof y);
        return x ^ y;
      };
      if (s.kind == PathSegment::Curve) {
        if (end - c < 6 || (differ(0) | differ(1) | differ(2) | differ(3) | differ(4) | differ(5))) return false;
        c += 6;
      } else if (s.kind != PathSegment::Close) {
        if (end - c < 2 || (differ(0) | differ(1))) return false;
        c += 2;
      }
    }
    return c == end;
  }
};

struct MaskEntry {
  uint64_t hash = 0;
  MaskKey key;
  int x0 = 0, y0 = 0;  // where the pieces go on the device
  std::vector<MaskPiece> pieces;
  size_t bytes() const {
    size_t n = key.kinds.size() + key.coordinates.size() * sizeof(double);
    for (const MaskPiece& p : pieces) n += p.data.size() + p.runs.size() * sizeof(CoverageRun) + sizeof p;
    return n;
  }
};

// Enough for every text of a large seal, a few times over.
constexpr size_t kMaskCacheBytes = size_t(16) << 20;

// Found by hash: a long ring filled a glyph at a time keeps thousands of
// small masks, and walking the list for each fill cost more than the fill.
struct MaskCache {
  using Entries = std::list<MaskEntry>;
  Entries entries;  // most recently used first
  std::unordered_multimap<uint64_t, Entries::iterator> byHash;
  size_t bytes = 0;
  size_t budget = kMaskCacheBytes;

  // The entry for the path placed so, moved to the front; or end().
  Entries::iterator Find(uint64_t hash, const std::vector<PathSegment>& segments, const Placement& placement) {
    const auto [from, to] = byHash.equal_range(hash);
    for (auto it = from; it != to; ++it) {
      const Entries::iterator e = it->second;
      if (e->key.placement == placement && e->key.Holds(segments)) {
        entries.splice(entries.begin(), entries, e);
        return e;
      }
    }
    return entries.end();
  }
  void Add(MaskEntry&& entry) {
    entries.push_front(std::move(entry));
    bytes += entries.front().bytes();
    // Should this throw, the entry is only never found: eviction copes.
    byHash.emplace(entries.front().hash, entries.begin());
    FitBudget();
  }
  void FitBudget() {
    while (bytes > budget && entries.size() > 1) {
      const Entries::iterator last = std::prev(entries.end());
      const auto [from, to] = byHash.equal_range(last->hash);
      for (auto it = from; it != to; ++it)
        if (it->second == last) {
          byHash.erase(it);
          break;
        }
      bytes -= last->bytes();
      entries.pop_back();
    }
  }
  void Clear() {
    byHash.clear();
    entries.clear();
    bytes = 0;
  }
};

MaskCache& maskCache() {
  thread_local MaskCache cache;
  return cache;
}

// FreeType's rasteriser walks the whole outline once for every band of
// rows it sweeps, so one outline of many glyphs round a ring costs glyphs
// times rows. A row's coverage comes only from the contours that cross
// it (a closed contour adds nothing to rows above or below it), and the
// clip box keeps rows apart exactly, so a busy outline is rasterised in
// strips of rows, each with the contours that reach into it: the same
// coverage, at a cost that grows with the glyphs alone. FreeType's own
// bands are about this high on a busy seal; strips of 64 rows made it
// walk each of them several times (a ring of 64 characters 7.6 M
// instructions, 5.9 M in strips of 16).
constexpr int kStripRows = 16;
constexpr size_t kStripMinContours = 16;

bool renderArrays(FT_Library raster, int flags, std::vector<FT_Vector>& points, std::vector<char>& tags,
                  std::vector<short>& contours, FT_Raster_Params params) {
  FT_Outline outline{};
  outline.flags = flags;
  outline.n_points = short(points.size());
  outline.n_contours = short(contours.size());
  outline.points = points.data();
  outline.tags = tags.data();
  outline.contours = contours.data();
  params.source = &outline;
  return FT_Outline_Render(raster, &outline, &params) == 0;
}

// Device points in 26.6, their tags and the last point of each contour.
struct DeviceOutline {
  std::vector<FT_Vector> points;
  std::vector<char> tags;
  std::vector<short> contours;
  int flags = 0;
};

// A thread's outline and device points, kept between fills: a ring filled
// a glyph at a time made and freed them for every glyph. Only a small
// fill's are kept: a long line's points are let go after its fill.
struct OutlineScratch {
  DeviceOutline outline;
  std::vector<double> device;
  static constexpr size_t kKeptPoints = size_t(1) << 15;
  struct TrimAfterUse {
    OutlineScratch& scratch;
    ~TrimAfterUse() {
      if (scratch.device.capacity() > 2 * kKeptPoints || scratch.outline.points.capacity() > kKeptPoints)
        scratch = OutlineScratch();
    }
  };
};
OutlineScratch& threadOutline() {
  thread_local OutlineScratch scratch;
  return scratch;
}

// Not const: FT_Outline points at the arrays, which rendering only reads.
bool renderOutline(FT_Library raster, DeviceOutline& outline, FT_Raster_Params params) {
  const int height = int(params.clip_box.yMax);
  if (outline.contours.size() < kStripMinContours || height <= kStripRows)
    return renderArrays(raster, outline.flags, outline.points, outline.tags, outline.contours, params);
  std::vector<std::vector<int>> strips(size_t((height + kStripRows - 1) / kStripRows));
  size_t first = 0;
  for (int c = 0; c < int(outline.contours.size()); ++c) {
    const size_t end = size_t(outline.contours[size_t(c)]) + 1;
    FT_Pos y0 = outline.points[first].y, y1 = y0;
    for (size_t i = first; i < end; ++i) y0 = std::min(y0, outline.points[i].y), y1 = std::max(y1, outline.points[i].y);
    first = end;
    // Rows the contour may touch, in FreeType's upward rows.
    const long from = std::clamp(long(y0 >> 6) - 1, 0L, long(height - 1)) / kStripRows;
    const long to = std::clamp(long((y1 + 63) >> 6) + 1, 0L, long(height - 1)) / kStripRows;
    for (long k = from; k <= to; ++k) strips[size_t(k)].push_back(c);
  }
  std::vector<FT_Vector> points;
  std::vector<char> tags;
  std::vector<short> contours;
  for (size_t k = 0; k < strips.size(); ++k) {
    if (strips[k].empty()) continue;
    params.clip_box.yMin = FT_Pos(k) * kStripRows;
    params.clip_box.yMax = std::min<FT_Pos>(height, FT_Pos(k + 1) * kStripRows);
    points.clear(), tags.clear(), contours.clear();
    for (int c : strips[k]) {
      const size_t from = c == 0 ? 0 : size_t(outline.contours[size_t(c) - 1] + 1), end = size_t(outline.contours[size_t(c)]) + 1;
      points.insert(points.end(), outline.points.begin() + long(from), outline.points.begin() + long(end));
      tags.insert(tags.end(), outline.tags.begin() + long(from), outline.tags.begin() + long(end));
      contours.push_back(short(points.size() - 1));
    }
    if (!renderArrays(raster, outline.flags, points, tags, contours, params)) return false;
  }
  return true;
}

// lround's result (halves away from zero) without its call: this runs on
// every point of every glyph.
inline FT_Pos roundToPos(double v) {
  FT_Pos r = FT_Pos(v + (v < 0 ? -0.5 : 0.5));  // the cast truncates toward zero
  // v + 0.5 rounds up to the next integer for the largest double below a half.
  if (std::fabs(double(r) - v) > 0.5) r -= v < 0 ? -1 : 1;
  return r;
}

// Runs on every fill, hit or miss: the on-curve point of each segment
// (bit patterns, as the key compares them) and the placement.
uint64_t hashOf(const std::vector<PathSegment>& segments, const Placement& placement) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull, h ^= h >> 29; };
  auto bits = [](double d) {
    uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    return v;
  };
  for (const PathSegment& s : segments) mix(bits(s.x1) * 31 + bits(s.y1) + s.kind);
  for (double d : placement.values) mix(bits(d));
  mix(uint64_t(placement.fillMode) << 40 | uint64_t(uint32_t(placement.surfaceWidth)) << 20 |
      uint64_t(uint32_t(placement.surfaceHeight)));
  return h;
}

}  // namespace

namespace {

// Rasterises the path's coverage into pieces placed at (x0, y0) on the
// device. False when the path cannot take this route.
bool rasterise(const PathData& path, const cairo_matrix_t& ctm, const double clip[4], int surfaceW, int surfaceH,
               int& x0Out, int& y0Out, std::vector<MaskPiece>& pieces) {
  FT_Library raster = threadRasterLibrary();
  if (!raster) return false;
  OutlineScratch& scratchOutline = threadOutline();
  const OutlineScratch::TrimAfterUse trim{scratchOutline};
  DeviceOutline& outline = scratchOutline.outline;
  outline.points.clear(), outline.tags.clear(), outline.contours.clear();
  outline.points.reserve(path.segments.size() * 3);
  outline.tags.reserve(path.segments.size() * 3);
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  std::vector<double>& device = scratchOutline.device;
  device.clear();
  device.reserve(path.segments.size() * 6);
  // cairo_user_to_device's own arithmetic, without a call a point.
  auto add = [&](double ux, double uy) {
    const double x = ctm.xx * ux + ctm.xy * uy + ctm.x0, y = ctm.yx * ux + ctm.yy * uy + ctm.y0;
    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    device.push_back(x);
    device.push_back(y);
  };
  for (const PathSegment& s : path.segments) {
    if (s.kind == PathSegment::Close) continue;
    add(s.x1, s.y1);
    if (s.kind == PathSegment::Curve) add(s.x2, s.y2), add(s.x3, s.y3);
  }
  if (!std::isfinite(minX) || !std::isfinite(maxX) || !std::isfinite(minY) || !std::isfinite(maxY)) return false;
  // FreeType works in 26.6 fixed point; keep well inside its range.
  if (minX < -1e6 || minY < -1e6 || maxX > 1e6 || maxY > 1e6) return false;

  const double cx1 = clip[0], cy1 = clip[1], cx2 = clip[2], cy2 = clip[3];
  const int x0 = std::max({0, int(std::floor(minX)), int(std::floor(std::min(cx1, cx2)))});
  const int y0 = std::max({0, int(std::floor(minY)), int(std::floor(std::min(cy1, cy2)))});
  const int x1 = std::min({surfaceW, int(std::ceil(maxX)) + 1, int(std::ceil(std::max(cx1, cx2)))});
  const int y1 = std::min({surfaceH, int(std::ceil(maxY)) + 1, int(std::ceil(std::max(cy1, cy2)))});
  x0Out = x0, y0Out = y0;
  pieces.clear();
  if (x1 <= x0 || y1 <= y0) return true;  // nothing visible
  const int w = x1 - x0, h = y1 - y0;

  size_t k = 0;
  auto next = [&](char tag) {
    const double x = device[k], y = device[k + 1];
    k += 2;
    outline.points.push_back({roundToPos((x - x0) * 64), roundToPos((h - (y - y0)) * 64)});
    outline.tags.push_back(tag);
  };
  for (const PathSegment& s : path.segments) {
    switch (s.kind) {
      case PathSegment::Move:
        if (!outline.points.empty()) outline.contours.push_back(short(outline.points.size() - 1));
        next(FT_CURVE_TAG_ON);
        break;
      case PathSegment::Line: next(FT_CURVE_TAG_ON); break;
      case PathSegment::Curve:
        next(FT_CURVE_TAG_CUBIC);
        next(FT_CURVE_TAG_CUBIC);
        next(FT_CURVE_TAG_ON);
        break;
      case PathSegment::Close: break;
    }
    if (outline.points.size() > 32000) return false;  // beyond FT_Outline's short indexes
  }
  if (!outline.points.empty()) outline.contours.push_back(short(outline.points.size() - 1));
  outline.flags = path.fillMode == FillModeAlternate ? FT_OUTLINE_EVEN_ODD_FILL : FT_OUTLINE_NONE;

  FT_Raster_Params params{};
  params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
  params.clip_box = {0, 0, w, h};
  // Runs made straight from the spans, where the box is small enough for
  // a few of them a row; tiles for large fills, and for spans that come
  // out of the order the runs are made in, which tiles take in any order.
  if (int64_t(w) * h < kTiledFillMinArea) {
    RunScratch& scratch = threadRuns();
    scratch.runs.clear();
    RunBuilder builder{scratch.bytes, scratch.runs, w, h};
    params.gray_spans = spanFunc;
    params.user = &builder;
    if (!renderOutline(raster, outline, params) || builder.outOfMemory) return false;
    if (!builder.unordered) {
      builder.Close();
      MaskPiece whole;
      whole.width = w, whole.height = h;
      whole.data.assign(scratch.bytes.begin(), scratch.bytes.begin() + long(builder.Used()));
      whole.runs.assign(scratch.runs.begin(), scratch.runs.end());
      pieces.push_back(std::move(whole));
      return true;
    }
  }
  const int tilesX = (w + kTile - 1) / kTile, tilesY = (h + kTile - 1) / kTile;
  TileTarget tileTarget{w, h, tilesX, std::vector<std::unique_ptr<unsigned char[]>>(size_t(tilesX) * size_t(tilesY))};
  params.gray_spans = tileSpanFunc;
  params.user = &tileTarget;
  if (!renderOutline(raster, outline, params) || tileTarget.outOfMemory) return false;
  pieces = piecesFromTiles(tileTarget);
  return true;
}

// The clip's pixels as whole boxes; false when its edges are soft.
struct ClipBoxes {
  int x1, y1, x2, y2;
};
bool readClipBoxes(cairo_t* cr, int width, int height, std::vector<ClipBoxes>& boxes) {
  boxes.clear();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr);
  cairo_restore(cr);
  bool whole = list->status == CAIRO_STATUS_SUCCESS;
  for (int i = 0; whole && i < list->num_rectangles; ++i) {
    const cairo_rectangle_t& r = list->rectangles[i];
    whole = r.x == std::floor(r.x) && r.y == std::floor(r.y) && r.width == std::floor(r.width) &&
            r.height == std::floor(r.height) && std::fabs(r.x) < 1e9 && std::fabs(r.y) < 1e9 && r.width < 1e9 &&
            r.height < 1e9;
    if (whole)
      boxes.push_back({std::max(0, int(r.x)), std::max(0, int(r.y)), std::min(width, int(r.x + r.width)),
                       std::min(height, int(r.y + r.height))});
  }
  cairo_rectangle_list_destroy(list);
  return whole;
}

// The last named clip's boxes: a ring filled a glyph at a time read the
// same clip from cairo for every glyph.
struct KeptClip {
  uint64_t id = kNoClip;  // names one clip of one surface
  bool whole = false;
  std::vector<ClipBoxes> boxes;
};
KeptClip& keptClip() {
  thread_local KeptClip kept;
  return kept;
}

// A solid colour OVER the surface, unclipped or clipped to whole pixels,
// composited here where the coverage is (solid_over.h); false, with
// nothing drawn, for anything else, which cairo composites.
bool compositeRuns(cairo_t* cr, const MaskEntry& entry, uint64_t clip) {
  cairo_pattern_t* source = cairo_get_source(cr);
  cairo_surface_t* target = cairo_get_target(cr);
  if (cairo_get_operator(cr) != CAIRO_OPERATOR_OVER || cairo_pattern_get_type(source) != CAIRO_PATTERN_TYPE_SOLID ||
      cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32)
    return false;
  double offsetX, offsetY, scaleX, scaleY;
  cairo_surface_get_device_offset(target, &offsetX, &offsetY);
  cairo_surface_get_device_scale(target, &scaleX, &scaleY);
  if (offsetX != 0 || offsetY != 0 || scaleX != 1 || scaleY != 1) return false;
  const int width = cairo_image_surface_get_width(target), height = cairo_image_surface_get_height(target);
  const ClipBoxes surface{0, 0, width, height};
  std::span<const ClipBoxes> boxes(&surface, 1);
  if (clip != kNoClip) {
    KeptClip& kept = keptClip();
    if (clip == kUnknownClip || kept.id != clip) {
      kept.id = kNoClip;  // should reading throw
      kept.whole = readClipBoxes(cr, width, height, kept.boxes);
      if (clip != kUnknownClip) kept.id = clip;
    }
    if (!kept.whole) return false;  // a clip with soft edges
    boxes = kept.boxes;
  }
  const uint32_t pixel = SolidPatternPixel(source);
  if (pixel == 0) return true;  // nothing to lay
  cairo_surface_flush(target);
  unsigned char* data = cairo_image_surface_get_data(target);
  const int stride = cairo_image_surface_get_stride(target);
  if (!data) return false;
  int dirtyX1 = width, dirtyY1 = height, dirtyX2 = 0, dirtyY2 = 0;
  for (const MaskPiece& piece : entry.pieces) {
    const int left = entry.x0 + piece.x, top = entry.y0 + piece.y;
    for (const ClipBoxes& box : boxes) {
      const int x1 = std::max(left, box.x1), x2 = std::min(left + piece.width, box.x2);
      const int y1 = std::max(top, box.y1), y2 = std::min(top + piece.height, box.y2);
      if (x1 >= x2 || y1 >= y2) continue;
      dirtyX1 = std::min(dirtyX1, x1), dirtyX2 = std::max(dirtyX2, x2);
      dirtyY1 = std::min(dirtyY1, y1), dirtyY2 = std::max(dirtyY2, y2);
      for (const CoverageRun& run : piece.runs) {
        const int y = top + run.row;
        const int from = std::max(left + run.start, x1), to = std::min(left + run.end, x2);
        if (y < y1 || y >= y2 || from >= to) continue;
        SolidOver(reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride)) + from,
                  piece.data.data() + run.offset + (from - left - run.start), to - from, pixel);
      }
    }
  }
  if (dirtyX1 < dirtyX2) cairo_surface_mark_dirty_rectangle(target, dirtyX1, dirtyY1, dirtyX2 - dirtyX1, dirtyY2 - dirtyY1);
  return true;
}

}  // namespace

uint64_t NewClipId() {
  static std::atomic<uint64_t> last{kNoClip};
  return ++last;
}

bool FillWithCoverageMask(cairo_t* cr, const PathData& path, uint64_t clip) {
  if (path.segments.empty()) return false;
  cairo_surface_t* target = cairo_get_target(cr);
  if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) return false;

  // The area the clip leaves to draw in. Under a rotation the clip's
  // user-space box is a rotated device box: all four corners bound it.
  Placement placement;
  double ux1, uy1, ux2, uy2;
  cairo_clip_extents(cr, &ux1, &uy1, &ux2, &uy2);
  double cx1 = INFINITY, cy1 = INFINITY, cx2 = -INFINITY, cy2 = -INFINITY;
  for (double cornerX : {ux1, ux2})
    for (double cornerY : {uy1, uy2}) {
      double x = cornerX, y = cornerY;
      cairo_user_to_device(cr, &x, &y);
      cx1 = std::min(cx1, x), cy1 = std::min(cy1, y), cx2 = std::max(cx2, x), cy2 = std::max(cy2, y);
    }
  cairo_matrix_t ctm;
  cairo_get_matrix(cr, &ctm);
  const double values[10] = {ctm.xx, ctm.yx, ctm.xy, ctm.yy, ctm.x0, ctm.y0, cx1, cy1, cx2, cy2};
  std::memcpy(placement.values, values, sizeof values);
  placement.fillMode = path.fillMode;
  placement.surfaceWidth = cairo_image_surface_get_width(target);
  placement.surfaceHeight = cairo_image_surface_get_height(target);

  const uint64_t hash = hashOf(path.segments, placement);
  MaskCache& cache = maskCache();
  if (cache.Find(hash, path.segments, placement) == cache.entries.end()) {
    MaskEntry entry;
    entry.hash = hash;
    entry.key = MaskKey(path.segments, placement);
    if (!rasterise(path, ctm, placement.values + 6, placement.surfaceWidth, placement.surfaceHeight, entry.x0,
                   entry.y0, entry.pieces))
      return false;
    cache.Add(std::move(entry));
  }

  const MaskEntry& entry = cache.entries.front();
  if (entry.pieces.empty() || compositeRuns(cr, entry, clip)) return true;
  cairo_save(cr);
  cairo_identity_matrix(cr);
  for (const MaskPiece& piece : entry.pieces) {
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, piece.width);
    std::vector<unsigned char> mask;
    try {
      mask = piece.Expanded(stride);
    } catch (const std::bad_alloc&) {
      cairo_restore(cr);
      return false;
    }
    cairo_surface_t* maskSurface =
        cairo_image_surface_create_for_data(mask.data(), CAIRO_FORMAT_A8, piece.width, piece.height, stride);
    cairo_mask_surface(cr, maskSurface, entry.x0 + piece.x, entry.y0 + piece.y);
    cairo_surface_destroy(maskSurface);
  }
  cairo_restore(cr);
  return true;
}

size_t SetCoverageMaskBudget(size_t bytes) {
  MaskCache& cache = maskCache();
  const size_t previous = std::exchange(cache.budget, bytes);
  cache.FitBudget();
  return previous;
}

void TrimCoverageMasks() {
  maskCache().Clear();
  threadRuns() = RunScratch();
  threadOutline() = OutlineScratch();
}

}  // namespace korvane
