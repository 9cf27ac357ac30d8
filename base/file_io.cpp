#include "base/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include <csignal>
#include <set>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
  int get() const { return m_fd; }
  void adopt(int fd) {
    reset();
    m_fd = fd;
  }
  // Closes and reports close's own failure (errno kept from close).
  bool close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
  }
  void reset() {
    if (m_fd >= 0) {
      const int saved = errno;
      ::close(m_fd);
      errno = saved;
    }
    m_fd = -1;
  }

 private:
  int m_fd;
};

bool writeAll(int fd, std::string_view bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += size_t(n);
  }
  return true;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A short name of its own, whatever the target's length: a long but valid
// file name must not become too long for its temporary.
std::string temporaryName(const std::string& folder) {
  static std::atomic<uint64_t> counter{0};
  const uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                        (uint64_t(::getpid()) << 32) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = ".korvane-";
  uint64_t v = seed;
  for (int i = 0; i < 8; ++i, v /= 36) name += kAlphabet[v % 36];
  return folder + "/" + name;
}

void syncFolder(const std::string& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

// Opens a regular file for reading without blocking (a FIFO or a device
// named where a file is expected fails at once); false, errno set, else.
bool openRegular(const std::string& path, Fd* fd, struct stat* st) {
  fd->adopt(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd->get() < 0 || ::fstat(fd->get(), st) != 0) return false;
  if (!S_ISREG(st->st_mode)) {
    errno = S_ISDIR(st->st_mode) ? EISDIR : EINVAL;
    return false;
  }
  return true;
}

// Reads until `data` is full or the file ends; the bytes read.
bool readInto(int fd, uint8_t* data, size_t size, size_t* got) {
  while (*got < size) {
    const ssize_t n = ::read(fd, data + *got, size - *got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    *got += size_t(n);
  }
  return true;
}

// The same, refusing a file larger than maxBytes (EFBIG).
bool openRegularOfAtMost(const std::string& path, size_t maxBytes, Fd* fd, struct stat* st) {
  if (!openRegular(path, fd, st)) return false;
  if (uint64_t(st->st_size) > maxBytes) {
    errno = EFBIG;
    return false;
  }
  return true;
}

}  // namespace

bool ReadFileBytes(const std::string& path, ByteArray* out, size_t maxBytes) {
  Fd fd;
  struct stat st;
  if (!openRegularOfAtMost(path, maxBytes, &fd, &st)) return false;
  ByteArray data(size_t(st.st_size));
  size_t got = 0;
  while (true) {
    // A file that grows while it is read is read on, still within maxBytes.
    // Whether there is more is asked with one byte first: growing the buffer
    // to look would copy the whole file into fresh memory (a 5 MB font: a
    // second 1,280 page faults at every start).
    if (got == data.size()) {
      uint8_t probe;
      const ssize_t n = ::read(fd.get(), &probe, 1);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (data.size() >= maxBytes) {
        errno = EFBIG;
        return false;
      }
      data.push_back(probe);
      ++got;
      data.resize(std::min(maxBytes, std::max(data.size(), got + 65536)));
      continue;
    }
    const size_t before = got;
    if (!readInto(fd.get(), data.data(), data.size(), &got)) return false;
    if (got == before || got < data.size()) break;  // the end of the file
  }
  data.resize(got);
  *out = std::move(data);
  return true;
}

HugePageMemory::~HugePageMemory() {
  if (m_map) ::munmap(m_map, m_mapLength);
}

HugePageMemory::HugePageMemory(HugePageMemory&& other) noexcept { *this = std::move(other); }

HugePageMemory& HugePageMemory::operator=(HugePageMemory&& other) noexcept {
  if (this != &other) {
    if (m_map) ::munmap(m_map, m_mapLength);
    m_map = std::exchange(other.m_map, nullptr);
    m_mapLength = std::exchange(other.m_mapLength, 0);
    m_data = std::exchange(other.m_data, nullptr);
  }
  return *this;
}

// One huge page more than asked for, so that a boundary lies within.
bool HugePageMemory::Allocate(size_t bytes) {
  const size_t length = (std::max<size_t>(bytes, 1) + kHugePage - 1) / kHugePage * kHugePage;
  const size_t mapped = length + kHugePage;
  void* m = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (m == MAP_FAILED) {
    errno = ENOMEM;
    return false;
  }
  *this = HugePageMemory();
  m_map = m, m_mapLength = mapped;
  m_data = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(m) + kHugePage - 1) / kHugePage * kHugePage);
  ::madvise(m_data, length, MADV_HUGEPAGE);  // advice only: small pages work too
  return true;
}

