// A JSON document addressed by member paths, built and read member by
// member. Paths are member expressions: a name, a dotted path ("Frame.Item"),
// or an index in square brackets ("[3]", "Item[2]"). Text is parsed strictly
// as JSON; nothing is ever evaluated. Copies share one document.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvane {

enum JsonType : int32_t {
  JsonNull = 0,
  JsonBoolean = 1,
  JsonNumber = 2,
  JsonObjectValue = 4,
  JsonArray = 5,
  JsonString = 6,
  JsonOther = -1,
};

class JsonObject {
 public:
  // A new object's document is the empty JSON object.
  JsonObject();

  // Replaces the document with the parsed text. False (document null) when
  // the text is not JSON; false (document undefined) when it is empty.
  bool Parse(const std::string& text);
  // Compact JSON; "null" for a null document, "" for an undefined one.
  std::string ToText() const;

  // Quoted (asJson false) or as JSON text (an empty text counts as "{}").
  void SetMember(const std::string& key, const std::string& value, bool asJson = false);
  void SetMemberJson(const std::string& key, const std::string& json);
  void SetMemberNumber(const std::string& key, double value);
  double GetMemberNumber(const std::string& key) const;
  std::string GetMemberJson(const std::string& key) const;
  // Numbers come back through "%.13g"; missing members as "".
  std::string GetMemberText(const std::string& key, bool asJson = false) const;
  JsonObject GetMemberObject(const std::string& key) const;
  int32_t MemberCount(const std::string& key = "") const;
  void PushElement(const std::string& value, const std::string& key = "", bool raw = false);
  JsonObject GetElementObject(int32_t index, const std::string& key = "") const;
  std::string GetElementText(int32_t index, const std::string& key = "", bool asJson = false) const;
  // Element `index` of the root: a member named by the number on an object.
  void SetElement(int32_t index, const std::string& value, bool raw = false);
  void RemoveElement(int32_t index);
  void DeleteMember(const std::string& key);
  void ResetAs(int32_t type);
  void SetRoot(const std::string& value, bool raw = false);
  bool HasMember(const std::string& key) const;
  // Names split at commas, as the list is carried as one comma-joined text.
  int32_t MemberNames(std::vector<std::string>& names, const std::string& key = "") const;
  int32_t TypeOf(const std::string& key = "") const;
  void Clear();

  struct Document;

 private:
  std::shared_ptr<Document> m_doc;
};

}  // namespace korvane
