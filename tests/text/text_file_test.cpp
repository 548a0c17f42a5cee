#include "text/text_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "support/unprivileged.h"
#include "text/batch_writer.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zorvik-text-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
};

TEST_F(TextFileTest, LoadNormalisesLineEnds) {
  Write("a.txt", "a");
  EXPECT_EQ(LoadTextFile(Path("a.txt")), "a\r\n");
  Write("b.txt", "1\r\n2\r3\n4\r\n");
  EXPECT_EQ(LoadTextFile(Path("b.txt")), "1\r\n2\r\n3\r\n4\r\n");
  Write("c.txt", std::string("x\r\ny\0z\r\n", 8));
  EXPECT_EQ(LoadTextFile(Path("c.txt")), "x\r\ny\r\n");
  Write("empty.txt", "");
  EXPECT_EQ(LoadTextFile(Path("empty.txt")), "");
  Write("sjis.txt", "\x95\x5C\r\n\x81\r");  // 表 and a lone lead byte before CR
  EXPECT_EQ(LoadTextFile(Path("sjis.txt")), "\x95\x5C\r\n\x81\r\n");
}

// Texts whose lines already end with CR LF are taken as they are, found by a vector scan in
// blocks of 32 bytes: a line end astride two blocks, a lone CR or LF anywhere.
TEST(NormalizeLineEndsTest, AgreesWithLineByLineJoining) {
  const auto reference = [](const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
      const std::size_t end = bytes.find_first_of("\r\n", i);
      if (end == std::string::npos) return out + bytes.substr(i) + "\r\n";
      out += bytes.substr(i, end - i) + "\r\n";
      i = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return out;
  };
  const std::string a31(31, 'a');
  for (const std::string& text :
       {a31 + "\r\n", a31 + "a\n\r\n", a31 + "\r" + a31 + "\r\n", a31 + a31 + "a\r\n\n\r\n"}) {
    EXPECT_EQ(NormalizeLineEnds(text), reference(text)) << ::testing::PrintToString(text);
  }
  std::mt19937 rng(3);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const std::size_t size = rng() % 100;
    while (text.size() < size) text += rng() % 8 == 0 ? (rng() % 5 == 0 ? "\r" : "\n") : "\r\n";
    for (char& c : text) {
      if (rng() % 3 == 0) c = 'a';
    }
    ASSERT_EQ(NormalizeLineEnds(text), reference(text)) << ::testing::PrintToString(text);
  }
}

TEST_F(TextFileTest, LoadTellsWhereANulByteCutTheText) {
  Write("nul.txt", std::string("ab\r\ncd\0ef", 9));
  std::size_t nul = 0;
  EXPECT_EQ(LoadTextFile(Path("nul.txt"), &nul), "ab\r\ncd\r\n");
  EXPECT_EQ(nul, 6u);
  Write("clean.txt", "ab");
  LoadTextFile(Path("clean.txt"), &nul);
  EXPECT_EQ(nul, std::string::npos);
}

TEST_F(TextFileTest, LoadFailuresGiveTheMarkerText) {
  EXPECT_EQ(LoadTextFile(Path("missing.txt")), "#FileLoadError#");
  EXPECT_EQ(LoadTextFile(dir_.string()), "#FileLoadError#");
  EXPECT_EQ(LoadTextFile(""), "#FileLoadError#");
}

TEST_F(TextFileTest, BackslashesReachTheFileSystemAsSlashes) {
  Write("w.txt", "w");
  std::string path = Path("w.txt");
  path[path.rfind('/')] = '\\';
  EXPECT_EQ(LoadTextFile(path), "w\r\n");
  EXPECT_TRUE(SaveTextFile(path, "v"));
  EXPECT_EQ(Read("w.txt"), "v\r\n");
}

