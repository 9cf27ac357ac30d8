#include "stamp/test_documents.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace korvane::test {

namespace {

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string TextPdf(const std::vector<TestPage>& pages) {
  std::string bytes;
  if (pages.empty()) return bytes;
  cairo_surface_t* surface =
      cairo_pdf_surface_create_for_stream(appendTo, &bytes, pages[0].widthPt, pages[0].heightPt);
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "测试文档");
  cairo_t* cr = cairo_create(surface);
  for (size_t p = 0; p < pages.size(); ++p) {
    const TestPage& page = pages[p];
    cairo_pdf_surface_set_size(surface, page.widthPt, page.heightPt);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11);
    for (int line = 0; line * 16 + 60 < page.heightPt - 40; ++line) {
      char text[64];
      std::snprintf(text, sizeof text, "Korvane line %d of page %zu", line + 1, p + 1);
      cairo_move_to(cr, 40, 60 + line * 16);
      cairo_show_text(cr, text);
    }
    cairo_rectangle(cr, page.widthPt - 250, page.heightPt - 160, 220, 30);
    cairo_fill(cr);
    cairo_show_page(cr);
  }
  cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "第一章", "page=1", CAIRO_PDF_OUTLINE_FLAG_OPEN);
  cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "附件",
                                ("page=" + std::to_string(pages.size())).c_str(), CAIRO_PDF_OUTLINE_FLAG_OPEN);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
  return bytes;
}

std::string EditPdf(const std::string& pdfBytes, const PdfEdit& edit) {
  QPDF pdf;
  pdf.processMemoryFile("test", pdfBytes.data(), pdfBytes.size());
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  for (QPDFPageObjectHelper& page : pages) {
    QPDFObjectHandle dict = page.getObjectHandle();
    if (edit.rotate) dict.replaceKey("/Rotate", QPDFObjectHandle::newInteger(edit.rotate));
    if (edit.offsetCropBox) dict.replaceKey("/CropBox", QPDFObjectHandle::parse("[50 80 450 680]"));
    if (edit.userUnit > 0) dict.replaceKey("/UserUnit", QPDFObjectHandle::newReal(edit.userUnit, 3));
  }
  if (edit.inherited) {
    QPDFObjectHandle first = pages.at(0).getObjectHandle(), root = pdf.getRoot().getKey("/Pages");
    for (const char* key : {"/MediaBox", "/Resources"}) {
      root.replaceKey(key, first.getKey(key));
      first.removeKey(key);
    }
    root.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
  }
  if (edit.links)
    for (QPDFPageObjectHelper& page : pages) {
      QPDFObjectHandle dict = page.getObjectHandle();
      QPDFObjectHandle annots = dict.getKey("/Annots");
      if (!annots.isArray()) {
        annots = QPDFObjectHandle::newArray();
        dict.replaceKey("/Annots", annots);
      }
      annots.appendItem(pdf.makeIndirectObject(QPDFObjectHandle::parse(
          "<< /Type /Annot /Subtype /Link /Rect [40 800 200 820] /Border [0 0 0] "
          "/A << /S /URI /URI (https://example.com/terms) >> >>")));
    }
  if (edit.pageLabels)
    pdf.getRoot().replaceKey("/PageLabels", QPDFObjectHandle::parse("<< /Nums [0 << /S /r >>] >>"));
  QPDFObjectHandle fields = QPDFObjectHandle::newArray();
  auto addField = [&](const char* text) {
    QPDFObjectHandle field = pdf.makeIndirectObject(QPDFObjectHandle::parse(text));
    QPDFObjectHandle first = pages.at(0).getObjectHandle();
    field.replaceKey("/P", first);
    QPDFObjectHandle annots = first.getKey("/Annots");
    if (!annots.isArray()) {
      annots = QPDFObjectHandle::newArray();
      first.replaceKey("/Annots", annots);
    }
    annots.appendItem(field);
    fields.appendItem(field);
  };
  if (edit.formField)
    addField("<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Zhang San) /Rect [40 20 240 40] /F 4 >>");
  if (edit.signature)
    addField(
        "<< /Type /Annot /Subtype /Widget /FT /Sig /T (signature) /Rect [0 0 0 0] /F 132 /V << /Type /Sig "
        "/Filter /Adobe.PPKLite /SubFilter /adbe.pkcs7.detached /ByteRange [0 10 20 30] /Contents <3082> >> >>");
  if (fields.getArrayNItems() > 0) {
    QPDFObjectHandle form = QPDFObjectHandle::newDictionary();
    form.replaceKey("/Fields", fields);
    if (edit.signature) form.replaceKey("/SigFlags", QPDFObjectHandle::newInteger(3));
    pdf.getRoot().replaceKey("/AcroForm", pdf.makeIndirectObject(form));
  }
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.setStaticID(true);
  writer.write();
  auto buffer = writer.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

Raster rasterise(const std::string& pdf, int page, double dpi, double xMm, double yMm, double wMm, double hMm,
                 bool cropBox) {
  TempDir dir;
  std::ofstream(dir / "in.pdf", std::ios::binary) << pdf;
  const double ppm = dpi / 25.4;
  char command[512];
  std::snprintf(command, sizeof command, "pdftoppm %s -r %g -f %d -l %d -x %ld -y %ld -W %ld -H %ld -singlefile %s %s",
                cropBox ? "-cropbox" : "", dpi, page, page, std::lround(xMm * ppm), std::lround(yMm * ppm), std::lround(wMm * ppm),
                std::lround(hMm * ppm), (dir / "in.pdf").c_str(), (dir / "out").c_str());
  const CommandRun run = RunCommand(command);
  EXPECT_EQ(run.status, 0) << run.output;
  std::ifstream in(dir / "out.ppm", std::ios::binary);
  Raster r;
  std::string magic;
  int maxValue = 0;
  in >> magic >> r.width >> r.height >> maxValue;
  in.get();
  r.rgb.resize(size_t(r.width) * size_t(r.height) * 3);
  in.read(reinterpret_cast<char*>(r.rgb.data()), std::streamsize(r.rgb.size()));
  EXPECT_EQ(magic, "P6");
  return r;
}

Found findSeal(const std::string& pdf, int page, double xMm, double yMm, double spanMm, bool cropBox) {
  constexpr double kDpi = 600, ppm = kDpi / 25.4;
  const double x0 = std::max(0.0, xMm - spanMm), y0 = std::max(0.0, yMm - spanMm);
  const Raster r = rasterise(pdf, page, kDpi, x0, y0, 2 * spanMm, 2 * spanMm, cropBox);
  int left = r.width, right = -1, top = r.height, bottom = -1;
  Found f;
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      if (r.red(x, y)) {
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        ++f.pixels;
      }
  if (right < 0) return f;
  const double startX = std::lround(x0 * ppm) / ppm, startY = std::lround(y0 * ppm) / ppm;
  f.widthMm = (right - left + 1) / ppm, f.heightMm = (bottom - top + 1) / ppm;
  f.centreXMm = startX + (left + right + 1) / 2.0 / ppm;
  f.centreYMm = startY + (top + bottom + 1) / 2.0 / ppm;
  return f;
}

}  // namespace korvane::test
