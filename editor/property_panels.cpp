#include "editor/property_panels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWheelEvent>
#include <limits>

#include "dialogs/common_dialogs.h"
#include "dialogs/qt_text.h"
#include "document/text_number.h"
#include "drawing/gfx/gfx_dib_canvas.h"
#include "editor/colour_text.h"
#include "editor/window_surface.h"
#include "render/render_context.h"

namespace korvane {

namespace {

QString number(int32_t v) { return QString::number(v); }

constexpr const char kPictureFilter[] = "图片文件（jpg;bmp;png）|*.jpg;*.bmp;*.png";

}  // namespace

void WheelLineEdit::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta != 0) emit Wheel(delta > 0 ? 1 : -1);
  event->accept();
}

PropertyPanels::PropertyPanels(PanelHost& host, QGroupBox* seal, QGroupBox* text, QGroupBox* frame, QGroupBox* clip,
                               QGroupBox* figure)
    : QObject(seal), m_host(host) {
  buildSeal(seal);
  buildText(text);
  buildFrame(frame);
  buildClip(clip);
  buildFigure(figure);
}

bool PropertyPanels::valid(Guard guard) const {
  // Filling a panel sets its boxes: that is no edit, and writes nothing.
  if (m_filling) return false;
  switch (guard) {
    case Guard::None: return true;
    case Guard::Text: return m_currentText >= 1 && m_currentText <= kTextCount;
    case Guard::Frame: return m_currentFrame >= 1 && m_currentFrame <= kFrameCount;
    case Guard::Figure: return m_currentFigure >= 1 && m_currentFigure <= kFigureCount;
  }
  return false;
}

int PropertyPanels::index(Guard guard) const {
  return guard == Guard::Text ? m_currentText - 1 : guard == Guard::Frame ? m_currentFrame - 1 : m_currentFigure - 1;
}