bool ReadFileCopy(const std::string& path, FileCopy* out, size_t maxBytes) {
  Fd fd;
  struct stat st;
  if (!openRegularOfAtMost(path, maxBytes, &fd, &st)) return false;
  FileCopy copy;
  if (!copy.m_memory.Allocate(size_t(st.st_size))) return false;
  size_t got = 0;
  if (!readInto(fd.get(), copy.m_memory.data(), size_t(st.st_size), &got)) return false;
  uint8_t probe;
  ssize_t more;
  while ((more = ::read(fd.get(), &probe, 1)) < 0 && errno == EINTR) {
  }
  if (more < 0) return false;
  if (more > 0) {
    // The file grew while it was read: read it again, whole.
    ByteArray bytes;
    if (!ReadFileBytes(path, &bytes, maxBytes)) return false;
    FileCopy grown;
    if (!grown.m_memory.Allocate(bytes.size())) return false;
    std::memcpy(grown.m_memory.data(), bytes.data(), bytes.size());
    grown.m_size = bytes.size();
    *out = std::move(grown);
    return true;
  }
  copy.m_size = got;
  *out = std::move(copy);
  return true;
}

bool ReadFilePrefix(const std::string& path, ByteArray* out, size_t count) {
  Fd fd;
  struct stat st;
  if (!openRegular(path, &fd, &st)) return false;
  ByteArray data(count);
  size_t got = 0;
  if (!readInto(fd.get(), data.data(), count, &got)) return false;
  data.resize(got);
  *out = std::move(data);
  return true;
}

std::string ResolveSymlinks(const std::string& path) {
  std::string p = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(p.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return p;
    std::string target(buf, size_t(n));
    p = target[0] == '/' ? target : folderOf(p) + "/" + target;
  }
  return p;
}

