#include "engine/generation_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/tracked_file_system.h"
#include "support/test_engine.h"

namespace zorvik {
namespace {

using testing::Page;
using testing::Stamped;
using testing::TTestEngine;

const std::string kStart = Stamped("▼▼▼書換を開始します▽▽▽");
const std::string kEnd = Stamped("▲▲▲書換が終了しました△△△\r\n\r\n");

class GenerationRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_.files.Add(
        "/site/t.tmpl",
        "<head>\n<!--PREVIEWCSS-->\n</head>\n<h1>{$Title}</h1>\n{$Year4}/{$month2}/{$Day}"
        " {$Day3} {$Month4}\n<!--BodyLines-->\n{$Body}\n<!--/BodyLines-->\n{$Late}\n");
    engine_.state.DataFolder = "/site/";
  }
  void Run(const std::string& page) { RunGeneration(engine_.context, Page(page)); }
  TTestEngine engine_;
};

TEST_F(GenerationRunTest, CleanRunLogsOnlyItsFrameAndWrites) {
  Run("@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}out/a.html\n$Title T\n$Late L\n"
      "[Body]\nA\n\nB\n[/Body]");
  EXPECT_EQ(engine_.Text(),
            "<head>\n<!--PREVIEWCSS-->\n</head>\n<h1>T</h1>\n2026/12/7 Mon December\n"
            "<p>A</p>\n<p>B</p>\nL\n");
  EXPECT_EQ(engine_.Log(), (std::vector<std::string>{kStart, kEnd}));
  EXPECT_EQ(SelectResultPage(engine_.state), TResultPage::kHtml);

  EXPECT_EQ(WriteHtmlFile(engine_.context, engine_.state.WorkingText), TWriteOutcome::kWritten);
  EXPECT_TRUE(engine_.files.folders.count("/site/out/"));
  EXPECT_EQ(engine_.files.files["/site/out/a.html"],
            Page("<head>\n</head>\n<h1>T</h1>\n2026/12/7 Mon December\n<p>A</p>\n<p>B</p>\nL\n"));
  EXPECT_EQ(engine_.Log().back(), Stamped("HTMLファイルを保存しました：/site/out/a.html\r\n\r\n"));
}

TEST_F(GenerationRunTest, SummaryCountsWarningsAndErrors) {
  Run("@Template /site/t.tmpl\n@Template /site/t.tmpl\nbad");
  EXPECT_EQ(engine_.Log(), (std::vector<std::string>{
                               kStart,
                               Stamped("(エラー)構文エラーです(2): bad"),
                               Stamped("(エラー)書き出しフォルダが設定されていません"),
                               Stamped("(エラー)書き出しファイル名が設定されていません"),
                               Stamped("(警　告)未変換のタグが残っている可能性があります"),
                               "",
                               Stamped("警  告の個数：1"),
                               Stamped("エラーの個数：3"),
                               "",
                               kEnd,
                           }));
  EXPECT_EQ(SelectResultPage(engine_.state), TResultPage::kLogs);
  // A run with errors writes nothing and logs nothing more.
  EXPECT_EQ(WriteHtmlFile(engine_.context, engine_.state.WorkingText), TWriteOutcome::kSkipped);
  EXPECT_EQ(engine_.log.Entries().size(), 10u);
}

TEST_F(GenerationRunTest, WarningsStillWrite) {
  Run("@Template /site/t.tmpl\n@WriteFile /site/b.html");
  EXPECT_EQ(engine_.state.WarningCount, 1);
  EXPECT_EQ(WriteHtmlFile(engine_.context, engine_.state.WorkingText), TWriteOutcome::kWritten);
}

TEST_F(GenerationRunTest, WithoutATemplateThePageItselfIsExpanded) {
  Run("@WriteFile /site/c.html\n<!--PREVIEWCSS-->{$Title}\n$Title x");
  EXPECT_EQ(engine_.state.ErrorCount, 1);  // the page's own lines are no valid syntax
}

TEST_F(GenerationRunTest, ImportsComeAfterThePageAndLastImportsAfterTheParagraphs) {
  engine_.files.Add("/site/imp.dat", "$Title from import\n$Body from\nimport\n");
  engine_.files.Add("/site/last.dat",
                    "$Late {$Year4}\n[Body]\nlate\n[/Body]\n@ItemCRLFMode None\n");
  Run("@Template /site/t.tmpl\n@WriteFile /site/d.html\n@Import /site/imp.dat\n"
      "@LastImport /site/last.dat\n$Title page");
  EXPECT_EQ(engine_.Text(),
            "<head>\n<!--PREVIEWCSS-->\n</head>\n<h1>page</h1>\n2026/12/7 Mon December\n"
            "<p>from</p>\n{$Year4}\n");
  EXPECT_EQ(engine_.state.WarningCount, 1);  // the date tag of the last import stays
  EXPECT_EQ(engine_.state.ItemCRLFMode, "none");
}