QLineEdit* PropertyPanels::edit(QGroupBox* box, const char* name, const char* label, int x, int y, int width) {
  auto* e = new WheelLineEdit(box);
  e->setObjectName(QString::fromLatin1(name));
  e->setGeometry(x, y, width, 23);
  if (label && *label) {
    auto* l = new QLabel(QString::fromUtf8(label), box);
    l->setGeometry(4, y + 3, x - 6, 17);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  return e;
}

QLineEdit* PropertyPanels::numeric(QGroupBox* box, const char* name, const char* label, int x, int y, Guard guard,
                                   int32_t* (*field)(SealDocument&, int), int width) {
  QLineEdit* e = edit(box, name, label, x, y, width);
  connect(e, &QLineEdit::textChanged, this, [this, guard, field](const QString& text) {
    if (!valid(guard)) return;
    *field(m_host.Document(), index(guard)) = TextToInt(FromQString(text));
    m_host.RedrawPreview();
  });
  return e;
}

QComboBox* PropertyPanels::combo(QGroupBox* box, const char* name, const char* label, int x, int y,
                                 std::initializer_list<std::pair<const char*, int>> items) {
  auto* c = new QComboBox(box);
  c->setObjectName(QString::fromLatin1(name));
  c->setGeometry(x, y, 108, 20);
  for (const auto& [text, value] : items) c->addItem(QString::fromUtf8(text), value);
  auto* l = new QLabel(QString::fromUtf8(label), box);
  l->setGeometry(4, y + 2, x - 6, 17);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return c;
}

CanvasPanel* PropertyPanels::swatch(QGroupBox* box, const char* name, int x, int y, int w, int h,
                                    QLineEdit* colourBox) {
  auto* s = new CanvasPanel(box);
  s->setObjectName(QString::fromLatin1(name));
  s->setGeometry(x, y, w, h);
  s->setCursor(Qt::PointingHandCursor);
  s->SetFramed(true);
  // The colour picker: the edit box's handler stores the choice.
  connect(s, &CanvasPanel::MousePressed, this, [this, s, colourBox] {
    uint32_t colour = 0;
    if (!PickColor(&colour)) return;
    colourBox->setText(ToQString(ColourText(SealColor(colour))));
    PaintSwatch(s, SealColor(colour));
  });
  return s;
}

void PropertyPanels::PaintSwatch(CanvasPanel* swatch, SealColor colour) {
  GfxDibCanvas canvas;
  if (!canvas.Create(swatch->width(), swatch->height())) return;
  const float w = float(canvas.GetWidth()), h = float(canvas.GetHeight());
  if (colour == kNoColor) {
    if (m_host.CheckerBrush().GetNative()) canvas.FillRectangle(m_host.CheckerBrush(), -0.5f, -0.5f, w, h);
  } else {
    GfxSolidBrush brush;
    if (brush.Create(ToArgb(colour))) canvas.FillRectangle(brush, -0.5f, -0.5f, w, h);
  }
  // A copy: the swatch keeps its picture after this canvas is gone.
  swatch->SetPicture(ImageOfCanvas(canvas).copy());
  canvas.Delete();
}

// ---- the seal ----

void PropertyPanels::buildSeal(QGroupBox* box) {
  m_sealWidth = numeric(box, "EditBox_Seal_Width", "宽度：", 64, 19, Guard::None,
                        [](SealDocument& d, int) { return &d.Width; });
  m_sealHeight = numeric(box, "EditBox_Seal_Height", "高度：", 64, 51, Guard::None,
                         [](SealDocument& d, int) { return &d.Height; });
  for (QLineEdit* e : {m_sealWidth, m_sealHeight})
    connect(static_cast<WheelLineEdit*>(e), &WheelLineEdit::Wheel, this,
            [e](int step) { e->setText(number(TextToInt(FromQString(e->text())) + step)); });
  m_sealColour = edit(box, "EditBox_Seal_ColorValue", "背景：", 64, 83, 109);
  m_sealSwatch = swatch(box, "DrawPanel_Seal_ColorValue", 177, 79, 43, 30, m_sealColour);
  m_sealTransparent = new QCheckBox(QStringLiteral("背景透明"), box);
  m_sealTransparent->setObjectName(QStringLiteral("CheckBox_Seal_Color_Transparent"));
  m_sealTransparent->setGeometry(104, 112, 75, 15);
  connect(m_sealColour, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!valid(Guard::None)) return;
    m_host.Document().BackColor = m_sealTransparent->isChecked() ? kNoColor : ReadColourText(FromQString(text));
    m_host.RedrawPreview();
  });
  connect(m_sealTransparent, &QCheckBox::clicked, this, &PropertyPanels::onSealTransparent);
}

void PropertyPanels::onSealTransparent(bool ticked) {
  if (!ticked) {
    // BackColor stays -1 until a colour is typed or picked.
    m_sealSwatch->setEnabled(true);
    return;
  }
  m_host.Document().BackColor = kNoColor;
  m_sealColour->setText(QString::fromUtf8(kTransparentText));
  m_sealSwatch->setEnabled(false);
  PaintSwatch(m_sealSwatch, kNoColor);
}

void PropertyPanels::FillSeal() {
  const Filling filling(m_filling);
  m_sealWidth->setText(number(m_host.Document().Width));
  m_sealHeight->setText(number(m_host.Document().Height));
  const SealColor back = m_host.Document().BackColor;
  PaintSwatch(m_sealSwatch, back);
  if (back != kNoColor) {
    m_sealTransparent->setChecked(false);
    m_sealColour->setText(ToQString(ColourText(back)));
    m_sealSwatch->setEnabled(true);
  } else {
    m_sealTransparent->setChecked(true);
    m_sealColour->setText(QString::fromUtf8(kTransparentText));
    m_sealSwatch->setEnabled(false);
  }
}

// ---- texts ----

