#include <gtest/gtest.h>

#include "document/seal_document.h"

namespace korvane {
namespace {

void expectFrameZero(const SealFrame& f) {
  EXPECT_EQ(f.Type, 0);
  EXPECT_EQ(f.Width, 0);
  EXPECT_EQ(f.Height, 0);
  EXPECT_EQ(f.Round, 0);
  EXPECT_EQ(f.LineWidth, 0);
  EXPECT_EQ(f.LineColor, 0);
  EXPECT_EQ(f.FillColor, 0);
}

void expectFigureZero(const SealFigure& f) {
  EXPECT_EQ(f.Type, 0);
  EXPECT_EQ(f.Width, 0);
  EXPECT_EQ(f.Height, 0);
  EXPECT_EQ(f.LineWidth, 0);
  EXPECT_EQ(f.Round, 0);
  EXPECT_EQ(f.Color, 0);
  EXPECT_EQ(f.OffsetX, 0);
  EXPECT_EQ(f.OffsetY, 0);
  EXPECT_EQ(f.szFile, "");
}

TEST(SealDocument, CreatedAllZero) {
  const SealDocument doc = CreateSealDocument();
  EXPECT_EQ(doc.Width, 0);
  EXPECT_EQ(doc.BackColor, 0);
  for (const SealText& t : doc.Text) {
    EXPECT_EQ(t.szText, "");
    EXPECT_EQ(t.Font.FaceName, "");
    EXPECT_FALSE(t.Font.Bold);
    EXPECT_EQ(t.TypeStyle, 0);
  }
  for (const SealFrame& f : doc.Frame.Item) expectFrameZero(f);
  for (const SealFigure& f : doc.Shape) expectFigureZero(f);
}

TEST(SealDocument, StartupSealLeavesFrame5AndFigures125Empty) {
  const SealDocument doc = StartupSealDocument();
  expectFrameZero(doc.Frame.Item[4]);
  expectFigureZero(doc.Shape[0]);
  expectFigureZero(doc.Shape[1]);
  expectFigureZero(doc.Shape[4]);
}

TEST(SealDocument, StartupSealValues) {
  const SealDocument doc = StartupSealDocument();
  EXPECT_EQ(doc.Width, 400);
  EXPECT_EQ(doc.Height, 400);
  EXPECT_EQ(doc.BackColor, -1);

  EXPECT_EQ(doc.Text[0].szText, "Velmora科技");
  EXPECT_EQ(doc.Text[1].szText, "Tessiro");
  EXPECT_EQ(doc.Text[2].szText, "WWW.EXAMPLE.COM");
  EXPECT_EQ(doc.Text[3].szText, "By Tolvane");
  const int sizes[] = {40, 40, 25, 30}, styles[] = {1, 3, 2, 3}, spacing[] = {8, 3, 5, 0},
            offsetY[] = {0, 110, 10, 280}, box[] = {190, 190, 190, 160};
  for (int i = 0; i < 4; ++i) {
    const SealText& t = doc.Text[i];
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(t.Font.FaceName, "图章专用字体");
    EXPECT_TRUE(t.Font.Bold);
    EXPECT_FALSE(t.Font.Italic);
    EXPECT_FALSE(t.Font.Underline);
    EXPECT_EQ(t.FontSize, sizes[i]);
    EXPECT_EQ(t.TypeStyle, styles[i]);
    EXPECT_EQ(t.Spacing, spacing[i]);
    EXPECT_EQ(t.OffsetY, offsetY[i]);
    EXPECT_EQ(t.OffsetX, 0);
    EXPECT_EQ(t.Width, box[i]);
    EXPECT_EQ(t.Height, box[i]);
  }
  // Only the banner text is white.
  EXPECT_EQ(doc.Text[0].TextColor, 0x221ED2);
  EXPECT_EQ(doc.Text[1].TextColor, 0xFFFFFF);
  EXPECT_EQ(doc.Text[2].TextColor, 0x221ED2);
  EXPECT_EQ(doc.Text[3].TextColor, 0x221ED2);

  EXPECT_EQ(doc.Frame.ClipX, 0);
  EXPECT_EQ(doc.Frame.ClipY, 165);
  EXPECT_EQ(doc.Frame.ClipWidth, 400);
  EXPECT_EQ(doc.Frame.ClipHeight, 70);
  EXPECT_EQ(doc.Frame.ClipRound, 0);
  const int diameters[] = {265, 250, 145, 130}, lines[] = {5, 3, 2, 3};
  for (int i = 0; i < 4; ++i) {
    const SealFrame& f = doc.Frame.Item[i];
    EXPECT_EQ(f.Type, 1);
    EXPECT_EQ(f.Width, diameters[i]);
    EXPECT_EQ(f.Height, diameters[i]);
    EXPECT_EQ(f.LineWidth, lines[i]);
    EXPECT_EQ(f.LineColor, 0x221ED2);
    EXPECT_EQ(f.FillColor, -1);
  }

  const SealFigure& hollow = doc.Shape[2];
  EXPECT_EQ(hollow.Type, 5);
  EXPECT_EQ(hollow.Width, 310);
  EXPECT_EQ(hollow.Height, 70);
  EXPECT_EQ(hollow.LineWidth, 3);
  EXPECT_EQ(hollow.Round, 10);
  EXPECT_EQ(hollow.Color, 0x221ED2);
  const SealFigure& solid = doc.Shape[3];
  EXPECT_EQ(solid.Type, 4);
  EXPECT_EQ(solid.Width, 300);
  EXPECT_EQ(solid.Height, 60);
  EXPECT_EQ(solid.Round, 3);
}

}  // namespace
}  // namespace korvane
