#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/run_process.h"
#include "support/sjis.h"
#include "support/test_engine.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;
using testing::Page;
using testing::RunProcess;

// 2026-12-07 09:05:30 UTC
constexpr const char* kEpoch = "1796634330";
const std::string kStamp = "[2026/12/07 09:05:30] : ";

class GenerationVerbsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SOURCE_DATE_EPOCH", kEpoch, 1);
    ::setenv("TZ", "UTC", 1);
    ::setenv("LC_ALL", "C", 1);
    dir_ = fs::temp_directory_path() / ("zorvik-cli-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_ / "site");
    Write("site/t.tmpl", "<head>\n<!--PREVIEWCSS-->\n</head>\n<h1>{$Title}</h1>\n{$Year4}-{$Month2} {$Day3}\n");
    Write("site/a.dat", "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}out/a.html\n$Title 表題");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes a file: UTF-8 text with LF, stored as CP932 with CR LF.
  void Write(const std::string& name, const std::string& utf8) {
    std::ofstream(dir_ / name, std::ios::binary) << Page(utf8);
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  testing::ProcessResult Zorvik(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {ZORVIK_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, "");
  }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(GenerationVerbsTest, BuildWritesThePageAndLogsInUtf8) {
  const auto r = Zorvik({"build", Path("site/a.dat")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, kStamp + "▼▼▼書換を開始します▽▽▽\n" + kStamp + "▲▲▲書換が終了しました△△△\n\n\n" +
                       kStamp + "HTMLファイルを保存しました：" + Path("site/out/a.html") + "\n\n\n");
  EXPECT_EQ(Read("site/out/a.html"), Page("<head>\n</head>\n<h1>表題</h1>\n2026-12 Mon\n"));
}

TEST_F(GenerationVerbsTest, ShowPrintsTheWorkingTextAndWritesNothing) {
  const auto r = Zorvik({"show", Path("site/a.dat")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Page("<head>\n<!--PREVIEWCSS-->\n</head>\n<h1>表題</h1>\n2026-12 Mon\n"));
  EXPECT_FALSE(fs::exists(dir_ / "site/out"));
}

TEST_F(GenerationVerbsTest, ErrorsGiveExitStatusOne) {
  Write("site/bad.dat", "@Template {$DataFolder}t.tmpl\nbad line");
  const auto r = Zorvik({"build", Path("site/bad.dat")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kStamp + "(エラー)構文エラーです(1): bad line\n"), std::string::npos);
  EXPECT_NE(r.err.find(kStamp + "エラーの個数：3\n"), std::string::npos);
}

TEST_F(GenerationVerbsTest, AFailedWriteIsLoggedAndCounted) {
  Write("site/blocker", "a file where a folder should be");
  Write("site/c.dat", "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}blocker/c.html\n$Title x");
  const auto r = Zorvik({"build", Path("site/c.dat")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kStamp + "HTMLファイルの保存に失敗しました\n"), std::string::npos);
}

TEST_F(GenerationVerbsTest, UnreadablePagesAndUsageErrors) {
  EXPECT_EQ(Zorvik({"build", Path("site/none.dat")}).status, 2);
  EXPECT_EQ(Zorvik({"show", Path("site")}).status, 2);
  EXPECT_EQ(Zorvik({"build"}).status, 2);
  EXPECT_EQ(Zorvik({"batch", Path("none.gro")}).status, 2);
  Write("empty.gro", "");
  const auto r = Zorvik({"batch", Path("empty.gro")});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "ファイルが存在しません\n");
}

TEST_F(GenerationVerbsTest, BatchRunsTheGroupAndReportsMissingPages) {
  Write("site/b.dat", "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}out/b.html\n$Title B");
  Write("site/all.gro", "{$GRODataFolder}a.dat\n{$GRODataFolder}b.dat\n");
  auto r = Zorvik({"batch", Path("site/all.gro")});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(fs::exists(dir_ / "site/out/a.html"));
  EXPECT_EQ(Read("site/out/b.html"), Page("<head>\n</head>\n<h1>B</h1>\n2026-12 Mon\n"));

  Write("site/some.gro", "{$GRODataFolder}a.dat\n{$GRODataFolder}gone.dat\n");
  r = Zorvik({"batch", Path("site/some.gro")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kStamp + "ファイルが存在しません(" + Path("site/gone.dat") + ")\n"),
            std::string::npos);
  EXPECT_EQ(r.err.substr(r.err.size() - 2), "\n\n");
}

}  // namespace
}  // namespace zorvik