TEST_F(TextFileTest, SaveWritesCrLfLinesAndKeepsPermissions) {
  ASSERT_TRUE(SaveTextFile(Path("out.html"), "a\nb\r\nc"));
  EXPECT_EQ(Read("out.html"), "a\r\nb\r\nc\r\n");
  ASSERT_TRUE(SaveTextFile(Path("out.html"), ""));
  EXPECT_EQ(Read("out.html"), "");
  ::chmod(Path("out.html").c_str(), 0640);
  ASSERT_TRUE(SaveTextFile(Path("out.html"), "x"));
  struct stat st {};
  ::stat(Path("out.html").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(TextFileTest, SaveThroughALinkReplacesTheLinkedFile) {
  Write("real.html", "old");
  fs::create_symlink(Path("real.html"), Path("link.html"));
  ASSERT_TRUE(SaveTextFile(Path("link.html"), "new"));
  EXPECT_TRUE(fs::is_symlink(Path("link.html")));
  EXPECT_EQ(Read("real.html"), "new\r\n");
}

TEST_F(TextFileTest, ALinkInPlaceOfAProgramFileIsReplacedNotFollowed) {
  Write("victim", "precious");
  fs::create_symlink(Path("victim"), Path("settings.ini"));
  ASSERT_TRUE(SaveTextFile(Path("settings.ini"), "mine", TLinkPolicy::kReplace));
  EXPECT_FALSE(fs::is_symlink(Path("settings.ini")));
  EXPECT_EQ(Read("settings.ini"), "mine\r\n");
  EXPECT_EQ(Read("victim"), "precious");
}

TEST_F(TextFileTest, ReplacedFilesKeepTheirOwnerAndNewFilesTheUmask) {
  // Names of the longest length can be written: the temporary name does not grow with them.
  const std::string longest(255, 'n');
  ASSERT_TRUE(SaveTextFile(Path(longest), "x"));
  EXPECT_EQ(Read(longest), "x\r\n");

  // A new file has the mode any new file gets; no thread meanwhile sees the umask changed.
  const mode_t mask = ::umask(022);
  std::atomic<bool> stop{false};
  std::atomic<int> world_writable{0};
  std::thread creator([&] {
    for (int i = 0; !stop; ++i) {
      const std::string name = Path("other" + std::to_string(i % 50));
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      struct stat st {};
      if (fd >= 0 && ::fstat(fd, &st) == 0 && (st.st_mode & S_IWOTH)) ++world_writable;
      if (fd >= 0) ::close(fd);
      ::unlink(name.c_str());
    }
  });
  for (int i = 0; i < 300; ++i) {
    fs::remove(Path("new.html"));
    ASSERT_TRUE(SaveTextFile(Path("new.html"), "n"));
  }
  stop = true;
  creator.join();
  ::umask(mask);
  EXPECT_EQ(world_writable.load(), 0);
  struct stat st {};
  ::stat(Path("new.html").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  if (::geteuid() == 0) {
    // Root replacing another user's file leaves it that user's file.
    Write("theirs.html", "old");
    ASSERT_EQ(::chown(Path("theirs.html").c_str(), testing::kNobody, testing::kNobody), 0);
    ::chmod(Path("theirs.html").c_str(), 04750);
    ASSERT_TRUE(SaveTextFile(Path("theirs.html"), "new"));
    ::stat(Path("theirs.html").c_str(), &st);
    EXPECT_EQ(st.st_uid, testing::kNobody);
    EXPECT_EQ(st.st_gid, testing::kNobody);
    EXPECT_EQ(st.st_mode & 07777, 04750u);
  }
}

TEST_F(TextFileTest, ABatchWriterPutsFilesInPlaceOnlyWhenItsWindowIsFlushed) {
  // Replaced files go to the releaser only on a disk (a file system in memory frees them at
  // once): when the temporary folder is in memory, the test runs beside the build.
  const auto in_memory = [](const fs::path& folder) {
    struct statfs info {};
    return ::statfs(folder.c_str(), &info) == 0 &&
           (info.f_type == TMPFS_MAGIC || info.f_type == RAMFS_MAGIC);
  };
  if (in_memory(dir_)) {
    fs::remove_all(dir_);
    dir_ = fs::current_path() / dir_.filename();
    fs::create_directories(dir_);
  }
  ASSERT_FALSE(in_memory(dir_)) << dir_ << ": the releaser is tried on a disk only";
  auto open_descriptors = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  const auto before = open_descriptors();
  {
    TBatchWriter writer;
    Write("page0.html", "old");
    struct stat st {};
    ::stat(Path("page0.html").c_str(), &st);
    ASSERT_TRUE(writer.Write(Path("page0.html"), "new"));
    EXPECT_EQ(Read("page0.html"), "old");  // not in place before its window is on disk
    EXPECT_TRUE(writer.Replaces(st.st_dev, st.st_ino));
    writer.Flush();
    EXPECT_EQ(Read("page0.html"), "new");
    EXPECT_FALSE(writer.HasPending());
    // More files than a window holds, and more replaced files than the releaser keeps open
    // at once: a write must wait, not hang, and every replaced file is let go.
    // Replaced files keep their permissions, whatever a new file gets.
    for (int round = 0; round < 2; ++round) {
      if (round == 1) {
        ::chmod(Path("page5.html").c_str(), 0600);
        ::chmod(Path("page1000.html").c_str(), 0640);
      }
      for (std::size_t i = 0; i < TBatchWriter::kWindowFiles + 300; ++i) {
        ASSERT_TRUE(writer.Write(Path("page" + std::to_string(i) + ".html"),
                                 "round " + std::to_string(round)));
      }
    }
    EXPECT_FALSE(writer.Write(Path("no/such/folder/x.html"), "x"));
    EXPECT_TRUE(writer.Finish());
    EXPECT_EQ(open_descriptors(), before);
  }
  EXPECT_EQ(Read("page0.html"), "round 1");
  EXPECT_EQ(Read("page1323.html"), "round 1");
  for (const auto& [name, mode] :
       {std::pair{"page5.html", 0600u}, {"page1000.html", 0640u}, {"page6.html", 0644u}}) {
    struct stat st {};
    ::stat(Path(name).c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, mode) << name;
  }
  // Nothing but the pages is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()),
            static_cast<long>(TBatchWriter::kWindowFiles + 300));
}

TEST_F(TextFileTest, FailedSaveKeepsTheOldFileWhole) {
  EXPECT_FALSE(SaveTextFile(Path("no/such/folder/x.html"), "x"));
  EXPECT_FALSE(SaveTextFile(dir_.string(), "x"));
  EXPECT_FALSE(SaveTextFile("", "x"));
  // A folder that cannot be written, and a read-only file in a folder that can.
  Write("keep.html", "old\r\n");
  testing::GiveToCheckUser(dir_.string());
  testing::GiveToCheckUser(Path("keep.html"));
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(testing::AsOrdinaryUser([&] { return !SaveTextFile(Path("keep.html"), "new"); }));
  fs::permissions(dir_, fs::perms::owner_all);
  ::chmod(Path("keep.html").c_str(), 0444);
  EXPECT_TRUE(testing::AsOrdinaryUser([&] { return !SaveTextFile(Path("keep.html"), "new"); }));
  EXPECT_EQ(Read("keep.html"), "old\r\n");
  // Nothing is left behind by the failed attempts.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) files += entry.is_regular_file();
  EXPECT_LE(files, 1);
}

TEST_F(TextFileTest, WriteThatRunsOutOfSpaceLeavesTheOldFileWhole) {
  // A file size limit makes the write fail part-way, as a full disk would.
  Write("target.html", "old\r\n");
  struct rlimit old_limit {};
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 16;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const bool saved = SaveTextFile(Path("target.html"), std::string(1000, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  ::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(Read("target.html"), "old\r\n");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace zorvik
