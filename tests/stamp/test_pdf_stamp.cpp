// Stamping PDF documents, checked with tools that are not ours: poppler
// rasterises the pages (pdftoppm) and reads their text (pdftotext), qpdf
// checks the file and reads its bookmarks and fields.
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "document/presets.h"
#include "render/seal_output.h"
#include "stamp/pdf_stamp.h"
#include "stamp/test_documents.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

using test::findSeal;
using test::Found;
using test::PdfEdit;
using test::Raster;
using test::rasterise;
using test::TestPage;

void spill(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A company seal: a ring, a star and words, nothing outside the ring.
SealDocument companySeal() {
  SealDocument seal = StartupSealDocument();
  EXPECT_TRUE(LoadPreset(seal, "company-42"));
  return seal;
}

std::string stamped(const std::string& pdf, const StampOptions& options, double sizeMm = 42) {
  const SealDocument seal = companySeal();
  StampOptions o = options;
  if (!(o.sizeMm > 0)) o.sizeMm = sizeMm;
  std::string out;
  const StampResult r = StampPdf(pdf, seal, o, &out);
  EXPECT_EQ(r.failure, StampFailure::None) << r.message;
  return out;
}

StampOptions at(double x, double y) {
  StampOptions o;
  o.placed = true;
  o.xMm = x, o.yMm = y;
  return o;
}

TEST(PdfStamp, TheSealLandsAtItsTrueSizeWhereAskedOnAnyPageGeometry) {
  const struct {
    const char* name;
    TestPage page;
    PdfEdit edit;
    double x, y, size;
  } cases[] = {
      {"A4 portrait", {}, {}, 60, 80, 42},
      {"A3", {841.89, 1190.55}, {}, 200, 300, 40},
      {"landscape by /Rotate 90", {}, {.rotate = 90}, 240, 60, 42},
      {"upside down by /Rotate 180", {}, {.rotate = 180}, 60, 80, 38},
      {"/Rotate 270", {}, {.rotate = 270}, 240, 150, 42},
      {"crop box from (50, 80)", {}, {.offsetCropBox = true}, 50, 60, 42},
      {"crop box and /Rotate 90", {}, {.rotate = 90, .offsetCropBox = true}, 150, 40, 30},
      {"/UserUnit 2", {297.638, 420.945}, {.userUnit = 2}, 60, 80, 42},
      {"box, resources and /Rotate 90 inherited", {}, {.inherited = true}, 240, 60, 42},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string pdf = test::EditPdf(test::TextPdf({c.page}), c.edit);
    // Poppler draws a user unit as one point whatever /UserUnit says: on
    // its pages everything measures 1 / UserUnit of the paper's size.
    const double k = c.edit.userUnit > 0 ? 1 / c.edit.userUnit : 1;
    const Found f = findSeal(stamped(pdf, at(c.x, c.y), c.size), 1, c.x * k, c.y * k, c.size * k / 2 + 6,
                             c.edit.offsetCropBox);
    ASSERT_GT(f.pixels, 0);
    EXPECT_NEAR(f.widthMm / k, c.size, 0.1);
    EXPECT_NEAR(f.heightMm / k, c.size, 0.1);
    EXPECT_NEAR(f.centreXMm / k, c.x, 0.2);
    EXPECT_NEAR(f.centreYMm / k, c.y, 0.2);
  }
}

TEST(PdfStamp, AnOvalStaysUprightForTheReaderOnARotatedPage) {
  SealDocument oval = StartupSealDocument();
  ASSERT_TRUE(LoadPreset(oval, "oval-45x30"));
  for (int rotate : {0, 90}) {
    const std::string pdf = test::EditPdf(test::TextPdf({{}}), {.rotate = rotate});
    std::string out;
    ASSERT_EQ(StampPdf(pdf, oval, at(100, 100), &out).failure, StampFailure::None);
    const Found f = findSeal(out, 1, 100, 100, 30);
    EXPECT_NEAR(f.widthMm, 45, 0.1) << rotate;
    EXPECT_NEAR(f.heightMm, 30, 0.1) << rotate;
  }
}

TEST(PdfStamp, ByDefaultTheSealGoesToTheLowerRightOfTheLastPage) {
  const std::string pdf = test::TextPdf({{}, {}, {}});
  const std::string out = stamped(pdf, StampOptions{});
  double x = 0, y = 0;
  StampDefaultCentre(210, 297, 42, &x, &y);
  EXPECT_NEAR(x, 169, 0.01);
  EXPECT_NEAR(y, 246, 0.01);
  // Its sides lie on the black rule, so it is measured from top to bottom.
  constexpr double ppm = 600 / 25.4;
  const Raster r = rasterise(out, 3, 600, x - 27, y - 27, 54, 54);
  int top = -1, bottom = -1, topLeft = 0, topRight = 0;
  for (int row = 0; row < r.height; ++row)
    for (int col = 0; col < r.width; ++col) {
      if (!r.red(col, row)) continue;
      if (top < 0) top = row, topLeft = col;
      if (row == top) topRight = col;
      bottom = row;
    }
  ASSERT_GE(top, 0);
  EXPECT_NEAR((bottom - top + 1) / ppm, 42, 0.1);
  EXPECT_NEAR(std::lround((y - 27) * ppm) / ppm + (top + bottom + 1) / 2.0 / ppm, y, 0.2);
  EXPECT_NEAR(std::lround((x - 27) * ppm) / ppm + (topLeft + topRight + 1) / 2.0 / ppm, x, 0.2);
  EXPECT_EQ(findSeal(out, 1, x, y, 27).pixels, 0);
  EXPECT_EQ(findSeal(out, 2, x, y, 27).pixels, 0);
}

TEST(PdfStamp, TheInkMultipliesSoBlackUnderItStaysBlackUnlessOpaque) {
  const std::string pdf = test::TextPdf({{}});
  // The black rule runs from 121.7 to 199.3 mm across, 240.6 to 251.2 mm
  // down; the seal's ring crosses it on both sides.
  auto darkestOnRule = [&](bool opaque) {
    StampOptions o = at(150, 246);
    o.opaque = opaque;
    const Raster r = rasterise(stamped(pdf, o), 1, 600, 125, 242, 70, 8);
    int lightest = 0;
    for (int y = 0; y < r.height; ++y)
      for (int x = 0; x < r.width; ++x) lightest = std::max(lightest, r.grey(x, y));
    return lightest;
  };
  EXPECT_LT(darkestOnRule(false), 60);
  EXPECT_GT(darkestOnRule(true), 60);
}

TEST(PdfStamp, EverythingElseInTheDocumentIsKept) {
  test::TempDir dir;
  const std::string pdf = test::EditPdf(test::TextPdf({{}, {}}), {.formField = true, .pageLabels = true, .links = true});
  spill(dir / "in.pdf", pdf);
  StampOptions o;
  o.allPages = true;
  spill(dir / "out.pdf", stamped(pdf, o));
  const test::CommandRun check = test::RunCommand("qpdf --check " + (dir / "out.pdf").string());
  EXPECT_EQ(check.status, 0) << check.output;
  // The seal is drawn, not written: the text reads as before.
  const test::CommandRun before = test::RunCommand("pdftotext " + (dir / "in.pdf").string() + " -");
  const test::CommandRun after = test::RunCommand("pdftotext " + (dir / "out.pdf").string() + " -");
  EXPECT_EQ(after.output, before.output);
  EXPECT_NE(after.output.find("Korvane line 3 of page 2"), std::string::npos);

  QPDF out;
  out.processFile((dir / "out.pdf").c_str());
  std::vector<std::string> titles;
  for (QPDFOutlineObjectHelper& o : QPDFOutlineDocumentHelper(out).getTopLevelOutlines()) titles.push_back(o.getTitle());
  EXPECT_EQ(titles, (std::vector<std::string>{"第一章", "附件"}));
  std::vector<QPDFFormFieldObjectHelper> fields = QPDFAcroFormDocumentHelper(out).getFormFields();
  ASSERT_EQ(fields.size(), 1u);
  EXPECT_EQ(fields[0].getFullyQualifiedName(), "name");
  EXPECT_EQ(fields[0].getValueAsString(), "Zhang San");
  EXPECT_EQ(out.getRoot().getKey("/PageLabels").unparse(), "<< /Nums [ 0 << /S /r >> ] >>");
  size_t links = 0;
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(out).getAllPages())
    for (QPDFAnnotationObjectHelper& a : page.getAnnotations("/Link"))
      links += a.getObjectHandle().getKey("/A").getKey("/URI").unparse() == "(https://example.com/terms)";
  EXPECT_EQ(links, 2u);
  const test::CommandRun info = test::RunCommand("pdfinfo " + (dir / "out.pdf").string());
  EXPECT_NE(info.output.find("测试文档"), std::string::npos) << info.output;
}

