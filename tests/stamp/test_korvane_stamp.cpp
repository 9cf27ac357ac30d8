// korvane-stamp as a user runs it: exit 0 with the document written, 1 with
// a reason and nothing written, 2 for what the command line got wrong.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "stamp/test_documents.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class StampCommand : public ::testing::Test {
 protected:
  void SetUp() override { std::ofstream(m_dir / "in.pdf", std::ios::binary) << test::TextPdf({{}, {}}); }

  test::CommandRun stamp(const std::string& arguments) {
    return test::RunCommand(std::string(KORVANE_STAMP_EXE) + " " + arguments + " 2>&1");
  }
  fs::path path(const char* name) const { return m_dir / name; }
  // What the folder holds: nothing new may be left behind by a failure.
  size_t entries() const { return size_t(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator())); }

  test::TempDir m_dir;
};

TEST_F(StampCommand, StampsADocumentIntoANewFileOrInPlace) {
  const std::string in = path("in.pdf").string(), out = path("out.pdf").string();
  test::CommandRun run = stamp(in + " -o " + out + " --preset company-42 --page all --text 1=某某市某某贸易有限公司");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(test::RunCommand("qpdf --check " + out).status, 0);
  const std::string before = slurp(in);
  run = stamp(in + " -o " + in + " --at 100,100 --size-mm 40 --rotate 15");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(slurp(in), before);
  EXPECT_EQ(test::RunCommand("qpdf --check " + in).status, 0);
  EXPECT_EQ(entries(), 2u);  // no temporary file left

  // A file that opens without a password stays encrypted as it was.
  ASSERT_EQ(test::RunCommand("qpdf --encrypt '' owner 256 -- " + in + " " + path("open.pdf").string()).status, 0);
  run = stamp(path("open.pdf").string() + " -o " + path("open-stamped.pdf").string());
  ASSERT_EQ(run.status, 0) << run.output;
  const test::CommandRun encryption = test::RunCommand("qpdf --show-encryption " + path("open-stamped.pdf").string());
  EXPECT_NE(encryption.output.find("R = 6"), std::string::npos) << encryption.output;
}

TEST_F(StampCommand, BadInputIsRefusedWithAReasonAndNothingWritten) {
  std::ofstream(path("text.pdf")) << "just words\n";
  ASSERT_EQ(test::RunCommand("qpdf --encrypt user owner 256 -- " + path("in.pdf").string() + " " +
                             path("locked.pdf").string())
                .status,
            0);
  std::ofstream(path("signed.pdf"), std::ios::binary)
      << test::EditPdf(test::TextPdf({{}}), {.signature = true});
  const std::string in = path("in.pdf").string(), out = path("out.pdf").string();
  const struct {
    std::string arguments;
    int status;
    const char* says;
  } cases[] = {
      {path("text.pdf").string() + " -o " + out, 1, "not a PDF"},
      {path("locked.pdf").string() + " -o " + out, 1, "needs a password"},
      {path("missing.pdf").string() + " -o " + out, 1, "cannot read"},
      {path("signed.pdf").string() + " -o " + out, 1, "digital signatures"},
      {in + " -o " + path("no/such/folder/out.pdf").string(), 1, "folder does not exist"},
      {in + " -o " + out + " --page 3", 2, "page 3 is outside the document's 2 pages"},
      {in + " -o " + out + " --cross-page 1-4", 2, "outside the document's 2 pages"},
      {in + " -o " + out + " --page 0", 2, "--page takes"},
      {in + " -o " + out + " --at 10", 2, "--at takes X,Y"},
      {in + " -o " + out + " --side top", 2, "--side takes"},
      {in + " -o " + out + " --cross-page --page 1", 2, "--cross-page chooses its own pages"},
      {in, 2, "no output document"},
      {in + " -o " + out + " --preset nothing", 1, "no preset named 'nothing'"},
  };
  const size_t before = entries();
  for (const auto& c : cases) {
    const test::CommandRun run = stamp(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << c.arguments << "\n" << run.output;
    EXPECT_EQ(entries(), before) << c.arguments;
  }
}

TEST_F(StampCommand, ASignedDocumentIsStampedWhenForcedAndSaysItsSignaturesBroke) {
  std::ofstream(path("signed.pdf"), std::ios::binary) << test::EditPdf(test::TextPdf({{}}), {.signature = true});
  const test::CommandRun run = stamp(path("signed.pdf").string() + " -o " + path("out.pdf").string() + " --force");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("no longer verify"), std::string::npos);
  EXPECT_TRUE(fs::exists(path("out.pdf")));
}

TEST_F(StampCommand, HostileDocumentsEndQuicklyWithoutExhaustingMemory) {
  // A page tree whose kids lead back to itself, and an object nested a
  // hundred thousand arrays deep.
  const std::string loop =
      "%PDF-1.7\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "2 0 obj << /Type /Pages /Kids [2 0 R 3 0 R] /Count 2 >> endobj\n"
      "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >> endobj\n"
      "trailer << /Root 1 0 R >>\n%%EOF\n";
  const std::string deep = "%PDF-1.7\n1 0 obj << /Type /Catalog /Pages 2 0 R /Deep " + std::string(100000, '[') +
                           std::string(100000, ']') +
                           " >> endobj\n2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
                           "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >> endobj\n"
                           "trailer << /Root 1 0 R >>\n%%EOF\n";
  for (const auto& [name, bytes] : {std::pair{"loop.pdf", loop}, std::pair{"deep.pdf", deep}}) {
    std::ofstream(path(name), std::ios::binary) << bytes;
    const auto start = std::chrono::steady_clock::now();
    // At most 2 GB of address space (AddressSanitizer reserves terabytes
    // of it for itself, so not under it).
    const std::string limit = kSanitized ? "" : "ulimit -v 2000000; ";
    const test::CommandRun run = test::RunCommand(limit + std::string(KORVANE_STAMP_EXE) + " " + path(name).string() +
                                                  " -o " + path("out.pdf").string() + " 2>&1");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << name;
    EXPECT_TRUE(run.status == 0 || run.status == 1) << name << "\n" << run.output;
    fs::remove(path("out.pdf"));
  }
}

}  // namespace
}  // namespace korvane
