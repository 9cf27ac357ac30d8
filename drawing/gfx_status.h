// Status codes and start-up of the drawing layer. Every operation stores
// its outcome in LastStatus; boolean results are true exactly when it is Ok.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drawing/gfx_types.h"

namespace korvane {

enum class GfxStatus : int32_t {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
  FontFamilyNotFound = 14,
  FontStyleNotFound = 15,
  NotTrueTypeFont = 16,
};

// 0xAARRGGBB, straight alpha.

// Largest bitmap side the layer creates or decodes; anything larger is
// refused so that no field value or picture header can exhaust memory.
inline constexpr int kMaxBitmapSide = 16384;

// The status of the last operation on this thread.
GfxStatus LastStatus();
// Stores a status and returns whether it is Ok.
bool SetLastStatus(GfxStatus status);

// Start-up and shut-down of the layer. Start returns a non-zero token;
// Stop shuts down once, a second Stop does nothing.
uint32_t StartGraphics(int32_t version = 1);
void StopGraphics();
uint32_t GraphicsStartToken();

// Lets go of what this thread keeps to draw and encode the next seal faster
// (coverage masks, up to 16 MB, ellipse outlines and the PNG encoder's
// working memory): for a batch worker that is done, or an editor left idle.
void TrimThreadScratch();

// How much the coverage masks this thread keeps may take, 16 MB unless
// set; the budget before, for putting it back.
size_t SetThreadMaskBudget(size_t bytes);

}  // namespace korvane
