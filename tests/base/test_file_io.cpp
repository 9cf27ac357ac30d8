// Reading and writing the user's files: nothing blocks, nothing is read
// past its cap, and a write replaces a file whole or leaves it as it was.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/file_io.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

void put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// Everything in the folder, so a test can see no temporary file was left.
std::vector<std::string> entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ReadFileBytes, ReadsARegularFileWhole) {
  test::TempDir dir;
  put(dir / "a", std::string(200000, 'x'));
  ByteArray bytes;
  ASSERT_TRUE(ReadFileBytes((dir / "a").string(), &bytes));
  EXPECT_EQ(bytes.size(), 200000u);
}

TEST(ReadFileBytes, RefusesWhatIsNotARegularFileOrIsTooLargeWithoutBlocking) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  put(dir / "big", std::string(1001, 'x'));
  ByteArray bytes{1, 2, 3};
  for (const std::string& path : {(dir / "fifo").string(), dir.path().string(), std::string("/dev/zero"),
                                   (dir / "missing").string()})
    EXPECT_FALSE(ReadFileBytes(path, &bytes)) << path;
  EXPECT_FALSE(ReadFileBytes((dir / "big").string(), &bytes, 1000));
  EXPECT_EQ(errno, EFBIG);
  EXPECT_EQ(bytes, (ByteArray{1, 2, 3}));  // untouched by a failure
  EXPECT_TRUE(ReadFileBytes((dir / "big").string(), &bytes, 1001));
}

TEST(WriteFileAtomically, ReplacesTheContentAndKeepsThePermissionBits) {
  test::TempDir dir;
  const fs::path p = dir / "seal.png";
  put(p, "old content that is longer than the new one");
  ASSERT_EQ(::chmod(p.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomically(p.string(), "new"));
  EXPECT_EQ(contentOf(p), "new");
  struct stat st;
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"seal.png"});
}

