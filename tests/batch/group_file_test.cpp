#include "batch/group_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "batch/new_page.h"
#include "support/sjis.h"

namespace zorvik {
namespace {

TEST(GroupFileTest, MacrosExpandInAnyLetterCase) {
  const auto entries = GroupEntriesFromText(
      "{$GRODataFolder}a.dat\r\n{$grodatafolder}sub/b.dat\r\n\r\n{$RunningFolder}c.dat\r\n/x/"
      "d.dat\r\n",
      "/g/", "/opt/zorvik/");
  EXPECT_EQ(entries, (std::vector<std::string>{"/g/a.dat", "/g/sub/b.dat", "", "/opt/zorvik/c.dat",
                                               "/x/d.dat"}));
  EXPECT_TRUE(GroupEntriesFromText("", "/g/", "/r/").empty());
  // A byte-order mark an editor put in front is no part of the first entry.
  EXPECT_EQ(GroupEntriesFromText("\xEF\xBB\xBF{$GRODataFolder}a.dat\r\nb.dat\r\n", "/g/", "/r/"),
            (std::vector<std::string>{"/g/a.dat", "/g/b.dat"}));
  // In a UTF-8 group file the macro after "あ" (E3 81 82: a lead byte 0x82 in Shift-JIS) is
  // found by UTF-8's rule; Shift-JIS's would take its "{" for a trail byte.
  EXPECT_EQ(GroupEntriesFromText("/x/あ{$GRODataFolder}a.dat\r\n", "/g/", "/r/"),
            (std::vector<std::string>{"/x/あ/g/a.dat"}));
  EXPECT_EQ(GroupTextFromEntries({"/x/あ/g/a.dat"}, "/g/", "/r/"),
            "/x/あ{$GRODataFolder}a.dat\r\n");
}

TEST(GroupFileTest, SavingWritesTheGroupFolderFirst) {
  // A group file in the program's folder stores paths below it with {$GRODataFolder}.
  const std::vector<std::string> entries = {"/opt/zorvik/a.dat", "/opt/zorvik/sub/b.dat",
                                            "/opt/other/c.dat", "/elsewhere/d.dat"};
  EXPECT_EQ(GroupTextFromEntries(entries, "/opt/zorvik/", "/opt/zorvik/"),
            "{$GRODataFolder}a.dat\r\n{$GRODataFolder}sub/b.dat\r\n/opt/other/c.dat\r\n"
            "/elsewhere/d.dat\r\n");
  EXPECT_EQ(GroupTextFromEntries(entries, "/opt/zorvik/sub/", "/opt/zorvik/"),
            "{$RunningFolder}a.dat\r\n{$GRODataFolder}b.dat\r\n/opt/other/c.dat\r\n"
            "/elsewhere/d.dat\r\n");
}

TEST(GroupFileTest, AGroupFileMovesWithItsPages) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("zorvik-group-" + std::to_string(::getpid()));
  fs::create_directories(root / "one");
  const std::string first = (root / "one").string() + "/";
  ASSERT_TRUE(SaveGroupFile(first + "site.gro", {first + "a.dat", first + testing::Sjis("表.dat")},
                            "/opt/zorvik/"));
  fs::rename(root / "one", root / "two");
  const std::string second = (root / "two").string() + "/";
  EXPECT_EQ(ReadGroupFile(second + "site.gro", "/opt/zorvik/"),
            (std::vector<std::string>{second + "a.dat", second + testing::Sjis("表.dat")}));
  EXPECT_EQ(ReadGroupFile(second + "missing.gro", "/opt/zorvik/"),
            (std::vector<std::string>{"#FileLoadError#"}));
  EXPECT_FALSE(SaveGroupFile(root.string() + "/no/such/x.gro", {"a"}, "/opt/zorvik/"));
  fs::remove_all(root);
}

// A new page takes the model's commands and the names of its values, never its text; its
// @WriteFile keeps the model's folder, a Shift-JIS one included.
TEST(NewPageTest, APageIsMadeFromTheCommandsAndNamesOfItsModel) {
  const std::string folder = testing::Sjis("../公開/");
  const std::string model =
      "// the top page\r\n@Template {$DataFolder}../t/page.tmpl\r\n@WriteFile {$DataFolder}" +
      folder +
      "index.html\n@Import {$DataFolder}common.dat\r\n\r\n"
      "@LoopTag items 2\r\n$Title Top\r\n$Item1 one\r\n$Item2\r\n"
      "[Article]\r\nbody\r\n[Note]\r\nnot a block of its own\r\n[/Article]\r\n"
      "[Side]\r\n[/Side]\r\n";
  EXPECT_EQ(
      PageFromModel(model, "news.html", "news"),
      "@Template {$DataFolder}../t/page.tmpl\r\n@WriteFile {$DataFolder}" + folder +
          "news.html\r\n@Import {$DataFolder}common.dat\r\n@LoopTag items 2\r\n"
          "$Title news\r\n$Item1\r\n$Item2\r\n[Article]\r\n[/Article]\r\n[Side]\r\n[/Side]\r\n");
}

}  // namespace
}  // namespace zorvik
