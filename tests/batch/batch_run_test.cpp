#include "batch/batch_run.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/test_engine.h"

namespace zorvik {
namespace {

using testing::Page;
using testing::Stamped;
using testing::TTestEngine;

// Loads page sources from the engine's memory file system, as the editor would.
class TMemoryHost : public TBatchHost {
 public:
  explicit TMemoryHost(TTestEngine& engine) : engine_(engine) {}
  std::optional<std::string> LoadPageSource(const std::string& path) override {
    loaded.push_back(path);
    std::optional<std::string> page = LoadPageSourceText(engine_.files, path);
    if (page) engine_.state.DataFolder = ExtractFolder(path);
    return page;
  }
  std::vector<std::string> loaded;

 private:
  TTestEngine& engine_;
};

class BatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_.files.Add("/s/t.tmpl", "{$Title}\n{$Shared}\n");
    engine_.files.Add("/s/shared.dat", "$Shared shared\n");
    engine_.files.Add("/s/bad.dat", "@Template {$DataFolder}t.tmpl\n@WriteFile /s/out/bad.html\nbad\n");
    engine_.files.Add("/s/a.dat",
                      "@Template {$DataFolder}t.tmpl\n@WriteFile /s/out/a.html\n@Import /s/shared.dat\n"
                      "@HTMLCRLFMode yes\n$Title A\n");
    engine_.files.Add("/s/b.dat", "@Template {$DataFolder}t.tmpl\n@WriteFile /s/out/b.html\n$Title B\n");
  }
  TTestEngine engine_;
};

TEST_F(BatchRunTest, CarriesCountsImportsAndModesOver) {
  TMemoryHost host(engine_);
  const TBatchOutcome outcome = RunBatch(engine_.context, {"/s/a.dat", "/s/b.dat"}, host);
  EXPECT_FALSE(outcome.file_missing);
  EXPECT_FALSE(engine_.state.BatchMode);
  // b.dat imports nothing itself, but a.dat's import and mode run on into its run.
  EXPECT_EQ(engine_.files.files["/s/out/b.html"], Page("B\nshared\n"));
  EXPECT_TRUE(engine_.state.HTMLCRLFMode);
}

TEST_F(BatchRunTest, NoFileIsWrittenAfterTheFirstError) {
  TMemoryHost host(engine_);
  RunBatch(engine_.context, {"/s/bad.dat", "/s/a.dat", "/s/b.dat"}, host);
  EXPECT_EQ(host.loaded.size(), 3u);
  EXPECT_FALSE(engine_.files.files.count("/s/out/a.html"));
  EXPECT_FALSE(engine_.files.files.count("/s/out/b.html"));
  // The later summaries count the first page's error too.
  const std::vector<std::string> log = engine_.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), Stamped("エラーの個数：1")), 3);
}

TEST_F(BatchRunTest, MissingAndUnreadablePagesAreLogged) {
  engine_.files.unreadable.insert("/s/b.dat");
  TMemoryHost host(engine_);
  const TBatchOutcome outcome =
      RunBatch(engine_.context, {"{$runningfolder}x.dat", "", "/s/b.dat", "/s/a.dat"}, host);
  EXPECT_TRUE(outcome.file_missing);
  const std::vector<std::string> log = engine_.Log();
  EXPECT_EQ(log[0], Stamped("ファイルが存在しません(/opt/zorvik/x.dat)"));
  EXPECT_EQ(log[1], Stamped("ファイルが存在しません()"));
  EXPECT_EQ(log[2], Stamped("ファイルを読み込めません(/s/b.dat)"));
  EXPECT_EQ(log[log.size() - 2], "");
  EXPECT_EQ(log[log.size() - 1], "");
  EXPECT_TRUE(engine_.files.files.count("/s/out/a.html"));
}

}  // namespace
}  // namespace zorvik