void PropertyPanels::buildText(QGroupBox* box) {
  m_textText = edit(box, "EditBox_Text_Text", "文本：", 71, 16);
  m_textText->setMaxLength(std::numeric_limits<int>::max());  // not Qt's 32767
  connect(m_textText, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!valid(Guard::Text)) return;
    m_host.Document().Text[size_t(m_currentText - 1)].szText = FromQString(text);
    m_host.RedrawPreview();
  });
  m_textWidth = numeric(box, "EditBox_Text_Width", "宽度：", 71, 44, Guard::Text,
                        [](SealDocument& d, int i) { return &d.Text[size_t(i)].Width; });
  m_textHeight = numeric(box, "EditBox_Text_Height", "高度：", 71, 71, Guard::Text,
                         [](SealDocument& d, int i) { return &d.Text[size_t(i)].Height; });
  m_textFont = edit(box, "EditBox_Text_Font", "字体：", 71, 99);
  connect(m_textFont, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!valid(Guard::Text)) return;
    m_host.Document().Text[size_t(m_currentText - 1)].Font.FaceName = FromQString(text);
    m_host.RedrawPreview();
  });
  m_setFont = new QPushButton(QStringLiteral("..."), box);
  m_setFont->setObjectName(QStringLiteral("Button_Text_SetFont"));
  m_setFont->setGeometry(182, 97, 35, 27);
  connect(m_setFont, &QPushButton::clicked, this, &PropertyPanels::onSetFont);
  m_defaultFont = new QCheckBox(QStringLiteral("使用 图章专用字体"), box);
  m_defaultFont->setObjectName(QStringLiteral("CheckBox_Text_DefaultFont"));
  m_defaultFont->setGeometry(96, 128, 127, 16);
  connect(m_defaultFont, &QCheckBox::clicked, this, &PropertyPanels::onDefaultFont);
  m_textSize = numeric(box, "EditBox_Text_FontSize", "大小：", 71, 148, Guard::Text,
                       [](SealDocument& d, int i) { return &d.Text[size_t(i)].FontSize; });
  m_textColour = edit(box, "EditBox_Text_Color", "颜色：", 71, 175);
  connect(m_textColour, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!valid(Guard::Text)) return;
    m_host.Document().Text[size_t(m_currentText - 1)].TextColor = ReadColourText(FromQString(text));
    m_host.RedrawPreview();
  });
  m_textSwatch = swatch(box, "DrawPanel_Text_ColorValue", 182, 172, 43, 30, m_textColour);
  m_textSpacing = numeric(box, "EditBox_Text_Spacing", "间距：", 71, 203, Guard::Text,
                          [](SealDocument& d, int i) { return &d.Text[size_t(i)].Spacing; });
  m_textOffsetX = numeric(box, "EditBox_Text_OffsetX", "横向偏移：", 71, 231, Guard::Text,
                          [](SealDocument& d, int i) { return &d.Text[size_t(i)].OffsetX; });
  m_textOffsetY = numeric(box, "EditBox_Text_OffsetY", "纵向偏移：", 71, 258, Guard::Text,
                          [](SealDocument& d, int i) { return &d.Text[size_t(i)].OffsetY; });
  m_textStyle = combo(box, "ComboBox_Text_Style", "排版：", 71, 287,
                      {{"顶部环形排列", 1}, {"底部环形排列", 2}, {"水平横排", 3}});
  connect(m_textStyle, &QComboBox::activated, this, [this](int i) {
    if (!valid(Guard::Text)) return;
    m_host.Document().Text[size_t(m_currentText - 1)].TypeStyle = i < 0 ? -1 : m_textStyle->itemData(i).toInt();
    m_host.RedrawPreview();
  });
}

void PropertyPanels::onDefaultFont(bool ticked) {
  if (ticked) {
    m_textFont->setText(QString::fromUtf8(kPrivateSealFaceName));
    m_setFont->setEnabled(false);
  } else {
    m_setFont->setEnabled(true);
  }
}

void PropertyPanels::onSetFont() {
  if (!valid(Guard::Text)) return;
  SealText& t = m_host.Document().Text[size_t(m_currentText - 1)];
  FontRequest request;
  request.faceName = t.Font.FaceName;
  request.size = t.FontSize;
  request.bold = t.Font.Bold;
  request.italic = t.Font.Italic;
  request.underline = t.Font.Underline;
  bool chosen = false;
  const FontChoice choice = CommonDialogs().PickFont(request, &chosen);
  // A cancelled dialog leaves the font as it was.
  if (!chosen) return;
  t.Font.FaceName = choice.faceName;
  t.Font.Bold = choice.bold;
  t.Font.Italic = choice.italic;
  t.Font.Underline = choice.underline;
  // The size is not taken: FontSize stays as typed.
  m_textFont->setText(ToQString(choice.faceName));
  m_host.RedrawPreview();
}

