#include "editor/property_panels.h"

#include "document/text_number.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>

#include "dialogs/common_dialogs.h"
#include "dialogs/qt_text.h"
#include "editor/colour_text.h"
#include "editor/window_surface.h"

namespace korvane {

namespace {

QString number(int32_t v) { return QString::number(v); }

constexpr const char kPictureFilter[] = "图片文件（jpg;bmp;png）|*.jpg;*.bmp;*.png";

}  // namespace

// ---- the seal ----

SealPanel::SealPanel(PanelHost& host, QGroupBox* box) : QObject(box), m_form(host, box, 1) {
  m_width = m_form.WheelNumber("EditBox_Seal_Width", "宽度：", 64, 19, [](SealDocument& d, int) -> int32_t& { return d.Width; });
  m_height = m_form.WheelNumber("EditBox_Seal_Height", "高度：", 64, 51, [](SealDocument& d, int) -> int32_t& { return d.Height; });
  m_transparent = m_form.Check("CheckBox_Seal_Color_Transparent", "背景透明", {104, 112, 75, 15});
  m_back = m_form.Colour("EditBox_Seal_ColorValue", "背景：", 64, 83, 109, "DrawPanel_Seal_ColorValue", {177, 79, 43, 30},
                         [](SealDocument& d, int) -> SealColor& { return d.BackColor; }, m_transparent);
  connect(m_transparent, &QCheckBox::clicked, this, &SealPanel::onTransparent);
  m_size = m_form.Millimetres("EditBox_Seal_SizeMM", "毫米：", 64, 134,
                              [](SealDocument& d, int) -> double& { return d.SizeMM; });
}

void SealPanel::onTransparent(bool ticked) {
  // Unticked, BackColor stays none until a colour is typed or picked.
  m_back.swatch->setEnabled(!ticked);
  if (!ticked) return;
  m_form.Write([](SealDocument& d, int) { d.BackColor = kNoColor; });
  m_back.box->setText(QString::fromUtf8(kTransparentText));
  PaintSwatch(m_form.Host(), m_back.swatch, kNoColor);
}

void SealPanel::Fill() {
  const PanelForm::Filling filling(m_form);
  const SealDocument& d = m_form.Host().Document();
  m_width->setText(number(d.Width));
  m_height->setText(number(d.Height));
  m_form.ShowColour(m_back, d.BackColor, m_transparent);
  m_size->setText(d.SizeMM > 0 ? ToQString(MillimetresText(d.SizeMM)) : QString());
}

// ---- texts ----

TextPanel::TextPanel(PanelHost& host, QGroupBox* box) : QObject(box), m_form(host, box, kTextCount) {
  using T = SealText;
  auto text = [](auto member) {
    return [member](SealDocument& d, int i) -> decltype(auto) { return d.Text[size_t(i)].*member; };
  };
  m_text = m_form.Text("EditBox_Text_Text", "文本：", 71, 16, text(&T::szText));
  m_width = m_form.Number("EditBox_Text_Width", "宽度：", 71, 44, text(&T::Width));
  m_height = m_form.Number("EditBox_Text_Height", "高度：", 71, 71, text(&T::Height));
  m_font = m_form.Text("EditBox_Text_Font", "字体：", 71, 99,
                       [](SealDocument& d, int i) -> std::string& { return d.Text[size_t(i)].Font.FaceName; });
  m_font->setMaxLength(32767);
  m_setFont = m_form.Button("Button_Text_SetFont", "...", {182, 97, 35, 27});
  connect(m_setFont, &QPushButton::clicked, this, &TextPanel::onSetFont);
  m_defaultFont = m_form.Check("CheckBox_Text_DefaultFont", "使用 图章专用字体", {96, 128, 127, 16});
  connect(m_defaultFont, &QCheckBox::clicked, this, &TextPanel::onDefaultFont);
  m_size = m_form.Number("EditBox_Text_FontSize", "大小：", 71, 148, text(&T::FontSize), 44);
  m_stretch = m_form.Number("EditBox_Text_Stretch", "宽%：", 153, 148, text(&T::Stretch), 44, 117);
  m_colour = m_form.Colour("EditBox_Text_Color", "颜色：", 71, 175, 108, "DrawPanel_Text_ColorValue", {182, 172, 43, 30},
                           text(&T::TextColor));
  m_spacing = m_form.Number("EditBox_Text_Spacing", "间距：", 71, 203, text(&T::Spacing), 44);
  // Beside the spacing and the size: the angle a ring spans, and the glyphs' width.
  m_sweep = m_form.Number("EditBox_Text_Sweep", "弧度：", 153, 203, text(&T::Sweep), 44, 117);
  m_offsetX = m_form.Number("EditBox_Text_OffsetX", "横向偏移：", 71, 231, text(&T::OffsetX));
  m_offsetY = m_form.Number("EditBox_Text_OffsetY", "纵向偏移：", 71, 258, text(&T::OffsetY));
  m_style = m_form.Choice("ComboBox_Text_Style", "排版：", 71, 287,
                          {{"顶部环形排列", 1}, {"底部环形排列", 2}, {"水平横排", 3}, {"顶部椭圆排列", 4},
                           {"底部椭圆排列", 5}, {"竖排", 6}},
                          text(&T::TypeStyle));
}

void TextPanel::onDefaultFont(bool ticked) {
  if (ticked) m_font->setText(QString::fromUtf8(kPrivateSealFaceName));
  m_setFont->setEnabled(!ticked);
}

void TextPanel::onSetFont() {
  if (!m_form.Writable()) return;
  SealText& t = m_form.Host().Document().Text[size_t(m_form.CurrentItem() - 1)];
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
  m_font->setText(ToQString(choice.faceName));
  m_form.Host().RedrawPreview();
}

void TextPanel::Fill(int item) {
  const PanelForm::Filling filling(m_form);
  const SealText& t = m_form.Host().Document().Text[size_t(item)];
  m_text->setText(ToQString(t.szText));
  m_spacing->setText(number(t.Spacing));
  m_width->setText(number(t.Width));
  m_height->setText(number(t.Height));
  m_offsetX->setText(number(t.OffsetX));
  m_offsetY->setText(number(t.OffsetY));
  m_form.ShowColour(m_colour, t.TextColor);
  m_style->setCurrentIndex(t.TypeStyle >= 1 && t.TypeStyle <= kTextColumns ? t.TypeStyle - 1 : 0);
  m_sweep->setText(number(t.Sweep));
  m_stretch->setText(number(t.Stretch));
  m_font->setText(ToQString(t.Font.FaceName));
  const bool isDefault = t.Font.FaceName == kPrivateSealFaceName;
  m_defaultFont->setChecked(isDefault);
  m_setFont->setEnabled(!isDefault);
  m_size->setText(number(t.FontSize));
  m_form.SetCurrentItem(item + 1);
}

// ---- frames ----

FramePanel::FramePanel(PanelHost& host, QGroupBox* box) : QObject(box), m_form(host, box, kFrameCount) {
  using F = SealFrame;
  auto frame = [](auto member) {
    return [member](SealDocument& d, int i) -> decltype(auto) { return d.Frame.Item[size_t(i)].*member; };
  };
  m_type = m_form.Choice("ComboBox_Frame_Type", "类型：", 64, 16, {{"无", 0}, {"圆形", 1}, {"矩形", 2}, {"椭圆", 3}}, frame(&F::Type));
  m_width = m_form.Number("EditBox_Frame_Width", "宽度：", 64, 41, frame(&F::Width));
  m_height = m_form.Number("EditBox_Frame_Height", "高度：", 64, 68, frame(&F::Height));
  m_round = m_form.Number("EditBox_Frame_Round", "圆度：", 64, 96, frame(&F::Round));
  m_lineWidth = m_form.Number("EditBox_Frame_LineWidth", "线宽：", 64, 124, frame(&F::LineWidth));
  m_line = m_form.Colour("EditBox_Frame_Color", "颜色：", 64, 151, 108, "DrawPanel_Frame_Color", {174, 149, 43, 26},
                         frame(&F::LineColor));
  m_transparent = m_form.Check("CheckBox_Frame_BackTransparent", "背景透明", {96, 207, 80, 16});
  // While the box is ticked, the background box stores nothing.
  m_back = m_form.Colour("EditBox_Frame_Back", "背景：", 64, 180, 108, "DrawPanel_Frame_Back", {174, 179, 43, 26},
                         frame(&F::FillColor), m_transparent);
  connect(m_transparent, &QCheckBox::clicked, this, &FramePanel::onTransparent);
}

void FramePanel::onTransparent(bool ticked) {
  if (!m_form.Writable()) return;
  m_back.swatch->setEnabled(!ticked);
  if (!ticked) return;
  m_back.box->setText(QString::fromUtf8(kTransparentText));
  PaintSwatch(m_form.Host(), m_back.swatch, kNoColor);
  m_form.Write([](SealDocument& d, int i) { d.Frame.Item[size_t(i)].FillColor = kNoColor; });
}

void FramePanel::Fill(int item) {
  const PanelForm::Filling filling(m_form);
  const SealFrame& f = m_form.Host().Document().Frame.Item[size_t(item)];
  m_type->setCurrentIndex(f.Type >= 0 && f.Type <= kFrameEllipse ? f.Type : 0);
  m_width->setText(number(f.Width));
  m_height->setText(number(f.Height));
  m_lineWidth->setText(number(f.LineWidth));
  m_round->setText(number(f.Round));
  m_form.ShowColour(m_line, f.LineColor);
  m_form.ShowColour(m_back, f.FillColor, m_transparent);
  m_form.SetCurrentItem(item + 1);
}

// ---- the clip band ----

ClipPanel::ClipPanel(PanelHost& host, QGroupBox* box) : QObject(box), m_form(host, box, 1) {
  auto clip = [](int32_t SealFrameGroup::*member) {
    return [member](SealDocument& d, int) -> int32_t& { return d.Frame.*member; };
  };
  m_left = m_form.Number("EditBox_Clip_Left", "左边：", 83, 18, clip(&SealFrameGroup::ClipX));
  m_top = m_form.Number("EditBox_Clip_Top", "顶边：", 83, 45, clip(&SealFrameGroup::ClipY));
  m_width = m_form.Number("EditBox_Clip_Width", "宽度：", 83, 74, clip(&SealFrameGroup::ClipWidth));
  m_height = m_form.Number("EditBox_Clip_Height", "高度：", 83, 101, clip(&SealFrameGroup::ClipHeight));
  m_round = m_form.Number("EditBox_Clip_Round", "圆角：", 83, 129, clip(&SealFrameGroup::ClipRound));
}

void ClipPanel::Fill() {
  const PanelForm::Filling filling(m_form);
  const SealFrameGroup& g = m_form.Host().Document().Frame;
  const int32_t values[] = {g.ClipX, g.ClipY, g.ClipWidth, g.ClipHeight, g.ClipRound};
  QLineEdit* boxes[] = {m_left, m_top, m_width, m_height, m_round};
  for (int i = 0; i < 5; ++i) boxes[i]->setText(number(values[i]));
}

// ---- figures ----

FigurePanel::FigurePanel(PanelHost& host, QGroupBox* box) : QObject(box), m_form(host, box, kFigureCount) {
  using G = SealFigure;
  auto figure = [](auto member) {
    return [member](SealDocument& d, int i) -> decltype(auto) { return d.Shape[size_t(i)].*member; };
  };
  m_type = m_form.Choice("ComboBox_Figure_Type", "类型：", 71, 16,
                         {{"无", 0}, {"自定义图片", 1}, {"实心五星 ★", 2}, {"空心五星 ☆", 3}, {"实心矩形 ■", 4},
                          {"空心矩形 □", 5}, {"实心椭圆 ●", 6}, {"空心椭圆 ○", 7}},
                         figure(&G::Type));
  m_width = m_form.Number("EditBox_Figure_Width", "宽度：", 71, 41, figure(&G::Width));
  m_height = m_form.Number("EditBox_Figure_Height", "高度：", 71, 68, figure(&G::Height));
  m_lineWidth = m_form.Number("EditBox_Figure_LineWidth", "线宽：", 71, 95, figure(&G::LineWidth));
  m_round = m_form.Number("EditBox_Figure_Round", "圆度：", 71, 122, figure(&G::Round));
  m_colour = m_form.Colour("EditBox_Figure_Color", "颜色：", 71, 149, 108, "DrawPanel_Figure_Color", {182, 146, 43, 30},
                           figure(&G::Color));
  m_offsetX = m_form.Number("EditBox_Figure_OffsetX", "横向偏移：", 71, 176, figure(&G::OffsetX));
  m_offsetY = m_form.Number("EditBox_Figure_OffsetY", "纵向偏移：", 71, 203, figure(&G::OffsetY));
  m_path = m_form.Text("EditBox_Figure_Path", "图片文件：", 71, 231, figure(&G::szFile));
  QPushButton* browse = m_form.Button("Button_Figure_Browse", "...", {182, 229, 35, 27});
  connect(browse, &QPushButton::clicked, this, &FigurePanel::onBrowse);
}

void FigurePanel::onBrowse() {
  if (!m_form.Writable()) return;
  OpenFileRequest request;
  request.filter = kPictureFilter;
  const std::string path = CommonDialogs().PickOpenFile(request);
  if (!path.empty() && QFileInfo::exists(ToQString(path))) m_path->setText(ToQString(path));
}

void FigurePanel::Fill(int item) {
  const PanelForm::Filling filling(m_form);
  const SealFigure& f = m_form.Host().Document().Shape[size_t(item)];
  m_type->setCurrentIndex(f.Type >= 0 && f.Type <= 7 ? f.Type : 0);
  m_width->setText(number(f.Width));
  m_height->setText(number(f.Height));
  m_round->setText(number(f.Round));
  m_form.ShowColour(m_colour, f.Color);
  m_offsetX->setText(number(f.OffsetX));
  m_offsetY->setText(number(f.OffsetY));
  m_lineWidth->setText(number(f.LineWidth));
  m_path->setText(ToQString(f.szFile));
  m_form.SetCurrentItem(item + 1);
}

}  // namespace korvane
