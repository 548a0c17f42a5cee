// watch, --locations, batch --check and --changed, run as the real binary.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "cli_fixture.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;
using testing::Page;
using testing::RunProcess;

class WorkflowVerbsTest : public testing::CliTest {
 protected:
  WorkflowVerbsTest() : CliTest("zorvik-flow-") {
    fs::create_directories(dir_ / "out");
    // c is first, so that no other page carries b's import.
    Write("t1.tmpl", "<h1>{$Title}</h1>{$Part}\n");
    Write("t2.tmpl", "<h2>{$Title}</h2>\n");
    Write("inc.txt", "$Part part one\n");
    Write(
        "a.dat",
        "@Template {$DataFolder}t1.tmpl\n@WriteFile {$DataFolder}out/a.html\n$Title A\n$Part -\n");
    Write("b.dat",
          "@Template {$DataFolder}t1.tmpl\n@WriteFile {$DataFolder}out/b.html\n@Import "
          "{$DataFolder}inc.txt\n$Title B\n");
    Write("c.dat",
          "@Template {$DataFolder}t2.tmpl\n@WriteFile {$DataFolder}out/c.html\n$Title C\n");
    Write("site.gro", "{$GRODataFolder}c.dat\n{$GRODataFolder}a.dat\n{$GRODataFolder}b.dat\n");
  }
  // Modification times of the output files, to the nanosecond.
  std::map<std::string, long long> Times() {
    std::map<std::string, long long> times;
    for (const char* page : {"a", "b", "c", "d"}) {
      struct stat st {};
      if (::stat(Path(std::string("out/") + page + ".html").c_str(), &st) == 0) {
        times[page] = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
      }
    }
    return times;
  }
};

TEST_F(WorkflowVerbsTest, LocationsPointEditorsAtThePageAndTheImport) {
  Write("inc.txt", "// parts\n$Part p\noops\n");
  Write("b.dat",
        "@Template {$DataFolder}t1.tmpl\n@WriteFile {$DataFolder}out/b.html\n"
        "@Import {$DataFolder}inc.txt\n@Nothing\n$Title B\n@Template {$DataFolder}t2.tmpl\n");
  for (const char* verb : {"build", "show"}) {
    const auto r = Zorvik({verb, "--locations", Path("b.dat")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\n" + Path("b.dat") +
                         ":4: error: (エラー)未定義のシステムコマンドです(3):nothing\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("\n" + Path("b.dat") + ":6: warning: (警　告)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("\n" + Path("inc.txt") + ":3: error: (エラー)構文エラーです(2): oops\n"),
              std::string::npos)
        << r.err;
  }
  // Without the option the log is as it was.
  EXPECT_EQ(Zorvik({"build", Path("b.dat")}).err.find(": error:"), std::string::npos);
  const auto unknown = Zorvik({"build", "--location", Path("b.dat")});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("unknown option '--location'"), std::string::npos);
}

