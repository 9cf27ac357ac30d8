// What korvane-render and korvane-stamp share on their command lines: the
// way they report a wrong command line (exit 2) and a failure (exit 1), and
// how they read numbers.
#pragma once

#include <string>
#include <utility>

#include "document/seal_document.h"

namespace korvane {

// "<program>: <message>" and the usage text on stderr; returns 2.
int CommandUsageError(const char* program, const char* usage, const std::string& message);
// "<program>: <message>" on stderr; returns 1.
int CommandFailure(const char* program, const std::string& message);
// A whole argument as a finite number.
bool ReadCommandNumber(const std::string& text, double* value);
// errno's text, or `otherwise` when errno says nothing.
std::string ErrnoReason(int err, const char* otherwise);

// -h, --help and --version: the usage text or "<program> <version>" on
// stdout. True (with the exit status) when `arg` was one of them.
bool AnswerHelpOrVersion(const std::string& arg, const char* program, const char* usage, int* status);

// "--text N=WORDS": item N - 1 and its words; false when the value is not
// of that form (N from 1 to 4).
bool ReadTextArgument(const std::string& value, std::pair<int, std::string>* text);

// Loads the template file over `doc`; false with the one-line reason.
bool LoadTemplateArgument(const std::string& path, SealDocument& doc, std::string* reason);

// Starts the drawing layer for a command's lifetime.
struct GraphicsSession {
  GraphicsSession();
  ~GraphicsSession();
  GraphicsSession(const GraphicsSession&) = delete;
  GraphicsSession& operator=(const GraphicsSession&) = delete;
};

}  // namespace korvane
