// Taking urls apart, reading header text and folding cookies together.
#include <gtest/gtest.h>

#include "web/cookie_helpers.h"

namespace korvane {
namespace {

TEST(TextBetween, FindsTheTextBetweenTwoMarkers) {
  const std::string json = R"({"name":"seal","size":"42"})";
  EXPECT_EQ(TextBetween(json, "#引号size#引号:", "}"), "\"42\"");
  EXPECT_EQ(TextBetween(json, "#引号name#引号:", ","), "\"seal\"");
  EXPECT_EQ(TextBetween("b] [a", "[", "]"), "");  // the right marker only before the left
  EXPECT_EQ(TextBetween("abc", "x", "c"), "");
  EXPECT_EQ(TextBetween("Key: V;", "key:", ";", 0, true), " V");
  EXPECT_EQ(TextBetween("Key: V;", "key:", ";"), "");
  EXPECT_EQ(TextBetween("a[1] a[2]", "[", "]", 3), "2");
}

TEST(TextAfterColon, TakesAllAfterTheFirstColonTrimmed) {
  EXPECT_EQ(TextAfterColon("user-agent:  Seal/1.0 　"), "Seal/1.0");
  EXPECT_EQ(TextAfterColon("a: b: c"), "b: c");
  EXPECT_EQ(TextAfterColon("no colon"), "");
  EXPECT_EQ(TextAfterColon("x:\tkeep "), "\tkeep");  // tabs stay
}

TEST(Url, HostPortAndObject) {
  EXPECT_EQ(UrlHost("HTTP://WWW.Example.COM/Path", false), "www.example.com");
  EXPECT_EQ(UrlHost("http://host:8080/x", false), "host");
  EXPECT_EQ(UrlHost("http://host:8080/x", true), "host:8080");
  EXPECT_EQ(UrlHost("host.cn", false), "host.cn");
  EXPECT_EQ(UrlHost("https://secure.cn", false), "secure.cn");
  EXPECT_EQ(UrlPort("https://secure.cn/a"), 443);
  EXPECT_EQ(UrlPort("http://plain.cn/a"), 80);
  EXPECT_EQ(UrlPort("plain.cn/a"), 80);
  EXPECT_EQ(UrlPort("http://plain.cn:8080/a"), 8080);
  EXPECT_EQ(UrlPort("https://secure.cn:8443"), 8443);
  EXPECT_EQ(UrlObject("http://Host.cn/Path/File.PNG?q=A&b=1"), "/Path/File.PNG?q=A&b=1");
  EXPECT_EQ(UrlObject("http://host.cn"), "/");
  EXPECT_EQ(UrlObject("http://host.cn:8080/a/b"), "/a/b");
}

TEST(Cookies, NamesAndLists) {
  EXPECT_EQ(CookieName(" sid = 42"), "sid");
  EXPECT_EQ(CookieName("flag"), "flag");
  EXPECT_TRUE(CookieListHasName("a=1; sid=2", "sid"));
  EXPECT_FALSE(CookieListHasName("a=1; SID=2", "sid"));
  EXPECT_FALSE(CookieListHasName("", "a"));
}

TEST(Cookies, MergingKeepsNewValuesDropsDeletedAndCollapsesDuplicates) {
  EXPECT_EQ(MergeCookies("a=1;b=2", "b=3"), "b=3; a=1");
  EXPECT_EQ(MergeCookies("a=1", "a=deleted"), "");
  EXPECT_EQ(MergeCookies("a=1", "b=2;b=2"), "b=2; a=1");
  EXPECT_EQ(MergeCookies("", ""), "");
  EXPECT_EQ(MergeCookies("a = 1; ", ""), "a=1");
}

TEST(Cookies, JoinDistinctKeepsTheFirstOfEqualPiecesInOrder) {
  EXPECT_EQ(JoinDistinct("b; a; b; c; a", "; "), "b; a; c");
  EXPECT_EQ(JoinDistinct("", "; "), "");
  EXPECT_EQ(JoinDistinct("x", ","), "x");
}

TEST(Utf8ToText, DecodesAndReplacesInvalidBytes) {
  const std::string page = "<p>页面不存在</p>";
  EXPECT_EQ(Utf8ToText(ByteArray(page.begin(), page.end())), page);
  EXPECT_EQ(Utf8ToText(ByteArray{'a', 0xFF, 'b'}), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Utf8ToText(ByteArray{'a', 0, 'b'}), "a");
  EXPECT_EQ(Utf8ToText({}), "");
}

}  // namespace
}  // namespace korvane
