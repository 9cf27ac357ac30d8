// What a stamp asks for and what it gives back: plain values shared by the
// page placer (built on qpdf) and the seal's drawing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace korvane {

enum class StampSide { Right, Left };

struct StampOptions {
  // Pages by number from 1; kLastPage is the last page. Empty: the last page.
  std::vector<int> pages;
  bool allPages = false;
  // The seal's centre in millimetres from the top-left corner of the page
  // as a reader sees it (after its rotation and crop box); without, the
  // lower right area (StampDefaultCentre).
  bool placed = false;
  double xMm = 0, yMm = 0;
  double sizeMm = 0;  // > 0: this size; else the design's own, else 96 dpi
  double rotateDeg = 0;  // clockwise as the reader sees it
  // The cross-page seal: cut into as many vertical slices as there are
  // pages from crossFirst to crossLast, slice k at the side of page k.
  bool crossPage = false;
  int crossFirst = 1, crossLast = 0;  // from 1; 0: the last page
  StampSide side = StampSide::Right;
  bool opaque = false;  // the ink as it is, not multiplied with the page
  bool force = false;   // stamp a signed document (breaking its signatures)
};

inline constexpr int kLastPage = -1;
// Larger files are refused: the whole document is held while it is stamped.
inline constexpr size_t kMaxPdfBytes = size_t(512) << 20;

enum class StampFailure {
  None,
  Usage,   // the options do not fit the document (a page it does not have)
  Input,   // not a PDF, damaged beyond repair, needs a password, too large
  Signed,  // carries digital signatures and `force` was not given
  Seal,    // the seal cannot be drawn
};

struct StampResult {
  StampFailure failure = StampFailure::None;
  std::string message;  // one line, for a person
  bool signaturesBroken = false;  // stamped with `force` over signatures
};

// Where the seal's centre goes on a page of `widthMm` x `heightMm` (as read)
// when no place is given: 20 mm from the right edge and 30 mm from the
// bottom, to the seal's edge, and never past the page's middle.
void StampDefaultCentre(double widthMm, double heightMm, double sealMm, double* xMm, double* yMm);

// Slice k (from 0) of a cross-page seal `sealWidthMm` wide cut into
// `slices`, on a page `pageWidthMm` wide: where the seal's centre goes
// across the page, and the band of the page that shows (its slice).
struct CrossPageSlice {
  double centreXMm = 0, fromMm = 0, toMm = 0;
};
CrossPageSlice CrossPageSliceOn(double pageWidthMm, double sealWidthMm, int slices, int k, StampSide side);

}  // namespace korvane
