#include <gtest/gtest.h>

#include <limits>

#include "document/text_number.h"

namespace korvane {
namespace {

struct Case {
  const char* text;
  int32_t value;
};

class TextToIntTest : public ::testing::TestWithParam<Case> {};

TEST_P(TextToIntTest, Reads) { EXPECT_EQ(TextToInt(GetParam().text), GetParam().value) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToIntTest,
    ::testing::Values(Case{"", 0}, Case{"abc", 0}, Case{"120", 120}, Case{"１２０", 120}, Case{"12.7", 12},
                      Case{"-5", -5}, Case{"+7", 7}, Case{"  42", 42}, Case{"\t-3x", -3}, Case{"　８", 8},
                      Case{"－１５", -15}, Case{"12abc", 12}, Case{"- 5", 0}, Case{"x12", 0},
                      Case{"2147483647", 2147483647}, Case{"-2147483648", std::numeric_limits<int32_t>::min()},
                      // Beyond the 32-bit range the value saturates instead of wrapping.
                      Case{"2147483648", std::numeric_limits<int32_t>::max()},
                      Case{"99999999999999999999", std::numeric_limits<int32_t>::max()},
                      Case{"-2147483649", std::numeric_limits<int32_t>::min()},
                      Case{"-99999999999999999999999", std::numeric_limits<int32_t>::min()},
                      Case{"00000000000000000000012", 12}));

TEST(FullWidthToHalfWidth, MapsFormsAndLeavesChineseAlone) {
  EXPECT_EQ(FullWidthToHalfWidth("ＡＢｃ！～　中文"), "ABc!~ 中文");
  // A truncated sequence at the end is kept as it is.
  EXPECT_EQ(FullWidthToHalfWidth("1\xEF\xBC"), "1\xEF\xBC");
}

}  // namespace
}  // namespace korvane
