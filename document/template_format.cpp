#include "document/template_format.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/text_encoding.h"
#include "document/text_number.h"
#include "json/json_object.h"

namespace korvane {

namespace {

constexpr const char kTrue[] = "真";
constexpr const char kFalse[] = "假";

std::string num(int32_t v) { return std::to_string(v); }
const char* flag(bool b) { return b ? kTrue : kFalse; }

JsonObject emptyObject() {
  JsonObject o;
  o.Parse("{}");
  return o;
}

std::string textItem(const SealText& t) {
  JsonObject o = emptyObject();
  o.SetMember("FaceName", t.Font.FaceName);
  o.SetMember("FontSize", num(t.FontSize));
  o.SetMember("Bold", flag(t.Font.Bold));
  o.SetMember("Italic", flag(t.Font.Italic));
  o.SetMember("Underline", flag(t.Font.Underline));
  o.SetMember("Width", num(t.Width));
  o.SetMember("Height", num(t.Height));
  o.SetMember("TextColor", num(t.TextColor));
  o.SetMember("Spacing", num(t.Spacing));
  o.SetMember("OffsetX", num(t.OffsetX));
  o.SetMember("OffsetY", num(t.OffsetY));
  o.SetMember("TypeStyle", num(t.TypeStyle));
  o.SetMember("szText", t.szText);
  return o.ToText();
}

std::string frameItem(const SealFrame& f) {
  JsonObject o = emptyObject();
  o.SetMember("Type", num(f.Type));
  o.SetMember("LineWidth", num(f.LineWidth));
  o.SetMember("LineColor", num(f.LineColor));
  o.SetMember("Width", num(f.Width));
  o.SetMember("Height", num(f.Height));
  o.SetMember("FillColor", num(f.FillColor));
  o.SetMember("Round", num(f.Round));
  return o.ToText();
}

std::string figureItem(const SealFigure& f) {
  JsonObject o = emptyObject();
  o.SetMember("Type", num(f.Type));
  o.SetMember("LineWidth", num(f.LineWidth));
  o.SetMember("OffsetX", num(f.OffsetX));
  o.SetMember("OffsetY", num(f.OffsetY));
  o.SetMember("Width", num(f.Width));
  o.SetMember("Height", num(f.Height));
  o.SetMember("Color", num(f.Color));
  o.SetMember("Round", num(f.Round));
  o.SetMember("szFile", f.szFile);
  return o.ToText();
}

// Items are keyed "1", "2", ... in an object, not an array.
template <typename Items, typename Write>
std::string itemList(const Items& items, Write write) {
  JsonObject list = emptyObject();
  int32_t i = 1;
  for (const auto& item : items) list.SetElement(i++, write(item), true);
  return list.ToText();
}

// A nested object of `parent` as its own document; false when absent.
bool section(const JsonObject& parent, const std::string& key, JsonObject* out) {
  return out->Parse(parent.GetMemberText(key, true));
}

bool element(const JsonObject& list, int32_t index, JsonObject* out) {
  return out->Parse(list.GetElementText(index, "", true));
}

int32_t readInt(const JsonObject& o, const char* key) { return TextToInt(o.GetMemberText(key)); }
bool readFlag(const JsonObject& o, const char* key) { return o.GetMemberText(key) == kTrue; }

}  // namespace

std::string TemplateText(const SealDocument& doc) {
  JsonObject root = emptyObject();
  root.SetMember("Width", num(doc.Width));
  root.SetMember("Height", num(doc.Height));
  root.SetMember("BackColor", num(doc.BackColor));
  root.SetMember("Text", itemList(doc.Text, textItem), true);

  JsonObject frame = emptyObject();
  frame.SetMember("ClipX", num(doc.Frame.ClipX));
  frame.SetMember("ClipY", num(doc.Frame.ClipY));
  frame.SetMember("ClipWidth", num(doc.Frame.ClipWidth));
  frame.SetMember("ClipHeight", num(doc.Frame.ClipHeight));
  frame.SetMember("ClipRound", num(doc.Frame.ClipRound));
  frame.SetMember("Item", itemList(doc.Frame.Item, frameItem), true);
  root.SetMember("Frame", frame.ToText(), true);

  root.SetMember("Shape", itemList(doc.Shape, figureItem), true);
  return root.ToText();
}

bool WriteTemplate(const SealDocument& doc, const std::string& path) {
  const std::string bytes = Utf8ToGb18030(TemplateText(doc));
  namespace fs = std::filesystem;
  const fs::path target(path);
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) ok = false;
    done += n > 0 ? size_t(n) : 0;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  // mkstemp creates the file private; a template is an ordinary document.
  if (ok) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temp.c_str(), 0666 & ~mask);
  }
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

