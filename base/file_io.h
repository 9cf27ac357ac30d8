// Reading and writing the user's files safely: reads never block and never
// read more than asked; writes replace a file whole or not at all.
#pragma once

#include <cstddef>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace korvane {

using ByteArray = std::vector<uint8_t>;

// Reads a whole regular file of at most maxBytes. The file is opened
// without blocking, so a FIFO or a device named by a template or a picture
// path fails at once instead of stalling. False (errno set) on any failure.
bool ReadFileBytes(const std::string& path, ByteArray* out, size_t maxBytes = size_t(256) << 20);
// The first `count` bytes of a regular file (fewer when it is shorter),
// read the same way: enough to tell what a file is without reading it all.
bool ReadFilePrefix(const std::string& path, ByteArray* out, size_t count);

// Anonymous memory starting on a huge-page boundary, asking the system for
// huge pages (advice only: small pages work too). It comes zeroed and is
// unmapped when dropped. On machines where touching fresh memory is slow,
// a fault a 2 MB page instead of one a 4 KiB page is what large bitmaps,
// the seal font and the encoder's working memory cost.
class HugePageMemory {
 public:
  HugePageMemory() = default;
  ~HugePageMemory();
  HugePageMemory(HugePageMemory&& other) noexcept;
  HugePageMemory& operator=(HugePageMemory&& other) noexcept;

  // At least `bytes` (one at least); false, with errno ENOMEM, when it
  // cannot be mapped.
  bool Allocate(size_t bytes);
  uint8_t* data() const { return m_data; }
  // How many bytes from data() are usable: what was asked for, rounded up
  // to whole huge pages.
  size_t capacity() const { return m_map ? m_mapLength - kHugePage : 0; }

  static constexpr size_t kHugePage = size_t(2) << 20;

 private:
  void* m_map = nullptr;
  size_t m_mapLength = 0;
  uint8_t* m_data = nullptr;
};

// A private copy of a file's bytes, read once: the file may be rewritten,
// truncated or removed afterwards without the copy changing (a mapping of
// the file would change with it, or fault). Held in huge pages where the
// system offers them: the 5 MB seal font then costs a handful of page
// faults instead of 1,280 (19 -> 1.3 ms of CPU on a machine where fresh
// memory is slow).
class FileCopy {
 public:
  FileCopy() = default;
  FileCopy(FileCopy&& other) noexcept : m_memory(std::move(other.m_memory)), m_size(std::exchange(other.m_size, 0)) {}
  FileCopy& operator=(FileCopy&& other) noexcept {
    m_memory = std::move(other.m_memory);
    m_size = std::exchange(other.m_size, 0);
    return *this;
  }

  const uint8_t* data() const { return m_memory.data(); }
  size_t size() const { return m_size; }

 private:
  friend bool ReadFileCopy(const std::string& path, FileCopy* out, size_t maxBytes);

  HugePageMemory m_memory;
  size_t m_size = 0;
};

// As ReadFileBytes, into a FileCopy.
bool ReadFileCopy(const std::string& path, FileCopy* out, size_t maxBytes = size_t(256) << 20);

// Writes the bytes as the whole content of `path`:
// - a regular file (or none yet) is replaced atomically: a temporary file in
//   the same folder, fsync, rename, fsync of the folder; the old file keeps
//   its content on any failure and no temporary file is left behind; a
//   replaced file keeps its permission bits;
// - a symbolic link is followed and the file it names is replaced, the link
//   stays;
// - any other existing target (a FIFO, a device) is written through,
//   opened without blocking, unless `special` refuses it (EINVAL): such a
//   write may wait for its reader for ever, which a window must not;
// - "-" writes to standard output.
// False (errno set) on failure.
enum class SpecialFiles { WriteThrough, Refuse };
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         SpecialFiles special = SpecialFiles::WriteThrough);

