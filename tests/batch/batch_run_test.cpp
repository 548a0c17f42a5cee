#include "batch/batch_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "batch/background_batch.h"
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
    engine_.files.Add("/s/bad.dat",
                      "@Template {$DataFolder}t.tmpl\n@WriteFile /s/out/bad.html\nbad\n");
    engine_.files.Add(
        "/s/a.dat",
        "@Template {$DataFolder}t.tmpl\n@WriteFile /s/out/a.html\n@Import /s/shared.dat\n"
        "@HTMLCRLFMode yes\n$Title A\n");
    engine_.files.Add("/s/b.dat",
                      "@Template {$DataFolder}t.tmpl\n@WriteFile /s/out/b.html\n$Title B\n");
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

// Stopped before its second page: the pages begun are done, the rest untouched, and the log
// names the page it stopped before.
TEST_F(BatchRunTest, AStopEndsTheBatchBeforeTheNextPage) {
  class TStoppingHost : public TMemoryHost {
   public:
    using TMemoryHost::TMemoryHost;
    bool StopRequested() override { return loaded.size() == 1; }
  } host(engine_);
  const TBatchOutcome outcome = RunBatch(engine_.context, {"/s/a.dat", "/s/b.dat"}, host);
  EXPECT_EQ(outcome.stopped_at, 1u);
  EXPECT_TRUE(engine_.files.files.count("/s/out/a.html"));
  EXPECT_FALSE(engine_.files.files.count("/s/out/b.html"));
  const std::vector<std::string> log = engine_.Log();
  EXPECT_NE(
      std::find(log.begin(), log.end(),
                Stamped("連続書き込みを中止しました。ここから先は書き換えていません(/s/b.dat)")),
      log.end());
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// The disk's batch (pages written without a sync each, one sync at the end) against the plain
// sequential run in memory: the same files, byte for byte, and the same log.
TEST(BatchOnDiskTest, FilesAndLogAreThoseOfTheSequentialRun) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() / ("zorvik-batch-disk-" + std::to_string(::getpid()));
  fs::remove_all(root);
  testing::TTestEngine memory;
  const std::map<std::string, std::string> sources = {
      {"t.tmpl",
       "<h1>{$Title}</h1>\n<!--PREVIEWCSS-->\n{#row}<li>{$Item{$Count}}</li>\n{/"
       "#row}{$Shared}{$Late}\n"},
      {"shared.dat", "$Shared shared\n"},
      {"late.dat", "$Late late\n"},
      {"a.dat",
       "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}out/a.html\n@Import "
       "{$DataFolder}shared.dat\n"
       "@LoopTag row 2\n$Title A\n$Item1 one\n$Item2 two\n"},
      {"b.dat",
       "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}out/sub/b.html\n@LastImport "
       "{$DataFolder}late.dat\n"
       "@LoopTag row 1\n@HTMLCRLFMode yes\n$Title B\n$Item1 x\n"},
      // A syntax error: c is run and logged but not written.
      {"c.dat",
       "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}out/c.html\n$Title "
       "C\n{$Unfilled}\n"},
  };
  for (const auto& [name, text] : sources) {
    memory.files.Add(root.string() + "/" + name, text);
    fs::create_directories(root);
    std::ofstream(root / name, std::ios::binary) << memory.files.files[root.string() + "/" + name];
  }
  const std::vector<std::string> entries = {root.string() + "/a.dat", root.string() + "/gone.dat",
                                            root.string() + "/b.dat", root.string() + "/c.dat"};
  TMemoryHost memory_host(memory);
  RunBatch(memory.context, entries, memory_host);

  testing::TTestEngine disk_engine;
  TDiskFileSystem disk;
  TEngineContext context{disk_engine.state, disk_engine.log, disk_engine.pattern, disk,
                         disk_engine.clock, "/opt/zorvik/"};
  class TDiskHost : public TBatchHost {
   public:
    TDiskHost(TDiskFileSystem& files, GenerationState& state) : files_(files), state_(state) {}
    std::optional<std::string> LoadPageSource(const std::string& path) override {
      std::optional<std::string> page = LoadPageSourceText(files_, path);
      if (page) state_.DataFolder = ExtractFolder(path);
      return page;
    }

   private:
    TDiskFileSystem& files_;
    GenerationState& state_;
  } disk_host(disk, disk_engine.state);
  RunBatch(context, entries, disk_host);

  EXPECT_EQ(disk_engine.Log(), memory.Log());
  int pages = 0;
  for (const auto& [path, text] : memory.files.files) {
    if (path.find("/out/") == std::string::npos) continue;
    ++pages;
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              text)
        << path;
  }
  EXPECT_EQ(pages, 2);
  EXPECT_FALSE(fs::exists(root / "out/c.html"));

  // On a thread of its own, in a session of its own: the same log, in order, and the same files.
  fs::remove_all(root / "out");
  TBackgroundBatch background({&disk_engine.clock, "/opt/zorvik/"}, entries);
  background.Wait();
  std::vector<std::string> background_log;
  for (const TBackgroundBatch::TEntry& entry : background.TakeLog()) {
    background_log.push_back(testing::Utf8(entry.text));
  }
  EXPECT_EQ(background_log, memory.Log());
  EXPECT_EQ(background.Done(), entries.size());
  EXPECT_EQ(background.LastResult(), memory.state.WorkingText);
  for (const auto& [path, text] : memory.files.files) {
    if (path.find("/out/") == std::string::npos) continue;
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              text)
        << path;
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace zorvik