void PropertyPanels::FillText(int item) {
  const Filling filling(m_filling);
  m_currentText = -1;
  const SealText& t = m_host.Document().Text[size_t(item)];
  m_textText->setText(ToQString(t.szText));
  m_textSpacing->setText(number(t.Spacing));
  m_textWidth->setText(number(t.Width));
  m_textHeight->setText(number(t.Height));
  m_textOffsetX->setText(number(t.OffsetX));
  m_textOffsetY->setText(number(t.OffsetY));
  PaintSwatch(m_textSwatch, t.TextColor);
  m_textColour->setText(ToQString(ColourText(t.TextColor)));
  m_textStyle->setCurrentIndex(t.TypeStyle >= 1 && t.TypeStyle <= 3 ? t.TypeStyle - 1 : 0);
  m_textFont->setText(ToQString(t.Font.FaceName));
  const bool isDefault = t.Font.FaceName == kPrivateSealFaceName;
  m_defaultFont->setChecked(isDefault);
  m_setFont->setEnabled(!isDefault);
  m_textSize->setText(number(t.FontSize));
  m_currentText = item + 1;
}

// ---- frames ----

void PropertyPanels::buildFrame(QGroupBox* box) {
  m_frameType = combo(box, "ComboBox_Frame_Type", "类型：", 64, 16, {{"无", 0}, {"圆形", 1}, {"矩形", 2}});
  connect(m_frameType, &QComboBox::activated, this, [this](int i) {
    if (!valid(Guard::Frame)) return;
    m_host.Document().Frame.Item[size_t(m_currentFrame - 1)].Type = i < 0 ? -1 : m_frameType->itemData(i).toInt();
    m_host.RedrawPreview();
  });
  m_frameWidth = numeric(box, "EditBox_Frame_Width", "宽度：", 64, 41, Guard::Frame,
                         [](SealDocument& d, int i) { return &d.Frame.Item[size_t(i)].Width; });
  m_frameHeight = numeric(box, "EditBox_Frame_Height", "高度：", 64, 68, Guard::Frame,
                          [](SealDocument& d, int i) { return &d.Frame.Item[size_t(i)].Height; });
  m_frameRound = numeric(box, "EditBox_Frame_Round", "圆度：", 64, 96, Guard::Frame,
                         [](SealDocument& d, int i) { return &d.Frame.Item[size_t(i)].Round; });
  m_frameLineWidth = numeric(box, "EditBox_Frame_LineWidth", "线宽：", 64, 124, Guard::Frame,
                             [](SealDocument& d, int i) { return &d.Frame.Item[size_t(i)].LineWidth; });
  m_frameColour = edit(box, "EditBox_Frame_Color", "颜色：", 64, 151);
  connect(m_frameColour, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!valid(Guard::Frame)) return;
    m_host.Document().Frame.Item[size_t(m_currentFrame - 1)].LineColor = ReadColourText(FromQString(text));
    m_host.RedrawPreview();
  });
  m_frameSwatch = swatch(box, "DrawPanel_Frame_Color", 174, 149, 43, 26, m_frameColour);
  m_frameBack = edit(box, "EditBox_Frame_Back", "背景：", 64, 180);
  m_frameBackSwatch = swatch(box, "DrawPanel_Frame_Back", 174, 179, 43, 26, m_frameBack);
  m_frameTransparent = new QCheckBox(QStringLiteral("背景透明"), box);
  m_frameTransparent->setObjectName(QStringLiteral("CheckBox_Frame_BackTransparent"));
  m_frameTransparent->setGeometry(96, 207, 80, 16);
  connect(m_frameBack, &QLineEdit::textChanged, this, [this](const QString& text) {
    // While the box is ticked, nothing is stored and nothing redrawn.
    if (!valid(Guard::Frame) || m_frameTransparent->isChecked()) return;
    m_host.Document().Frame.Item[size_t(m_currentFrame - 1)].FillColor = ReadColourText(FromQString(text));
    m_host.RedrawPreview();
  });
  connect(m_frameTransparent, &QCheckBox::clicked, this, &PropertyPanels::onFrameTransparent);
}