TEST(PdfStamp, OneFormCarriesTheSealForEveryPageAndEachPageAddsUnderAKilobyte) {
  const std::string pdf = test::TextPdf(std::vector<TestPage>(100));
  StampOptions o;
  o.allPages = true;
  const std::string out = stamped(pdf, o);
  PrintOptions print;
  print.sizeMm = 42, print.cropMm = 0;
  std::string alone, error;
  ASSERT_TRUE(EncodeSeal(companySeal(), OutputKind::Pdf, print, &alone, &error));
  EXPECT_LT(out.size(), pdf.size() + alone.size() + 100 * 1024) << out.size() - pdf.size();

  QPDF doc;
  doc.processMemoryFile("out", out.data(), out.size());
  std::set<QPDFObjGen> forms;
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(doc).getAllPages())
    forms.insert(page.getObjectHandle().getKey("/Resources").getKey("/XObject").getKey("/KvSeal").getObjGen());
  EXPECT_EQ(forms.size(), 1u);
}

TEST(PdfStamp, CrossPageSlicesLaidSideBySideGiveBackTheWholeSeal) {
  // At 254 dpi a millimetre is 10 pixels: the slices of a 42 mm seal over
  // 4 pages are 105 pixels each, and nothing is rounded.
  constexpr double kDpi = 254;
  const std::string pdf = test::TextPdf(std::vector<TestPage>(4, TestPage{595.2756, 841.8898}));
  for (StampSide side : {StampSide::Right, StampSide::Left}) {
    StampOptions o;
    o.crossPage = true;
    o.side = side;
    o.placed = true, o.yMm = 100;  // above the black rule
    const std::string out = stamped(pdf, o);
    std::vector<bool> whole(420 * 440);
    for (int k = 0; k < 4; ++k) {
      const double x = side == StampSide::Right ? 210 - 10.5 : 0;
      const Raster r = rasterise(out, k + 1, kDpi, x, 100 - 22, 10.5, 44);
      ASSERT_EQ(r.width, 105);
      for (int y = 0; y < r.height; ++y)
        for (int col = 0; col < r.width; ++col) whole[size_t(y) * 420 + size_t(k * 105 + col)] = r.red(col, y);
      // Nothing of the seal beyond its slice (the rasteriser's clip may
      // colour the pixel the slice's edge runs through).
      const double away = side == StampSide::Right ? 210 - 60 : 10.5 + 0.1;
      EXPECT_EQ(findSeal(out, k + 1, away + 24, 100, 24).pixels, 0) << k;
    }
    PrintOptions print;
    print.sizeMm = 42, print.cropMm = 0;
    std::string alone, error;
    ASSERT_TRUE(EncodeSeal(companySeal(), OutputKind::Pdf, print, &alone, &error));
    const Raster a = rasterise(alone, 1, kDpi, 0, 0, 42, 42);
    ASSERT_EQ(a.width, 420);
    size_t both = 0, either = 0;
    for (int y = 0; y < 440; ++y)
      for (int x = 0; x < 420; ++x) {
        const bool s = y >= 10 && y - 10 < a.height && a.red(x, y - 10), w = whole[size_t(y) * 420 + size_t(x)];
        both += s && w, either += s || w;
      }
    ASSERT_GT(either, 0u);
    EXPECT_GE(double(both) / double(either), 0.98) << (side == StampSide::Right ? "right" : "left");
  }
}

