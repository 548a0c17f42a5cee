// The site check's parts: byte validity, what a page and a style sheet refer to, and hostile
// pages that must give findings, never a crash or a hang.
#include <gtest/gtest.h>

#include "check/site_check.h"
#include "site/page_scan.h"
#include "text/byte_validity.h"

namespace zorvik {
namespace {

TEST(CheckCoreTest, BytesAreTrueToTheirCharset) {
  EXPECT_FALSE(FirstInvalidCp932("abc\x82\xA0\xB1"));  // ASCII, あ, half-width ｱ
  EXPECT_EQ(FirstInvalidCp932("ab\x82"), 2U);          // a lead byte at the end
  EXPECT_EQ(FirstInvalidCp932("a\x81\x20"), 1U);       // no trail byte
  EXPECT_EQ(FirstInvalidCp932("\xA0"), 0U);
  EXPECT_FALSE(FirstInvalidUtf8("a\xE3\x81\x82\xF0\x9F\x98\x80"));
  EXPECT_EQ(FirstInvalidUtf8("a\xC0\xAF"), 1U);     // overlong
  EXPECT_EQ(FirstInvalidUtf8("\xED\xA0\x80"), 0U);  // a surrogate
  EXPECT_EQ(FirstInvalidUtf8("ab\xE3\x81"), 2U);    // cut short
  EXPECT_EQ(FirstInvalidUtf8("\x82\xA0"), 0U);      // Shift_JIS
}

TEST(CheckCoreTest, EveryKindOfAddressIsFoundOnItsLine) {
  const TPageScan scan = ScanHtmlPage(
      "<meta charset=\"Shift_JIS\">\n"
      "<a href=\" a.html \">x</a><img src=b.png srcset=\"c.png 1x, d.png 2x\">\n"
      "<form action=e.cgi></form><video poster=f.jpg></video><object data=g.svg></object>\n"
      "<p style=\"background:url('h.png')\"></p>\n"
      "<style>\n/* url(no.png) */\n@import \"i.css\";\nq { background: url(j.png) }\n</style>\n"
      "<base href=\"/elsewhere/\"><!-- <a href=no.html> -->\n");
  std::vector<std::string> found;
  for (const TPageRef& ref : scan.refs) found.push_back(ref.url + "@" + std::to_string(ref.line));
  EXPECT_EQ(found,
            (std::vector<std::string>{"a.html@2", "b.png@2", "c.png@2", "d.png@2", "e.cgi@3",
                                      "f.jpg@3", "g.svg@3", "h.png@4", "j.png@8", "i.css@7"}));
  EXPECT_TRUE(scan.problems.empty());
}

// Hostile pages: findings, never a crash or a hang.
TEST(CheckCoreTest, HostilePagesGiveFindings) {
  std::string many = "<meta charset=\"Shift_JIS\">";
  for (int i = 0; i < 10000; ++i) many += "<a href=\"p" + std::to_string(i) + ".html\">x</a>\n";
  std::string huge = "<meta charset=\"Shift_JIS\">{$Left}";
  huge.resize(100u << 20, 'x');
  const struct {
    std::string name;
    std::string page;
    std::size_t findings;  // at least
  } cases[] = {
      {"malformed", "<html><<a href=\"x.html\"><p <div></table></i></b>\n<a href='y.html", 1},
      {"binary", std::string("\x00\xFF\xFE<a href=z.png>\x01\x80", 11), 1},
      {"control bytes in an address",
       std::string("<meta charset=\"Shift_JIS\"><a href=\"a\x01.html\">x</a><img src=\"b\0c\">",
                   60),
       1},
      {"10,000 links", many, 10000},
      {"100 MB", huge, 2},
  };
  for (const auto& c : cases) {
    TSiteCheck check(
        "/s/", [](const std::string&, std::string&, std::string*) { return false; },
        [](const std::string&) { return false; });
    check.AddPage("/s/p.html", c.page, true);
    EXPECT_GE(check.Finish().size(), c.findings) << c.name;
  }
}

}  // namespace
}  // namespace zorvik
