#include "stamp/pdf_pages.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>


namespace korvane {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

// A page as its reader sees it: the visible box (crop box within the media
// box) in default user space, its rotation and its user unit.
struct PageFrame {
  double x0 = 0, y0 = 0, x1 = 612, y1 = 792;
  int rotate = 0;  // clockwise, 0, 90, 180 or 270
  double unit = 1;  // points per user space unit

  double unitsPerMm() const { return kPointsPerMm / unit; }
  double widthMm() const { return ((rotate % 180 ? y1 - y0 : x1 - x0)) / unitsPerMm(); }
  double heightMm() const { return ((rotate % 180 ? x1 - x0 : y1 - y0)) / unitsPerMm(); }

  // A point given in millimetres from the reader's top-left corner, in
  // default user space.
  void toUser(double xMm, double yMm, double* ux, double* uy) const {
    const double a = xMm * unitsPerMm(), b = yMm * unitsPerMm();
    switch (rotate) {
      case 90: *ux = x0 + b, *uy = y0 + a; break;
      case 180: *ux = x1 - a, *uy = y0 + b; break;
      case 270: *ux = x1 - b, *uy = y1 - a; break;
      default: *ux = x0 + a, *uy = y1 - b; break;
    }
  }
};

bool readBox(QPDFObjectHandle box, double out[4]) {
  if (!box.isRectangle()) return false;
  const QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
  const double v[4] = {std::min(r.llx, r.urx), std::min(r.lly, r.ury), std::max(r.llx, r.urx), std::max(r.lly, r.ury)};
  for (double x : v)
    if (!std::isfinite(x) || std::abs(x) > 1e7) return false;
  if (!(v[2] - v[0] > 0) || !(v[3] - v[1] > 0)) return false;
  std::copy(v, v + 4, out);
  return true;
}

PageFrame frameOf(QPDFPageObjectHelper& page) {
  PageFrame f;
  double media[4] = {0, 0, 612, 792}, crop[4];
  readBox(page.getAttribute("/MediaBox", false), media);
  if (readBox(page.getAttribute("/CropBox", false), crop)) {
    // What shows is the crop box clipped to the media box.
    const double c[4] = {std::max(crop[0], media[0]), std::max(crop[1], media[1]), std::min(crop[2], media[2]),
                         std::min(crop[3], media[3])};
    if (c[2] > c[0] && c[3] > c[1]) std::copy(c, c + 4, media);
  }
  f.x0 = media[0], f.y0 = media[1], f.x1 = media[2], f.y1 = media[3];
  QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
  if (rotate.isInteger()) {
    const long long r = rotate.getIntValue() % 360;
    if (r % 90 == 0) f.rotate = int((r + 360) % 360);
  }
  QPDFObjectHandle unit = page.getObjectHandle().getKey("/UserUnit");
  if (unit.isNumber()) {
    const double u = unit.getNumericValue();
    if (std::isfinite(u) && u > 0 && u < 1e5) f.unit = u;
  }
  return f;
}

std::string number(double v) {
  char text[48];
  std::snprintf(text, sizeof text, "%.5f", std::abs(v) < 5e-6 ? 0.0 : v);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// A name the page's resources do not use yet under `kind`.
std::string freeName(QPDFObjectHandle resources, const char* kind, const std::string& base) {
  QPDFObjectHandle dict = resources.getKey(kind);
  if (!dict.isDictionary()) return base;
  std::string name = base;
  for (int i = 1; dict.hasKey(name); ++i) name = base + std::to_string(i);
  return name;
}

// The page's resources, made its own, with `kind`'s dictionary its own too,
// so that adding to them changes no other page.
QPDFObjectHandle ownSubResources(QPDFPageObjectHelper& page, const char* kind) {
  // Inherited from the page tree or shared with other pages: copied here.
  QPDFObjectHandle resources = page.getAttribute("/Resources", true);
  if (!resources.isDictionary()) {
    resources = QPDFObjectHandle::newDictionary();
    page.getObjectHandle().replaceKey("/Resources", resources);
  }
  QPDFObjectHandle sub = resources.getKey(kind);
  sub = sub.isDictionary() ? sub.shallowCopy() : QPDFObjectHandle::newDictionary();
  resources.replaceKey(kind, sub);
  return sub;
}

bool carriesSignatures(QPDF& pdf) {
  QPDFAcroFormDocumentHelper form(pdf);
  if (!form.hasAcroForm()) return false;
  for (QPDFFormFieldObjectHelper& field : form.getFormFields())
    if (field.getFieldType() == "/Sig" && !field.getValue().isNull()) return true;
  return false;
}

StampResult failed(StampFailure failure, std::string message) {
  StampResult r;
  r.failure = failure;
  r.message = std::move(message);
  return r;
}

// One placement of the seal's form on a page: centre, clip (cross-page).
struct Placement {
  double xMm, yMm;
  bool clipped = false;
  double clipX0 = 0, clipX1 = 0;  // millimetres across, as read
};

std::string placementContent(const PageFrame& frame, const Placement& at, double formWidth, double formHeight,
                             double rotateDeg, const std::string& formName, const std::string& inkName) {
  std::string s = "q\n";
  if (!inkName.empty()) s += inkName + " gs\n";
  if (at.clipped) {
    // The slice's band from the top of the page to its bottom.
    double ax, ay, bx, by;
    frame.toUser(at.clipX0, 0, &ax, &ay);
    frame.toUser(at.clipX1, frame.heightMm(), &bx, &by);
    s += number(std::min(ax, bx)) + " " + number(std::min(ay, by)) + " " + number(std::abs(bx - ax)) + " " +
         number(std::abs(by - ay)) + " re W n\n";
  }
  double ux, uy;
  frame.toUser(at.xMm, at.yMm, &ux, &uy);
  // Upright for the reader: turned against the page's rotation, then by
  // the asked angle (clockwise as read); points scaled to user units.
  const double theta = (frame.rotate - rotateDeg) * 3.141592653589793 / 180.0, scale = 1.0 / frame.unit;
  const double a = scale * std::cos(theta), b = scale * std::sin(theta), c = -b, d = a;
  const double e = ux - (a * formWidth / 2 + c * formHeight / 2), f = uy - (b * formWidth / 2 + d * formHeight / 2);
  s += number(a) + " " + number(b) + " " + number(c) + " " + number(d) + " " + number(e) + " " + number(f) + " cm\n";
  s += formName + " Do\nQ\n";
  return s;
}

StampResult place(const std::string& bytes, const std::string& sealPdf, double sizeMm, const StampOptions& options,
                  std::string* out) {
  if (const std::string problem = PdfInputProblem(bytes); !problem.empty()) return failed(StampFailure::Input, problem);

  QPDF sealDoc;
  sealDoc.setSuppressWarnings(true);
  sealDoc.processMemoryFile("seal", sealPdf.data(), sealPdf.size());
  std::vector<QPDFPageObjectHelper> sealPages = QPDFPageDocumentHelper(sealDoc).getAllPages();
  if (sealPages.empty()) return failed(StampFailure::Seal, "cannot draw the seal");
  QPDFObjectHandle sealForm = sealPages[0].getFormXObjectForPage(false);
  double sealBox[4];
  if (!readBox(sealForm.getDict().getKey("/BBox"), sealBox)) return failed(StampFailure::Seal, "cannot draw the seal");
  const double formWidth = sealBox[2] - sealBox[0], formHeight = sealBox[3] - sealBox[1];
  const double sealWidthMm = formWidth / kPointsPerMm;

  QPDF pdf;
  pdf.setSuppressWarnings(true);
  pdf.processMemoryFile("input", bytes.data(), bytes.size());
  // Only the pages stamped are read further, their inherited attributes
  // included: one page of a long document touches little else.
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  const int count = int(pages.size());
  if (count == 0) return failed(StampFailure::Input, "the document has no pages");

  // Which pages, and where on each.
  std::vector<std::pair<int, Placement>> targets;
  auto centreOn = [&](const PageFrame& frame, Placement* p) {
    if (options.placed) {
      p->xMm = options.xMm, p->yMm = options.yMm;
    } else {
      StampDefaultCentre(frame.widthMm(), frame.heightMm(), sizeMm, &p->xMm, &p->yMm);
    }
  };
  if (options.crossPage) {
    const int first = options.crossFirst, last = options.crossLast == 0 ? count : options.crossLast;
    if (first < 1 || last > count || first > last)
      return failed(StampFailure::Usage, "--cross-page " + std::to_string(first) + "-" + std::to_string(last) +
                                             " is outside the document's " + std::to_string(count) + " pages");
    const int slices = last - first + 1;
    for (int k = 0; k < slices; ++k) {
      const PageFrame frame = frameOf(pages[size_t(first - 1 + k)]);
      const CrossPageSlice slice = CrossPageSliceOn(frame.widthMm(), sealWidthMm, slices, k, options.side);
      Placement p;
      p.xMm = slice.centreXMm;
      p.yMm = options.placed ? options.yMm : frame.heightMm() / 2;
      p.clipped = true;
      p.clipX0 = slice.fromMm, p.clipX1 = slice.toMm;
      targets.emplace_back(first - 1 + k, p);
    }
  } else {
    std::set<int> chosen;
    if (options.allPages) {
      for (int i = 0; i < count; ++i) chosen.insert(i);
    } else if (options.pages.empty()) {
      chosen.insert(count - 1);
    } else {
      for (int n : options.pages) {
        const int index = n == kLastPage ? count - 1 : n - 1;
        if (index < 0 || index >= count)
          return failed(StampFailure::Usage, "page " + std::to_string(n) + " is outside the document's " +
                                                 std::to_string(count) + " pages");
        chosen.insert(index);
      }
    }
    for (int i : chosen) {
      Placement p;
      centreOn(frameOf(pages[size_t(i)]), &p);
      targets.emplace_back(i, p);
    }
  }

  StampResult result;
  if (carriesSignatures(pdf)) {
    if (!options.force)
      return failed(StampFailure::Signed,
                    "the document carries digital signatures, which stamping would break (--force stamps it anyway)");
    result.signaturesBroken = true;
  }

  // One form, one ink state, referenced from every page that carries it.
  QPDFObjectHandle form = pdf.copyForeignObject(sealForm);
  QPDFObjectHandle ink = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /ExtGState /BM /Multiply >>"));
  for (auto& [index, placement] : targets) {
    QPDFPageObjectHelper& page = pages[size_t(index)];
    const PageFrame frame = frameOf(page);
    QPDFObjectHandle xobjects = ownSubResources(page, "/XObject");
    const std::string formName = freeName(page.getObjectHandle().getKey("/Resources"), "/XObject", "/KvSeal");
    xobjects.replaceKey(formName, form);
    std::string inkName;
    if (!options.opaque) {
      QPDFObjectHandle states = ownSubResources(page, "/ExtGState");
      inkName = freeName(page.getObjectHandle().getKey("/Resources"), "/ExtGState", "/KvInk");
      states.replaceKey(inkName, ink);
    }
    // The page's own content keeps its state to itself.
    page.addPageContents(pdf.newStream("q\n"), true);
    page.addPageContents(
        pdf.newStream("\nQ\n" + placementContent(frame, placement, formWidth, formHeight, options.rotateDeg,
                                                 formName, inkName)),
        false);
  }

  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.write();
  std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
  out->assign(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
  return result;
}

}  // namespace

std::string PdfInputProblem(const std::string& bytes) {
  if (bytes.size() > kMaxPdfBytes) return "the file is larger than 512 MiB";
  if (bytes.substr(0, 1024).find("%PDF-") == std::string::npos) return "not a PDF document (no %PDF- header)";
  return {};
}

void StampDefaultCentre(double widthMm, double heightMm, double sealMm, double* xMm, double* yMm) {
  *xMm = std::max(widthMm / 2, widthMm - 20 - sealMm / 2);
  *yMm = std::max(heightMm / 2, heightMm - 30 - sealMm / 2);
}

// Slice k's right edge on the page's right edge (or its left on the left):
// fanned, the pages show the slices side by side, first page first.
CrossPageSlice CrossPageSliceOn(double pageWidthMm, double sealWidthMm, int slices, int k, StampSide side) {
  const double slice = sealWidthMm / std::max(1, slices);
  if (side == StampSide::Right)
    return {pageWidthMm - (k + 1) * slice + sealWidthMm / 2, pageWidthMm - slice, pageWidthMm};
  return {-k * slice + sealWidthMm / 2, 0, slice};
}

StampResult PlaceSealOnPages(const std::string& pdf, const std::string& sealPdf, double sealSizeMm,
                             const StampOptions& options, std::string* out) {
  out->clear();
  // qpdf reports what it cannot read by throwing; none of it crosses here.
  try {
    StampResult r = place(pdf, sealPdf, sealSizeMm, options, out);
    if (r.failure != StampFailure::None) out->clear();
    return r;
  } catch (const QPDFExc& e) {
    out->clear();
    if (e.getErrorCode() == qpdf_e_password)
      return failed(StampFailure::Input, "the document is encrypted and needs a password to open");
    return failed(StampFailure::Input, "the document is damaged beyond repair");
  } catch (const std::bad_alloc&) {
    out->clear();
    return failed(StampFailure::Input, "the document needs more memory than there is");
  } catch (const std::exception&) {
    out->clear();
    return failed(StampFailure::Input, "the document is damaged beyond repair");
  }
}

}  // namespace korvane
