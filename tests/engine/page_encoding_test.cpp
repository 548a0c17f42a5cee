// Pages in UTF-8 beside Shift-JIS ones: each file in its own encoding, the page in its
// template's, and the character rules of a run in the page's.
#include <gtest/gtest.h>

#include <random>

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

// The charset a template declares decides the page's encoding, whichever the page source's and
// the template's own; the template comes into it. Without a declaration, a template of ASCII
// only leaves the page in its page source's.
TEST_F(PageEncodingTest, TheTemplatesDeclaredCharsetDecidesThePagesEncoding) {
  const std::string says_sjis = "<meta charset=\"Shift_JIS\">";
  const std::string says_utf8 =
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
  engine_.files.files["/site/says-sjis.tmpl"] = CrLf(says_sjis + "{$Body}\n");
  engine_.files.files["/site/says-utf8.tmpl"] = CrLf(says_utf8 + "{$Body}\n");
  engine_.files.files["/site/says-nothing.tmpl"] = CrLf("<p>{$Body}\n");
  engine_.files.files["/site/sjis-says-utf8.tmpl"] = CrLf(Sjis(says_utf8 + "見出し{$Body}\n"));
  engine_.files.files["/site/utf8-says-sjis.tmpl"] = CrLf(says_sjis + "見出し{$Body}\n");
  const struct {
    const char* tmpl;
    std::string source_body;  // in the page source's own encoding
    std::string page;
    TEncoding encoding;
  } cases[] = {
      {"says-sjis.tmpl", "はじめ", Sjis(says_sjis + "はじめ"), TEncoding::kCp932},
      {"says-utf8.tmpl", Sjis("はじめ"), says_utf8 + "はじめ", TEncoding::kUtf8},
      {"says-sjis.tmpl", Sjis("はじめ"), Sjis(says_sjis + "はじめ"), TEncoding::kCp932},
      {"says-nothing.tmpl", "はじめ", "<p>はじめ", TEncoding::kUtf8},
      {"says-nothing.tmpl", Sjis("はじめ"), Sjis("<p>はじめ"), TEncoding::kCp932},
      {"sjis-says-utf8.tmpl", Sjis("はじめ"), says_utf8 + "見出しはじめ", TEncoding::kUtf8},
      {"utf8-says-sjis.tmpl", "はじめ", Sjis(says_sjis + "見出しはじめ"), TEncoding::kCp932},
  };
  for (const auto& c : cases) {
    const std::string page =
        Run(std::string("@Template ") + c.tmpl + "\n@WriteFile out/a.html\n$Body " + c.source_body);
    EXPECT_EQ(page, c.page + "\r\n") << c.tmpl;
    EXPECT_EQ(engine_.state.PageEncoding, c.encoding) << c.tmpl;
    EXPECT_TRUE(Warnings().empty()) << c.tmpl;
  }
}

// A page source that is UTF-8 but for a stray byte stays UTF-8: one warning says so and why,
// one more points at each stray run. A page that holds bytes its declaration rules out is
// written with a warning naming the page's line.
TEST_F(PageEncodingTest, AUtf8FileWithAStrayByteStaysUtf8AndSaysWhere) {
  const std::string words = "はじめに、日本語の文章です。";
  const std::string page = Run("@Template utf8.tmpl\n@WriteFile out/a.html\n$Body " + words +
                               "\xFF" + words + "\n\xE3\x81");
  EXPECT_EQ(page, CrLf("<title>見出し</title>" + words + "\xFF" + words + "|Monday\n"));
  EXPECT_EQ(Warnings(), (std::vector<std::string>{
                            Stamped("(警　告)UTF-8として読みました(2):UTF-8の文字 28 個、"
                                    "UTF-8にならないバイト 3 個"),
                            Stamped("(警　告)UTF-8にならないバイトがあります(2):0xFF"),
                            Stamped("(警　告)UTF-8にならないバイトがあります(3):0xE3 0x81"),
                        }));
  // Declared, the page's bytes are checked against the declaration.
  engine_.files.files["/site/utf8.tmpl"] =
      CrLf("<meta charset=utf-8>\n<title>見出し</title>{$Body}\n");
  Run("@Template utf8.tmpl\n@WriteFile out/a.html\n$Body " + words + "\xFF" + words);
  EXPECT_EQ(Warnings().back(),
            Stamped("(警　告)宣言した文字コードにないバイトがあります(utf-8):/site/out/a.html:2"));
  // No template: the page source's own declaration.
  Run("@WriteFile out/b.html\n<meta charset=\"Shift_JIS\">\n" + words);
  EXPECT_EQ(
      Warnings().back(),
      Stamped("(警　告)宣言した文字コードにないバイトがあります(Shift_JIS):/site/out/b.html:3"));
}

