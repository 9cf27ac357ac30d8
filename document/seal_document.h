// The one seal being edited: plain records whose field names are the
// template keys. Counts are fixed (4 texts, 5 frames, 5 figures).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvane {

// A Windows COLORREF (0x00BBGGRR) as a signed value; -1 means "none".
using SealColor = int32_t;
inline constexpr SealColor kNoColor = -1;
inline constexpr SealColor kSealRed = 0x221ED2;
inline constexpr SealColor kWhite = 0xFFFFFF;

// The face name that selects the font shipped beside the program.
inline constexpr const char kPrivateSealFaceName[] = "图章专用字体";

enum SealTextStyle : int32_t {
  kTextRingTop = 1,
  kTextRingBottom = 2,
  kTextLine = 3,
  kTextEllipseTop = 4,     // along the top of a Width x Height ellipse
  kTextEllipseBottom = 5,  // along its bottom
  kTextColumns = 6,        // vertical columns, right to left (square seals)
};
enum SealFrameType : int32_t { kFrameNone = 0, kFrameCircle = 1, kFrameRectangle = 2, kFrameEllipse = 3 };
enum SealFigureType : int32_t {
  kFigureNone = 0,
  kFigurePicture = 1,
  kFigureSolidStar = 2,
  kFigureHollowStar = 3,
  kFigureSolidRectangle = 4,
  kFigureHollowRectangle = 5,
  kFigureSolidEllipse = 6,
  kFigureHollowEllipse = 7,
};

struct SealTextFont {
  std::string FaceName;  // UTF-8
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;

  bool operator==(const SealTextFont&) const = default;
};

struct SealText {
  std::string szText;  // UTF-8; empty is not drawn
  int32_t Width = 0;
  int32_t Height = 0;
  SealTextFont Font;
  int32_t FontSize = 0;
  SealColor TextColor = 0;
  int32_t TypeStyle = 0;
  int32_t Spacing = 0;
  int32_t OffsetX = 0;
  int32_t OffsetY = 0;
  // Written to templates only when not the default:
  int32_t Sweep = 0;      // degrees a ring text spans (0: as Spacing lays it)
  int32_t Stretch = 100;  // horizontal scale of every glyph, percent

  bool operator==(const SealText&) const = default;
};

struct SealFrame {
  int32_t Type = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Round = 0;
  int32_t LineWidth = 0;
  SealColor LineColor = 0;
  SealColor FillColor = 0;

  bool operator==(const SealFrame&) const = default;
};

// The clip band's fields come first; together they form the SealClip.
struct SealFrameGroup {
  int32_t ClipX = 0;
  int32_t ClipY = 0;
  int32_t ClipWidth = 0;
  int32_t ClipHeight = 0;
  int32_t ClipRound = 0;
  std::array<SealFrame, 5> Item{};

  bool operator==(const SealFrameGroup&) const = default;
};

struct SealFigure {
  int32_t Type = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t LineWidth = 0;
  int32_t Round = 0;
  SealColor Color = 0;
  int32_t OffsetX = 0;
  int32_t OffsetY = 0;
  std::string szFile;  // UTF-8 path

  bool operator==(const SealFigure&) const = default;
};

struct SealDocument {
  int32_t Width = 0;
  int32_t Height = 0;
  SealColor BackColor = 0;
  // The seal's size on paper, in millimetres over its outer frame (0: none);
  // written to templates only when set.
  double SizeMM = 0;
  std::array<SealText, 4> Text{};
  SealFrameGroup Frame{};
  std::array<SealFigure, 5> Shape{};

  bool operator==(const SealDocument&) const = default;
};

inline constexpr int kTextCount = 4;
inline constexpr int kFrameCount = 5;
inline constexpr int kFigureCount = 5;

// Every field zero (a glyph stretch of 100 %), every text empty.
SealDocument CreateSealDocument();

// Writes the defaults the program starts with over the given document.
void ApplyStartupSeal(SealDocument& doc);

// Convenience: a zeroed document with the start-up seal applied.
SealDocument StartupSealDocument();

}  // namespace korvane
