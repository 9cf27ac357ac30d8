#include "editor/panel_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWheelEvent>

#include "dialogs/common_dialogs.h"
#include "dialogs/qt_text.h"
#include "document/text_number.h"
#include "drawing/gfx/gfx_dib_canvas.h"
#include "editor/colour_text.h"
#include "editor/window_surface.h"
#include "render/render_context.h"

namespace korvane {

void WheelLineEdit::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta != 0) emit Wheel(delta > 0 ? 1 : -1);
  event->accept();
}

void PaintSwatch(PanelHost& host, CanvasPanel* swatch, SealColor colour) {
  GfxDibCanvas canvas;
  if (!canvas.Create(swatch->width(), swatch->height())) return;
  const float w = float(canvas.GetWidth()), h = float(canvas.GetHeight());
  if (colour == kNoColor) {
    if (host.CheckerBrush().GetNative()) canvas.FillRectangle(host.CheckerBrush(), -0.5f, -0.5f, w, h);
  } else {
    GfxSolidBrush brush;
    if (brush.Create(ToArgb(colour))) canvas.FillRectangle(brush, -0.5f, -0.5f, w, h);
  }
  // A copy: the swatch keeps its picture after this canvas is gone.
  swatch->SetPicture(ImageOfCanvas(canvas).copy());
  canvas.Delete();
}

PanelForm::PanelForm(PanelHost& host, QGroupBox* box, int count)
    : QObject(box), m_host(host), m_box(box), m_count(count) {}

void PanelForm::Write(const std::function<void(SealDocument&, int item)>& write) {
  if (!Writable()) return;
  m_host.NoteEditSource(sender());
  write(m_host.Document(), m_current - 1);
  m_host.RedrawPreview();
}