TEST(PdfStamp, WhatCannotBeStampedIsRefusedWithAReasonAndNoBytes) {
  const std::string good = test::TextPdf({{}, {}});
  SealDocument seal = StartupSealDocument();
  StampOptions page9;
  page9.pages = {9};
  StampOptions cross;
  cross.crossPage = true, cross.crossFirst = 2, cross.crossLast = 5;
  StampOptions forced;
  forced.force = true;
  const std::string signedPdf = test::EditPdf(good, {.signature = true});
  const struct {
    const char* name;
    std::string pdf;
    StampOptions options;
    StampFailure failure;
    const char* says;
  } cases[] = {
      {"not a PDF", "hello, world\n", {}, StampFailure::Input, "not a PDF"},
      {"a PDF header and nothing else", "%PDF-1.7\n%%EOF\n", {}, StampFailure::Input, "damaged"},
      {"the first third of a PDF", good.substr(0, good.size() / 3), {}, StampFailure::Input, "damaged"},
      {"a page it does not have", good, page9, StampFailure::Usage, "page 9"},
      {"a cross-page range past its end", good, cross, StampFailure::Usage, "2-5"},
      {"digital signatures", signedPdf, {}, StampFailure::Signed, "--force"},
      {"digital signatures, forced", signedPdf, forced, StampFailure::None, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out = "left over";
    const StampResult r = StampPdf(c.pdf, seal, c.options, &out);
    EXPECT_EQ(r.failure, c.failure) << r.message;
    EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
    EXPECT_EQ(out.empty(), c.failure != StampFailure::None);
  }
}

}  // namespace
}  // namespace korvane
