// PDF documents for the stamping tests, made here: pages of black text
// drawn by Cairo, then changed with qpdf the way other producers write
// them (a rotation, an offset crop box, a user unit, bookmarks, a form
// field, a signature).
#pragma once

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
};
std::string EditPdf(const std::string& pdf, const PdfEdit& edit);

}  // namespace korvane::test
