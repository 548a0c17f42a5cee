#include "workbench/markup_tools.h"

#include <gtest/gtest.h>

#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::Sjis;

TSelectionEdit Marker(std::string_view selected, int tag, bool bold = false) {
  auto edit = ApplyMarkerClass(selected, 7, MarkerClassOfTag(tag), MarkerElementName(bold),
                               TEncoding::kCp932);
  EXPECT_TRUE(edit.has_value());
  return edit.value_or(TSelectionEdit{});
}

TEST(MarkerTest, WrapsTogglesAndUnwraps) {
  const TSelectionEdit red = Marker("abc", 2);
  EXPECT_EQ(red.replacement, "<span class=\"ft_rd\">abc</span>");
  EXPECT_EQ(red.selection_start, 7);
  EXPECT_EQ(red.selection_length, static_cast<int>(red.replacement.size()));
  EXPECT_EQ(Marker("abc", 2, true).replacement, "<strong class=\"ft_rd\">abc</strong>");
  // The same class again takes it out; the empty element goes and the bare text stays.
  EXPECT_EQ(Marker(red.replacement, 2).replacement, "abc");
  // Another class goes in front.
  const TSelectionEdit both = Marker(red.replacement, 1);
  EXPECT_EQ(both.replacement, "<span class=\"ft_bl ft_rd\">abc</span>");
  EXPECT_EQ(Marker(both.replacement, 1).replacement, "<span class=\"ft_rd\">abc</span>");
  // Taking out the middle class of three leaves two blanks.
  EXPECT_EQ(Marker("<span class=\"ft_bl ft_mk ft_rd\">abc</span>", 0).replacement,
            "<span class=\"ft_bl  ft_rd\">abc</span>");
  EXPECT_FALSE(ApplyMarkerClass("", 0, "ft_rd", "span", TEncoding::kCp932).has_value());
}

TEST(MarkerTest, EmptyClassAttributes) {
  // No class is added to an empty attribute; strong, span and b with an empty one are removed.
  EXPECT_EQ(Marker("<b class=\"\">x</b>", 2).replacement, "x");
  EXPECT_EQ(Marker("<i class=\"\">x</i>", 2).replacement, "<i class=\"\">x</i>");
  EXPECT_EQ(RemoveEmptyClassElement("<p><span class=\"\">a</span></p>", "span", TEncoding::kCp932),
            "<p>a</p>");
  EXPECT_EQ(RemoveEmptyClassElement("<span class=\"x\">a</span>", "span", TEncoding::kCp932),
            "<span class=\"x\">a</span>");
}

TEST(ElementTest, WrapsEvenAnEmptySelection) {
  const TSelectionEdit strong = WrapInElement("", 3, ElementOfTag(0), TEncoding::kCp932);
  EXPECT_EQ(strong.replacement, "<strong></strong>");
  EXPECT_EQ(strong.selection_start, 3);
  EXPECT_EQ(strong.selection_length, 17);
  EXPECT_EQ(WrapInElement(Sjis("a■b"), 0, ElementOfTag(1), TEncoding::kCp932).replacement,
            "<em>aemb</em>");
  EXPECT_EQ(WrapInElement(Sjis("表"), 0, ElementOfTag(3), TEncoding::kCp932).replacement,
            "<s>" + Sjis("表") + "</s>");
  // In a UTF-8 page the mark is UTF-8's ■, and a character whose bytes hold Shift-JIS's ■
  // (0x81 0xA1, inside the domino U+1F061) stays whole.
  EXPECT_EQ(WrapInElement("a■b\xF0\x9F\x81\xA1", 0, ElementOfTag(1), TEncoding::kUtf8).replacement,
            "<em>aemb\xF0\x9F\x81\xA1</em>");
}

TEST(LinkTest, LeavesTheCaretWhereTheMissingPartGoes) {
  const auto url = MakeLink("http://x.jp/", 10, 0);
  ASSERT_TRUE(url);
  EXPECT_EQ(url->replacement, "<a href=\"http://x.jp/\"></a>");
  EXPECT_EQ(url->selection_start, 10 + static_cast<int>(url->replacement.size()) - 4);
  EXPECT_EQ(url->selection_length, 0);
  const auto text = MakeLink(Sjis("リンク"), 10, 1);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->replacement, "<a href=\"\">" + Sjis("リンク") + "</a>");
  EXPECT_EQ(text->selection_start, 19);
  EXPECT_FALSE(MakeLink("", 0, 0));
}

TEST(DeleteTagsTest, RemovesTagsThenBlankLinesAtTheEnds) {
  TSecondAWKStr pattern;
  const TSelectionEdit edit = DeleteTags("<p>\r\nabc<br />\r\n</p>", 4, pattern);
  EXPECT_EQ(edit.replacement, "abc");
  EXPECT_EQ(edit.selection_start, 4);
  EXPECT_EQ(edit.selection_length, 3);
  EXPECT_EQ(DeleteTags("<a\r\nhref>x", 0, pattern).replacement, "<a\r\nhref>x");
}

TEST(MarksTest, DollarAndBlockMarks) {
  EXPECT_EQ(DollarMarks("ignored", 0), "$");
  EXPECT_EQ(DollarMarks("Body", 1), "[Body]\r\n\r\n[/Body]\r\n");
  EXPECT_EQ(DollarMarks("", 1), "[]\r\n\r\n[/]\r\n");
}

TEST(SystemTagsTest, EntriesAndWhatTheyWrite) {
  // Every entry but the separators inserts something.
  for (const std::string_view entry : kSystemTagEntries) {
    EXPECT_EQ(SystemTagInsertion(std::string(entry)).has_value(),
              entry.find_first_not_of('-') != std::string_view::npos)
        << entry;
  }
  EXPECT_EQ(SystemTagInsertion("@Template"), "@Template ");
  EXPECT_EQ(SystemTagInsertion("{$DataFolder}"), "{$DataFolder}");
  EXPECT_FALSE(SystemTagInsertion("--------------"));
  EXPECT_FALSE(SystemTagInsertion(""));
  const std::string skeleton = *SystemTagInsertion("*DefaultTemplate");
  EXPECT_EQ(skeleton, PageSkeleton());
  const std::string rule = "//" + std::string(49, '-');
  EXPECT_EQ(testing::Utf8(skeleton),
            rule + "\r\n// システム設定（基本）\r\n" + rule +
                "\r\n@Template {$RunningFolder}Templates\\\r\n@WriteFile \r\n"
                "@PreviewCSS {$WriteFolder}\r\n@ItemCRLFMode Tag\r\n@HTMLCRLFMode Yes\r\n\r\n\r\n" +
                rule + "\r\n// システム設定（ループカウンタ）\r\n" + rule + "\r\n\r\n\r\n\r\n" +
                rule + "\r\n// １行設定\r\n" + rule + "\r\n\r\n\r\n" + rule +
                "\r\n// 複数行設定\r\n" + rule + "\r\n\r\n\r\n" + rule +
                "\r\n// ループブロック設定\r\n" + rule + "\r\n");
}

TEST(ColorTest, UpperCaseHexadecimal) {
  EXPECT_EQ(ColorValueText(255, 0, 0), "#FF0000");
  EXPECT_EQ(ColorValueText(255, 255, 255), "#FFFFFF");
  EXPECT_EQ(ColorValueText(10, 171, 1), "#0AAB01");
}

}  // namespace
}  // namespace zorvik
