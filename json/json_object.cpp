#include "json/json_object.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <nlohmann/json.hpp>

namespace korvane {

using Json = nlohmann::ordered_json;

// `defined` false is JavaScript's undefined: what an empty parse leaves.
struct JsonObject::Document {
  bool defined = true;
  Json value = Json::object();
};

namespace {

// Deeper documents are refused so that serialising one can never exhaust
// the stack; templates nest four levels.
constexpr int kMaxDepth = 256;

std::string dump(const Json& v) { return v.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string formatNumber(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.13g", d);
  return buf;
}

// Integral numbers print without a fraction, as JavaScript prints them.
void normalizeNumbers(Json& v) {
  if (v.is_number_float()) {
    const double d = v.get<double>();
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.007199254740992e15) v = int64_t(d);
  } else if (v.is_structured()) {
    for (Json& child : v) normalizeNumbers(child);
  }
}

bool tooDeep(const std::string& text) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxDepth) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

// Builds an ordered document in time linear in the text: the ordered map
// searches its members linearly on every insert, so each open object keeps
// an index of its keys instead. A repeated key replaces the value in place,
// as the ordered map's own parser does.
class OrderedBuilder {
 public:
  using number_integer_t = Json::number_integer_t;
  using number_unsigned_t = Json::number_unsigned_t;
  using number_float_t = Json::number_float_t;
  using string_t = Json::string_t;
  using binary_t = Json::binary_t;

  explicit OrderedBuilder(Json& root) : m_root(root) {}

  bool null() { return put(nullptr); }
  bool boolean(bool v) { return put(v); }
  bool number_integer(number_integer_t v) { return put(v); }
  bool number_unsigned(number_unsigned_t v) { return put(v); }
  bool number_float(number_float_t v, const string_t&) { return put(v); }
  bool string(string_t& v) { return put(std::move(v)); }
  bool binary(binary_t&) { return false; }
  bool start_object(std::size_t) { return open(Json::object()); }
  bool key(string_t& k) {
    m_key = std::move(k);
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(Json::array()); }
  bool end_array() { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
    m_overflow = e.id == 406;  // a number beyond the double range
    return false;
  }

  bool overflow() const { return m_overflow; }

 private:
  using Members = Json::object_t::Container;

  bool put(Json value) { return insert(std::move(value)) != nullptr; }

  Json* insert(Json value) {
    if (m_open.empty()) {
      m_root = std::move(value);
      return &m_root;
    }
    Json& parent = *m_open.back();
    if (parent.is_array()) {
      parent.get_ref<Json::array_t&>().push_back(std::move(value));
      return &parent.get_ref<Json::array_t&>().back();
    }
    Members& members = parent.get_ref<Json::object_t&>();
    auto [at, added] = m_keys.back().try_emplace(m_key, members.size());
    if (!added) {
      (members.begin() + ptrdiff_t(at->second))->second = std::move(value);
      return &(members.begin() + ptrdiff_t(at->second))->second;
    }
    members.emplace_back(m_key, std::move(value));
    return &members.back().second;
  }

  bool open(Json container) {
    Json* at = insert(std::move(container));
    m_open.push_back(at);
    m_keys.emplace_back();
    return true;
  }

  bool close() {
    m_open.pop_back();
    m_keys.pop_back();
    return true;
  }

