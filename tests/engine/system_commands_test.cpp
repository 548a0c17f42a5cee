#include "engine/system_commands.h"

#include <gtest/gtest.h>

#include "engine/page_parser.h"
#include "support/test_engine.h"

namespace zorvik {
namespace {

using testing::Page;
using testing::Stamped;
using testing::TTestEngine;

class SystemCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_.files.Add("/site/t.tmpl", "<h1>{$Title}</h1>\n");
    engine_.files.Add("/site/other.tmpl", "other\n");
    engine_.files.Add("/site/style.css", "p {}\n");
    engine_.files.Add("/site/common.dat", "$Title common\n");
    engine_.state.DataFolder = "/site/";
  }
  void Parse(const std::string& page) { ParsePageSource(engine_.context, Page(page)); }
  TTestEngine engine_;
};

TEST_F(SystemCommandsTest, TemplateReplacesTheWorkingText) {
  engine_.state.WorkingText = Page("$Title early\n@TEMPLATE {$DataFolder}t.tmpl\n$Title late");
  Parse("$Title early\n@TEMPLATE {$DataFolder}t.tmpl\n$Title late");
  EXPECT_EQ(engine_.Text(), "<h1>late</h1>\n");
  EXPECT_EQ(engine_.state.TemplateFile, "/site/t.tmpl");
  // The same path again: nothing; another template: a warning; a missing one: an error.
  Parse("@template /site/t.tmpl\n@Template /site/other.tmpl\n@Template /site/none.tmpl");
  EXPECT_EQ(engine_.Log(),
            (std::vector<std::string>{
                Stamped("(警　告)テンプレートの上書きをします(1):/site/other.tmpl"),
                Stamped("(エラー)テンプレートファイルが存在しません(2):/site/none.tmpl"),
            }));
  EXPECT_EQ(engine_.state.WarningCount, 1);
  EXPECT_EQ(engine_.state.ErrorCount, 1);
  EXPECT_EQ(engine_.Text(), "<h1>late</h1>\n");
}

TEST_F(SystemCommandsTest, UnreadableTemplatesAndImportsAreErrorsNotPageText) {
  engine_.files.Add("/site/locked.tmpl", "never seen\n");
  engine_.files.Add("/site/locked.dat", "$Title never\n");
  engine_.files.unreadable = {"/site/locked.tmpl", "/site/locked.dat"};
  engine_.state.WorkingText = Page("page text");
  Parse(
      "@Template /site/locked.tmpl\n@Import /site/locked.dat\n@Import /site/locked.dat\n"
      "@Template /site/t.tmpl\n@Template /site/locked.tmpl");
  EXPECT_EQ(engine_.Log(),
            (std::vector<std::string>{
                Stamped("(エラー)テンプレートファイルを読み込めません(0):/site/locked.tmpl"),
                Stamped("(エラー)インポートすべきファイルを読み込めません(1):/site/locked.dat"),
                Stamped("(エラー)インポートすべきファイルを読み込めません(2):/site/locked.dat"),
                // Once a template is loaded, another one is only a warning, readable or not.
                Stamped("(警　告)テンプレートの上書きをします(4):/site/locked.tmpl"),
            }));
  EXPECT_EQ(engine_.state.ErrorCount, 3);
  EXPECT_TRUE(engine_.state.Imports.empty());
  EXPECT_EQ(engine_.Text(), "<h1>{$Title}</h1>\n");
}

TEST_F(SystemCommandsTest, TwoSpacesMakeTheArgumentBeginWithASpace) {
  Parse("@Template  /site/t.tmpl\n@ItemCRLFMode  Tag");
  EXPECT_EQ(
      engine_.Log(),
      (std::vector<std::string>{
          Stamped("(エラー)テンプレートファイルが存在しません(0): /site/t.tmpl"),
          Stamped("(エラー)記事改行モードの設定値は None または Tag で設定してください(1): Tag"),
      }));
}

TEST_F(SystemCommandsTest, ImportsAreReadOncePerListAndPath) {
  Parse(
      "@Import /site/common.dat\n@import /site/common.dat\n@LastImport /site/common.dat\n"
      "@Import /SITE/common.dat\n@Import /site/missing.dat");
  ASSERT_EQ(engine_.state.Imports.size(), 1u);
  EXPECT_EQ(engine_.state.Imports[0].FileName, "/site/common.dat");
  EXPECT_EQ(engine_.state.Imports[0].Text, Page("$Title common\n"));
  EXPECT_EQ(engine_.state.LastImports.size(), 1u);
  EXPECT_EQ(engine_.Log(),
            (std::vector<std::string>{
                Stamped("(エラー)インポートすべきファイルが存在しません(3):/SITE/common.dat"),
                Stamped("(エラー)インポートすべきファイルが存在しません(4):/site/missing.dat"),
            }));
  // A file changed on disk after it was named is not read again.
  engine_.files.Add("/site/common.dat", "$Title changed\n");
  Parse("@Import /site/common.dat");
  EXPECT_EQ(engine_.state.Imports[0].Text, Page("$Title common\n"));
}

