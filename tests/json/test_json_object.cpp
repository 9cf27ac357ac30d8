#include <gtest/gtest.h>

#include "json/json_object.h"

namespace korvane {
namespace {

TEST(JsonObject, NewObjectIsAnEmptyObject) { EXPECT_EQ(JsonObject().ToText(), "{}"); }

TEST(JsonObject, SetMemberQuotedStoresAString) {
  JsonObject o;
  o.SetMember("Width", "300");
  EXPECT_EQ(o.ToText(), R"({"Width":"300"})");
  EXPECT_EQ(o.GetMemberText("Width"), "300");
  EXPECT_EQ(o.TypeOf("Width"), JsonString);
}

TEST(JsonObject, SetMemberNumberStoresANumber) {
  JsonObject o;
  o.SetMemberNumber("Width", 300);
  EXPECT_EQ(o.ToText(), R"({"Width":300})");
  EXPECT_EQ(o.GetMemberText("Width"), "300");
  EXPECT_EQ(o.TypeOf("Width"), JsonNumber);
  o.SetMemberNumber("Width", 2.5);
  EXPECT_EQ(o.GetMemberText("Width"), "2.5");
  o.SetMemberNumber("Third", 1.0 / 3);
  EXPECT_EQ(o.GetMemberText("Third"), "0.3333333333333");  // travels as %.13g
  o.SetMemberNumber("Bad", std::numeric_limits<double>::quiet_NaN());
  EXPECT_FALSE(o.HasMember("Bad"));
}

TEST(JsonObject, QuotedTextComesBackUnchanged) {
  const std::string texts[] = {R"(C:\图片\seal.png)", "it's", R"(say "hi")", "line\nbreak\r\ttab", "\\\\server\\x",
                               std::string("ctl\x01\x1f", 5)};
  for (const std::string& t : texts) {
    JsonObject o;
    o.SetMember("T", t);
    EXPECT_EQ(o.GetMemberText("T"), t);
    JsonObject back;
    ASSERT_TRUE(back.Parse(o.ToText()));
    EXPECT_EQ(back.GetMemberText("T"), t);
  }
}

TEST(JsonObject, SerialisesChineseLiterallyAndEscapesControls) {
  JsonObject o;
  o.SetMember("T", "图章\"\\\n\x01");
  EXPECT_EQ(o.ToText(), "{\"T\":\"图章\\\"\\\\\\n\\u0001\"}");
}

TEST(JsonObject, SetElementRawOnAnObjectAddsANumberedMember) {
  JsonObject o;
  ASSERT_TRUE(o.Parse("{}"));
  const std::string record = R"({"Type":"1","Width":"265"})";
  o.SetElement(1, record, true);
  EXPECT_EQ(o.ToText(), R"({"1":{"Type":"1","Width":"265"}})");
  EXPECT_EQ(o.GetElementText(1, "", true), record);
  EXPECT_EQ(o.GetElementText(1, "Type"), "");  // element 1 of a missing member
  o.SetElement(2, "not json", true);
  EXPECT_EQ(o.MemberCount(), 1);
  o.SetElement(2, "plain");
  EXPECT_EQ(o.GetElementText(2), "plain");
}

TEST(JsonObject, ParseStates) {
  JsonObject o;
  EXPECT_FALSE(o.Parse("someName"));
  EXPECT_EQ(o.ToText(), "null");
  EXPECT_FALSE(o.Parse(""));
  EXPECT_EQ(o.ToText(), "");
  EXPECT_TRUE(o.Parse("[1,\"a\"]"));
  EXPECT_EQ(o.MemberCount(), 2);
  EXPECT_EQ(o.TypeOf(), JsonArray);
  EXPECT_EQ(o.GetElementText(1), "a");
  EXPECT_FALSE(o.Parse("null"));
  EXPECT_TRUE(o.Parse(" {\"a\" : 1 } "));
}

TEST(JsonObject, ScriptIsNeverEvaluated) {
  JsonObject o;
  EXPECT_FALSE(o.Parse("(function(){return {a:1}})()"));
  EXPECT_FALSE(o.Parse("{a:1}"));           // unquoted key: JavaScript, not JSON
  EXPECT_FALSE(o.Parse("{'a':'1'}"));       // single quotes
  EXPECT_FALSE(o.Parse("{\"a\":1} junk"));  // trailing text
  EXPECT_FALSE(o.Parse("{\"a\":1,}"));
  o.Clear();
  o.SetMember("x", "this.constructor.constructor('return 1')()", true);
  EXPECT_EQ(o.ToText(), "{}");
  o.SetMember("x", "", true);
  EXPECT_EQ(o.ToText(), R"({"x":{}})");
}

TEST(JsonObject, DeepNestingIsRefusedRatherThanOverflowingTheStack) {
  JsonObject o;
  EXPECT_FALSE(o.Parse(std::string(100000, '[') + std::string(100000, ']')));
  EXPECT_TRUE(o.Parse(std::string(100, '[') + std::string(100, ']')));
}

TEST(JsonObject, MemberNamesListsNamesSplitAtCommas) {
  JsonObject o;
  ASSERT_TRUE(o.Parse(R"({"a":1,"b":2})"));
  std::vector<std::string> names = {"old"};
  EXPECT_EQ(o.MemberNames(names), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
  ASSERT_TRUE(o.Parse(R"({"x,y":1,"toJSONString":2})"));
  EXPECT_EQ(o.MemberNames(names), 3);
  EXPECT_EQ(names, (std::vector<std::string>{"x", "y", "toJSONString"}));
}

TEST(JsonObject, TypeOfCodes) {
  JsonObject o;
  ASSERT_TRUE(o.Parse(R"({"b":true,"n":1.5,"o":{},"a":[],"s":"x","z":null})"));
  EXPECT_EQ(o.TypeOf("missing"), JsonNull);
  EXPECT_EQ(o.TypeOf("z"), JsonNull);
  EXPECT_EQ(o.TypeOf("b"), JsonBoolean);
  EXPECT_EQ(o.TypeOf("n"), JsonNumber);
  EXPECT_EQ(o.TypeOf("o"), JsonObjectValue);
  EXPECT_EQ(o.TypeOf("a"), JsonArray);
  EXPECT_EQ(o.TypeOf("s"), JsonString);
  EXPECT_EQ(o.TypeOf("[0]"), JsonOther);  // not a member expression after the dot
  EXPECT_EQ(o.TypeOf("missing.deeper"), JsonOther);
}

TEST(JsonObject, MissingMembersGiveEmptyResults) {
  JsonObject o;
  EXPECT_EQ(o.GetMemberText("nope"), "");
  EXPECT_EQ(o.GetMemberText("nope", true), "");
  EXPECT_EQ(o.GetMemberNumber("nope"), 0);
  EXPECT_FALSE(o.HasMember("nope"));
  EXPECT_EQ(o.GetMemberObject("nope").ToText(), "");
  EXPECT_EQ(o.GetMemberText("nope.deeper"), "");
  EXPECT_EQ(o.MemberCount("nope"), 0);
}

TEST(JsonObject, PathsReachNestedMembersAndIndexes) {
  JsonObject o;
  ASSERT_TRUE(o.Parse(R"({"Frame":{"Item":{"1":{"Type":"2"}}},"list":[10,20,30]})"));
  EXPECT_EQ(o.GetMemberText("Frame.Item[1].Type"), "2");
  EXPECT_EQ(o.GetMemberText("list[2]"), "30");
  EXPECT_EQ(o.GetMemberText("Frame['Item']", true), R"({"1":{"Type":"2"}})");
  o.SetMember("Frame.ClipX", "5");
  EXPECT_EQ(o.GetMemberText("Frame.ClipX"), "5");
  o.SetMember("absent.child", "5");  // the parent must exist
  EXPECT_FALSE(o.HasMember("absent"));
  o.DeleteMember("Frame.Item");
  EXPECT_EQ(o.GetMemberText("Frame", true), R"({"ClipX":"5"})");
}

TEST(JsonObject, GetMemberObjectIsADeepCopy) {
  JsonObject o;
  ASSERT_TRUE(o.Parse(R"({"inner":{"a":"1"}})"));
  JsonObject inner = o.GetMemberObject("inner");
  inner.SetMember("a", "2");
  EXPECT_EQ(o.GetMemberText("inner.a"), "1");
  EXPECT_EQ(o.GetElementObject(0).ToText(), "");
}

TEST(JsonObject, CopiesShareOneDocument) {
  JsonObject a;
  JsonObject b = a;
  b.SetMember("k", "v");
  EXPECT_EQ(a.ToText(), R"({"k":"v"})");
}

TEST(JsonObject, ArraysPushRemoveAndReset) {
  JsonObject o;
  o.PushElement("a");
  o.PushElement("{\"x\":1}", "", true);
  EXPECT_EQ(o.ToText(), R"(["a",{"x":1}])");
  o.RemoveElement(0);
  EXPECT_EQ(o.ToText(), R"([{"x":1}])");
  o.RemoveElement(-1);
  EXPECT_EQ(o.ToText(), "[]");
  o.ResetAs(JsonObjectValue);
  o.PushElement("1", "list", true);
  o.PushElement("2", "list", true);
  EXPECT_EQ(o.ToText(), R"({"list":[1,2]})");
  o.ResetAs(JsonString);  // not a reset code: unchanged
  EXPECT_EQ(o.MemberCount("list"), 2);
  o.SetRoot("text");
  EXPECT_EQ(o.ToText(), R"("text")");
  o.SetRoot("[true]", true);
  EXPECT_EQ(o.TypeOf(), JsonArray);
}

TEST(JsonObject, NumbersAndBooleansReadAsText) {
  JsonObject o;
  ASSERT_TRUE(o.Parse(R"({"i":300,"f":2.50,"big":12345678901234,"t":true,"s":"12"})"));
  EXPECT_EQ(o.GetMemberText("i"), "300");
  EXPECT_EQ(o.GetMemberText("f"), "2.5");
  EXPECT_EQ(o.GetMemberText("big"), "1.234567890123e+13");  // %.13g keeps 13 digits
  EXPECT_EQ(o.GetMemberText("t"), "true");
  EXPECT_EQ(o.GetMemberNumber("s"), 12);
  EXPECT_EQ(o.ToText(), R"({"i":300,"f":2.5,"big":12345678901234,"t":true,"s":"12"})");
}

}  // namespace
}  // namespace korvane
