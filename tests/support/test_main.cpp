// The tests' main: Fontconfig's process-wide state is released at the end,
// so that LeakSanitizer reports only what the program itself leaked.
#include <gtest/gtest.h>

#include "drawing/text/font_config.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  korvane::ReleaseFontConfiguration();
  return result;
}
