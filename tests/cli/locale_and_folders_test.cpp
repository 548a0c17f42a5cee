// The command in places users really have: folders with Japanese names (UTF-8 on disk) on
// every path macro, and Japanese and German locales for the day and month names. The locales
// are compiled with localedef into a private folder (LOCPATH), leaving the machine as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/run_process.h"
#include "support/sjis.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;
using testing::RunProcess;
using testing::Sjis;

class LocaleAndFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zorvik-places-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Runs the command with a clean locale environment plus the given settings.
  static testing::ProcessResult Run(const std::vector<std::string>& env,
                                    const std::vector<std::string>& args,
                                    const std::string& binary = ZORVIK_BINARY) {
    std::vector<std::string> argv = {"/usr/bin/env",
                                     "-u",
                                     "LC_ALL",
                                     "-u",
                                     "LANG",
                                     "-u",
                                     "LC_TIME",
                                     "-u",
                                     "LC_CTYPE",
                                     "TZ=UTC",
                                     "SOURCE_DATE_EPOCH=1796634330"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(binary);
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, "");
  }
  fs::path dir_;
};

TEST_F(LocaleAndFoldersTest, JapaneseFolderNamesOnEveryPathMacro) {
  for (const std::string name : {"日本語", "サイト", "ダウンロード"}) {
    SCOPED_TRACE(name);
    const fs::path folder = dir_ / name;
    fs::create_directories(folder);
    // The program itself stands in the folder, for {$RunningFolder}.
    fs::copy_file(ZORVIK_BINARY, folder / "zorvik");
    Write(folder / "i.dat", "$Imp imported\r\n");
    Write(folder / "out/w.dat", "$Last last\r\n");
    Write(folder / "t.tmpl", "<p>{$Body} {$Imp} {$Last}</p>");
    Write(folder / "p.dat",
          "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/p.html\r\n"
          "@Import {$RunningFolder}i.dat\r\n@LastImport {$WriteFolder}w.dat\r\n$Body body\r\n");
    Write(folder / "g.gro", "{$GRODataFolder}p.dat\r\n");
    auto r = Run({}, {"build", (folder / "p.dat").string()}, (folder / "zorvik").string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read(folder / "out/p.html"), "<p>body imported last</p>\r\n");
    fs::remove(folder / "out/p.html");
    r = Run({}, {"batch", (folder / "g.gro").string()}, (folder / "zorvik").string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read(folder / "out/p.html"), "<p>body imported last</p>\r\n");
  }
}

TEST_F(LocaleAndFoldersTest, DayAndMonthNamesOfTheTimeLocale) {
  const fs::path locales = dir_ / "locales";
  fs::create_directories(locales);
  for (const char* locale : {"ja_JP", "de_DE"}) {
    const std::string command = std::string("localedef -c -i ") + locale + " -f UTF-8 '" +
                                (locales / (std::string(locale) + ".UTF-8")).string() +
                                "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()) & 0xFF00, 0) << command;  // warnings (exit 1) are fine
  }
  Write(dir_ / "t.tmpl", "{$Day3} {$Day4} {$Month3} {$Month4} {$Year4}");
  Write(dir_ / "p.dat", "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}p.html\r\n");
  const std::string page = (dir_ / "p.dat").string();
  // glibc keeps the list of locale folders it read from LOCPATH for the life of the process;
  // under LeakSanitizer that is no leak of ours.
  Write(dir_ / "lsan.supp", "leak:argz_add_sep\n");
  ::setenv("LSAN_OPTIONS",
           ("print_suppressions=0:suppressions=" + (dir_ / "lsan.supp").string()).c_str(), 1);
  const std::string locpath = "LOCPATH=" + locales.string();

  const auto c = Run({}, {"show", page});
  EXPECT_EQ(c.out, "Mon Monday Dec December 2026\r\n");
  const auto ja = Run({locpath, "LANG=ja_JP.UTF-8"}, {"show", page});
  EXPECT_EQ(ja.out, Sjis("月 月曜日 12月 12月 2026") + "\r\n");
  EXPECT_EQ(ja.err, c.err);  // the log is the same under either locale
  const auto de = Run({locpath, "LC_TIME=de_DE.UTF-8"}, {"show", page});
  EXPECT_EQ(de.out, "Mo Montag Dez Dezember 2026\r\n");
  // A character that CP932 lacks becomes one "?".
  const auto march =
      Run({locpath, "LC_TIME=de_DE.UTF-8", "SOURCE_DATE_EPOCH=1773403200"}, {"show", page});
  EXPECT_EQ(march.out, "Fr Freitag M?r M?rz 2026\r\n");

  // The pattern verbs do not change with the locale.
  for (const std::vector<std::string>& env :
       {std::vector<std::string>{}, {locpath, "LANG=ja_JP.UTF-8"}}) {
    auto r = RunProcess({"/usr/bin/env", env.empty() ? "LANG=C" : env[1],
                         env.empty() ? "X=1" : env[0], ZORVIK_BINARY, "match", "[a-c]+"},
                        Sjis("表abc"));
    EXPECT_EQ(r.out, "3 3\n");
    r = RunProcess({"/usr/bin/env", env.empty() ? "LANG=C" : env[1], env.empty() ? "X=1" : env[0],
                    ZORVIK_BINARY, "match", "a**"},
                   "x");
    EXPECT_EQ(r.err, "error at 4: 普通の文字、または左括弧\"(\"が必要です\n");
  }
}

}  // namespace
}  // namespace zorvik
