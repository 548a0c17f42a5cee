#include <gtest/gtest.h>

#include "convert/site_conversion.h"
#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::Sjis;

// What the proof of a conversion keeps of a build: a page's text, whatever its encoding and
// charset name, and the first page of the build before that changed or went missing.
TEST(PageDigestsTest, TheFirstPageWhoseTextChangesOrGoesMissing) {
  const std::string utf8 = "<meta charset=\"UTF-8\"><p>日本語</p>\r\n";
  const std::string sjis = Sjis("<meta charset=\"Shift_JIS\"><p>日本語</p>\r\n");
  TPageDigests before;
  before.Add("/o/a.html", sjis);
  before.Add("/o/b.html", sjis);
  before.Add("/o/c.html", sjis);
  const struct {
    std::vector<std::pair<std::string, std::string>> after;
    std::optional<std::string> changed;
  } cases[] = {
      {{{"/o/a.html", utf8}, {"/o/b.html", utf8}, {"/o/c.html", utf8}}, std::nullopt},
      {{{"/o/c.html", utf8}, {"/o/b.html", utf8}, {"/o/a.html", utf8}}, std::nullopt},
      {{{"/o/a.html", utf8}, {"/o/c.html", utf8 + "x"}}, "/o/b.html"},  // b before c
      {{{"/o/a.html", utf8}, {"/o/b.html", utf8 + "x"}, {"/o/c.html", "y"}}, "/o/b.html"},
      // A page made twice counts as it was made last.
      {{{"/o/a.html", "z"}, {"/o/b.html", utf8}, {"/o/c.html", utf8}, {"/o/a.html", utf8}},
       std::nullopt},
  };
  for (const auto& c : cases) {
    TPageDigests after;
    for (const auto& [path, bytes] : c.after) after.Add(path, bytes);
    EXPECT_EQ(FirstChangedPage(before, after), c.changed) << c.after.size();
  }
}

}  // namespace
}  // namespace zorvik
