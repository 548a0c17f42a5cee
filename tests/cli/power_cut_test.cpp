// A batch cut off by a power failure: an ext4 file system on a loop device, mounted with the
// options of an ordinary disk, is shut down mid-batch without flushing its journal, mounted
// again, and every page must then be the old one or the new one, whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/types.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The ext4 shutdown request, and its flag that drops the journal's uncommitted transactions:
// what the disk holds afterwards is what a power cut would have left.
constexpr unsigned long kShutdown = _IOR('X', 125, __u32);
constexpr __u32 kNoLogFlush = 0x2;

constexpr int kPages = 6000;
constexpr const char* kMountOptions = "loop,dioread_nolock,auto_da_alloc,commit=5";

bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Template(int version) {
  return "<html>\r\n<!-- version " + std::to_string(version) +
         " -->\r\n<body>{$body}</body>\r\n</html>\r\n";
}

std::string Body(int page) { return std::string(4000, static_cast<char>('a' + page % 26)); }

std::string PageName(int page) {
  char name[16];
  std::snprintf(name, sizeof name, "p%05d", page);
  return name;
}

// What the batch writes for a page with the template of version.
std::string Expected(int page, int version) {
  std::string text = Template(version);
  text.replace(text.find("{$body}"), 7, Body(page));
  return text;
}

class PowerCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "skipped: mounting a loop device needs root";
    if (!Shell("command -v mkfs.ext4")) GTEST_SKIP() << "skipped: mkfs.ext4 is not installed";
    dir_ = fs::temp_directory_path() / ("zorvik-power-cut-" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "mnt");
    image_ = dir_ / "disk.img";
    if (!Shell("truncate -s 256M " + image_.string() + " && mkfs.ext4 -q -F " + image_.string()) ||
        !Mount()) {
      fs::remove_all(dir_);
      GTEST_SKIP() << "skipped: no loop device could be mounted here";
    }
  }
  void TearDown() override {
    if (dir_.empty()) return;
    if (mounted_) Shell("umount " + Mnt().string());
    fs::remove_all(dir_);
  }

  fs::path Mnt() const { return dir_ / "mnt"; }
  bool Mount() {
    mounted_ = Shell("mount -o " + std::string(kMountOptions) + " " + image_.string() + " " +
                     Mnt().string());
    return mounted_;
  }
  bool Unmount() {
    mounted_ = !Shell("umount " + Mnt().string());
    return !mounted_;
  }

  // Starts `zorvik batch` on the site and returns its process.
  pid_t StartBatch() {
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      const std::string group = (Mnt() / "site.gro").string();
      ::execl(ZORVIK_BINARY, ZORVIK_BINARY, "batch", group.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }

  fs::path dir_;
  fs::path image_;
  bool mounted_ = false;
};

TEST_F(PowerCutTest, EveryPageIsTheOldOrTheNewOneWhole) {
  std::string group;
  for (int page = 0; page < kPages; ++page) {
    WriteFile(Mnt() / (PageName(page) + ".dat"),
              "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}" + PageName(page) +
                  ".html\r\n$body " + Body(page) + "\r\n");
    group += "{$GRODataFolder}" + PageName(page) + ".dat\r\n";
  }
  WriteFile(Mnt() / "site.gro", group);
  WriteFile(Mnt() / "t.tmpl", Template(0));
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  ::waitpid(StartBatch(), &status, 0);
  const auto batch_time = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::sync();
  std::vector<int> version(kPages, 0);  // the version each page holds now
  for (int page = 0; page < kPages; page += 997) {
    ASSERT_EQ(ReadFile(Mnt() / (PageName(page) + ".html")), Expected(page, 0));
  }

  // Cuts spread over the length of a batch, from its first pages to its last.
  constexpr int kCuts = 10;
  int torn = 0;
  for (int cut = 1; cut <= kCuts; ++cut) {
    WriteFile(Mnt() / "t.tmpl", Template(cut));
    ::sync();
    const pid_t batch = StartBatch();
    // Other programs sync files of their own all the time, which commits the journal with
    // whatever the batch has renamed so far.
    const auto cut_at = std::chrono::steady_clock::now() + batch_time * (2 * cut - 1) / (2 * kCuts);
    const int other = ::open((Mnt() / "other").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    while (std::chrono::steady_clock::now() < cut_at) {
      (void)!::write(other, "x", 1);
      ::fsync(other);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::close(other);
    const int root = ::open(Mnt().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(root, 0);
    __u32 flags = kNoLogFlush;
    ASSERT_EQ(::ioctl(root, kShutdown, &flags), 0) << "the kernel refused the shutdown request";
    ::close(root);
    ::waitpid(batch, &status, 0);
    ASSERT_TRUE(Unmount());
    ASSERT_TRUE(Mount());
    int renewed = 0;
    for (int page = 0; page < kPages; ++page) {
      const std::string bytes = ReadFile(Mnt() / (PageName(page) + ".html"));
      if (bytes == Expected(page, cut)) {
        version[page] = cut;
        ++renewed;
      } else if (bytes != Expected(page, version[page])) {
        if (++torn <= 5)
          ADD_FAILURE() << "cut " << cut << ": " << PageName(page)
                        << ".html is neither the old nor the new page (" << bytes.size()
                        << " bytes)";
      }
    }
    std::cerr << "cut " << cut << ": " << renewed << " of " << kPages << " pages new\n";
  }
  EXPECT_EQ(torn, 0);
}

}  // namespace
