#include "document/seal_document.h"

namespace korvane {

SealDocument CreateSealDocument() { return SealDocument{}; }

namespace {

struct TextDefaults {
  const char* text;
  int32_t fontSize, width, height, spacing, offsetY;
  SealColor color;
  int32_t typeStyle;
};

constexpr TextDefaults kTextDefaults[kTextCount] = {
    {"Velmora科技", 40, 190, 190, 8, 0, kSealRed, kTextRingTop},
    {"Tessiro", 40, 190, 190, 3, 110, kWhite, kTextLine},
    {"WWW.EXAMPLE.COM", 25, 190, 190, 5, 10, kSealRed, kTextRingBottom},
    {"By Tolvane", 30, 160, 160, 0, 280, kSealRed, kTextLine},
};

struct FrameDefaults {
  int32_t width, height, lineWidth;
};
constexpr FrameDefaults kFrameDefaults[4] = {{265, 265, 5}, {250, 250, 3}, {145, 145, 2}, {130, 130, 3}};

}  // namespace

void ApplyStartupSeal(SealDocument& doc) {
  doc.Width = 400;
  doc.Height = 400;
  doc.BackColor = kNoColor;

  for (int i = 0; i < kTextCount; ++i) {
    const TextDefaults& d = kTextDefaults[i];
    SealText& t = doc.Text[i];
    t.Font.FaceName = kPrivateSealFaceName;
    t.Font.Bold = true;
    t.Font.Italic = false;
    t.Font.Underline = false;
    t.OffsetX = 0;
    t.szText = d.text;
    t.FontSize = d.fontSize;
    t.Width = d.width;
    t.Height = d.height;
    t.Spacing = d.spacing;
    t.OffsetY = d.offsetY;
    t.TextColor = d.color;
    t.TypeStyle = d.typeStyle;
  }

  SealFrameGroup& g = doc.Frame;
  g.ClipX = 0;
  g.ClipY = 165;
  g.ClipWidth = 400;
  g.ClipHeight = 70;
  g.ClipRound = 0;
  for (int i = 0; i < 4; ++i) {
    SealFrame& f = g.Item[i];
    f.Type = kFrameCircle;
    f.LineColor = kSealRed;
    f.FillColor = kNoColor;
    f.Round = 0;
    f.Width = kFrameDefaults[i].width;
    f.Height = kFrameDefaults[i].height;
    f.LineWidth = kFrameDefaults[i].lineWidth;
  }

  SealFigure& hollow = doc.Shape[2];
  hollow.Type = kFigureHollowRectangle;
  hollow.Width = 310;
  hollow.Height = 70;
  hollow.LineWidth = 3;
  hollow.Round = 10;
  hollow.Color = kSealRed;

  SealFigure& solid = doc.Shape[3];
  solid.Type = kFigureSolidRectangle;
  solid.Width = 300;
  solid.Height = 60;
  solid.LineWidth = 3;
  solid.Round = 3;
  solid.Color = kSealRed;

  for (SealFigure& f : doc.Shape) {
    f.OffsetX = 0;
    f.OffsetY = 0;
    f.szFile.clear();
  }
}

SealDocument StartupSealDocument() {
  SealDocument doc = CreateSealDocument();
  ApplyStartupSeal(doc);
  return doc;
}

}  // namespace korvane
