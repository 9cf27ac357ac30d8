#include "document/template_format.h"

#include <cerrno>

#include "base/file_io.h"
#include "document/text_encoding.h"
#include "document/text_number.h"
#include "json/json_object.h"

namespace korvane {

namespace {

constexpr const char kTrue[] = "真";
constexpr const char kFalse[] = "假";

// One row per member of an item: its key and the field it stands for. The
// rows are in the order the file writes them; reading takes the same rows.
template <typename Record>
struct Member {
  const char* key;
  int32_t Record::*integer = nullptr;
  std::string Record::*text = nullptr;
  bool SealTextFont::*flag = nullptr;  // text items only
  // Members added to the format later are written only when they differ
  // from their default, and read as the default when absent: a template
  // that does not use them stays byte for byte what it was.
  bool optional = false;
  int32_t fallback = 0;
};

using TextMember = Member<SealText>;
const TextMember kTextMembers[] = {
    {"FaceName", nullptr, nullptr, nullptr},  // SealTextFont::FaceName, handled below
    {"FontSize", &SealText::FontSize},
    {"Bold", nullptr, nullptr, &SealTextFont::Bold},
    {"Italic", nullptr, nullptr, &SealTextFont::Italic},
    {"Underline", nullptr, nullptr, &SealTextFont::Underline},
    {"Width", &SealText::Width},
    {"Height", &SealText::Height},
    {"TextColor", &SealText::TextColor},
    {"Spacing", &SealText::Spacing},
    {"OffsetX", &SealText::OffsetX},
    {"OffsetY", &SealText::OffsetY},
    {"TypeStyle", &SealText::TypeStyle},
    {"szText", nullptr, &SealText::szText},
    {"Sweep", &SealText::Sweep, nullptr, nullptr, true, 0},
    {"Stretch", &SealText::Stretch, nullptr, nullptr, true, 100},
};

const Member<SealFrame> kFrameMembers[] = {
    {"Type", &SealFrame::Type},   {"LineWidth", &SealFrame::LineWidth}, {"LineColor", &SealFrame::LineColor},
    {"Width", &SealFrame::Width}, {"Height", &SealFrame::Height},       {"FillColor", &SealFrame::FillColor},
    {"Round", &SealFrame::Round},
};

const Member<SealFigure> kFigureMembers[] = {
    {"Type", &SealFigure::Type},     {"LineWidth", &SealFigure::LineWidth}, {"OffsetX", &SealFigure::OffsetX},
    {"OffsetY", &SealFigure::OffsetY}, {"Width", &SealFigure::Width},       {"Height", &SealFigure::Height},
    {"Color", &SealFigure::Color},   {"Round", &SealFigure::Round},         {"szFile", nullptr, &SealFigure::szFile},
};

const char* const kClipMembers[] = {"ClipX", "ClipY", "ClipWidth", "ClipHeight", "ClipRound"};
int32_t* clipField(SealFrameGroup& g, int i) {
  int32_t* fields[] = {&g.ClipX, &g.ClipY, &g.ClipWidth, &g.ClipHeight, &g.ClipRound};
  return fields[i];
}

std::string num(int32_t v) { return std::to_string(v); }

JsonObject emptyObject() {
  JsonObject o;
  o.Parse("{}");
  return o;
}

// Text items keep their face name and style flags in a nested record.
template <typename Record>
const SealTextFont* fontOf(const Record&) {
  return nullptr;
}
const SealTextFont* fontOf(const SealText& t) { return &t.Font; }
template <typename Record>
SealTextFont* fontOf(Record&) {
  return nullptr;
}
SealTextFont* fontOf(SealText& t) { return &t.Font; }

template <typename Record, size_t N>
std::string writeItem(const Record& r, const Member<Record> (&members)[N]) {
  JsonObject o = emptyObject();
  for (const Member<Record>& m : members) {
    if (m.optional && r.*m.integer == m.fallback) continue;
    if (m.integer)
      o.SetMember(m.key, num(r.*m.integer));
    else if (m.text)
      o.SetMember(m.key, r.*m.text);
    else if (m.flag)
      o.SetMember(m.key, fontOf(r)->*m.flag ? kTrue : kFalse);
    else
      o.SetMember(m.key, fontOf(r)->FaceName);
  }
  return o.ToText();
}

// Members an item lacks read as empty: 0, false, "".
template <typename Record, size_t N>
void readItem(const JsonObject& o, Record& r, const Member<Record> (&members)[N]) {
  for (const Member<Record>& m : members) {
    if (m.optional && !o.HasMember(m.key)) {
      r.*m.integer = m.fallback;
      continue;
    }
    const std::string value = o.GetMemberText(m.key);
    if (m.integer)
      r.*m.integer = TextToInt(value);
    else if (m.text)
      r.*m.text = value;
    else if (m.flag)
      fontOf(r)->*m.flag = value == kTrue;
    else
      fontOf(r)->FaceName = value;
  }
}

// Items are keyed "1", "2", ... in an object, not an array.
template <typename Items, typename Row, size_t N>
std::string writeList(const Items& items, const Row (&members)[N]) {
  JsonObject list = emptyObject();
  int32_t i = 1;
  for (const auto& item : items) list.SetElement(i++, writeItem(item, members), true);
  return list.ToText();
}

template <typename Items, typename Row, size_t N>
void readList(const JsonObject& list, Items& items, const Row (&members)[N]) {
  for (int32_t i = 1; i <= int32_t(items.size()); ++i) {
    const JsonObject item = list.GetElementObject(i);
    if (item.TypeOf() != JsonNull && item.TypeOf() != JsonOther) readItem(item, items[size_t(i - 1)], members);
  }
}

// A nested object of `parent` as its own document; false when absent.
bool section(const JsonObject& parent, const std::string& key, JsonObject* out) {
  *out = parent.GetMemberObject(key);
  return out->TypeOf() != JsonNull && out->TypeOf() != JsonOther;
}

}  // namespace

std::string TemplateText(const SealDocument& doc) {
  JsonObject root = emptyObject();
  root.SetMember("Width", num(doc.Width));
  root.SetMember("Height", num(doc.Height));
  root.SetMember("BackColor", num(doc.BackColor));
  if (doc.SizeMM > 0) root.SetMember("SizeMM", MillimetresText(doc.SizeMM));
  root.SetMember("Text", writeList(doc.Text, kTextMembers), true);

  JsonObject frame = emptyObject();
  SealFrameGroup group = doc.Frame;
  for (int i = 0; i < 5; ++i) frame.SetMember(kClipMembers[i], num(*clipField(group, i)));
  frame.SetMember("Item", writeList(doc.Frame.Item, kFrameMembers), true);
  root.SetMember("Frame", frame.ToText(), true);

  root.SetMember("Shape", writeList(doc.Shape, kFigureMembers), true);
  return root.ToText();
}

bool WriteTemplate(const SealDocument& doc, const std::string& path, SpecialFiles special) {
  const std::optional<std::string> bytes = Utf8ToGb18030(TemplateText(doc));
  if (!bytes) {
    errno = ENOSYS;
    return false;
  }
  return WriteFileAtomically(path, *bytes, special);
}

bool ReadTemplateText(SealDocument& doc, const std::string& text) {
  JsonObject root;
  if (!root.Parse(text)) return false;

  // A root member the file lacks leaves its field as it was, like a
  // missing section: {"Width":"300"} changes the width and nothing else.
  if (root.HasMember("Width")) doc.Width = TextToInt(root.GetMemberText("Width"));
  if (root.HasMember("Height")) doc.Height = TextToInt(root.GetMemberText("Height"));
  if (root.HasMember("BackColor")) doc.BackColor = TextToInt(root.GetMemberText("BackColor"));
  // A size on paper is the template's own: one without it has none.
  doc.SizeMM = root.HasMember("SizeMM") ? TextToMillimetres(root.GetMemberText("SizeMM")) : 0;

  JsonObject texts;
  if (section(root, "Text", &texts)) readList(texts, doc.Text, kTextMembers);

  JsonObject frame;
  if (section(root, "Frame", &frame)) {
    for (int i = 0; i < 5; ++i) *clipField(doc.Frame, i) = TextToInt(frame.GetMemberText(kClipMembers[i]));
    JsonObject items;
    if (section(frame, "Item", &items)) readList(items, doc.Frame.Item, kFrameMembers);
  }

  JsonObject shapes;
  if (section(root, "Shape", &shapes)) readList(shapes, doc.Shape, kFigureMembers);
  return true;
}

bool ReadTemplateBytes(SealDocument& doc, const std::string& bytes) {
  const size_t nul = bytes.find('\0');
  const std::optional<std::string> text = Gb18030ToUtf8(nul == std::string::npos ? bytes : bytes.substr(0, nul));
  return text && ReadTemplateText(doc, *text);
}

bool ReadTemplateFile(SealDocument& doc, const std::string& path) {
  ByteArray bytes;
  if (!ReadFileBytes(path, &bytes, kMaxTemplateBytes)) return false;
  return ReadTemplateBytes(doc, std::string(bytes.begin(), bytes.end()));
}

}  // namespace korvane
