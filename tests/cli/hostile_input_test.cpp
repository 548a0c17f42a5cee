// The zorvik command on what a careless or hostile environment hands it: a full disk on stdout,
// empty paths, a vanished current folder, NUL bytes in files, endless input, a file-size limit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/run_process.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;
using testing::RunProcess;

class HostileInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SOURCE_DATE_EPOCH", "1796634330", 1);
    ::setenv("TZ", "UTC", 1);
    dir_ = fs::temp_directory_path() /
           ("zorvik-hostile-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    Write("t.tmpl", "<p>{$Body}</p>\r\n");
    Write("a.dat",
          "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/a.html\r\n$Body b\r\n");
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Runs a shell command line with $Z standing for the zorvik binary.
  static testing::ProcessResult Shell(const std::string& command) {
    return RunProcess({"/bin/sh", "-c", "Z='" ZORVIK_BINARY "'; " + command}, "");
  }
  fs::path dir_;
};

TEST_F(HostileInputTest, AFailedWriteToStandardOutputIsAnError) {
  for (const std::string& args :
       {"show " + Path("a.dat"), std::string("--help"), std::string("--version"),
        std::string("match b"), std::string("replace b c")}) {
    SCOPED_TRACE(args);
    const auto r = Shell("echo abc | \"$Z\" " + args + " > /dev/full");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("zorvik: cannot write to standard output"), std::string::npos) << r.err;
  }
}

TEST_F(HostileInputTest, EmptyPathsAndAVanishedCurrentFolderAreUsageErrors) {
  for (const char* verb : {"build", "show", "batch"}) {
    SCOPED_TRACE(verb);
    const auto r = RunProcess({ZORVIK_BINARY, verb, ""}, "");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("zorvik: ", 0), 0u) << r.err;
  }
  const auto r = Shell("mkdir '" + Path("gone") + "' && cd '" + Path("gone") + "' && rmdir '" +
                       Path("gone") + "' && exec \"$Z\" build page.dat");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("the current folder is gone"), std::string::npos) << r.err;
}

// A folder given where a group file or page source belongs: every verb names the group files
// in it, the one the user most likely meant.
TEST_F(HostileInputTest, AFolderGivenForAGroupNamesItsGroupFiles) {
  fs::create_directories(dir_ / "site");
  Write("site/b.gro", "");
  Write("site/a.gro", "");
  fs::create_directories(dir_ / "bare");
  const std::string site = Path("site");
  for (const char* verb : {"build", "show", "batch", "watch", "serve", "check", "publish"}) {
    SCOPED_TRACE(verb);
    const auto r = RunProcess({ZORVIK_BINARY, verb, site}, "");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zorvik: " + site + " is a folder; name a group file, as " + site +
                         "/a.gro (1 other: " + site + "/b.gro)\n");
  }
  const auto r = RunProcess({ZORVIK_BINARY, "batch", Path("bare")}, "");
  EXPECT_EQ(r.err, "zorvik: " + Path("bare") +
                       " is a folder; it holds no group file (.gro): name a group file or a "
                       "page source\n");
}

TEST_F(HostileInputTest, FilesCutByANulByteAreNamedOnce) {
  Write("nul.tmpl", std::string("<p>{$Body}\0tail", 15));
  Write("nul.dat", std::string("@Template {$DataFolder}nul.tmpl\r\n@Import {$DataFolder}i.dat\r\n"
                               "@WriteFile {$DataFolder}out/n.html\r\n$Body b\r\n\0$Body x",
                               107));
  Write("i.dat", std::string("$Other o\0", 9));
  Write("g.gro", std::string("{$GRODataFolder}nul.dat\r\n\0{$GRODataFolder}a.dat\r\n", 50));
  auto r = RunProcess({ZORVIK_BINARY, "build", Path("nul.dat")}, "");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const auto& [file, offset] : {std::pair{"nul.dat", 106}, {"nul.tmpl", 10}, {"i.dat", 8}}) {
    const std::string notice = "zorvik: " + Path(file) + ": NUL byte at offset " +
                               std::to_string(offset) + "; the rest of the file is ignored\n";
    EXPECT_NE(r.err.find(notice), std::string::npos) << r.err;
  }
  EXPECT_EQ(r.err.find("(エラー)"), std::string::npos);  // not part of the log, not counted

  r = RunProcess({ZORVIK_BINARY, "batch", Path("g.gro")}, "");
  EXPECT_NE(r.err.find("zorvik: " + Path("g.gro") + ": NUL byte at offset 25;"), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "out/a.html"));  // the group ended at the NUL
}

TEST_F(HostileInputTest, MatchStopsReadingAtTheFirstNul) {
  // /dev/zero never ends: reading it whole would never finish.
  const auto r = Shell("(printf 'xxb'; cat /dev/zero) | timeout 20 \"$Z\" match b");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "3 1\n");
}

TEST_F(HostileInputTest, AFileSizeLimitFailsTheWriteAndLeavesNothingBehind) {
  std::string body;
  for (int i = 0; i < 4000; ++i) body += "$Body line line line line\r\n";
  Write("big.dat",
        "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}big.html\r\n[Body]\r\n" + body +
            "[/Body]\r\n");
  Write("big.html", "old page\r\n");
  const auto r = Shell("ulimit -f 8 && exec \"$Z\" build '" + Path("big.dat") + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("HTMLファイルの保存に失敗しました"), std::string::npos) << r.err;
  std::ifstream in(Path("big.html"), std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
            "old page\r\n");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir_))
    files += entry.path().filename().string().rfind(".zorvik-", 0) == 0;
  EXPECT_EQ(files, 0);
}

}  // namespace
}  // namespace zorvik
