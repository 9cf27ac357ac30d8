// The drawing layer's plain values: enums, pixel formats and the colour
// word, shared by the Gfx classes and the machinery under them (paths,
// faces, rasterising), so that neither needs the other's headers for them.
#pragma once

#include <cstdint>

namespace korvane {

using ARGB = uint32_t;

enum GfxFillMode : int32_t { FillModeAlternate = 0, FillModeWinding = 1 };
enum GfxMatrixOrder : int32_t { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };

enum GfxFontStyle : int32_t {
  FontStyleRegular = 0,
  FontStyleBold = 1,
  FontStyleItalic = 2,
  FontStyleBoldItalic = 3,
  FontStyleUnderline = 4,
  FontStyleStrikeout = 8,
};

enum GfxStringAlignment : int32_t { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };
enum GfxStringFormatFlags : int32_t {
  StringFormatFlagsNoWrap = 0x1000,
  StringFormatFlagsLineLimit = 0x2000,
  StringFormatFlagsNoClip = 0x4000,
};
enum GfxStringTrimming : int32_t { StringTrimmingNone = 0 };

enum GfxSmoothingMode : int32_t {
  SmoothingModeDefault = 0,
  SmoothingModeHighSpeed = 1,
  SmoothingModeHighQuality = 2,
  SmoothingModeNone = 3,
  SmoothingModeAntiAlias = 4,
};
enum GfxCompositingQuality : int32_t { CompositingQualityDefault = 0, CompositingQualityHighQuality = 2 };
enum GfxTextRenderingHint : int32_t { TextRenderingHintSystemDefault = 0, TextRenderingHintAntiAlias = 4 };
enum GfxCombineMode : int32_t {
  CombineModeReplace = 0,
  CombineModeIntersect = 1,
  CombineModeUnion = 2,
  CombineModeXor = 3,
  CombineModeExclude = 4,
  CombineModeComplement = 5,
};
enum GfxUnit : int32_t { UnitWorld = 0, UnitPixel = 2 };
enum GfxWrapMode : int32_t { WrapModeTile = 0, WrapModeClamp = 4 };

inline constexpr int32_t PixelFormat32bppRGB = 0x00022009;
inline constexpr int32_t PixelFormat32bppARGB = 0x0026200A;
inline constexpr int32_t PixelFormat32bppPARGB = 0x000E200B;

}  // namespace korvane