QLineEdit* PanelForm::Edit(const char* name, const char* label, int x, int y, int width, int labelFrom) {
  auto* e = new WheelLineEdit(m_box);
  e->setObjectName(QString::fromLatin1(name));
  e->setGeometry(x, y, width, 23);
  if (label && *label) {
    auto* l = new QLabel(QString::fromUtf8(label), m_box);
    l->setGeometry(labelFrom, y + 3, x - 2 - labelFrom, 17);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  return e;
}

namespace {

// Shows whether the box's text is what the seal uses, or only part of it.
void markReading(QLineEdit* e, bool exact, const QString& used) {
  e->setStyleSheet(exact ? QString() : QStringLiteral("QLineEdit { border: 1px solid #D21E22; }"));
  e->setToolTip(exact ? QString() : QStringLiteral("图章使用的数值：") + used);
}

bool isWholeNumber(const std::string& text) {
  const std::string s = FullWidthToHalfWidth(text);
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const size_t digits = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  while (i < s.size() && s[i] == ' ') ++i;
  return i == s.size() && (i > digits || s.find_first_not_of(' ') == std::string::npos);
}

}  // namespace

QLineEdit* PanelForm::Number(const char* name, const char* label, int x, int y, Field<int32_t> field, int width,
                             int labelFrom) {
  QLineEdit* e = Edit(name, label, x, y, width, labelFrom);
  connect(e, &QLineEdit::textChanged, this, [this, e, field](const QString& text) {
    const std::string typed = FromQString(text);
    markReading(e, isWholeNumber(typed), QString::number(TextToInt(typed)));
    Write([&](SealDocument& d, int i) { field(d, i) = TextToInt(typed); });
  });
  return e;
}

QLineEdit* PanelForm::Millimetres(const char* name, const char* label, int x, int y, Field<double> field, int width) {
  QLineEdit* e = Edit(name, label, x, y, width);
  connect(e, &QLineEdit::textChanged, this, [this, e, field](const QString& text) {
    const std::string typed = FromQString(text);
    const double mm = TextToMillimetres(typed);
    const bool blank = text.trimmed().isEmpty();
    markReading(e, blank || mm > 0 || text.trimmed() == QStringLiteral("0"), ToQString(MillimetresText(mm)));
    Write([&](SealDocument& d, int i) { field(d, i) = mm; });
  });
  return e;
}

QLineEdit* PanelForm::WheelNumber(const char* name, const char* label, int x, int y, Field<int32_t> field) {
  QLineEdit* e = Number(name, label, x, y, std::move(field));
  connect(static_cast<WheelLineEdit*>(e), &WheelLineEdit::Wheel, this,
          [e](int step) { e->setText(QString::number(TextToInt(FromQString(e->text())) + step)); });
  return e;
}

QLineEdit* PanelForm::Text(const char* name, const char* label, int x, int y, Field<std::string> field) {
  QLineEdit* e = Edit(name, label, x, y);
  e->setMaxLength(std::numeric_limits<int>::max());  // not Qt's 32767
  connect(e, &QLineEdit::textChanged, this, [this, field](const QString& text) {
    Write([&](SealDocument& d, int i) { field(d, i) = FromQString(text); });
  });
  return e;
}

PanelForm::ColourField PanelForm::Colour(const char* name, const char* label, int x, int y, int width,
                                         const char* swatchName, QRect place, Field<SealColor> field,
                                         QCheckBox* transparent) {
  QLineEdit* e = Edit(name, label, x, y, width);
  auto* s = new CanvasPanel(m_box);
  s->setObjectName(QString::fromLatin1(swatchName));
  s->setGeometry(place);
  s->setCursor(Qt::PointingHandCursor);
  s->SetFramed(true);
  connect(e, &QLineEdit::textChanged, this, [this, s, field, transparent](const QString& text) {
    if (transparent && transparent->isChecked()) return;
    if (!Writable()) return;
    const SealColor colour = ReadColourText(FromQString(text));
    Write([&](SealDocument& d, int i) { field(d, i) = colour; });
    // The swatch shows what was typed, as the seal does.
    PaintSwatch(m_host, s, colour);
  });
  // The picker types its choice into the box, whose handler stores it.
  connect(s, &CanvasPanel::MousePressed, this, [this, s, e] {
    uint32_t colour = 0;
    if (!PickColor(&colour)) return;
    e->setText(ToQString(ColourText(SealColor(colour))));
    PaintSwatch(m_host, s, SealColor(colour));
  });
  return {e, s};
}

void PanelForm::ShowColour(const ColourField& colour, SealColor value, QCheckBox* transparent) {
  PaintSwatch(m_host, colour.swatch, value);
  if (!transparent) {
    colour.box->setText(ToQString(ColourText(value)));
    return;
  }
  const bool none = value == kNoColor;
  transparent->setChecked(none);
  colour.box->setText(none ? QString::fromUtf8(kTransparentText) : ToQString(ColourText(value)));
  colour.swatch->setEnabled(!none);
}

QComboBox* PanelForm::Choice(const char* name, const char* label, int x, int y,
                             std::initializer_list<std::pair<const char*, int>> items, Field<int32_t> field) {
  auto* c = new QComboBox(m_box);
  c->setObjectName(QString::fromLatin1(name));
  c->setGeometry(x, y, 108, 20);
  for (const auto& [text, value] : items) c->addItem(QString::fromUtf8(text), value);
  auto* l = new QLabel(QString::fromUtf8(label), m_box);
  l->setGeometry(4, y + 2, x - 6, 17);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // `activated` is a user's pick, made even of the item already shown.
  connect(c, &QComboBox::activated, this, [this, c, field](int index) {
    Write([&](SealDocument& d, int i) { field(d, i) = index < 0 ? -1 : c->itemData(index).toInt(); });
  });
  return c;
}

QCheckBox* PanelForm::Check(const char* name, const char* caption, QRect place) {
  auto* c = new QCheckBox(QString::fromUtf8(caption), m_box);
  c->setObjectName(QString::fromLatin1(name));
  c->setGeometry(place);
  return c;
}

QPushButton* PanelForm::Button(const char* name, const char* caption, QRect place) {
  auto* b = new QPushButton(QString::fromUtf8(caption), m_box);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(place);
  return b;
}

}  // namespace korvane
