// Template files: the whole seal as one line of JSON whose every leaf is a
// string, in a fixed member order, stored as GB18030.
#pragma once

#include <cstddef>
#include <string>

#include "base/file_io.h"
#include "document/seal_document.h"

namespace korvane {

inline constexpr const char kTemplateExtension[] = ".qsx_tzl";
// Templates are a few kilobytes; anything larger is not one.
inline constexpr size_t kMaxTemplateBytes = size_t(16) << 20;

// The template's JSON text (UTF-8).
std::string TemplateText(const SealDocument& doc);

// Writes the template to a temporary file beside `path` and renames it over
// `path`, so that a failure never costs the old file (a FIFO or a device is
// written through, or refused, as WriteFileAtomically says). True on
// success; a text that cannot be converted to GB18030 writes nothing.
bool WriteTemplate(const SealDocument& doc, const std::string& path,
                   SpecialFiles special = SpecialFiles::WriteThrough);

// Reads template JSON (UTF-8) into the document in place: root members,
// sections and items the text lacks stay as they are, members an item
// lacks read as empty. Returns whether the root parsed; when it did not, nothing changed.
bool ReadTemplateText(SealDocument& doc, const std::string& text);

// Decodes a file's bytes (GB18030, up to the first zero byte) and reads them.
bool ReadTemplateBytes(SealDocument& doc, const std::string& bytes);

// Reads a whole template file (a regular file of at most kMaxTemplateBytes,
// opened without blocking); false when it cannot be read (the document is
// then unchanged, errno set) or its root does not parse.
bool ReadTemplateFile(SealDocument& doc, const std::string& path);

}  // namespace korvane
