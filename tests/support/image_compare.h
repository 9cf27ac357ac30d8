// Reference-image comparison for render tests.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "drawing/gfx/gfx_image.h"

namespace korvane::test {

// Straight ARGB pixel of a bitmap (0 outside it).
ARGB Pixel(const GfxImage& image, int x, int y);

struct CompareTolerance {
  int channel = 8;        // largest per-channel difference that counts as equal
  int looseChannel = 64;  // anti-aliased edges may differ this much ...
  int loosePixels = 40;   // ... in at most this many pixels
};

// Compares a rendered bitmap with tests/render/<name>.png. On failure writes
// build/render-diffs/<name>.png (expected | difference | actual). With
// KORVANE_UPDATE_REFERENCES=1 in the environment a missing or differing
// reference is rewritten, and the comparison still fails.
::testing::AssertionResult MatchesReference(const GfxImage& actual, const std::string& name,
                                            CompareTolerance tolerance = {});

}  // namespace korvane::test
