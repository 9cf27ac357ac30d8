// Where the program finds its data and keeps the user's: beside the
// executable for a build or a portable copy, else where an install puts it
// (<prefix>/share/korvane); the user's templates in the data folder the
// XDG rules name unless a writable "图章模板" already sits beside the program.
#pragma once

#include <string>

namespace korvane {

// The version, from the build (one place: the project's CMake version).
const char* KorvaneVersion();

// The program's own data file or folder `relative` ("字体/图章专用字体.ttf",
// "预设"): beside the executable when it is there, else under
// <prefix>/share/korvane; the first when neither exists.
std::string ProgramDataPath(const std::string& relative);

// $XDG_DATA_HOME/korvane, or ~/.local/share/korvane.
std::string UserDataFolder();

}  // namespace korvane
