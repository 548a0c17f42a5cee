// zorvik convert on real sites: the example site to UTF-8 and back, and the refusals that
// leave every file as it was.
#include <sys/stat.h>

#include <chrono>

#include "cli/cli_fixture.h"
#include "convert/conversion_writer.h"
#include "support/publish_servers.h"
#include "support/unprivileged.h"

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
  // A UTF-8 site of pages pages in u8/, its page sources in u8/pages/.
  void MakeUtf8Site(int pages) {
    fs::create_directories(Path("u8/pages"));
    std::ofstream(Path("u8/t.tmpl"), std::ios::binary)
        << "<meta charset=\"UTF-8\"><title>見出し</title>{$Body}\r\n";
    std::string entries;
    for (int i = 0; i < pages; ++i) {
      const std::string name = "p" + std::to_string(10000 + i);
      std::ofstream(Path("u8/pages/" + name + ".dat"), std::ios::binary)
          << "@Template {$DataFolder}../t.tmpl\r\n@WriteFile {$DataFolder}../out/" << name
          << ".html\r\n$Body 日本語の本文 " << i << "\r\n";
      entries += "{$GRODataFolder}pages/" + name + ".dat\r\n";
    }
    std::ofstream(Path("u8/site.gro"), std::ios::binary) << entries;
  }
  // The staged copies beside the page sources.
  int Staged() {
    int staged = 0;
    for (const auto& entry : fs::directory_iterator(Path("u8/pages")))
      staged += entry.path().filename().string().starts_with(".zorvik-");
    return staged;
  }
  // Starts convert --to cp932 on u8/ and returns once it writes (every file has been read by
  // then): false when it never did.
  bool StartConvertUntilItWrites(testing::TBackground& convert) {
    convert.Start({ZORVIK_BINARY, "convert", "--to", "cp932", Path("u8/site.gro")},
                  Path("convert.log"));
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Staged() == 0) {
      if (std::chrono::steady_clock::now() > give_up) return false;
    }
    return true;
  }
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
    const std::string path = Path("site/public/" + page + ".html");
    std::string was = Utf8(original.at(path));
    was.replace(was.find("Shift_JIS"), 9, "UTF-8");
    EXPECT_EQ(Read("site/public/" + page + ".html"), was) << page;
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
  // The group file as a UTF-8 editor may save it: with a byte-order mark.
  std::ofstream(Path("u8/site.gro"), std::ios::binary) << "\xEF\xBB\xBF{$GRODataFolder}p.dat\r\n";
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
  // Which page: found though only digests of the builds were kept.
  EXPECT_NE(run.err.find("out/i.html: error: the page would not be made"), std::string::npos)
      << run.err;
  EXPECT_EQ(Files("site"), before);
}

