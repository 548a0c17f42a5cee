#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli_fixture.h"
#include "support/run_process.h"
#include "support/sjis.h"
#include "support/test_engine.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;
using testing::Page;
using testing::RunProcess;

const std::string kStamp = "[2026/12/07 09:05:30] : ";

class GenerationVerbsTest : public testing::CliTest {
 protected:
  GenerationVerbsTest() : CliTest("zorvik-cli-") {
    fs::create_directories(dir_ / "site");
    Write("site/t.tmpl",
          "<head>\n<!--PREVIEWCSS-->\n</head>\n<h1>{$Title}</h1>\n{$Year4}-{$Month2} {$Day3}\n");
    Write("site/a.dat",
          "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}out/a.html\n$Title 表題");
  }
};

TEST_F(GenerationVerbsTest, BuildWritesThePageAndLogsInUtf8) {
  const auto r = Zorvik({"build", Path("site/a.dat")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, kStamp + "▼▼▼書換を開始します▽▽▽\n" + kStamp + "▲▲▲書換が終了しました△△△\n\n\n" +
                       kStamp + "HTMLファイルを保存しました：" + Path("site/out/a.html") +
                       "\n\n\n");
  EXPECT_EQ(Read("site/out/a.html"), Page("<head>\n</head>\n<h1>表題</h1>\n2026-12 Mon\n"));
}

TEST_F(GenerationVerbsTest, ShowPrintsTheWorkingTextAndWritesNothing) {
  const auto r = Zorvik({"show", Path("site/a.dat")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Page("<head>\n<!--PREVIEWCSS-->\n</head>\n<h1>表題</h1>\n2026-12 Mon\n"));
  EXPECT_FALSE(fs::exists(dir_ / "site/out"));
}

TEST_F(GenerationVerbsTest, ErrorsGiveExitStatusOne) {
  Write("site/bad.dat", "@Template {$DataFolder}t.tmpl\nbad line");
  const auto r = Zorvik({"build", Path("site/bad.dat")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kStamp + "(エラー)構文エラーです(1): bad line\n"), std::string::npos);
  EXPECT_NE(r.err.find(kStamp + "エラーの個数：3\n"), std::string::npos);
}

TEST_F(GenerationVerbsTest, AFailedWriteIsLoggedAndCounted) {
  Write("site/blocker", "a file where a folder should be");
  Write("site/c.dat",
        "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}blocker/c.html\n$Title x");
  const auto r = Zorvik({"build", Path("site/c.dat")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kStamp + "HTMLファイルの保存に失敗しました\n"), std::string::npos);
}

TEST_F(GenerationVerbsTest, UnreadablePagesAndUsageErrors) {
  EXPECT_EQ(Zorvik({"build", Path("site/none.dat")}).status, 2);
  EXPECT_EQ(Zorvik({"show", Path("site")}).status, 2);
  EXPECT_EQ(Zorvik({"build"}).status, 2);
  EXPECT_EQ(Zorvik({"batch", Path("none.gro")}).status, 2);
  EXPECT_EQ(Zorvik({"show", "--encoding", "latin1", Path("site/a.dat")}).status, 2);
  Write("empty.gro", "");
  const auto r = Zorvik({"batch", Path("empty.gro")});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "ファイルが存在しません\n");
}

// A UTF-8 page source into the Shift-JIS template: the page is Shift-JIS, and the log (UTF-8 on
// stderr) names the character it could not hold.
TEST_F(GenerationVerbsTest, AUtf8PageSourceMakesAShiftJisPageOfItsTemplate) {
  Write("site/sj.tmpl", "<title>見出し</title>{$Title}\n");
  std::ofstream(Path("site/u.dat"), std::ios::binary)
      << "@Template {$DataFolder}sj.tmpl\r\n@WriteFile {$DataFolder}out/u.html\r\n"
         "$Title 日本語 ©\r\n";
  const auto r = Zorvik({"build", Path("site/u.dat")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read("site/out/u.html"), Page("<title>見出し</title>日本語 &#xA9;\n"));
  EXPECT_NE(r.err.find("(警　告)シフトJISにない文字を文字参照にしました(2):U+00A9"),
            std::string::npos)
      << r.err;
}

// What a user typing the tour in a UTF-8 editor, or keeping a Shift-JIS source beside a UTF-8
// template, gets: a page in the charset its template declares. A UTF-8 source with one stray
// byte stays UTF-8, the stray byte pointed at in the editors' FILE:LINE form.
TEST_F(GenerationVerbsTest, APageHoldsTheCharsetItsTemplateDeclares) {
  const auto raw = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  };
  raw("site/says-sjis.tmpl", "<meta charset=\"Shift_JIS\">{$Title}\r\n");
  raw("site/says-utf8.tmpl", "<meta charset=\"UTF-8\">{$Title}\r\n");
  const std::string words = "はじめに、日本語の文章です。";
  const struct {
    std::string tmpl;
    std::string title;  // the page source's bytes
    std::string page;
    std::string warning;
  } cases[] = {
      {"says-sjis.tmpl", "はじめ", Page("<meta charset=\"Shift_JIS\">はじめ\n"), ""},
      {"says-utf8.tmpl", Page("はじめ"), "<meta charset=\"UTF-8\">はじめ\r\n", ""},
      {"says-utf8.tmpl", words + "\xFF" + words,
       "<meta charset=\"UTF-8\">" + words + "\xFF" + words + "\r\n",
       "p.dat:3: warning: (警　告)UTF-8にならないバイトがあります(2):0xFF\n"},
      {"says-utf8.tmpl", words + "\r\n// " + words + "\xE3\x81",
       "<meta charset=\"UTF-8\">" + words + "\r\n",
       "p.dat:4: warning: (警　告)UTF-8にならないバイトがあります(3):0xE3 0x81\n"},
  };
  for (const auto& c : cases) {
    raw("site/p.dat", "@Template {$DataFolder}" + c.tmpl +
                          "\r\n@WriteFile {$DataFolder}out/p.html\r\n$Title " + c.title);
    const auto r = Zorvik({"build", "--locations", Path("site/p.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("site/out/p.html"), c.page) << c.tmpl;
    if (c.warning.empty()) {
      EXPECT_EQ(r.err.find("警　告"), std::string::npos) << r.err;
    } else {
      EXPECT_NE(r.err.find(Path("site/") + c.warning), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("UTF-8として読みました"), std::string::npos) << r.err;
    }
  }
}

TEST_F(GenerationVerbsTest, BatchRunsTheGroupAndReportsMissingPages) {
  Write("site/b.dat",
        "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}out/b.html\n$Title B");
  Write("site/all.gro", "{$GRODataFolder}a.dat\n{$GRODataFolder}b.dat\n");
  auto r = Zorvik({"batch", Path("site/all.gro")});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(fs::exists(dir_ / "site/out/a.html"));
  EXPECT_EQ(Read("site/out/b.html"), Page("<head>\n</head>\n<h1>B</h1>\n2026-12 Mon\n"));

  // As a UTF-8 editor saves it, with a byte-order mark: the first page is still there.
  std::ofstream(Path("site/marked.gro"), std::ios::binary)
      << "\xEF\xBB\xBF{$GRODataFolder}b.dat\r\n{$GRODataFolder}a.dat\r\n";
  fs::remove(dir_ / "site/out/b.html");
  r = Zorvik({"batch", Path("site/marked.gro")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir_ / "site/out/b.html"));

  Write("site/some.gro", "{$GRODataFolder}a.dat\n{$GRODataFolder}gone.dat\n");
  r = Zorvik({"batch", Path("site/some.gro")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kStamp + "ファイルが存在しません(" + Path("site/gone.dat") + ")\n"),
            std::string::npos);
  EXPECT_EQ(r.err.substr(r.err.size() - 2), "\n\n");
}

TEST_F(GenerationVerbsTest, RelativePathsAreTakenFromTheFileThatNamesThem) {
  // The current folder is the test's own, never the site's.
  fs::create_directories(dir_ / "site/pages");
  Write("site/rel.tmpl", "<p>{$Title}{$Part}</p>\n");
  Write("site/pages/rel.dat",
        "@Template ../rel.tmpl\n@WriteFile ../out/rel.html\n@Import parts.txt\n$Title R\n");
  Write("site/pages/parts.txt", "$Part P\n");
  Write("site/rel.gro", "pages/rel.dat\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"build", Path("site/pages/rel.dat")},
        std::vector<std::string>{"batch", Path("site/rel.gro")}}) {
    fs::remove(dir_ / "site/out/rel.html");
    const auto r = Zorvik(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("site/out/rel.html"), Page("<p>RP</p>\n"));
    // The log names the file written as the file system has it, not "../out/rel.html".
    EXPECT_NE(r.err.find("HTMLファイルを保存しました：" + Path("site/out/rel.html") + "\n"),
              std::string::npos)
        << r.err;
  }
  // A bare file name still has no folder, as before.
  Write("site/pages/bare.dat", "@Template ../t.tmpl\n@WriteFile bare.html\n$Title B\n");
  const auto r = Zorvik({"build", Path("site/pages/bare.dat")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("(エラー)書き出しフォルダが設定されていません"), std::string::npos);
}

}  // namespace
}  // namespace zorvik