// Several files committed together: each is written to its temporary file
// first, and only when all of them are staged are they put in place.
//
// What Commit promises: it returns true with every file in place, or false
// with every replaced file back as it was and every new one gone. Files
// that are replaced are kept as hard links (or copies, where the file
// system has no links) until the last rename has succeeded, so a failure
// half way is rolled back. Targets written through (standard output, a
// FIFO, a device) cannot be taken back: they are written after every
// rename, a failure among them still rolls the renames back, but what
// already went through them stays sent. A kill in the middle of Commit may
// leave ".korvane-*" copies of old files beside them.
class AtomicFileSet {
 public:
  AtomicFileSet() = default;
  ~AtomicFileSet();  // abandons whatever was not committed
  AtomicFileSet(const AtomicFileSet&) = delete;
  AtomicFileSet& operator=(const AtomicFileSet&) = delete;

  // Stages one file; false (errno set, nothing left behind) on failure.
  bool Stage(const std::string& path, std::string_view bytes, SpecialFiles special = SpecialFiles::WriteThrough);
  // Puts every staged file in place, all or none (above); false (errno
  // set) when that could not be done.
  bool Commit();
  // Removes every staged temporary file.
  void Abandon();

  struct Staged;

 private:
  friend class FileBatch;
  // Stages without waiting for the disk when `sync` is false.
  bool stage(const std::string& path, std::string_view bytes, SpecialFiles special, bool sync);
  void TakeFrom(AtomicFileSet& other);
  std::vector<std::string> Targets() const;
  // Makes every staged temporary file durable: one syncfs for each file
  // system they are on.
  bool Durable() const;
  // Puts each staged file in place on its own (not all or none) and syncs
  // their folders once; the targets that failed, with their errno.
  std::vector<std::pair<std::string, int>> CommitEach();

  std::vector<Staged*> m_staged;
};

// Many files written at once (a batch): each is written to its temporary
// file without waiting for the disk; every `groupSize` files, and at
// Finish, the group is made durable with one syncfs, renamed into place
// and its folders synced once. So each file is, at any moment (a kill or a
// power cut included), complete or absent, as with WriteFileAtomically, but
// writers do not each wait for two flushes of the disk. The groups are put
// in place by a thread of the batch's own, so that no writer waits for the
// disk at all; a writer waits only when that thread is two groups behind.
// Safe to call from several threads.
class FileBatch {
 public:
  explicit FileBatch(size_t groupSize = 64);
  ~FileBatch();  // abandons what was not finished: no file is put in place
  FileBatch(const FileBatch&) = delete;
  FileBatch& operator=(const FileBatch&) = delete;

  // Stages one file. False (errno set, nothing left behind) when the file
  // could not be staged.
  bool Write(const std::string& path, std::string_view bytes);
  // Puts the rest in place, once every writer is done; every path (as it
  // was given to Write) that could not be put in place, with its errno.
  std::vector<std::pair<std::string, int>> Finish();

 private:
  void commit(AtomicFileSet& group);
  void commitQueued();  // the committing thread
  void stopCommitting(bool abandon);

  const size_t m_groupSize;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  AtomicFileSet m_pending;
  size_t m_count = 0;
  std::deque<AtomicFileSet> m_queued;  // full groups, oldest first
  bool m_stopping = false;
  bool m_abandoning = false;
  bool m_committerTried = false;
  std::thread m_committer;
  std::vector<std::pair<std::string, int>> m_failed;
};

// A key that two paths share exactly when they name the same file: the
// device and inode of an existing file (links followed), else the real
// path of its folder and its name; "-" for standard output. Spelling does
// not matter: "a.png", "./a.png" and a link to it give one key.
std::string FileIdentity(const std::string& path);

// A program that writes files takes a full disk, a file-size limit or a
// reader that went away as a failed write (EFBIG, EPIPE), not as a signal
// that kills it with its temporary files and unsaved work.
void IgnoreWriteSignals();

// The file a path finally names once symbolic links are followed (the path
// itself when it is not a link or the chain cannot be read).
std::string ResolveSymlinks(const std::string& path);

// The folder of the running program, without a trailing slash.
std::string ProgramFolder();

}  // namespace korvane