// The rules of a run count UTF-8 characters: a continuation byte that Shift-JIS would read as
// a lead byte (the 0x81-0x9F of "あ", "ー", "ソ") never takes the CR, brace or space after it.
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

// Random sites made of characters both encodings hold (those whose Shift-JIS trail byte is "\"
// or a lead byte's value among them), each built as UTF-8 and as its Shift-JIS twin: the pages
// are the same text, and neither run warns.
TEST(PageEncodingTwinsTest, AUtf8SiteAndItsShiftJisTwinMakeTheSamePages) {
  static constexpr const char* kPieces[] = {"a",  "Z",  "1",   " ",     "　", "ソ", "表",
                                            "能", "予", "十",  "ー",    "。", "あ", "亜",
                                            "ｱ",  "①",  "<b>", "&amp;", "\\"};
  std::mt19937 random(39);
  const auto words = [&](int most) {
    std::string text;
    for (int n = std::uniform_int_distribution<int>(0, most)(random); n > 0; --n) {
      text +=
          kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(random)];
    }
    return text;
  };
  for (int site = 0; site < 300; ++site) {
    const std::string tmpl = "<meta charset=\"CHARSET\">\n<title>{$Title}</title>" + words(6) +
                             "<!--BodyLines-->{$Body}<!--/BodyLines-->" + words(6) + "{#項目}" +
                             words(4) + "{$Count:項目}{$名前}" + words(4) + "\n{/#項目}" +
                             words(6) + "\n";
    std::string body;
    for (int line = std::uniform_int_distribution<int>(0, 6)(random); line > 0; --line) {
      body += words(8) + "\n";
    }
    const std::string page = "@Template t.tmpl\n@WriteFile out/a.html\n@LoopTag 項目 " +
                             std::to_string(site % 4) + "\n$Title " + words(8) + "\n$名前 " +
                             words(6) + "\n[Body]\n" + body + "[/Body]\n";
    std::string pages[2];
    for (int twin = 0; twin < 2; ++twin) {
      const bool sjis = twin == 1;
      std::string t = tmpl;
      t.replace(t.find("CHARSET"), 7, sjis ? "Shift_JIS" : "UTF-8");
      TTestEngine engine;
      engine.files.files["/site/t.tmpl"] = CrLf(sjis ? Sjis(t) : t);
      engine.files.folders.insert("/site/");
      engine.state.DataFolder = "/site/";
      RunGeneration(engine.context, CrLf(sjis ? Sjis(page) : page));
      ASSERT_EQ(engine.state.WarningCount + engine.state.ErrorCount, 0) << page << tmpl;
      pages[twin] = sjis ? testing::Utf8(engine.state.WorkingText) : engine.state.WorkingText;
    }
    const std::size_t name = pages[1].find("Shift_JIS");
    ASSERT_NE(name, std::string::npos);
    pages[1].replace(name, 9, "UTF-8");
    ASSERT_EQ(pages[0], pages[1]) << "site " << site << "\n" << page << tmpl;
  }
}

}  // namespace
}  // namespace zorvik