std::string ProgramFolder() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  const std::string path(buf, size_t(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

struct AtomicFileSet::Staged {
  std::string given;  // the path as it was named
  std::string target;
  std::string temporary;  // empty: written through at commit
  std::string bytes;      // only for targets written through
  std::string backup;     // the replaced file, kept until the commit holds
  bool replaced = false;  // the rename has happened
};

AtomicFileSet::~AtomicFileSet() { Abandon(); }

bool AtomicFileSet::Stage(const std::string& path, std::string_view bytes, SpecialFiles special) {
  return stage(path, bytes, special, true);
}

bool AtomicFileSet::stage(const std::string& path, std::string_view bytes, SpecialFiles special, bool sync) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  auto staged = std::make_unique<Staged>();
  staged->given = path;
  staged->target = path == "-" ? path : ResolveSymlinks(path);
  struct stat old;
  const bool exists = path != "-" && ::stat(staged->target.c_str(), &old) == 0;
  if (path == "-" || (exists && !S_ISREG(old.st_mode))) {
    if (exists && S_ISDIR(old.st_mode)) {
      errno = EISDIR;
      return false;
    }
    if (special == SpecialFiles::Refuse) {
      errno = EINVAL;
      return false;
    }
    // Standard output, a FIFO or a device: there is nothing to replace.
    staged->bytes.assign(bytes);
    m_staged.push_back(staged.release());
    return true;
  }

  const std::string folder = folderOf(staged->target);
  Fd fd;
  for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
    staged->temporary = temporaryName(folder);
    // 0666 less the umask, as any new document; O_EXCL so that no other
    // file or link of that name is ever written through.
    fd.adopt(::open(staged->temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0 && errno != EEXIST) return false;
  }
  if (fd.get() < 0) return false;
  bool ok = true;
  if (exists) {
    // The replacement keeps the permission bits (and, where allowed, the
    // owner) of the file it replaces.
    ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    if (ok && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0) errno = 0;
  }
  ok = ok && writeAll(fd.get(), bytes) && (!sync || ::fsync(fd.get()) == 0);
  ok = fd.close() && ok;
  if (!ok) {
    const int saved = errno;
    ::unlink(staged->temporary.c_str());
    errno = saved;
    return false;
  }
  m_staged.push_back(staged.release());
  return true;
}

namespace {

// Keeps the file at `target` under a new name in its folder: a hard link,
// or a copy where links are not to be had. True when there is nothing to
// keep.
bool keepOldFile(const std::string& target, std::string* backup) {
  struct stat st;
  if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISREG(st.st_mode)) return false;
  const std::string folder = folderOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *backup = temporaryName(folder);
    if (::link(target.c_str(), backup->c_str()) == 0) return true;
    if (errno == EEXIST) continue;
    break;
  }
  ByteArray old;
  backup->clear();
  if (!ReadFileBytes(target, &old, size_t(-1))) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    *backup = temporaryName(folder);
    Fd fd(::open(backup->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
    if (fd.get() < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    const bool ok = writeAll(fd.get(), {reinterpret_cast<const char*>(old.data()), old.size()}) && fd.close();
    if (ok) return true;
    const int saved = errno;
    ::unlink(backup->c_str());
    errno = saved;
    break;
  }
  backup->clear();
  return false;
}

bool writeThrough(const std::string& target, std::string_view bytes) {
  if (target == "-") return writeAll(STDOUT_FILENO, bytes);
  // Without blocking: a FIFO nobody reads fails instead of hanging.
  Fd fd(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  bool done = fd.get() >= 0 && ::fcntl(fd.get(), F_SETFL, 0) == 0 && writeAll(fd.get(), bytes);
  done = fd.close() && done;
  return done;
}

}  // namespace

bool AtomicFileSet::Commit() {
  int error = 0;
  auto fail = [&error] {
    if (!error) error = errno ? errno : EIO;
  };
  // One rename alone is all or nothing by itself; several need the old
  // files kept until the last one is in place.
  const bool keep = m_staged.size() > 1;
  for (Staged* s : m_staged) {
    if (error || s->temporary.empty() || !keep) continue;
    if (!keepOldFile(s->target, &s->backup)) fail();
  }
  for (Staged* s : m_staged) {
    if (error || s->temporary.empty()) continue;
    if (std::rename(s->temporary.c_str(), s->target.c_str()) == 0) {
      s->replaced = true;
      s->temporary.clear();
    } else {
      fail();
    }
  }
  for (Staged* s : m_staged) {
    if (error || !s->temporary.empty() || s->replaced) continue;
    if (!writeThrough(s->target, s->bytes)) fail();
  }
  std::set<std::string> folders;
  for (Staged* s : m_staged) {
    if (error && s->replaced) {
      // Roll back: the old file returns, or the new one goes.
      if (!s->backup.empty() ? std::rename(s->backup.c_str(), s->target.c_str()) == 0
                             : ::unlink(s->target.c_str()) == 0) {
        s->backup.clear();
      }
    }
    if (!s->backup.empty()) ::unlink(s->backup.c_str());
    if (!s->temporary.empty()) ::unlink(s->temporary.c_str());
    if (s->replaced) folders.insert(folderOf(s->target));
    delete s;
  }
  m_staged.clear();
  for (const std::string& folder : folders) syncFolder(folder);
  errno = error;
  return error == 0;
}

void AtomicFileSet::TakeFrom(AtomicFileSet& other) {
  m_staged.insert(m_staged.end(), other.m_staged.begin(), other.m_staged.end());
  other.m_staged.clear();
}

bool AtomicFileSet::Durable() const {
  // One syncfs for each file system the temporary files are on.
  std::set<dev_t> synced;
  for (const Staged* s : m_staged) {
    if (s->temporary.empty()) continue;
    Fd folder(::open(folderOf(s->temporary).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st;
    // A folder gone meanwhile fails its own files' renames, not the group.
    if (folder.get() < 0 || ::fstat(folder.get(), &st) != 0) continue;
    if (!synced.insert(st.st_dev).second) continue;
    if (::syncfs(folder.get()) != 0) return false;
  }
  return true;
}

std::vector<std::pair<std::string, int>> AtomicFileSet::CommitEach() {
  std::vector<std::pair<std::string, int>> failed;
  std::set<std::string> folders;
  // Each replaced file is held open until the group is in place. The rename
  // would otherwise free its blocks while it holds the folder's lock, and on
  // a file system mounted with discard that waits for the disk: every other
  // writer in the folder waited too (1,000 seals written over the last
  // run's, two workers: 1.65 -> 1.75 cores kept busy).
  std::vector<Fd> replaced;
  replaced.reserve(m_staged.size());
  for (Staged*& s : m_staged) {
    errno = 0;
    bool ok;
    if (s->temporary.empty()) {
      ok = writeThrough(s->target, s->bytes);
    } else {
      replaced.emplace_back(::open(s->target.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
      ok = std::rename(s->temporary.c_str(), s->target.c_str()) == 0;
      if (ok) folders.insert(folderOf(s->target));
      else ::unlink(s->temporary.c_str());
    }
    if (!ok) failed.emplace_back(s->given, errno ? errno : EIO);
    delete std::exchange(s, nullptr);  // handled, whatever comes next
  }
  m_staged.clear();
  for (const std::string& folder : folders) syncFolder(folder);
  return failed;
}

void AtomicFileSet::Abandon() {
  const int saved = errno;
  for (Staged* s : m_staged) {
    if (s && !s->temporary.empty()) ::unlink(s->temporary.c_str());
    delete s;
  }
  m_staged.clear();
  errno = saved;
}

std::string FileIdentity(const std::string& path) {
  if (path == "-") return "-";
  const std::string target = ResolveSymlinks(path);
  struct stat st;
  if (::stat(target.c_str(), &st) == 0)
    return "inode " + std::to_string(uint64_t(st.st_dev)) + ":" + std::to_string(uint64_t(st.st_ino));
  const size_t slash = target.rfind('/');
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  char real[PATH_MAX];
  if (::realpath(folderOf(target).c_str(), real)) return std::string("path ") + real + "/" + name;
  return "path " + target;
}

void IgnoreWriteSignals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, SpecialFiles special) {
  AtomicFileSet set;
  return set.Stage(path, bytes, special) && set.Commit();
}

namespace {
// Groups waiting for the committing thread before writers wait for it: the
// temporary files left by a kill stay bounded.
constexpr size_t kMaxQueuedGroups = 2;
}  // namespace

FileBatch::FileBatch(size_t groupSize) : m_groupSize(std::max<size_t>(groupSize, 1)) {}

FileBatch::~FileBatch() { stopCommitting(true); }

bool FileBatch::Write(const std::string& path, std::string_view bytes) {
  AtomicFileSet one;
  if (!one.stage(path, bytes, SpecialFiles::WriteThrough, false)) return false;
  AtomicFileSet group;
  {
    std::unique_lock lock(m_mutex);
    m_pending.TakeFrom(one);
    if (++m_count < m_groupSize) return true;
    m_count = 0;
    if (!m_committerTried) {
      m_committerTried = true;
      try {
        m_committer = std::thread([this] { commitQueued(); });
      } catch (const std::system_error&) {
        // No thread to be had: each group is put in place by its last writer.
      }
    }
    if (m_committer.joinable()) {
      m_changed.wait(lock, [this] { return m_queued.size() < kMaxQueuedGroups; });
      m_queued.emplace_back().TakeFrom(m_pending);
      m_changed.notify_all();
      return true;
    }
    group.TakeFrom(m_pending);
  }
  commit(group);
  return true;
}

void FileBatch::commitQueued() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [this] { return !m_queued.empty() || m_stopping; });
    if (m_queued.empty() || m_abandoning) return;  // the destructor abandons what is left
    AtomicFileSet group;
    group.TakeFrom(m_queued.front());
    m_queued.pop_front();
    m_changed.notify_all();  // room for a waiting writer
    lock.unlock();
    try {
      commit(group);
    } catch (...) {  // no memory to put the group in place: the files left are not written, and said so
      try {
        std::lock_guard failing(m_mutex);
        for (const std::string& target : group.Targets()) m_failed.emplace_back(target, ENOMEM);
      } catch (...) {
      }
      group.Abandon();
    }
    lock.lock();
  }
}

void FileBatch::stopCommitting(bool abandon) {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
    m_abandoning = abandon;
  }
  m_changed.notify_all();
  if (m_committer.joinable()) m_committer.join();
}

std::vector<std::pair<std::string, int>> FileBatch::Finish() {
  stopCommitting(false);  // every queued group is put in place first
  AtomicFileSet group;
  {
    std::lock_guard lock(m_mutex);
    group.TakeFrom(m_pending);
    m_count = 0;
  }
  commit(group);
  std::lock_guard lock(m_mutex);
  return std::move(m_failed);
}

void FileBatch::commit(AtomicFileSet& group) {
  std::vector<std::pair<std::string, int>> failed;
  if (group.Durable()) {
    failed = group.CommitEach();
  } else {
    const int error = errno ? errno : EIO;
    for (const std::string& target : group.Targets()) failed.emplace_back(target, error);
    group.Abandon();
  }
  if (failed.empty()) return;
  std::lock_guard lock(m_mutex);
  m_failed.insert(m_failed.end(), failed.begin(), failed.end());
}

std::vector<std::string> AtomicFileSet::Targets() const {
  std::vector<std::string> targets;
  for (const Staged* s : m_staged)
    if (s) targets.push_back(s->given);
  return targets;
}

}  // namespace korvane
