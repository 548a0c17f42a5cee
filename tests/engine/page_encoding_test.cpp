// Pages in UTF-8 beside Shift-JIS ones: each file in its own encoding, the page in its
// template's, and the character rules of a run in the page's.
#include <gtest/gtest.h>

#include "engine/generation_run.h"
#include "support/test_engine.h"

namespace zorvik {
namespace {

using testing::Sjis;
using testing::Stamped;
using testing::TTestEngine;

// LF as CR LF, the bytes otherwise as given (UTF-8 source text stays UTF-8).
std::string CrLf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class PageEncodingTest : public ::testing::Test {
 protected:
  PageEncodingTest() {
    // A Shift-JIS template and a UTF-8 one, each with a Japanese word of its own.
    engine_.files.files["/site/sjis.tmpl"] = CrLf(Sjis("<title>見出し</title>{$Body}|{$Day4}\n"));
    engine_.files.files["/site/utf8.tmpl"] = CrLf("<title>見出し</title>{$Body}|{$Day4}\n");
    engine_.files.folders.insert("/site/");
    engine_.state.DataFolder = "/site/";
  }
  std::string Run(const std::string& page_bytes) {
    RunGeneration(engine_.context, CrLf(page_bytes));
    return engine_.state.WorkingText;
  }
  std::vector<std::string> Warnings() const {
    std::vector<std::string> warnings;
    for (const std::string& line : engine_.Log()) {
      if (line.find("(警　告)") != std::string::npos) warnings.push_back(line);
    }
    return warnings;
  }
  TTestEngine engine_;
};

TEST_F(PageEncodingTest, AUtf8PageSourceInAShiftJisTemplateGetsReferences) {
  const std::string page =
      Run("@Template sjis.tmpl\n@WriteFile out/a.html\n$Body 著作権 © 😀 ä　\n");
  EXPECT_EQ(page, CrLf(Sjis("<title>見出し</title>著作権 &#xA9; &#x1F600; &#xE4;|Monday\n")));
  EXPECT_EQ(engine_.state.PageEncoding, TEncoding::kCp932);
  EXPECT_EQ(Warnings(), (std::vector<std::string>{
                            Stamped("(警　告)シフトJISにない文字を文字参照にしました(2):U+00A9"),
                            Stamped("(警　告)シフトJISにない文字を文字参照にしました(2):U+1F600"),
                            Stamped("(警　告)シフトJISにない文字を文字参照にしました(2):U+00E4"),
                        }));
}

TEST_F(PageEncodingTest, AShiftJisPageSourceInAUtf8TemplateMakesAUtf8Page) {
  const std::string page =
      Run(Sjis("@Template utf8.tmpl\n@WriteFile out/a.html\n$Body 　日本語　\n"));
  // A value keeps the full-width space it starts with, and loses the one it ends with.
  EXPECT_EQ(page, CrLf("<title>見出し</title>　日本語|Monday\n"));
  EXPECT_EQ(engine_.state.PageEncoding, TEncoding::kUtf8);
  EXPECT_TRUE(Warnings().empty());
}

// The rules of a run count UTF-8 characters: a continuation byte that Shift-JIS would read as
// a lead byte (the 0x81-0x9F of "あ", "ー", "ソ") never takes the CR, brace or space after it.
// A template of ASCII only: the charset it declares decides the page's encoding, whichever
// the page source's; with none, the page stays in the page source's.
TEST_F(PageEncodingTest, AnAsciiTemplateMakesThePageInTheCharsetItDeclares) {
  engine_.files.files["/site/says-sjis.tmpl"] = CrLf("<meta charset=\"Shift_JIS\">{$Body}\n");
  engine_.files.files["/site/says-utf8.tmpl"] =
      CrLf("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">{$Body}\n");
  engine_.files.files["/site/says-nothing.tmpl"] = CrLf("<p>{$Body}\n");
  const struct {
    const char* tmpl;
    std::string source_body;  // in the page source's own encoding
    std::string page_body;
    TEncoding page;
  } cases[] = {
      {"says-sjis.tmpl", "はじめ", Sjis("はじめ"), TEncoding::kCp932},
      {"says-utf8.tmpl", Sjis("はじめ"), "はじめ", TEncoding::kUtf8},
      {"says-sjis.tmpl", Sjis("はじめ"), Sjis("はじめ"), TEncoding::kCp932},
      {"says-nothing.tmpl", "はじめ", "はじめ", TEncoding::kUtf8},
      {"says-nothing.tmpl", Sjis("はじめ"), Sjis("はじめ"), TEncoding::kCp932},
  };
  for (const auto& c : cases) {
    const std::string page =
        Run(std::string("@Template ") + c.tmpl + "\n@WriteFile out/a.html\n$Body " + c.source_body);
    EXPECT_NE(page.find(c.page_body + "\r\n"), std::string::npos) << c.tmpl;
    EXPECT_EQ(engine_.state.PageEncoding, c.page) << c.tmpl;
    EXPECT_TRUE(Warnings().empty()) << c.tmpl;
  }
}

TEST_F(PageEncodingTest, TheRulesOfARunTakeWholeUtf8Characters) {
  engine_.files.files["/site/loop.tmpl"] = CrLf(
      "ソ<!--BodyLines-->{$Body}<!--/BodyLines-->ソ{#項目}ー{$Count:項目}ソ{$名前}あ\n{/#項目}");
  const std::string page =
      Run("\xEF\xBB\xBF@Template loop.tmpl\n@WriteFile out/a.html\n@LoopTag 項目 2\n"
          "$名前 ソ　\n[Body]\nあ\nー\n\nソ\n[/Body]\n");
  EXPECT_EQ(page, CrLf("ソ<p>あ<br />\nー</p>\n<p>ソ</p>ソー1ソソあ\nー2ソソあ\n"));
  EXPECT_TRUE(Warnings().empty()) << Warnings().front();
}

TEST_F(PageEncodingTest, AnImportInTheOtherEncodingIsConvertedWithItsOwnLines) {
  engine_.files.files["/site/common.dat"] = CrLf("// 共通\n$Body ©\n");
  Run(Sjis("@Template sjis.tmpl\n@WriteFile out/a.html\n@Import common.dat\n"));
  EXPECT_EQ(engine_.state.WorkingText, CrLf(Sjis("<title>見出し</title>&#xA9;|Monday\n")));
  const std::vector<std::string> warnings = Warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("(1):U+00A9"), std::string::npos) << warnings[0];
}

TEST_F(PageEncodingTest, AForcedEncodingRulesFilesWithoutAMark) {
  // Valid UTF-8 by chance, but meant as Shift-JIS: forced, it is taken so.
  const std::string bytes = "\xE6\x97\xA5";  // "譌･" in CP932
  engine_.context.forced_encoding = TEncoding::kCp932;
  Run("@Template sjis.tmpl\n@WriteFile out/a.html\n$Body " + bytes + "\n");
  EXPECT_EQ(engine_.state.WorkingText, CrLf(Sjis("<title>見出し</title>") + bytes + "|Monday\n"));
  EXPECT_EQ(engine_.state.PageEncoding, TEncoding::kCp932);
}

}  // namespace
}  // namespace zorvik