bool ReadTemplateText(SealDocument& doc, const std::string& text) {
  JsonObject root;
  if (!root.Parse(text)) return false;

  doc.Width = readInt(root, "Width");
  doc.Height = readInt(root, "Height");
  doc.BackColor = readInt(root, "BackColor");

  JsonObject texts;
  if (section(root, "Text", &texts)) {
    for (int32_t i = 1; i <= kTextCount; ++i) {
      JsonObject item;
      if (!element(texts, i, &item)) continue;
      SealText& t = doc.Text[i - 1];
      t.Font.FaceName = item.GetMemberText("FaceName");
      t.Font.Bold = readFlag(item, "Bold");
      t.Font.Italic = readFlag(item, "Italic");
      t.Font.Underline = readFlag(item, "Underline");
      t.FontSize = readInt(item, "FontSize");
      t.Width = readInt(item, "Width");
      t.Height = readInt(item, "Height");
      t.szText = item.GetMemberText("szText");
      t.Spacing = readInt(item, "Spacing");
      t.OffsetX = readInt(item, "OffsetX");
      t.OffsetY = readInt(item, "OffsetY");
      t.TextColor = readInt(item, "TextColor");
      t.TypeStyle = readInt(item, "TypeStyle");
    }
  }

  JsonObject frame;
  if (section(root, "Frame", &frame)) {
    doc.Frame.ClipX = readInt(frame, "ClipX");
    doc.Frame.ClipY = readInt(frame, "ClipY");
    doc.Frame.ClipWidth = readInt(frame, "ClipWidth");
    doc.Frame.ClipHeight = readInt(frame, "ClipHeight");
    doc.Frame.ClipRound = readInt(frame, "ClipRound");
    JsonObject items;
    if (section(frame, "Item", &items)) {
      for (int32_t i = 1; i <= kFrameCount; ++i) {
        JsonObject item;
        if (!element(items, i, &item)) continue;
        SealFrame& f = doc.Frame.Item[i - 1];
        f.Type = readInt(item, "Type");
        f.LineWidth = readInt(item, "LineWidth");
        f.Width = readInt(item, "Width");
        f.Height = readInt(item, "Height");
        f.Round = readInt(item, "Round");
        f.LineColor = readInt(item, "LineColor");
        f.FillColor = readInt(item, "FillColor");
      }
    }
  }

  JsonObject shapes;
  if (section(root, "Shape", &shapes)) {
    for (int32_t i = 1; i <= kFigureCount; ++i) {
      JsonObject item;
      if (!element(shapes, i, &item)) continue;
      SealFigure& f = doc.Shape[i - 1];
      f.Type = readInt(item, "Type");
      f.LineWidth = readInt(item, "LineWidth");
      f.Width = readInt(item, "Width");
      f.Height = readInt(item, "Height");
      f.Round = readInt(item, "Round");
      f.Color = readInt(item, "Color");
      f.szFile = item.GetMemberText("szFile");
      f.OffsetX = readInt(item, "OffsetX");
      f.OffsetY = readInt(item, "OffsetY");
    }
  }
  return true;
}

bool ReadTemplateBytes(SealDocument& doc, const std::string& bytes) {
  const size_t nul = bytes.find('\0');
  return ReadTemplateText(doc, Gb18030ToUtf8(nul == std::string::npos ? bytes : bytes.substr(0, nul)));
}

bool ReadTemplateFile(SealDocument& doc, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  // Templates are a few kilobytes; refuse anything absurdly large.
  constexpr std::streamsize kMaxTemplateBytes = 16 << 20;
  std::string bytes;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    bytes.append(buf, size_t(in.gcount()));
    if (std::streamsize(bytes.size()) > kMaxTemplateBytes) return false;
  }
  if (in.bad()) return false;
  return ReadTemplateBytes(doc, bytes);
}

}  // namespace korvane
