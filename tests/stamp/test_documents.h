// PDF documents for the stamping tests, made here: pages of black text
// drawn by Cairo, then changed with qpdf the way other producers write
// them (a rotation, an offset crop box, a user unit, bookmarks, a form
// field, a signature).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvane::test {

struct TestPage {
  double widthPt = 595.276, heightPt = 841.89;  // A4 portrait
};

// Each page: lines of text ("Korvane line N of page P") down its left
// part, and a black bar (a thick rule, as under a signature line) across
// its lower right, where seals go. Two bookmarks ("第一章", "附件").
std::string TextPdf(const std::vector<TestPage>& pages);

// The same document with its page dictionaries, or its whole file,
// changed through qpdf.
struct PdfEdit {
  int rotate = 0;            // /Rotate of every page
  bool offsetCropBox = false;  // a crop box from (50, 80), 400 x 600
  double userUnit = 0;       // /UserUnit of every page when > 0
  bool formField = false;    // a text field "name" on page 1
  bool signature = false;    // a signed signature field on page 1
  // /MediaBox, /Resources and a /Rotate 90 given by the page tree's root
  // for its pages to inherit (a one-page document).
  bool inherited = false;
  bool pageLabels = false;   // pages numbered "i", "ii"... from a label tree
  bool links = false;        // a link to https://example.com/terms on every page
};
std::string EditPdf(const std::string& pdf, const PdfEdit& edit);

// A part of a page as poppler draws it, in RGB.
struct Raster {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
  // Ink of the seal: red, at least half covering the pixel.
  bool red(int x, int y) const {
    const uint8_t* p = at(x, y);
    return p[0] - p[1] > 90 && p[0] - p[2] > 90;
  }
  int grey(int x, int y) const {
    const uint8_t* p = at(x, y);
    return (p[0] * 30 + p[1] * 59 + p[2] * 11) / 100;
  }
};

// Page `page` (from 1) at `dpi`, the part from (xMm, yMm) of wMm x hMm
// (millimetres from the top-left corner as read), by poppler's pdftoppm.
// Poppler draws the media box unless told to draw the crop box, and then
// forgets /UserUnit: the crop box is asked for only by pages that have one.
Raster rasterise(const std::string& pdf, int page, double dpi, double xMm, double yMm, double wMm, double hMm,
                 bool cropBox = false);

struct Found {
  double widthMm = 0, heightMm = 0, centreXMm = 0, centreYMm = 0;
  int pixels = 0;
};

// The box of the seal's red on a page, measured at 600 dpi in a window of
// `spanMm` around where it should be.
Found findSeal(const std::string& pdf, int page, double xMm, double yMm, double spanMm, bool cropBox = false);

}  // namespace korvane::test
