#include "workbench/user_tags.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TUserTagFields Fields(std::initializer_list<std::pair<int, std::string>> set) {
  TUserTagFields fields;
  for (const auto& [index, text] : set) fields[static_cast<std::size_t>(index)] = text;
  return fields;
}

TEST(UserTagsTest, RegisterShowAndStoreFormat) {
  std::string store;
  std::vector<std::string> list;
  RegisterGroup(store, list, "A", Fields({{0, "a"}, {2, "b"}}));
  EXPECT_EQ(store,
            "<!--\t__A__\t-->a\t\tb\t\t\t\t\t\t\t\t<!--/\t__A__\t-->"
            "<!--\t_UserTagIndex_\t-->A<!--/\t_UserTagIndex_\t-->");
  EXPECT_EQ(list, (std::vector<std::string>{"A"}));
  EXPECT_EQ(ShowGroup(store, "A"), Fields({{0, "a"}, {2, "b"}}));
  EXPECT_EQ(ShowGroup(store, "missing"), TUserTagFields{});
  RegisterGroup(store, list, "Only9", Fields({{9, "nine"}}));
  EXPECT_EQ(ShowGroup(store, "Only9"), Fields({{9, "nine"}}));
  EXPECT_EQ(UserTagGroupList(store), (std::vector<std::string>{"A", "Only9"}));
}

TEST(UserTagsTest, RegisteringTwiceKeepsOneBlockAndMovesItBehind) {
  std::string store;
  std::vector<std::string> list;
  RegisterGroup(store, list, "A", Fields({{0, "first"}}));
  RegisterGroup(store, list, "B", Fields({{0, "b"}}));
  RegisterGroup(store, list, "A", Fields({{0, "se\tcond"}}));  // tabs are removed
  EXPECT_EQ(list, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ShowGroup(store, "A")[0], "second");
  EXPECT_LT(store.find("\t__B__\t"), store.find("\t__A__\t"));
  EXPECT_EQ(store.find("first"), std::string::npos);
  // Another letter case: a block of its own, but no second list entry.
  RegisterGroup(store, list, "a", Fields({{1, "lower"}}));
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(ShowGroup(store, "a")[1], "lower");
  EXPECT_EQ(ShowGroup(store, "A")[0], "second");
  EXPECT_EQ(FindGroupInList(list, "b"), 1u);
  EXPECT_FALSE(FindGroupInList(list, " A "));
}

TEST(UserTagsTest, DeleteRemovesBlockAndEntry) {
  std::string store;
  std::vector<std::string> list;
  RegisterGroup(store, list, "A", Fields({{0, "a"}}));
  RegisterGroup(store, list, "B", Fields({{0, "b"}}));
  DeleteGroup(store, list, "A", 0);
  EXPECT_EQ(list, (std::vector<std::string>{"B"}));
  EXPECT_EQ(UserTagGroupList(store), (std::vector<std::string>{"B"}));
  EXPECT_EQ(ShowGroup(store, "A"), TUserTagFields{});
  EXPECT_EQ(ShowGroup(store, "B")[0], "b");
}

TEST(UserTagsTest, SelectionPlaceholder) {
  EXPECT_EQ(ExpandUserTag("<b>_Seltext_</b>_SELTEXT_", "abc", TEncoding::kCp932), "<b>abc</b>abc");
  EXPECT_EQ(ExpandUserTag("[_Seltext_]", "", TEncoding::kCp932), "[]");
  // After "あ" (its last byte 0x82 would lead in Shift-JIS) the placeholder of a UTF-8 page.
  EXPECT_EQ(ExpandUserTag("あ_Seltext_", "選択", TEncoding::kUtf8), "あ選択");
}

}  // namespace
}  // namespace zorvik