TEST_F(WorkflowVerbsTest, CheckAndChangedCompareWithWhatIsOnDisk) {
  // Nothing built yet: every page differs, and the check writes nothing.
  auto r = Zorvik({"batch", "--check", Path("site.gro")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            Path("out/c.html") + "\n" + Path("out/a.html") + "\n" + Path("out/b.html") + "\n");
  EXPECT_EQ(r.err.find("HTMLファイルを保存しました"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(dir_ / "out"));

  ASSERT_EQ(Zorvik({"batch", Path("site.gro")}).status, 0);
  r = Zorvik({"batch", "--check", Path("site.gro")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");

  // One changed page, one missing output: --changed writes those two and leaves the third.
  Write("a.dat",
        "@Template {$DataFolder}t1.tmpl\n@WriteFile {$DataFolder}out/a.html\n$Title A2\n$Part -\n");
  fs::remove(dir_ / "out/c.html");
  r = Zorvik({"batch", "--check", Path("site.gro")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Path("out/c.html") + "\n" + Path("out/a.html") + "\n");
  const auto before = Times();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Zorvik({"batch", "--changed", Path("site.gro")}).status, 0);
  const auto after = Times();
  EXPECT_EQ(after.at("b"), before.at("b"));
  EXPECT_NE(after.at("a"), before.at("a"));
  EXPECT_EQ(Read("out/a.html"), Page("<h1>A2</h1>-\n"));
  EXPECT_EQ(Zorvik({"batch", "--check", Path("site.gro")}).status, 0);
  EXPECT_EQ(Zorvik({"batch", "--check", "--changed", Path("site.gro")}).status, 2);

  // An output that is a FIFO is never read (it would block): it differs, and is not replaced.
  fs::remove(dir_ / "out/c.html");
  ASSERT_EQ(::mkfifo(Path("out/c.html").c_str(), 0644), 0);
  for (const char* option : {"--check", "--changed"}) {
    r = Zorvik({"batch", option, Path("site.gro")});
    EXPECT_EQ(r.status, 1) << option;
    EXPECT_EQ(r.out, std::string(option) == "--check" ? Path("out/c.html") + "\n" : "") << option;
  }
  EXPECT_TRUE(fs::is_fifo(dir_ / "out/c.html"));
}

TEST_F(WorkflowVerbsTest, PathsThatWouldBreakALineOrForgeALocationAreQuoted) {
  // A folder whose name holds a line end, a tab, a quote and what reads as a location.
  const std::string odd = "x\ny\t\"z:7: error: forged";
  fs::create_directories(dir_ / odd / "out");
  Write(odd + "/p.dat",
        "@Template {$DataFolder}../t2.tmpl\n@WriteFile {$DataFolder}out/p.html\n$Title P\n"
        "@Template {$DataFolder}../t1.tmpl\n");
  Write(odd + "/site.gro", "{$GRODataFolder}p.dat\n");
  const std::string quoted = "\"" + Path("") + "x\\ny\\t\\\"z:7: error: forged/";
  auto r = Zorvik({"batch", "--check", "--locations", Path(odd + "/site.gro")});
  EXPECT_EQ(r.out, quoted + "out/p.html\"\n");
  EXPECT_NE(r.err.find("\n" + quoted + "p.dat\":4: warning: "), std::string::npos) << r.err;
  // Ordinary paths stay as they are.
  r = Zorvik({"batch", "--check", Path("site.gro")});
  EXPECT_EQ(r.out.substr(0, Path("out/c.html").size() + 1), Path("out/c.html") + "\n");
}

TEST_F(WorkflowVerbsTest, ABatchPageReadsWhatAnEarlierPageOfTheBatchWrote) {
  // f's template is e's output: new the first time, replaced the second.
  Write("f.dat",
        "@Template {$DataFolder}out/e.html\n@WriteFile {$DataFolder}out/f.html\n$Other F\n");
  Write("ef.gro", "{$GRODataFolder}e.dat\n{$GRODataFolder}f.dat\n");
  for (const char* title : {"<i>{$Other}</i>", "<b>{$Other}</b>"}) {
    Write(
        "e.dat",
        std::string("@Template {$DataFolder}t2.tmpl\n@WriteFile {$DataFolder}out/e.html\n$Title ") +
            title + "\n");
    EXPECT_EQ(Zorvik({"batch", Path("ef.gro")}).status, 0);
    EXPECT_EQ(Read("out/f.html"), Page(std::string("<h2>") + title + "</h2>\n").replace(7, 8, "F"));
  }
}

TEST_F(WorkflowVerbsTest, ATemplateReadBeforeIsReadAgainOnceAnEarlierPageReplacedIt) {
  // f reads the page that i writes, twice, then the one that b writes in its place.
  Write("f.dat",
        "@Template {$DataFolder}out/e.html\n@WriteFile {$DataFolder}out/f.html\n$Other F\n");
  for (const std::string tag : {"i", "b"}) {
    Write(tag + ".dat",
          "@Template {$DataFolder}t2.tmpl\n@WriteFile {$DataFolder}out/e.html\n$Title <" + tag +
              ">{$Other}</" + tag + ">\n");
  }
  Write("g.gro",
        "{$GRODataFolder}i.dat\n{$GRODataFolder}f.dat\n{$GRODataFolder}f.dat\n"
        "{$GRODataFolder}b.dat\n{$GRODataFolder}f.dat\n");
  EXPECT_EQ(Zorvik({"batch", Path("g.gro")}).status, 0);
  EXPECT_NE(Read("out/f.html").find("<b>F</b>"), std::string::npos) << Read("out/f.html");
}

// A running `zorvik watch`, its log collected in a file.
class TWatch {
 public:
  // With a shell command, that runs it, with "$@" the watch command.
  TWatch(const std::string& target, const fs::path& log, const std::string& shell = "")
      : log_(log) {
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(fd, 2);
      if (!shell.empty()) {
        ::execl("/bin/sh", "sh", "-c", shell.c_str(), "sh", ZORVIK_BINARY, "watch", target.c_str(),
                static_cast<char*>(nullptr));
      }
      ::execl(ZORVIK_BINARY, ZORVIK_BINARY, "watch", target.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~TWatch() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  // The log so far.
  std::string Log() const {
    std::ifstream in(log_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The number of runs logged so far.
  int Runs() const {
    const std::string text = Log();
    int runs = 0;
    for (std::size_t at = 0; (at = text.find("▼▼▼", at)) != std::string::npos; at += 3) ++runs;
    return runs;
  }
  // Waits until it watches and runs runs are logged; then a little longer, to see that no
  // more come.
  bool WaitForRuns(int runs) const {
    const auto pending = [&] {
      return Runs() < runs || Log().find("zorvik: watching") == std::string::npos;
    };
    for (int i = 0; i < 500 && pending(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return Runs() == runs;
  }
  // A signal that ends it (SIGINT unless told); the exit status, or -1.
  int Interrupt(int signal = SIGINT) {
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  fs::path log_;
  pid_t pid_ = -1;
};

TEST_F(WorkflowVerbsTest, WatchRegeneratesExactlyThePagesAChangeTouches) {
  TWatch watch(Path("site.gro"), dir_ / "watch.log");
  ASSERT_TRUE(watch.WaitForRuns(3));
  auto times = Times();
  // Which pages were written since the last look.
  const auto written = [&] {
    const auto now = Times();
    std::string pages;
    for (const auto& [page, time] : now) {
      if (!times.count(page) || times.at(page) != time) pages += page;
    }
    times = now;
    return pages;
  };

  Write("a.dat",
        "@Template {$DataFolder}t1.tmpl\n@WriteFile {$DataFolder}out/a.html\n$Title A2\n$Part -\n");
  ASSERT_TRUE(watch.WaitForRuns(4));
  EXPECT_EQ(written(), "a");
  EXPECT_EQ(Read("out/a.html"), Page("<h1>A2</h1>-\n"));

  Write("t2.tmpl", "<h3>{$Title}</h3>\n");
  ASSERT_TRUE(watch.WaitForRuns(5));
  EXPECT_EQ(written(), "c");

  Write("inc.txt", "$Part part two\n");
  ASSERT_TRUE(watch.WaitForRuns(6));
  EXPECT_EQ(written(), "b");
  EXPECT_EQ(Read("out/b.html"), Page("<h1>B</h1>part two\n"));

  // An editor's save: a new file renamed over the old one.
  std::ofstream(dir_ / ".a.dat.swp", std::ios::binary) << Page(
      "@Template {$DataFolder}t1.tmpl\n@WriteFile {$DataFolder}out/a.html\n$Title A3\n$Part -\n");
  fs::rename(dir_ / ".a.dat.swp", dir_ / "a.dat");
  ASSERT_TRUE(watch.WaitForRuns(7));
  EXPECT_EQ(written(), "a");
  EXPECT_EQ(Read("out/a.html"), Page("<h1>A3</h1>-\n"));

  // A new entry in the group file: only that page.
  Write("d.dat", "@Template {$DataFolder}t2.tmpl\n@WriteFile {$DataFolder}out/d.html\n$Title D\n");
  Write("site.gro",
        "{$GRODataFolder}c.dat\n{$GRODataFolder}a.dat\n{$GRODataFolder}b.dat\n{$GRODataFolder}d."
        "dat\n");
  ASSERT_TRUE(watch.WaitForRuns(8));
  EXPECT_EQ(written(), "d");

  EXPECT_EQ(watch.Interrupt(), 0);
}

TEST_F(WorkflowVerbsTest, WatchFollowsTheGroupFileInAFolderOfItsOwn) {
  // The layout of the example site: the group file beside the folders of the pages.
  fs::create_directories(dir_ / "g");
  Write("g/site.gro", "{$GRODataFolder}../c.dat\n");
  TWatch watch(Path("g/site.gro"), dir_ / "watch.log");
  ASSERT_TRUE(watch.WaitForRuns(1));
  Write("g/site.gro", "{$GRODataFolder}../c.dat\n{$GRODataFolder}../a.dat\n");
  ASSERT_TRUE(watch.WaitForRuns(2));
  EXPECT_EQ(Read("out/a.html"), Page("<h1>A</h1>-\n"));
  EXPECT_EQ(watch.Interrupt(SIGHUP), 0);  // the terminal closed
  EXPECT_NE(watch.Log().find("zorvik: watching"), std::string::npos);
  for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
    EXPECT_EQ(entry.path().filename().string().find(".zorvik-"), std::string::npos) << entry.path();
  }
}

TEST_F(WorkflowVerbsTest, WatchFollowsAFolderThatWentAwayWhenItComesBack) {
  fs::create_directories(dir_ / "tpl");
  Write("tpl/t2.tmpl", "<h2>{$Title}</h2>\n");
  Write("c.dat",
        "@Template {$DataFolder}tpl/t2.tmpl\n@WriteFile {$DataFolder}out/c.html\n$Title C\n");
  TWatch watch(Path("site.gro"), dir_ / "watch.log");
  ASSERT_TRUE(watch.WaitForRuns(3));
  fs::remove_all(dir_ / "tpl");
  ASSERT_TRUE(watch.WaitForRuns(4));  // c, without its template
  fs::create_directories(dir_ / "tpl");
  Write("tpl/t2.tmpl", "<h3>{$Title}</h3>\n");
  ASSERT_TRUE(watch.WaitForRuns(5));
  EXPECT_EQ(Read("out/c.html"), Page("<h3>C</h3>\n"));
  Write("tpl/t2.tmpl", "<h4>{$Title}</h4>\n");
  ASSERT_TRUE(watch.WaitForRuns(6));
  EXPECT_EQ(Read("out/c.html"), Page("<h4>C</h4>\n"));
}

TEST_F(WorkflowVerbsTest, WatchKnowsItsOwnWritesUnderAnotherSpelling) {
  // The page imports its own output, which it writes through a link to its folder.
  fs::create_directory_symlink(".", dir_ / "alias");
  Write("t3.tmpl", "$Part {$Title}\n");
  Write("x.out", "$Part 0\n");
  Write("x.dat",
        "@Template {$DataFolder}t3.tmpl\n@WriteFile {$DataFolder}alias/x.out\n"
        "@Import {$DataFolder}x.out\n$Title X\n");
  TWatch watch(Path("x.dat"), dir_ / "watch.log");
  EXPECT_TRUE(watch.WaitForRuns(1));  // and no more
  EXPECT_EQ(Read("x.out"), Page("$Part X\n"));
  Write("x.dat",
        "@Template {$DataFolder}t3.tmpl\n@WriteFile {$DataFolder}alias/x.out\n"
        "@Import {$DataFolder}x.out\n$Title Y\n");
  EXPECT_TRUE(watch.WaitForRuns(2));
  EXPECT_EQ(Read("x.out"), Page("$Part Y\n"));
}

TEST_F(WorkflowVerbsTest, WatchLooksAtFoldersEverySecondWhenInotifyRunsOut) {
  // One watch allowed, in a user namespace of the test's own: the template's folder is looked at.
  if (std::system("unshare --user --map-root-user true 2>/dev/null") != 0) {
    GTEST_SKIP() << "skipped: user namespaces are not available here";
  }
  fs::create_directories(dir_ / "tpl");
  Write("tpl/t2.tmpl", "<h2>{$Title}</h2>\n");
  Write("c.dat",
        "@Template {$DataFolder}tpl/t2.tmpl\n@WriteFile {$DataFolder}out/c.html\n$Title C\n");
  TWatch watch(Path("site.gro"), dir_ / "watch.log",
               "exec unshare --user --map-root-user sh -c "
               "'echo 1 > /proc/sys/user/max_inotify_watches && exec \"$@\"' sh \"$@\"");
  ASSERT_TRUE(watch.WaitForRuns(3)) << watch.Log();
  Write("tpl/t2.tmpl", "<h3>{$Title}</h3>\n");
  ASSERT_TRUE(watch.WaitForRuns(4));
  EXPECT_EQ(Read("out/c.html"), Page("<h3>C</h3>\n"));
  Write("inc.txt", "$Part part two\n");  // a watched folder goes on as before
  ASSERT_TRUE(watch.WaitForRuns(5));
  const std::string log = watch.Log();
  const std::size_t told = log.find("limit of inotify watches");
  EXPECT_NE(told, std::string::npos) << log;
  EXPECT_EQ(log.find("limit of inotify watches", told + 1), std::string::npos);
}

TEST_F(WorkflowVerbsTest, WatchFollowsOnePage) {
  TWatch watch(Path("b.dat"), dir_ / "watch.log");
  ASSERT_TRUE(watch.WaitForRuns(1));
  Write("a.dat", "$Title unrelated\n");
  Write("inc.txt", "$Part part three\n");
  ASSERT_TRUE(watch.WaitForRuns(2));
  EXPECT_EQ(Read("out/b.html"), Page("<h1>B</h1>part three\n"));
  EXPECT_FALSE(fs::exists(dir_ / "out/a.html"));
  EXPECT_EQ(watch.Interrupt(), 0);
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

class NewVerbTest : public testing::CliTest {
 protected:
  NewVerbTest() : CliTest("zorvik-new-") {}
};

// A starter site builds at once without a warning; a folder that holds something is left as it
// is.
TEST_F(NewVerbTest, AStarterSiteBuildsAtOnceAndAFullFolderIsLeftAlone) {
  const auto made = Zorvik({"new", Path("site")});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.out, "");
  const auto built = Zorvik({"batch", Path("site/site.gro")});
  EXPECT_EQ(built.status, 0) << built.err;
  EXPECT_EQ(built.err.find("警"), std::string::npos) << built.err;  // no warning, no count of them
  for (const char* page : {"site/public/index.html", "site/public/article.html"}) {
    EXPECT_NE(Read(page).find("ft_"), std::string::npos) << page;
  }
  EXPECT_NE(Read("site/public/style/site.css").find(".ft_mk"), std::string::npos);

  const std::string before = Read("site/pages/index.dat");
  Write("site/pages/index.dat", "mine");
  const auto refused = Zorvik({"new", Path("site")});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("not an empty folder"), std::string::npos);
  EXPECT_EQ(Read("site/pages/index.dat"), testing::Page("mine"));
  EXPECT_NE(before, testing::Page("mine"));
}

// The UTF-8 starter: every file UTF-8, its pages the Shift-JIS starter's text in UTF-8.
TEST_F(NewVerbTest, AUtf8StarterSiteMakesTheSamePagesInUtf8) {
  ASSERT_EQ(Zorvik({"new", Path("sjis")}).status, 0);
  ASSERT_EQ(Zorvik({"new", "--encoding", "utf-8", Path("utf8")}).status, 0);
  const auto built = Zorvik({"batch", Path("utf8/site.gro")});
  EXPECT_EQ(built.status, 0) << built.err;
  EXPECT_EQ(built.err.find("警"), std::string::npos) << built.err;
  ASSERT_EQ(Zorvik({"batch", Path("sjis/site.gro")}).status, 0);
  for (const std::string page : {"index.html", "article.html"}) {
    std::string sjis = testing::Utf8(Read("sjis/public/" + page));
    sjis.replace(sjis.find("Shift_JIS"), 9, "UTF-8");
    EXPECT_EQ(Read("utf8/public/" + page), sjis) << page;
  }
  EXPECT_EQ(Zorvik({"new", "--encoding", "latin1", Path("x")}).status, 2);
}

}  // namespace
}  // namespace zorvik