TEST_F(GenerationRunTest, ModesAndCollapsedBlankLines) {
  engine_.files.Add("/site/m.tmpl", "a\n\n\nb\n<!--BodyLines-->x\n\ny<!--/BodyLines-->\n");
  Run("@Template /site/m.tmpl\n@WriteFile /site/m.html\n@ItemCRLFMode none\n@HTMLCRLFMode yes");
  EXPECT_EQ(engine_.Text(), "a\nb\n<!--BodyLines-->x\ny<!--/BodyLines-->\n");
  // The next interactive run starts from the defaults again.
  Run("@Template /site/m.tmpl\n@WriteFile /site/m.html");
  EXPECT_EQ(engine_.Text(), "a\n\n\nb\n<p>x</p>\n<p>y</p>\n");
}

TEST_F(GenerationRunTest, PreviewMarkerIsRemovedWithItsLineEnd) {
  EXPECT_EQ(
      RemovePreviewMarker(Page("a\n<!--previewcss-->\nb<!--PREVIEWCSS-->c\n"), TEncoding::kCp932),
      Page("a\nbc\n"));
  // In a UTF-8 page, after characters whose last byte is a Shift-JIS lead byte: 。 あ 亜.
  for (const char* before : {"\xE3\x80\x82", "\xE3\x81\x82", "\xE4\xBA\x9C"}) {
    EXPECT_EQ(RemovePreviewMarker(std::string(before) + "<!--PREVIEWCSS-->\r\nx", TEncoding::kUtf8),
              std::string(before) + "x");
  }
}

TEST_F(GenerationRunTest, FailedWritesAreCountedAndLoggedInABatch) {
  engine_.files.refuse_writes.insert("/site/e.html");
  Run("@WriteFile /site/e.html");
  EXPECT_EQ(WriteHtmlFile(engine_.context, "x"), TWriteOutcome::kFailed);
  EXPECT_EQ(engine_.state.ErrorCount, 1);
  EXPECT_EQ(engine_.Log().back(), kEnd);  // outside a batch the caller reports it
  engine_.state.BatchMode = true;
  engine_.state.ErrorCount = 0;
  EXPECT_EQ(WriteHtmlFile(engine_.context, "x"), TWriteOutcome::kFailed);
  EXPECT_EQ(engine_.Log().back(), Stamped("HTMLファイルの保存に失敗しました"));
  engine_.files.refuse_folders = true;
  engine_.state.ErrorCount = 0;
  RunGeneration(engine_.context, Page("@WriteFile /new/f.html"));
  EXPECT_EQ(WriteHtmlFile(engine_.context, "x"), TWriteOutcome::kFailed);
}

// Every message that names a line records where that line is: in the page source or in the
// imported file it came from (imports count their lines on their own), the text unchanged.
TEST_F(GenerationRunTest, MessagesRecordTheFileAndLineTheyName) {
  engine_.files.Add("/site/parts.txt", "// parts\n$A a\noops\n");
  std::vector<std::pair<std::string, TLogPlace>> placed;
  engine_.log.SetListener([&](const std::string& entry, const TLogPlace& place) {
    if (place.Known()) placed.emplace_back(entry, place);
  });
  engine_.context.source_file = "/site/page.dat";
  Run("@Template {$DataFolder}t.tmpl\n@Import {$DataFolder}parts.txt\n\n[Body]\nnever closed\n");
  Run("$Title T\n@Nothing\nstray\n");
  ASSERT_EQ(placed.size(), 4u);
  const auto at = [&](std::size_t i) {
    return std::make_tuple(placed[i].second.file, placed[i].second.line, placed[i].second.imported);
  };
  EXPECT_EQ(at(0), std::make_tuple(std::string("/site/page.dat"), 3, false));  // the unclosed block
  EXPECT_EQ(at(1), std::make_tuple(std::string("/site/parts.txt"), 2, true));  // "oops"
  EXPECT_EQ(at(2), std::make_tuple(std::string("/site/page.dat"), 1, false));  // "@Nothing"
  EXPECT_EQ(at(3), std::make_tuple(std::string("/site/page.dat"), 2, false));  // "stray"
  EXPECT_NE(placed[1].first.find("(2)"), std::string::npos);
}

// The paths a log line gives: absolute, without "." or ".." parts or doubled slashes, a
// Shift-JIS trail byte 0x5C kept.
TEST(NormalPathTest, GivesThePathAsTheFileSystemHasIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"/site/out/a.html", "/site/out/a.html"},
      {"/site/pages/../out/a.html", "/site/out/a.html"},
      {"/site/./out//a.html", "/site/out/a.html"},
      {"/site/out/", "/site/out/"},
      {"/site/out/..", "/site/"},
      {"/", "/"},
      {"/site\\out\\a.html", "/site/out/a.html"},
      {"/site/\x83\x5C/a.html", "/site/\x83\x5C/a.html"},
      {"/site/a..b/.c", "/site/a..b/.c"},
  };
  for (const auto& [path, normal] : cases) EXPECT_EQ(NormalPath(path), normal) << path;
  EXPECT_EQ(NormalPath("out/a.html"),
            (std::filesystem::current_path() / "out/a.html").lexically_normal().string());
}

}  // namespace
}  // namespace zorvik
