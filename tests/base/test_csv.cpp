// CSV as RFC 4180 writes it.
#include <gtest/gtest.h>

#include "base/csv.h"

namespace korvane {
namespace {

std::vector<CsvRecord> parse(std::string_view text) {
  std::vector<CsvRecord> records;
  std::string error;
  EXPECT_TRUE(ParseCsv(text, &records, &error)) << error;
  return records;
}

TEST(Csv, FieldsRecordsAndLineEnds) {
  EXPECT_EQ(parse("a,b\r\n1,2\n3,4"), (std::vector<CsvRecord>{{"a", "b"}, {"1", "2"}, {"3", "4"}}));
  EXPECT_EQ(parse("a,b\n"), (std::vector<CsvRecord>{{"a", "b"}}));  // a final break makes no record
  EXPECT_EQ(parse("a,,c\n,\n"), (std::vector<CsvRecord>{{"a", "", "c"}, {"", ""}}));
  EXPECT_EQ(parse(""), std::vector<CsvRecord>{});
  EXPECT_EQ(parse("a\"b,c"), (std::vector<CsvRecord>{{"a\"b", "c"}}));  // a quote inside plain text is text
}

TEST(Csv, QuotedFieldsHoldCommasLineBreaksAndDoubledQuotes) {
  EXPECT_EQ(parse("\"北京, 某某\",\"两行\r\n文字\",\"说 \"\"好\"\"\"\n"),
            (std::vector<CsvRecord>{{"北京, 某某", "两行\r\n文字", "说 \"好\""}}));
  EXPECT_EQ(parse("\"\",x"), (std::vector<CsvRecord>{{"", "x"}}));
}

TEST(Csv, AByteOrderMarkIsSkipped) { EXPECT_EQ(parse("\xEF\xBB\xBFoutput\nx.png"), (std::vector<CsvRecord>{{"output"}, {"x.png"}})); }

TEST(Csv, AnOpenQuoteOrTextAfterAClosingOneIsAnError) {
  std::vector<CsvRecord> records;
  std::string error;
  EXPECT_FALSE(ParseCsv("a\n\"open,b\n", &records, &error));
  EXPECT_NE(error.find("record 2"), std::string::npos) << error;
  EXPECT_FALSE(ParseCsv("\"closed\"x,b", &records, &error));
  EXPECT_NE(error.find("after a closing quote"), std::string::npos) << error;
}

}  // namespace
}  // namespace korvane