void PropertyPanels::onFrameTransparent(bool ticked) {
  if (!valid(Guard::Frame)) return;
  if (!ticked) {
    m_frameBackSwatch->setEnabled(true);
    return;
  }
  m_frameBack->setText(QString::fromUtf8(kTransparentText));
  m_frameBackSwatch->setEnabled(false);
  m_host.Document().Frame.Item[size_t(m_currentFrame - 1)].FillColor = kNoColor;
  PaintSwatch(m_frameBackSwatch, kNoColor);
  m_host.RedrawPreview();
}

void PropertyPanels::FillFrame(int item) {
  const Filling filling(m_filling);
  m_currentFrame = -1;
  const SealFrame& f = m_host.Document().Frame.Item[size_t(item)];
  m_frameType->setCurrentIndex(f.Type >= 0 && f.Type <= 2 ? f.Type : 0);
  m_frameWidth->setText(number(f.Width));
  m_frameHeight->setText(number(f.Height));
  m_frameLineWidth->setText(number(f.LineWidth));
  m_frameRound->setText(number(f.Round));
  m_frameColour->setText(ToQString(ColourText(f.LineColor)));
  PaintSwatch(m_frameSwatch, f.LineColor);
  PaintSwatch(m_frameBackSwatch, f.FillColor);
  if (f.FillColor != kNoColor) {
    m_frameTransparent->setChecked(false);
    m_frameBack->setText(ToQString(ColourText(f.FillColor)));
    m_frameBackSwatch->setEnabled(true);
  } else {
    m_frameTransparent->setChecked(true);
    m_frameBack->setText(QString::fromUtf8(kTransparentText));
    m_frameBackSwatch->setEnabled(false);
  }
  m_currentFrame = item + 1;
}

// ---- the clip band ----

void PropertyPanels::buildClip(QGroupBox* box) {
  m_clipLeft = numeric(box, "EditBox_Clip_Left", "左边：", 83, 18, Guard::None,
                       [](SealDocument& d, int) { return &d.Frame.ClipX; });
  m_clipTop = numeric(box, "EditBox_Clip_Top", "顶边：", 83, 45, Guard::None,
                      [](SealDocument& d, int) { return &d.Frame.ClipY; });
  m_clipWidth = numeric(box, "EditBox_Clip_Width", "宽度：", 83, 74, Guard::None,
                        [](SealDocument& d, int) { return &d.Frame.ClipWidth; });
  m_clipHeight = numeric(box, "EditBox_Clip_Height", "高度：", 83, 101, Guard::None,
                         [](SealDocument& d, int) { return &d.Frame.ClipHeight; });
  m_clipRound = numeric(box, "EditBox_Clip_Round", "圆角：", 83, 129, Guard::None,
                        [](SealDocument& d, int) { return &d.Frame.ClipRound; });
}

void PropertyPanels::FillClip() {
  const Filling filling(m_filling);
  const SealFrameGroup& g = m_host.Document().Frame;
  const int32_t values[] = {g.ClipX, g.ClipY, g.ClipWidth, g.ClipHeight, g.ClipRound};
  QLineEdit* boxes[] = {m_clipLeft, m_clipTop, m_clipWidth, m_clipHeight, m_clipRound};
  for (int i = 0; i < 5; ++i) boxes[i]->setText(number(values[i]));
}

// ---- figures ----

