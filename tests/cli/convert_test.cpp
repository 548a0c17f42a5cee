// zorvik convert on real sites: the example site to UTF-8 and back, and the refusals that
// leave every file as it was.
#include "cli/cli_fixture.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;
using testing::Page;
using testing::Sjis;
using testing::Utf8;

class ConvertTest : public testing::CliTest {
 protected:
  ConvertTest() : CliTest("zorvik-convert-") {
    fs::copy(fs::path(ZORVIK_SOURCE_DIR) / "examples/site", dir_ / "site",
             fs::copy_options::recursive);
  }
  // The bytes of every file under folder.
  std::map<std::string, std::string> Files(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir_ / folder)) {
      if (entry.is_regular_file()) files[entry.path().string()] = Read(fs::relative(entry, dir_));
    }
    return files;
  }
};

TEST_F(ConvertTest, TheExampleSiteGoesToUtf8WithTheSameTextAndComesBackByteForByte) {
  const std::string group = Path("site/site.gro");
  ASSERT_EQ(Zorvik({"batch", group}).status, 0);
  const auto original = Files("site");

  auto run = Zorvik({"convert", "--to", "utf-8", "--dry-run", group});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("would convert " + Path("site/templates/page.tmpl") +
                         " (Shift-JIS to UTF-8, 1 charset declaration)\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(Files("site"), original);

  run = Zorvik({"convert", "--to", "utf-8", group});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("5 files converted to UTF-8; the pages built before and after have "
                         "the same text"),
            std::string::npos)
      << run.err;
  EXPECT_NE(Read("site/templates/page.tmpl").find("<meta charset=\"UTF-8\">"), std::string::npos);
  ASSERT_EQ(Zorvik({"batch", group}).status, 0);
  // The UTF-8 pages hold the Shift-JIS pages' text, with the other charset named.
  for (const std::string page : {"index", "about", "news"}) {
    const std::string path = Path("site/out/" + page + ".html");
    std::string was = Utf8(original.at(path));
    was.replace(was.find("Shift_JIS"), 9, "UTF-8");
    EXPECT_EQ(Read("site/out/" + page + ".html"), was) << page;
  }

  run = Zorvik({"convert", "--to", "cp932", group});
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(Zorvik({"batch", group}).status, 0);
  EXPECT_EQ(Files("site"), original);
}

TEST_F(ConvertTest, WhatCannotConvertLosslesslyChangesNothing) {
  // A UTF-8 page source with a character Shift-JIS cannot hold, on its third line.
  std::ofstream(Path("site/pages/u.dat"), std::ios::binary)
      << "// UTF-8\r\n$Title 日本語\r\n$Body ©\r\n";
  auto run = Zorvik({"convert", "--to", "cp932", Path("site/pages/u.dat")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(Path("site/pages/u.dat") + ":3: error: U+00A9 cannot be written in "
                                                    "Shift-JIS"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Read("site/pages/u.dat"), "// UTF-8\r\n$Title 日本語\r\n$Body ©\r\n");
  run = Zorvik({"convert", "--to", "cp932", "--ncr", Path("site/pages/u.dat")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Read("site/pages/u.dat"), Page("// UTF-8\n$Title 日本語\n$Body &#xA9;\n"));

  // A UTF-8 site to Shift-JIS with --ncr: the pages' text stays the same, "&#xA9;" being "©".
  fs::create_directories(Path("u8"));
  std::ofstream(Path("u8/t.tmpl"), std::ios::binary)
      << "<meta charset=\"UTF-8\"><title>見出し</title>{$Body}\r\n";
  std::ofstream(Path("u8/p.dat"), std::ios::binary)
      << "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}p.html\r\n$Body 日本語 ©\r\n";
  std::ofstream(Path("u8/site.gro"), std::ios::binary) << "{$GRODataFolder}p.dat\r\n";
  EXPECT_EQ(Zorvik({"convert", "--to", "cp932", Path("u8/site.gro")}).status, 1);
  run = Zorvik({"convert", "--to", "cp932", "--ncr", Path("u8/site.gro")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Read("u8/p.dat"), Sjis("@Template {$DataFolder}t.tmpl\r\n@WriteFile "
                                   "{$DataFolder}p.html\r\n$Body 日本語 &#xA9;\r\n"));
  EXPECT_EQ(Read("u8/t.tmpl"),
            Sjis("<meta charset=\"Shift_JIS\"><title>見出し</title>{$Body}\r\n"));

  // A page source that imports a file by a Shift-JIS name: converted, the name would no longer
  // be the file's, and the page would change. The proof refuses it.
  std::ofstream(Path("site/" + Sjis("共通.dat")), std::ios::binary) << Sjis("$Footer 共通\r\n");
  std::ofstream(Path("site/pages/i.dat"), std::ios::binary) << Sjis(
      "@Template {$DataFolder}../templates/page.tmpl\r\n@WriteFile "
      "{$DataFolder}../out/i.html\r\n@Import {$DataFolder}../共通.dat\r\n");
  std::ofstream(Path("site/i.gro"), std::ios::binary) << "{$GRODataFolder}pages/i.dat\r\n";
  const auto before = Files("site");
  run = Zorvik({"convert", "--to", "utf-8", Path("site/i.gro")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("the pages would not stay the same; nothing was changed"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Files("site"), before);
}

}  // namespace
}  // namespace zorvik
