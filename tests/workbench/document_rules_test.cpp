#include "workbench/document_rules.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TEST(DocumentRulesTest, TheCaptionNamesTheFileAndItsFolder) {
  EXPECT_EQ(DocumentCaption("T", "", "/opt/z/"), "T");
  EXPECT_EQ(DocumentCaption("T", "/home/u/site/a.dat", "/opt/z/"), "T  [a.dat] - /home/u/site/");
  EXPECT_EQ(DocumentCaption("T", "/opt/z/pages/../b.dat", "/opt/z/"),
            "T  [b.dat] - <RunningFolder>/");
  EXPECT_EQ(DocumentCaption("T", "/opt/zz/b.dat", "/opt/z/"), "T  [b.dat] - /opt/zz/");
}

TEST(DocumentRulesTest, ADropIsOneFileWithAWantedSuffix) {
  const struct {
    std::vector<std::string> paths;
    TDropCheck expected;
  } cases[] = {
      {{"/s/a.dat"}, TDropCheck::kTaken},
      {{"/s/a.TXT"}, TDropCheck::kTaken},
      {{"/s/a.dat.bak"}, TDropCheck::kWrongSuffix},
      {{"/s.dat/a"}, TDropCheck::kWrongSuffix},
      {{}, TDropCheck::kNotOne},
      {{"/s/a.dat", "/s/b.dat"}, TDropCheck::kNotOne},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckDrop(c.paths, {"dat", "txt"}), c.expected) << ::testing::PrintToString(c.paths);
  }
}

}  // namespace
}  // namespace zorvik
