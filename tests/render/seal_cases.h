// Small seals shared by the geometry tests and the reference-image cases.
#pragma once

#include "document/seal_document.h"

namespace korvane::test {

inline SealDocument BlankSeal(int w = 120, int h = 120) {
  SealDocument doc = CreateSealDocument();
  doc.Width = w;
  doc.Height = h;
  doc.BackColor = kNoColor;
  return doc;
}

inline SealFrame Frame(int32_t type, int32_t w, int32_t h, int32_t lineWidth, SealColor line,
                       SealColor fill = kNoColor, int32_t round = 0) {
  SealFrame f;
  f.Type = type;
  f.Width = w;
  f.Height = h;
  f.LineWidth = lineWidth;
  f.LineColor = line;
  f.FillColor = fill;
  f.Round = round;
  return f;
}

inline SealFigure Figure(int32_t type, int32_t w, int32_t h, SealColor color, int32_t lineWidth = 0,
                         int32_t round = 0) {
  SealFigure f;
  f.Type = type;
  f.Width = w;
  f.Height = h;
  f.Color = color;
  f.LineWidth = lineWidth;
  f.Round = round;
  return f;
}

}  // namespace korvane::test
