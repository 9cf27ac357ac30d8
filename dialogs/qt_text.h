// UTF-8 text to and from Qt's strings: the model keeps UTF-8, widgets
// take QString.
#pragma once

#include <QString>

#include <string>

namespace korvane {

inline QString ToQString(const std::string& s) { return QString::fromUtf8(s.c_str(), qsizetype(s.size())); }
inline std::string FromQString(const QString& s) { return s.toUtf8().toStdString(); }

}  // namespace korvane