TEST_F(SystemCommandsTest, WriteFileAndPreviewCss) {
  Parse(
      "@WriteFile {$DataFolder}out/a.html\n@PreviewCSS {$WriteFileName}\n@PreviewCSS "
      "/site/style.css");
  EXPECT_EQ(engine_.state.WriteFile, "/site/out/a.html");
  EXPECT_EQ(engine_.state.WriteFolder, "/site/out/");
  EXPECT_EQ(engine_.state.PreviewCss, "/site/style.css");
  EXPECT_EQ(engine_.Log(),
            (std::vector<std::string>{Stamped(
                "(警　告)プレビュー用スタイルシートファイルが存在しません(1):/site/out/a.html")}));
  Parse("@WriteFile a.html");
  EXPECT_EQ(engine_.state.WriteFolder, "");
}

TEST_F(SystemCommandsTest, ModesAcceptAnyLetterCase) {
  Parse("@ItemCRLFMode NONE\n@HTMLCRLFMode yEs");
  EXPECT_EQ(engine_.state.ItemCRLFMode, "none");
  EXPECT_TRUE(engine_.state.HTMLCRLFMode);
  Parse("@ItemCRLFMode Tag\n@HTMLCRLFMode No\n@HTMLCRLFMode maybe");
  EXPECT_EQ(engine_.state.ItemCRLFMode, "tag");
  EXPECT_FALSE(engine_.state.HTMLCRLFMode);
  EXPECT_EQ(engine_.Log(),
            (std::vector<std::string>{Stamped(
                "(エラー)HTML改行モードの設定値は Yes または No で設定してください(2):maybe")}));
}

TEST_F(SystemCommandsTest, CsvCounterIsSetOncePerRun) {
  Parse("@CsvCounter x\n@CsvCounter 0\n@CsvCounter   $1F\n@CsvCounter junk");
  EXPECT_EQ(engine_.state.CsvCounter, 31);
  EXPECT_EQ(
      engine_.Log(),
      (std::vector<std::string>{Stamped("(エラー)CSVカウンタを数値に変換できませんでした(0):x")}));
}

TEST_F(SystemCommandsTest, UndefinedCommandsAreNamedInLowerCase) {
  Parse("@\n@Frobnicate now");
  EXPECT_EQ(engine_.Log(), (std::vector<std::string>{
                               Stamped("(エラー)未定義のシステムコマンドです(0):"),
                               Stamped("(エラー)未定義のシステムコマンドです(1):frobnicate"),
                           }));
}

TEST_F(SystemCommandsTest, PathMacrosExpandInOrderIgnoringCase) {
  engine_.state.WriteFile = "/w/x.html";
  engine_.state.WriteFolder = "/w/";
  engine_.state.TemplateFile = "/t/p.tmpl";
  EXPECT_EQ(ExpandPathMacros(engine_.context,
                             "{$runningfolder}|{$WRITEFOLDER}|{$DataFolder}|{$TemplateFolder}|"
                             "{$TemplateFile}|{$WriteFileName}"),
            "/opt/zorvik/|/w/|/site/|/t/|/t/p.tmpl|/w/x.html");
  engine_.state.TemplateFile.clear();
  EXPECT_EQ(ExpandPathMacros(engine_.context, "{$TemplateFolder}a"), "a");
}

TEST(ParseInteger32Test, DecimalAndHexadecimalWithinRange) {
  EXPECT_EQ(ParseInteger32("42"), 42);
  EXPECT_EQ(ParseInteger32("-7"), -7);
  EXPECT_EQ(ParseInteger32("+7"), 7);
  EXPECT_EQ(ParseInteger32("$ff"), 255);
  EXPECT_EQ(ParseInteger32("0X10"), 16);
  EXPECT_EQ(ParseInteger32("2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger32("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "-", "$", "0x", "2147483648", "$80000000", "1.5", " 1", "1 ", "x"}) {
    EXPECT_FALSE(ParseInteger32(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace zorvik
