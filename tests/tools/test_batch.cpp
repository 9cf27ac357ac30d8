// Batch rendering in one process: the rows of a CSV file, rendered on two
// workers that share the font caches. ./dev test --tsan runs this under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>

#include "base/csv.h"

#include "drawing/gfx/gfx_image.h"
#include "drawing/gfx_status.h"
#include "support/image_compare.h"
#include "support/temp_dir.h"
#include "tools/batch.h"

namespace korvane {
namespace {

TEST(Batch, RowsAreReadByTheirHeaderNames) {
  std::vector<BatchRow> rows;
  std::string error;
  ASSERT_TRUE(ReadBatchRows("notes,text2,output\nx,乙,a.png\n\n,,b.svg\n", &rows, &error)) << error;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].number, 1u);
  EXPECT_EQ(rows[0].output, "a.png");
  EXPECT_EQ(rows[0].texts[1], "乙");
  EXPECT_FALSE(rows[0].texts[0]);
  EXPECT_EQ(rows[1].number, 3u);  // the blank line counts as a row of the file
  EXPECT_FALSE(rows[1].texts[1]);  // an empty cell keeps the design's words
  EXPECT_FALSE(ReadBatchRows("text1\nx\n", &rows, &error));
  EXPECT_NE(error.find("output"), std::string::npos);
  EXPECT_FALSE(ReadBatchRows("", &rows, &error));
}

TEST(Batch, TwoWorkersRenderEveryRowWithItsOwnWords) {
  test::TempDir dir;
  std::vector<BatchRow> rows;
  const char* const names[] = {"北京某某科技有限公司", "上海某某贸易", "WWW.SEAL.CN", "广州"};
  for (int i = 0; i < 24; ++i) {
    BatchRow row;
    row.number = size_t(i + 1);
    row.output = (dir / ("seal" + std::to_string(i) + (i % 6 == 5 ? ".svg" : ".png"))).string();
    row.texts[0] = std::string(names[i % 4]) + std::to_string(i);
    if (i % 3 == 0) row.texts[3] = "第四行";  // a second text of its own
    rows.push_back(row);
  }
  rows[7].output = (dir / "no-such-dir" / "x.png").string();
  SealDocument design = StartupSealDocument();
  design.Text[1].Font.FaceName = "DejaVu Sans";  // an installed family too
  size_t reported = 0;
  const size_t budget = SetThreadMaskBudget(size_t(3) << 20);
  const auto failures = RunBatch(design, rows, PrintOptions{}, 2, [&](size_t done, size_t total) {
    EXPECT_EQ(total, rows.size());
    reported = std::max(reported, done);
  });
  // The workers' smaller mask budget was theirs alone.
  EXPECT_EQ(SetThreadMaskBudget(budget), size_t(3) << 20);
  EXPECT_EQ(reported, rows.size());
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].row, 8u);
  EXPECT_NE(failures[0].message.find("no-such-dir"), std::string::npos);
  // Every other row is there, and each differs from its neighbour.
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i == 7) continue;
    ASSERT_TRUE(std::filesystem::exists(rows[i].output)) << rows[i].output;
    if (rows[i].output.ends_with(".png")) {
      GfxBitmap png;
      ASSERT_TRUE(png.CreateFromFile(rows[i].output));
      EXPECT_EQ(png.GetWidth(), 400u);
    }
  }
  // Whatever masks the workers kept or dropped, a row's file holds the bytes
  // a render of its own gives.
  SealDocument last = design;
  last.Text[0].szText = *rows[22].texts[0];
  std::string bytes, error;
  ASSERT_TRUE(EncodeSeal(last, OutputKind::Png, PrintOptions{}, &bytes, &error));
  std::ifstream written(rows[22].output, std::ios::binary);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(written), {}) == bytes);
}

TEST(Batch, HostileFilesCostLittleAndAreBounded) {
  std::vector<BatchRow> rows;
  std::string error;
  // 16 MiB of blank lines: nothing kept for them.
  ASSERT_TRUE(ReadBatchRows("output\n" + std::string(size_t(16) << 20, '\n'), &rows, &error)) << error;
  EXPECT_TRUE(rows.empty());
  // A record of millions of commas, a cell of megabytes: refused, named.
  EXPECT_FALSE(ReadBatchRows("output\n" + std::string(size_t(16) << 20, ','), &rows, &error));
  EXPECT_NE(error.find("record 2"), std::string::npos) << error;
  EXPECT_NE(error.find("cells"), std::string::npos) << error;
  EXPECT_FALSE(ReadBatchRows("output,text1\na.png,\"" + std::string(size_t(1) << 20, 'x') + "\"\n", &rows, &error));
  EXPECT_NE(error.find("64 KiB"), std::string::npos) << error;
  EXPECT_FALSE(ReadBatchRows("output,text1\na.png," + std::string(size_t(1) << 20, 'x') + "\n", &rows, &error));
  // At the bounds exactly: still read.
  ASSERT_TRUE(ReadBatchRows("output,text1\na.png," + std::string(kMaxCsvCellBytes, 'x') + "\n", &rows, &error));
  EXPECT_EQ(rows[0].texts[0]->size(), kMaxCsvCellBytes);
}

TEST(Batch, AWorkerThatThrowsFailsItsRowAndTheOthersGoOn) {
  test::TempDir dir;
  std::vector<BatchRow> rows(6);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].number = i + 1;
    rows[i].output = (dir / ("s" + std::to_string(i) + ".png")).string();
  }
  size_t calls = 0;
  const auto failures = RunBatch(StartupSealDocument(), rows, PrintOptions{}, 2, [&](size_t, size_t) {
    if (++calls == 1) throw std::bad_alloc();
  });
  EXPECT_EQ(calls, rows.size());
  EXPECT_TRUE(failures.empty());
  for (const BatchRow& row : rows) EXPECT_TRUE(std::filesystem::exists(row.output)) << row.output;
}

}  // namespace
}  // namespace korvane
