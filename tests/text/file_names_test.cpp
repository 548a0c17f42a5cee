#include "text/file_names.h"

#include <gtest/gtest.h>

#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::Sjis;

TEST(FileNamesTest, SplitsAtTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(ExtractFolder("/site/pages/a.dat"), "/site/pages/");
  EXPECT_EQ(ExtractFileNamePart("/site/pages/a.dat"), "a.dat");
  EXPECT_EQ(ExtractFolder("C:\\Tools\\a.dat"), "C:\\Tools\\");
  EXPECT_EQ(ExtractFolder("a.dat"), "");
  EXPECT_EQ(ExtractFileNamePart("a.dat"), "a.dat");
  // 表 ends in 0x5C: that byte is no separator.
  const std::string path = "/p/" + Sjis("表.dat");
  EXPECT_EQ(ExtractFolder(path), "/p/");
  EXPECT_EQ(ExtractFileNamePart(path), Sjis("表.dat"));
  EXPECT_EQ(ToFileSystemPath("a\\b\\" + Sjis("表")), "a/b/" + Sjis("表"));
}

TEST(FileNamesTest, JapaneseFolderNamesInUtf8EndAtTheirSlash) {
  // Each of these ends in a UTF-8 byte that CP932 would take for a lead byte before "/".
  for (const std::string name : {"日本語", "サイト", "ダウンロード"}) {
    SCOPED_TRACE(name);
    const std::string path = "/home/u/" + name + "/t.tmpl";
    EXPECT_EQ(ExtractFolder(path), "/home/u/" + name + "/");
    EXPECT_EQ(ExtractFileNamePart(path), "t.tmpl");
    EXPECT_EQ(ExtractFolder("/home/u/" + name + "/"), "/home/u/" + name + "/");
    EXPECT_EQ(ToFileSystemPath("/home/u/" + name + "/a\\b"), "/home/u/" + name + "/a/b");
  }
}

TEST(FileNamesTest, FileTitleTextMarksTheProgramFolder) {
  EXPECT_EQ(FileTitleText("/opt/zorvik/pages/a.dat", "/opt/zorvik/"),
            " [a.dat] - <RunningFolder>/pages/");
  EXPECT_EQ(FileTitleText("/home/u/site/b.dat", "/opt/zorvik/"), " [b.dat] - /home/u/site/");
  EXPECT_EQ(FileTitleText("", "/opt/zorvik/"), "");
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(FileTitleText(folder + "x.dat"), " [x.dat] - <RunningFolder>/");
}

TEST(FileNamesTest, AnInstalledProgramWorksInTheUsersOwnFolder) {
  struct Case {
    const char* executable_folder;
    const char* zorvik_home;
    const char* home;
    const char* workspace;
  };
  const Case cases[] = {
      {"/home/u/zorvik/build/", nullptr, "/home/u", "/home/u/zorvik/build/"},  // a portable copy
      {"/usr/bin/", nullptr, "/home/u", "/home/u/Zorvik/"},
      {"/usr/local/bin/", "/data/site-work", "/home/u", "/data/site-work/"},
      {"/tmp/unpacked/usr/bin/", nullptr, "/root",
       "/root/Zorvik/"},  // a package unpacked elsewhere
      {"/usr/bin/", "relative", nullptr, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WorkspaceFolderFor(c.executable_folder, c.zorvik_home, c.home), c.workspace)
        << c.executable_folder;
  }
  EXPECT_FALSE(IsSystemProgramFolder("/usrx/"));
}

}  // namespace
}  // namespace zorvik