// Characters with two Shift-JIS codes: every one in the way is named in one run, with its
// codes, and nothing changes; --fold takes them in the form that comes back.
TEST_F(ConvertTest, EveryCharacterWithTwoCodesIsNamedAndFoldTakesThem) {
  // Ⅰ as 0xFA4A (IBM; back as 0x8754), ¬ as 0xEEF9 (NEC-selected IBM; back as 0x81CA) and
  // 纊 as 0xED40 (back as 0xFA5C), on lines 2, 3 and 3.
  const std::string text = "$A x\r\n$B \xFA\x4A\r\n$C \xEE\xF9 \xED\x40\r\n";
  std::ofstream(Path("two.dat"), std::ios::binary) << text;
  auto run = Zorvik({"convert", "--to", "utf-8", Path("two.dat")});
  EXPECT_EQ(run.status, 1);
  for (const std::string line :
       {":2: error: \u2160 (U+2160) written as 0xFA4A would come back as 0x8754",
        ":3: error: \uFFE2 (U+FFE2) written as 0xEEF9 would come back as 0x81CA",
        ":3: error: \u7E8A (U+7E8A) written as 0xED40 would come back as 0xFA5C"}) {
    EXPECT_NE(run.err.find(Path("two.dat") + line + "\n"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Read("two.dat"), text);
  run = Zorvik({"convert", "--to", "utf-8", "--fold", "--dry-run", Path("two.dat")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find(":2: note: would fold \u2160 (U+2160)"), std::string::npos) << run.err;
  EXPECT_EQ(Read("two.dat"), text);
  run = Zorvik({"convert", "--to", "utf-8", "--fold", Path("two.dat")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Read("two.dat"), "$A x\r\n$B \u2160\r\n$C \uFFE2 \u7E8A\r\n");
}

// An editor saves a page source (a new file renamed over the old one) while convert runs: the
// save stays, convert names the file, and no other file is changed either.
TEST_F(ConvertTest, APageSourceSavedWhileConvertRunsIsNeverOverwritten) {
  MakeUtf8Site(3000);
  const auto before = Files("u8");
  testing::TBackground convert;
  ASSERT_TRUE(StartConvertUntilItWrites(convert));
  const std::string saved = Path("u8/pages/p11500.dat");
  const std::string edit = "$Body 編集した本文\r\n";
  std::ofstream(saved + ".new", std::ios::binary) << edit;
  fs::rename(saved + ".new", saved);

  EXPECT_EQ(convert.Wait(), 1);
  const std::string log = testing::Slurp(Path("convert.log"));
  EXPECT_NE(log.find(saved + ": error: changed since it was read"), std::string::npos) << log;
  EXPECT_NE(log.find("nothing was changed"), std::string::npos) << log;
  EXPECT_EQ(Read("u8/pages/p11500.dat"), edit);
  auto after = Files("u8");
  after[saved] = before.at(saved);
  EXPECT_EQ(after, before);
}

// convert killed while it writes leaves its staged copies: the next run removes them, and
// converts the site.
TEST_F(ConvertTest, StagedCopiesOfAKilledRunAreRemovedByTheNext) {
  MakeUtf8Site(3000);
  testing::TBackground convert;
  ASSERT_TRUE(StartConvertUntilItWrites(convert));
  convert.Kill();
  EXPECT_GT(Staged(), 0);
  const auto run = Zorvik({"convert", "--to", "cp932", Path("u8/site.gro")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Staged(), 0);
  EXPECT_NE(Read("u8/pages/p10007.dat").find(testing::Sjis("日本語の本文 7")), std::string::npos);
}

// A file that can no longer be read when convert writes is named with the system's reason,
// not as changed.
TEST_F(ConvertTest, AFileThatCannotBeReadAgainIsNamedWithTheReason) {
  ::chmod(dir_.c_str(), 0755);
  const std::string file = Path("1.tmpl");
  std::ofstream(file, std::ios::binary) << "<meta charset=\"UTF-8\">日本語\r\n";
  testing::GiveToCheckUser(dir_.string());
  testing::GiveToCheckUser(file);
  EXPECT_TRUE(testing::AsOrdinaryUser([&] {
    const TConversionPlan plan = PlanConversion({file}, TEncoding::kCp932, false);
    ::chmod(file.c_str(), 0);
    const TConversionWrite write = WriteConvertedFiles(plan.changes);
    return write.written.empty() && write.problems.size() == 1 &&
           write.problems[0].message == "cannot be read: Permission denied";
  }));
}

// A folder convert may not write: the system's reason, and no file converted before it.
TEST_F(ConvertTest, AFolderThatCannotBeWrittenStopsTheWriteBeforeAnyFileChanges) {
  ::chmod(dir_.c_str(), 0755);
  fs::create_directories(Path("a"));
  fs::create_directories(Path("b"));
  std::vector<std::string> files;
  for (const char* name : {"a/1.tmpl", "a/2.tmpl", "b/3.tmpl"}) {
    std::ofstream(Path(name), std::ios::binary) << "<meta charset=\"UTF-8\">日本語\r\n";
    files.push_back(Path(name));
  }
  for (const char* name : {"", "a", "b", "a/1.tmpl", "a/2.tmpl", "b/3.tmpl"})
    testing::GiveToCheckUser(Path(name));
  ::chmod(Path("b").c_str(), 0555);
  const auto before = Files(".");
  EXPECT_TRUE(testing::AsOrdinaryUser([&] {
    const TConversionPlan plan = PlanConversion(files, TEncoding::kCp932, false);
    const TConversionWrite write = WriteConvertedFiles(plan.changes);
    return plan.changes.size() == 3 && write.written.empty() && write.problems.size() == 1 &&
           write.problems[0].path == Path("b/3.tmpl") &&
           write.problems[0].message == "cannot be written: Permission denied";
  }));
  EXPECT_EQ(Files("."), before);
  ::chmod(Path("b").c_str(), 0755);
}

}  // namespace
}  // namespace zorvik
