#include "cli/watch_plan.h"

#include <gtest/gtest.h>

namespace zorvik::cli {
namespace {

TEST(WatchPlanTest, NewEntriesAndTouchedOnesInTheGroupsOrder) {
  const std::map<std::string, std::set<std::string>> deps = {{"a", {"/s/a.dat", "/s/t.tmpl"}},
                                                             {"b", {"/s/b.dat", "/s/inc.txt"}},
                                                             {"c", {"/s/c.dat", "/s/t.tmpl"}}};
  EXPECT_EQ(PagesToRedo({"a", "b", "c"}, {"a", "b", "c"}, deps, {"/s/t.tmpl"}),
            (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(PagesToRedo({"d", "c", "a", "b"}, {"a", "b", "c"}, deps, {"/s/inc.txt"}),
            (std::vector<std::string>{"d", "b"}));
  EXPECT_TRUE(PagesToRedo({"a", "b"}, {"a", "b", "c"}, deps, {"/s/c.dat", "/other"}).empty());

  // A change that touches every page of a large group: each entry is looked at once.
  std::vector<std::string> entries;
  std::map<std::string, std::set<std::string>> many;
  for (int i = 0; i < 50000; ++i) {
    entries.push_back("/s/p" + std::to_string(i) + ".dat");
    many[entries.back()] = {entries.back(), "/s/t.tmpl"};
  }
  EXPECT_EQ(PagesToRedo(entries, entries, many, {"/s/t.tmpl"}), entries);
}

}  // namespace
}  // namespace zorvik::cli