TEST(WriteFileAtomically, ANewFileGetsTheUmasksModeAndTheUmaskStaysPut) {
  test::TempDir dir;
  const mode_t mask = ::umask(022);
  ASSERT_TRUE(WriteFileAtomically((dir / "new").string(), "x"));
  EXPECT_EQ(::umask(mask), 022u);
  struct stat st;
  ASSERT_EQ(::stat((dir / "new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST(WriteFileAtomically, FollowsASymbolicLinkAndKeepsIt) {
  test::TempDir dir;
  fs::create_directory(dir / "real");
  put(dir / "real" / "t.qsx_tzl", "old");
  fs::create_symlink("real/t.qsx_tzl", dir / "link.qsx_tzl");
  ASSERT_TRUE(WriteFileAtomically((dir / "link.qsx_tzl").string(), "new"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.qsx_tzl"));
  EXPECT_EQ(contentOf(dir / "real" / "t.qsx_tzl"), "new");
  // A dangling link gets its file created where it points.
  fs::create_symlink("real/later.png", dir / "dangling.png");
  ASSERT_TRUE(WriteFileAtomically((dir / "dangling.png").string(), "made"));
  EXPECT_EQ(contentOf(dir / "real" / "later.png"), "made");
}

TEST(WriteFileAtomically, WritesThroughAFifoWithAReaderAndFailsWithoutOne) {
  test::TempDir dir;
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(WriteFileAtomically(fifo.string(), "nobody reads"));  // no hang
  std::string got;
  std::thread reader([&] { got = contentOf(fifo); });
  bool ok = false;
  // The reader opens the FIFO at some point; try until it has.
  for (int i = 0; i < 2000 && !ok; ++i) {
    ok = WriteFileAtomically(fifo.string(), "through");
    if (!ok) ::usleep(1000);
  }
  reader.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(got, "through");
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(WriteFileAtomically, ALongButValidNameIsNotMadeTooLong) {
  test::TempDir dir;
  const std::string name(250, 'n');
  ASSERT_TRUE(WriteFileAtomically((dir / name).string(), "x"));
  EXPECT_EQ(contentOf(dir / name), "x");
}

TEST(WriteFileAtomically, AMissingFolderOrAFolderAsTargetFails) {
  test::TempDir dir;
  EXPECT_FALSE(WriteFileAtomically((dir / "no" / "such.png").string(), "x"));
  fs::create_directory(dir / "folder");
  EXPECT_FALSE(WriteFileAtomically((dir / "folder").string(), "x"));
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  EXPECT_FALSE(WriteFileAtomically("", "x"));
}

TEST(WriteFileAtomically, ConcurrentWritersEachLeaveACompleteFile) {
  test::TempDir dir;
  const fs::path p = dir / "seal.png";
  const std::string a(300000, 'a'), b(100000, 'b');
  for (int round = 0; round < 20; ++round) {
    std::thread first([&] { WriteFileAtomically(p.string(), a); });
    std::thread second([&] { WriteFileAtomically(p.string(), b); });
    first.join();
    second.join();
    const std::string got = contentOf(p);
    ASSERT_TRUE(got == a || got == b) << "round " << round << ": " << got.size() << " bytes";
  }
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"seal.png"});
}

TEST(AtomicFileSet, NothingIsInPlaceUntilCommitAndAbandonLeavesNothing) {
  test::TempDir dir;
  put(dir / "a", "old a");
  {
    AtomicFileSet set;
    ASSERT_TRUE(set.Stage((dir / "a").string(), "new a"));
    ASSERT_TRUE(set.Stage((dir / "b").string(), "new b"));
    EXPECT_EQ(contentOf(dir / "a"), "old a");
    EXPECT_FALSE(fs::exists(dir / "b"));
  }  // abandoned
  EXPECT_EQ(contentOf(dir / "a"), "old a");
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"a"});
  AtomicFileSet set;
  ASSERT_TRUE(set.Stage((dir / "a").string(), "new a"));
  ASSERT_TRUE(set.Stage((dir / "b").string(), "new b"));
  ASSERT_TRUE(set.Commit());
  EXPECT_EQ(contentOf(dir / "a"), "new a");
  EXPECT_EQ(contentOf(dir / "b"), "new b");
}

// Whether `done` comes true within ten seconds: what the batch's own thread
// puts in place arrives in its own time.
bool eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 10000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

// A group is put in place when it fills, the rest at Finish; a file whose
// folder went away meanwhile is reported by the name it was given, and the
// others are written. No temporary file is left.
TEST(FileBatch, GroupsArePutInPlaceWholeAndFailuresAreReportedByName) {
  test::TempDir dir;
  fs::create_directories(dir / "gone");
  put(dir / "a", "old a");
  std::vector<std::pair<std::string, int>> failed;
  {
    FileBatch batch(3);
    ASSERT_TRUE(batch.Write((dir / "a").string(), "new a"));
    ASSERT_TRUE(batch.Write((dir / "gone" / "b").string(), "new b"));
    EXPECT_EQ(contentOf(dir / "a"), "old a");  // staged, not yet in place
    ASSERT_TRUE(batch.Write((dir / "c").string(), "new c"));  // the group is full
    EXPECT_TRUE(eventually([&] { return fs::exists(dir / "c") && fs::exists(dir / "gone" / "b"); }));
    EXPECT_EQ(contentOf(dir / "a"), "new a");
    EXPECT_EQ(contentOf(dir / "gone" / "b"), "new b");
    ASSERT_TRUE(batch.Write((dir / "gone" / "d").string(), "new d"));
    ASSERT_TRUE(batch.Write((dir / "e").string(), "new e"));
    fs::remove_all(dir / "gone");
    failed = batch.Finish();
  }
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0].first, (dir / "gone" / "d").string());
  EXPECT_EQ(failed[0].second, ENOENT);
  EXPECT_EQ(contentOf(dir / "e"), "new e");
  EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"a", "c", "e"}));
  // Never finished: nothing is put in place and nothing is left behind.
  {
    FileBatch batch(8);
    ASSERT_TRUE(batch.Write((dir / "f").string(), "new f"));
    EXPECT_FALSE(batch.Write((dir / "missing" / "g").string(), "new g"));
  }
  EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"a", "c", "e"}));
}

// Writers on several threads, groups put in place behind them while some of
// the files they replace are still open: every file ends whole, none is
// lost or left as a temporary file, and a reader of a replaced file keeps
// reading the old one.
TEST(FileBatch, ManyWritersEndWithEveryFileWhole) {
  test::TempDir dir;
  constexpr int kFiles = 400;
  auto name = [&dir](int i) { return (dir / ("f" + std::to_string(i))).string(); };
  auto bytesOf = [](int i, const char* round) { return std::string(size_t(100 + i * 37 % 5000), char('a' + i % 26)) + round; };
  for (int i = 0; i < kFiles; i += 2) put(name(i), bytesOf(i, "old"));
  std::ifstream held(name(0), std::ios::binary);
  FileBatch batch(7);
  std::atomic<int> next{0}, refused{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < 3; ++t)
    writers.emplace_back([&] {
      for (int i = next++; i < kFiles; i = next++)
        if (!batch.Write(name(i), bytesOf(i, "new"))) ++refused;
    });
  for (std::thread& w : writers) w.join();
  EXPECT_TRUE(batch.Finish().empty());
  EXPECT_EQ(refused, 0);
  std::string before((std::istreambuf_iterator<char>(held)), std::istreambuf_iterator<char>());
  EXPECT_EQ(before, bytesOf(0, "old"));
  for (int i = 0; i < kFiles; ++i) ASSERT_EQ(contentOf(name(i)), bytesOf(i, "new")) << i;
  EXPECT_EQ(entries(dir.path()).size(), size_t(kFiles));  // no temporary file left
}