  Json& m_root;
  std::vector<Json*> m_open;
  std::vector<std::unordered_map<std::string, size_t>> m_keys;
  std::string m_key;
  bool m_overflow = false;
};

std::optional<Json> parseOrdered(const std::string& text, bool* overflow) {
  Json v;
  OrderedBuilder builder(v);
  const bool ok = Json::sax_parse(text, &builder, nlohmann::detail::input_format_t::json, true, false);
  *overflow = builder.overflow();
  if (!ok) return std::nullopt;
  return v;
}

// Numbers beyond the double range are grammatical JSON: they are read as
// the largest double of their sign, as any too-large number saturates.
std::string saturateHugeNumbers(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '"') {
      const size_t start = i++;
      while (i < text.size() && text[i] != '"') i += text[i] == '\\' ? 2 : 1;
      i = std::min(text.size(), i + 1);
      out.append(text, start, i - start);
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      const size_t start = i++;
      while (i < text.size() && std::strchr("0123456789.eE+-", text[i])) ++i;
      const std::string token = text.substr(start, i - start);
      errno = 0;
      const double d = std::strtod(token.c_str(), nullptr);
      if (errno == ERANGE && std::isinf(d))
        out += d < 0 ? "-1.7976931348623157e308" : "1.7976931348623157e308";
      else
        out += token;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

// Strict RFC 8259 parse; nullopt when the text is not JSON.
std::optional<Json> parseJson(const std::string& text) {
  if (tooDeep(text)) return std::nullopt;
  bool overflow = false;
  std::optional<Json> v = parseOrdered(text, &overflow);
  if (!v && overflow) v = parseOrdered(saturateHugeNumbers(text), &overflow);
  if (!v) return std::nullopt;
  normalizeNumbers(*v);
  return v;
}

// ---- member paths ----

struct Segment {
  std::string key;  // the property key, numbers as their decimal text
};
using Path = std::vector<Segment>;

bool identStart(unsigned char c) { return std::isalpha(c) || c == '_' || c == '$' || c >= 0x80; }
bool identPart(unsigned char c) { return identStart(c) || std::isdigit(c); }

// Parses a tail of member accesses: ('.' name | '[' number ']' | '[' 'text' ']')*.
std::optional<Path> parseTail(const std::string& s) {
  Path path;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '.') {
      ++i;
      const size_t start = i;
      if (i >= s.size() || !identStart(static_cast<unsigned char>(s[i]))) return std::nullopt;
      while (i < s.size() && identPart(static_cast<unsigned char>(s[i]))) ++i;
      path.push_back({s.substr(start, i - start)});
    } else if (s[i] == '[') {
      ++i;
      if (i < s.size() && (s[i] == '\'' || s[i] == '"')) {
        const char quote = s[i++];
        std::string key;
        while (i < s.size() && s[i] != quote) {
          if (s[i] == '\\' && i + 1 < s.size()) ++i;
          key.push_back(s[i++]);
        }
        if (i >= s.size()) return std::nullopt;
        ++i;
        path.push_back({key});
      } else {
        const size_t start = i;
        if (i < s.size() && s[i] == '-') ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        if (i == start || (i == start + 1 && s[start] == '-')) return std::nullopt;
        // "[007]" means index 7.
        const long long n = std::strtoll(s.substr(start, i - start).c_str(), nullptr, 10);
        path.push_back({std::to_string(n)});
      }
      if (i >= s.size() || s[i] != ']') return std::nullopt;
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return path;
}

// The three ways a key becomes a path below the document.
std::optional<Path> memberPath(const std::string& key) { return parseTail("." + key); }  // N.K
std::optional<Path> memberOrIndexPath(const std::string& key) {                          // N.K or N[..]
  return !key.empty() && key[0] == '[' ? parseTail(key) : parseTail("." + key);
}
std::optional<Path> rootOrMemberPath(const std::string& key) {  // N, or N.K
  return key.empty() ? std::optional<Path>(Path{}) : parseTail("." + key);
}

std::optional<size_t> arrayIndex(const std::string& key) {
  if (key.empty() || key.size() > 10 || (key.size() > 1 && key[0] == '0')) return std::nullopt;
  for (char c : key)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  const unsigned long long n = std::strtoull(key.c_str(), nullptr, 10);
  if (n >= 4294967295ull) return std::nullopt;
  return size_t(n);
}

// What a member expression gives: a value, undefined, or a script error
// (a member of null or undefined, or an expression that does not parse).
struct Lookup {
  enum State { Error, Undefined, Found } state = Error;
  const Json* value = nullptr;
};

const Json* child(const Json& parent, const std::string& key) {
  if (parent.is_object()) {
    auto it = parent.find(key);
    return it == parent.end() ? nullptr : &*it;
  }
  if (parent.is_array()) {
    const auto index = arrayIndex(key);
    return index && *index < parent.size() ? &parent[*index] : nullptr;
  }
  return nullptr;
}

Lookup resolve(const JsonObject::Document& doc, const std::optional<Path>& path) {
  if (!path) return {};
  if (!doc.defined) return path->empty() ? Lookup{Lookup::Undefined} : Lookup{};
  const Json* v = &doc.value;
  for (const Segment& seg : *path) {
    if (!v) return {};  // a member of undefined
    if (v->is_null()) return {};
    v = child(*v, seg.key);
  }
  return v ? Lookup{Lookup::Found, v} : Lookup{Lookup::Undefined};
}

// Assigns at a path; the parent must exist. Assigning to a member of a
// string, number or boolean does nothing, as in JavaScript.
void assign(JsonObject::Document& doc, const std::optional<Path>& path, Json value) {
  if (!path || path->empty()) return;
  Path parentPath(path->begin(), path->end() - 1);
  const Lookup parent = resolve(doc, parentPath);
  if (parent.state != Lookup::Found) return;
  Json& target = const_cast<Json&>(*parent.value);
  const std::string& key = path->back().key;
  if (target.is_object()) {
    target[key] = std::move(value);
  } else if (target.is_array()) {
    const auto index = arrayIndex(key);
    if (!index) return;
    if (*index >= target.size()) {
      if (*index > 1000000) return;  // a sparse array this large is not a template
      target.get_ref<Json::array_t&>().resize(*index + 1);
    }
    target[*index] = std::move(value);
  }
}

std::string valueText(const Json& v) {
  switch (v.type()) {
    case Json::value_t::string: return v.get_ref<const std::string&>();
    case Json::value_t::boolean: return v.get<bool>() ? "true" : "false";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return formatNumber(v.get<double>());
    case Json::value_t::object: return "[object Object]";
    case Json::value_t::array: {
      std::string out;
      for (size_t i = 0; i < v.size(); ++i) out += (i ? "," : "") + valueText(v[i]);
      return out;
    }
    default: return {};
  }
}

std::string lookupText(const Lookup& l) { return l.state == Lookup::Found ? valueText(*l.value) : std::string(); }
std::string lookupJson(const Lookup& l) { return l.state == Lookup::Found ? dump(*l.value) : std::string(); }

// A value handed in raw is JSON text; otherwise it is a string.
std::optional<Json> elementValue(const std::string& value, bool raw) {
  return raw ? parseJson(value) : std::optional<Json>(Json(value));
}

std::string indexKey(const std::string& key, int32_t index) { return (key.empty() ? "" : "." + key) + "[" + std::to_string(index) + "]"; }

}  // namespace

JsonObject::JsonObject() : m_doc(std::make_shared<Document>()) {}

bool JsonObject::Parse(const std::string& text) {
  if (text.empty()) {
    m_doc->defined = false;
    m_doc->value = nullptr;
    return false;
  }
  m_doc->defined = true;
  std::optional<Json> parsed = parseJson(text);
  m_doc->value = parsed ? std::move(*parsed) : Json(nullptr);
  return !m_doc->value.is_null();
}

std::string JsonObject::ToText() const { return m_doc->defined ? dump(m_doc->value) : std::string(); }

void JsonObject::SetMember(const std::string& key, const std::string& value, bool asJson) {
  if (!asJson) {
    assign(*m_doc, memberPath(key), Json(value));
    return;
  }
  if (std::optional<Json> parsed = parseJson(value.empty() ? "{}" : value))
    assign(*m_doc, memberPath(key), std::move(*parsed));
}

void JsonObject::SetMemberJson(const std::string& key, const std::string& json) {
  if (json.empty()) {
    // An undefined value: the member drops out of the serialised text.
    DeleteMember(key);
    return;
  }
  if (std::optional<Json> parsed = parseJson(json)) assign(*m_doc, memberPath(key), std::move(*parsed));
}

void JsonObject::SetMemberNumber(const std::string& key, double value) {
  // The number travels as "%.13g" text; NaN and infinities have none.
  if (!std::isfinite(value)) return;
  Json v = std::strtod(formatNumber(value).c_str(), nullptr);
  normalizeNumbers(v);
  assign(*m_doc, memberPath(key), std::move(v));
}

double JsonObject::GetMemberNumber(const std::string& key) const {
  const Lookup l = resolve(*m_doc, memberPath(key));
  if (l.state != Lookup::Found) return 0;
  const Json& v = *l.value;
  if (v.is_number()) return v.get<double>();
  if (v.is_boolean()) return v.get<bool>() ? 1 : 0;
  if (v.is_string()) {
    const std::string& s = v.get_ref<const std::string&>();
    char* end = nullptr;
    const double d = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && !s.empty() ? d : 0;
  }
  return 0;
}

std::string JsonObject::GetMemberJson(const std::string& key) const {
  return lookupJson(resolve(*m_doc, memberPath(key)));
}

std::string JsonObject::GetMemberText(const std::string& key, bool asJson) const {
  const Lookup l = resolve(*m_doc, memberOrIndexPath(key));
  if (asJson) return lookupJson(l);
  if (TypeOf(key) == JsonNumber) return formatNumber(GetMemberNumber(key));
  return lookupText(l);
}

// A document of its own holding a copy of what was found (an undefined one
// for nothing), as parsing its text would give, without writing and
// reading that text: a 16 MiB template is read once, not four times.
JsonObject JsonObject::GetMemberObject(const std::string& key) const {
  const Lookup l = resolve(*m_doc, memberOrIndexPath(key));
  JsonObject copy;
  if (l.state == Lookup::Found)
    copy.m_doc->value = *l.value;
  else
    copy.Parse("");
  return copy;
}

int32_t JsonObject::MemberCount(const std::string& key) const {
  const Lookup l = resolve(*m_doc, key.empty() ? std::optional<Path>(Path{}) : memberOrIndexPath(key));
  if (l.state != Lookup::Found || !l.value->is_structured()) return 0;
  return int32_t(l.value->size());
}

void JsonObject::PushElement(const std::string& value, const std::string& key, bool raw) {
  std::optional<Json> parsed = elementValue(value, raw);
  if (!parsed) return;
  Json element = std::move(*parsed);
  const std::optional<Path> path = rootOrMemberPath(key);
  if (!path) return;
  const Lookup l = resolve(*m_doc, path);
  if (path->empty()) {
    if (l.state != Lookup::Found || !l.value->is_array()) {
      m_doc->defined = true;
      m_doc->value = Json::array();
    }
    m_doc->value.push_back(std::move(element));
    return;
  }
  if (l.state == Lookup::Error) return;
  if (l.state != Lookup::Found || !l.value->is_array()) {
    assign(*m_doc, path, Json::array());
    const Lookup again = resolve(*m_doc, path);
    if (again.state != Lookup::Found || !again.value->is_array()) return;
    const_cast<Json&>(*again.value).push_back(std::move(element));
    return;
  }
  const_cast<Json&>(*l.value).push_back(std::move(element));
}

JsonObject JsonObject::GetElementObject(int32_t index, const std::string& key) const {
  const Lookup l = resolve(*m_doc, parseTail(indexKey(key, index)));
  JsonObject copy;
  if (l.state == Lookup::Found)
    copy.m_doc->value = *l.value;
  else
    copy.Parse("");
  return copy;
}

std::string JsonObject::GetElementText(int32_t index, const std::string& key, bool asJson) const {
  const Lookup l = resolve(*m_doc, parseTail(indexKey(key, index)));
  return asJson ? lookupJson(l) : lookupText(l);
}

void JsonObject::SetElement(int32_t index, const std::string& value, bool raw) {
  if (std::optional<Json> element = elementValue(value, raw))
    assign(*m_doc, parseTail(indexKey("", index)), std::move(*element));
}

void JsonObject::RemoveElement(int32_t index) {
  if (!m_doc->defined || !m_doc->value.is_array()) return;
  Json::array_t& a = m_doc->value.get_ref<Json::array_t&>();
  // splice(i, 1): a negative index counts from the end.
  long long i = index < 0 ? (long long)a.size() + index : index;
  if (i < 0) i = 0;
  if (size_t(i) < a.size()) a.erase(a.begin() + i);
}

void JsonObject::DeleteMember(const std::string& key) {
  const std::optional<Path> path = memberPath(key);
  if (!path || path->empty()) return;
  Path parentPath(path->begin(), path->end() - 1);
  const Lookup parent = resolve(*m_doc, parentPath);
  if (parent.state != Lookup::Found) return;
  Json& target = const_cast<Json&>(*parent.value);
  if (target.is_object()) {
    target.erase(path->back().key);
  } else if (target.is_array()) {
    // delete leaves a hole, which serialises as null.
    if (const auto i = arrayIndex(path->back().key); i && *i < target.size()) target[*i] = nullptr;
  }
}

void JsonObject::ResetAs(int32_t type) {
  if (type == JsonNull || type == JsonObjectValue) {
    m_doc->defined = true;
    m_doc->value = Json::object();
  } else if (type == JsonArray) {
    m_doc->defined = true;
    m_doc->value = Json::array();
  }
}

void JsonObject::SetRoot(const std::string& value, bool raw) {
  if (!raw) {
    m_doc->defined = true;
    m_doc->value = value;
    return;
  }
  if (std::optional<Json> parsed = parseJson(value)) {
    m_doc->defined = true;
    m_doc->value = std::move(*parsed);
  }
}

bool JsonObject::HasMember(const std::string& key) const {
  const Lookup l = resolve(*m_doc, memberPath(key));
  return l.state == Lookup::Found && !l.value->is_null();
}

int32_t JsonObject::MemberNames(std::vector<std::string>& names, const std::string& key) const {
  const Lookup l = resolve(*m_doc, rootOrMemberPath(key));
  std::string joined;
  if (l.state == Lookup::Found) {
    if (l.value->is_object()) {
      for (auto it = l.value->begin(); it != l.value->end(); ++it) joined += it.key() + ",";
    } else if (l.value->is_array()) {
      for (size_t i = 0; i < l.value->size(); ++i) joined += std::to_string(i) + ",";
    }
  }
  names.clear();
  size_t start = 0;
  while (start < joined.size()) {
    const size_t comma = joined.find(',', start);
    names.push_back(joined.substr(start, comma - start));
    start = comma + 1;
  }
  return int32_t(names.size());
}

int32_t JsonObject::TypeOf(const std::string& key) const {
  const Lookup l = resolve(*m_doc, rootOrMemberPath(key));
  if (l.state == Lookup::Error) return JsonOther;
  if (l.state == Lookup::Undefined || l.value->is_null()) return JsonNull;
  switch (l.value->type()) {
    case Json::value_t::boolean: return JsonBoolean;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return JsonNumber;
    case Json::value_t::object: return JsonObjectValue;
    case Json::value_t::array: return JsonArray;
    case Json::value_t::string: return JsonString;
    default: return JsonOther;
  }
}

void JsonObject::Clear() {
  m_doc->defined = true;
  m_doc->value = Json::object();
}

}  // namespace korvane
