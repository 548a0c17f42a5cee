#include "text/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace zorvik {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The file that a write to path must replace (the target of a symbolic link when links are
// followed, else path itself) and whether a file other than a link stands there (in `old`).
std::string ResolveTarget(const std::string& path, TLinkPolicy links, struct stat& old,
                          bool& existed) {
  existed = ::lstat(path.c_str(), &old) == 0;
  if (!existed || !S_ISLNK(old.st_mode)) return path;
  existed = false;
  char resolved[PATH_MAX];
  if (links != TLinkPolicy::kFollow || ::realpath(path.c_str(), resolved) == nullptr) return path;
  existed = ::lstat(resolved, &old) == 0;
  return resolved;
}

// Creates a new, empty temporary file in folder (with its trailing "/"). Its name does not grow
// with the target's, so that targets with names of the longest length can be written; the mode
// asked for is that of any new file, so the kernel applies the process's umask.
int CreateTemporary(const std::string& folder, std::string& name) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // Names need only be unlikely to be taken (O_EXCL settles the rest), not unpredictable:
  // the folder is the user's own. A counter and the clock, mixed, are cheap enough for a
  // batch of thousands of files.
  static std::atomic<std::uint64_t> counter{0};
  static const pid_t kProcess = ::getpid();
  std::uint64_t state =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (counter++ << 32) ^ static_cast<std::uint64_t>(kProcess);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = folder + ".zorvik-";
    state += 0x9E3779B97F4A7C15ull;  // splitmix64
    std::uint64_t bits = state;
    bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9ull;
    bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBull;
    bits ^= bits >> 31;
    for (int i = 0; i < 8; ++i, bits /= sizeof kLetters - 1)
      name += kLetters[bits % (sizeof kLetters - 1)];
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Gives the new file the old one's owner and permissions.
bool TakeOver(int fd, const struct stat& old) {
  mode_t mode = old.st_mode & 07777;
  if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
      ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);  // never a set-id file of another owner
  }
  return ::fchmod(fd, mode) == 0;
}

}  // namespace

std::optional<TStagedFile> StageFile(const std::string& path, std::string_view bytes,
                                     TLinkPolicy links, bool sync) {
  if (path.empty() || path.back() == '/') return std::nullopt;
  struct stat old {};
  bool existed = false;
  TStagedFile staged;
  staged.target = ResolveTarget(path, links, old, existed);
  if (existed && !S_ISREG(old.st_mode)) return std::nullopt;
  // A file its owner made read-only stays as it is.
  if (existed && ::faccessat(AT_FDCWD, staged.target.c_str(), W_OK, AT_EACCESS) != 0)
    return std::nullopt;
  staged.replaces = existed;
  staged.old_device = old.st_dev;
  staged.old_inode = old.st_ino;

  const std::size_t slash = staged.target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : staged.target.substr(0, slash + 1);
  const int fd = CreateTemporary(folder, staged.temp);
  if (fd < 0) return std::nullopt;
  bool ok = (!existed || TakeOver(fd, old)) && WriteAll(fd, bytes) && (!sync || ::fsync(fd) == 0);
  ok = (::close(fd) == 0) && ok;
  if (!ok) {
    const int reason = errno;  // what the caller tells the user, not the clean-up's
    ::unlink(staged.temp.c_str());
    errno = reason;
    return std::nullopt;
  }
  return staged;
}

bool CommitStagedFile(const TStagedFile& staged, TFileReleaser* releaser) {
  const int held = staged.replaces && releaser != nullptr
                       ? ::open(staged.target.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC)
                       : -1;
  const bool ok = ::rename(staged.temp.c_str(), staged.target.c_str()) == 0;
  if (!ok) {
    const int reason = errno;
    ::unlink(staged.temp.c_str());
    errno = reason;
  }
  if (held >= 0) {
    if (ok) {
      releaser->Release(held);
    } else {
      ::close(held);
    }
  }
  return ok;
}

void DiscardStagedFile(const TStagedFile& staged) { ::unlink(staged.temp.c_str()); }

bool WriteFileAtomically(const std::string& path, std::string_view bytes, TLinkPolicy links) {
  const std::optional<TStagedFile> staged = StageFile(path, bytes, links, true);
  return staged && CommitStagedFile(*staged);
}

bool SyncFileSystemOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::syncfs(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace zorvik
