// Reading and writing the user's files safely: reads never block and never
// read more than asked; writes replace a file whole or not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

using ByteArray = std::vector<uint8_t>;

// Reads a whole regular file of at most maxBytes. The file is opened
// without blocking, so a FIFO or a device named by a template or a picture
// path fails at once instead of stalling. False (errno set) on any failure.
bool ReadFileBytes(const std::string& path, ByteArray* out, size_t maxBytes = size_t(256) << 20);

// Writes the bytes as the whole content of `path`:
// - a regular file (or none yet) is replaced atomically: a temporary file in
//   the same folder, fsync, rename, fsync of the folder; the old file keeps
//   its content on any failure and no temporary file is left behind; a
//   replaced file keeps its permission bits;
// - a symbolic link is followed and the file it names is replaced, the link
//   stays;
// - any other existing target (a FIFO, a device) is written through,
//   opened without blocking;
// - "-" writes to standard output.
// False (errno set) on failure.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// Several files committed together: each is written to its temporary file
// first, and only when all of them are staged are they renamed into place.
class AtomicFileSet {
 public:
  AtomicFileSet() = default;
  ~AtomicFileSet();  // abandons whatever was not committed
  AtomicFileSet(const AtomicFileSet&) = delete;
  AtomicFileSet& operator=(const AtomicFileSet&) = delete;

  // Stages one file; false (errno set, nothing left behind) on failure.
  bool Stage(const std::string& path, std::string_view bytes);
  // Puts every staged file in place; false when one could not be.
  bool Commit();
  // Removes every staged temporary file.
  void Abandon();

  struct Staged;

 private:
  std::vector<Staged*> m_staged;
};

// The file a path finally names once symbolic links are followed (the path
// itself when it is not a link or the chain cannot be read).
std::string ResolveSymlinks(const std::string& path);

// The folder of the running program, without a trailing slash.
std::string ProgramFolder();

}  // namespace korvane