void PropertyPanels::buildFigure(QGroupBox* box) {
  m_figureType = combo(box, "ComboBox_Figure_Type", "类型：", 71, 16,
                       {{"无", 0}, {"自定义图片", 1}, {"实心五星 ★", 2}, {"空心五星 ☆", 3}, {"实心矩形 ■", 4},
                        {"空心矩形 □", 5}, {"实心椭圆 ●", 6}, {"空心椭圆 ○", 7}});
  connect(m_figureType, &QComboBox::activated, this, [this](int i) {
    if (!valid(Guard::Figure)) return;
    m_host.Document().Shape[size_t(m_currentFigure - 1)].Type = i < 0 ? -1 : m_figureType->itemData(i).toInt();
    m_host.RedrawPreview();
  });
  m_figureWidth = numeric(box, "EditBox_Figure_Width", "宽度：", 71, 41, Guard::Figure,
                          [](SealDocument& d, int i) { return &d.Shape[size_t(i)].Width; });
  m_figureHeight = numeric(box, "EditBox_Figure_Height", "高度：", 71, 68, Guard::Figure,
                           [](SealDocument& d, int i) { return &d.Shape[size_t(i)].Height; });
  m_figureLineWidth = numeric(box, "EditBox_Figure_LineWidth", "线宽：", 71, 95, Guard::Figure,
                              [](SealDocument& d, int i) { return &d.Shape[size_t(i)].LineWidth; });
  m_figureRound = numeric(box, "EditBox_Figure_Round", "圆度：", 71, 122, Guard::Figure,
                          [](SealDocument& d, int i) { return &d.Shape[size_t(i)].Round; });
  m_figureColour = edit(box, "EditBox_Figure_Color", "颜色：", 71, 149);
  connect(m_figureColour, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!valid(Guard::Figure)) return;
    m_host.Document().Shape[size_t(m_currentFigure - 1)].Color = ReadColourText(FromQString(text));
    m_host.RedrawPreview();
  });
  m_figureSwatch = swatch(box, "DrawPanel_Figure_Color", 182, 146, 43, 30, m_figureColour);
  m_figureOffsetX = numeric(box, "EditBox_Figure_OffsetX", "横向偏移：", 71, 176, Guard::Figure,
                            [](SealDocument& d, int i) { return &d.Shape[size_t(i)].OffsetX; });
  m_figureOffsetY = numeric(box, "EditBox_Figure_OffsetY", "纵向偏移：", 71, 203, Guard::Figure,
                            [](SealDocument& d, int i) { return &d.Shape[size_t(i)].OffsetY; });
  m_figurePath = edit(box, "EditBox_Figure_Path", "图片文件：", 71, 231);
  m_figurePath->setMaxLength(std::numeric_limits<int>::max());
  connect(m_figurePath, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!valid(Guard::Figure)) return;
    m_host.Document().Shape[size_t(m_currentFigure - 1)].szFile = FromQString(text);
    m_host.RedrawPreview();
  });
  m_browse = new QPushButton(QStringLiteral("..."), box);
  m_browse->setObjectName(QStringLiteral("Button_Figure_Browse"));
  m_browse->setGeometry(182, 229, 35, 27);
  connect(m_browse, &QPushButton::clicked, this, &PropertyPanels::onBrowse);
}

void PropertyPanels::onBrowse() {
  if (!valid(Guard::Figure)) return;
  OpenFileRequest request;
  request.filter = kPictureFilter;
  const std::string path = CommonDialogs().PickOpenFile(request);
  if (!path.empty() && QFileInfo::exists(ToQString(path))) m_figurePath->setText(ToQString(path));
}

void PropertyPanels::FillFigure(int item) {
  const Filling filling(m_filling);
  m_currentFigure = -1;
  const SealFigure& f = m_host.Document().Shape[size_t(item)];
  m_figureType->setCurrentIndex(f.Type >= 0 && f.Type <= 7 ? f.Type : 0);
  m_figureWidth->setText(number(f.Width));
  m_figureHeight->setText(number(f.Height));
  m_figureRound->setText(number(f.Round));
  PaintSwatch(m_figureSwatch, f.Color);
  m_figureColour->setText(ToQString(ColourText(f.Color)));
  m_figureOffsetX->setText(number(f.OffsetX));
  m_figureOffsetY->setText(number(f.OffsetY));
  m_figureLineWidth->setText(number(f.LineWidth));
  m_figurePath->setText(ToQString(f.szFile));
  m_currentFigure = item + 1;
}

}  // namespace korvane