// A batch dropped without Finish, its thread perhaps part way through the
// groups: each file is in place whole or absent, and no temporary file is
// left, however far the thread had got.
TEST(FileBatch, ABatchNeverFinishedLeavesEachFileWholeOrAbsent) {
  for (int round = 0; round < 20; ++round) {
    test::TempDir dir;
    {
      FileBatch batch(2);
      for (int i = 0; i < 21; ++i) ASSERT_TRUE(batch.Write((dir / ("f" + std::to_string(i))).string(), std::string(size_t(1000 + i), 'x')));
    }
    for (const std::string& name : entries(dir.path())) {
      ASSERT_EQ(name[0], 'f') << name;
      EXPECT_EQ(contentOf(dir / name).size(), size_t(1000 + std::stoi(name.substr(1))));
    }
  }
}

TEST(AtomicFileSet, AFailureBetweenTwoRenamesPutsTheFirstFileBack) {
  test::TempDir dir;
  put(dir / "a.png", "old a");
  AtomicFileSet set;
  ASSERT_TRUE(set.Stage((dir / "a.png").string(), "new a"));
  ASSERT_TRUE(set.Stage((dir / "b.png").string(), "new b"));
  ASSERT_TRUE(set.Stage((dir / "c.png").string(), "new c"));
  // b's rename fails: a folder with something in it now stands there.
  fs::create_directories(dir / "b.png" / "inside");
  EXPECT_FALSE(set.Commit());
  EXPECT_EQ(contentOf(dir / "a.png"), "old a");
  EXPECT_FALSE(fs::exists(dir / "c.png"));
  EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"a.png", "b.png"}));
}

TEST(AtomicFileSet, AFailedWriteThroughRollsTheRenamesBack) {
  test::TempDir dir;
  put(dir / "a.png", "old a");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  AtomicFileSet set;
  ASSERT_TRUE(set.Stage((dir / "fifo").string(), "nobody reads"));
  ASSERT_TRUE(set.Stage((dir / "a.png").string(), "new a"));
  ASSERT_TRUE(set.Stage((dir / "new.png").string(), "new"));
  EXPECT_FALSE(set.Commit());
  EXPECT_EQ(contentOf(dir / "a.png"), "old a");
  EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"a.png", "fifo"}));
}

TEST(WriteFileAtomically, AFifoOrDeviceCanBeRefusedInsteadOfWrittenThrough) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  errno = 0;
  EXPECT_FALSE(WriteFileAtomically((dir / "fifo").string(), "x", SpecialFiles::Refuse));
  EXPECT_EQ(errno, EINVAL);
  EXPECT_FALSE(WriteFileAtomically("/dev/null", "x", SpecialFiles::Refuse));
  EXPECT_FALSE(WriteFileAtomically("-", "x", SpecialFiles::Refuse));
  EXPECT_TRUE(WriteFileAtomically((dir / "file").string(), "x", SpecialFiles::Refuse));
}

// A file-size limit stops the write half way, as a full disk would.
TEST(WriteFileAtomically, AFileSizeLimitIsAFailedWriteNotADeadProgram) {
  test::TempDir dir;
  const fs::path p = dir / "seal.png";
  put(p, "the old seal");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Without this the kernel's SIGXFSZ would end the child at the limit.
    IgnoreWriteSignals();
    struct rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    errno = 0;
    const bool ok = WriteFileAtomically(p.string(), std::string(100000, 'x'));
    ::_exit(ok ? 0 : errno == EFBIG ? 3 : 4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(contentOf(p), "the old seal");
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"seal.png"});
}

TEST(FileIdentity, OneFileHasOneIdentityHoweverItIsSpelt) {
  test::TempDir dir;
  put(dir / "a.png", "a");
  fs::create_directory(dir / "sub");
  fs::create_symlink(dir / "a.png", dir / "link.png");
  fs::create_hard_link(dir / "a.png", dir / "hard.png");
  const std::string a = FileIdentity((dir / "a.png").string());
  EXPECT_EQ(FileIdentity((dir / "sub" / ".." / "a.png").string()), a);
  EXPECT_EQ(FileIdentity((dir / "link.png").string()), a);
  EXPECT_EQ(FileIdentity((dir / "hard.png").string()), a);
  EXPECT_EQ(FileIdentity((dir / "new.png").string()), FileIdentity((dir / "sub" / ".." / "new.png").string()));
  EXPECT_NE(FileIdentity((dir / "new.png").string()), FileIdentity((dir / "sub" / "new.png").string()));
  EXPECT_EQ(FileIdentity("-"), "-");
}

}  // namespace
}  // namespace korvane
