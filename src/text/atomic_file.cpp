#include "text/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "text/path_look.h"

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

// A staged file's name in its folder.
const char* NameIn(const TStagedFile& staged, const std::string& path) {
  return path.c_str() + staged.name_at;
}

// Points staged at the file that a write to path must replace (the target of a symbolic link
// when links are followed, else path itself, then looked up in folder) and tells whether a
// file other than a link stands there (in `old`).
void ResolveTarget(const std::string& path, TLinkPolicy links, int folder, TStagedFile& staged,
                   struct stat& old, bool& existed) {
  staged.target = path;
  staged.folder = folder;
  staged.name_at = folder == AT_FDCWD ? 0 : path.rfind('/') + 1;
  existed = ::fstatat(folder, NameIn(staged, path), &old, AT_SYMLINK_NOFOLLOW) == 0;
  if (!existed || !S_ISLNK(old.st_mode)) return;
  existed = false;
  char resolved[PATH_MAX];
  if (links != TLinkPolicy::kFollow || ::realpath(path.c_str(), resolved) == nullptr) return;
  // The file the link names may be anywhere: it is reached by its whole path.
  staged.target = resolved;
  staged.folder = AT_FDCWD;
  staged.name_at = 0;
  existed = ::lstat(resolved, &old) == 0;
}

// A staged file's name: the prefix, the process that made it, "-" and eight letters.
constexpr std::string_view kStagedPrefix = ".zorvik-";

// Creates a new, empty temporary file beside staged's target, and names it in staged. Its name
// does not grow with the target's, so that targets with names of the longest length can be
// written; the mode asked for is that of any new file, so the kernel applies the process's umask.
int CreateTemporary(TStagedFile& staged) {
  const std::size_t slash = staged.target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : staged.target.substr(0, slash + 1);
  std::string& name = staged.temp;
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // Names need only be unlikely to be taken (O_EXCL settles the rest), not unpredictable:
  // the folder is the user's own. A counter and the clock, mixed, are cheap enough for a
  // batch of thousands of files.
  static std::atomic<std::uint64_t> counter{0};
  static const pid_t kProcess = ::getpid();
  std::uint64_t state =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (counter++ << 32) ^ static_cast<std::uint64_t>(kProcess);
  const std::string prefix = folder + std::string(kStagedPrefix) + std::to_string(kProcess) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = prefix;
    state += 0x9E3779B97F4A7C15ull;  // splitmix64
    std::uint64_t bits = state;
    bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9ull;
    bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBull;
    bits ^= bits >> 31;
    for (int i = 0; i < 8; ++i, bits /= sizeof kLetters - 1)
      name += kLetters[bits % (sizeof kLetters - 1)];
    const int fd = ::openat(staged.folder, NameIn(staged, name),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Gives the new file the old one's owner and permissions: its permissions are set unless the
// folder is known to give a new file those very ones.
bool TakeOver(int fd, const struct stat& old, TStagingFolder& folder) {
  mode_t mode = old.st_mode & 07777;
  const bool same_owner = old.st_uid == folder.euid && old.st_gid == folder.egid;
  if (!same_owner && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);  // never a set-id file of another owner
  }
  if (same_owner && folder.new_file_mode == 0) {
    struct stat created {};
    if (::fstat(fd, &created) == 0) folder.new_file_mode = created.st_mode & 07777;
  }
  return (same_owner && mode == folder.new_file_mode) || ::fchmod(fd, mode) == 0;
}

}  // namespace

std::optional<TStagedFile> StageFile(const std::string& path, std::string_view bytes,
                                     TLinkPolicy links, bool sync, TStagingFolder* folder) {
  if (path.empty() || path.back() == '/') return std::nullopt;
  struct stat old {};
  bool existed = false;
  TStagedFile staged;
  // (A file that a link names elsewhere is in another folder, which may give new files other
  // permissions: it is written with facts of its own.)
  TStagingFolder own;
  own.euid = folder != nullptr ? folder->euid : ::geteuid();
  own.egid = folder != nullptr ? folder->egid : ::getegid();
  if (folder == nullptr) folder = &own;
  ResolveTarget(path, links, folder->fd, staged, old, existed);
  if (existed && !S_ISREG(old.st_mode)) return std::nullopt;
  // A file its owner made read-only stays as it is. (Its owner may write a file whose owner
  // bits say so; for anyone else the kernel decides.)
  if (existed && !(old.st_uid == folder->euid && (old.st_mode & S_IWUSR) != 0) &&
      ::faccessat(staged.folder, NameIn(staged, staged.target), W_OK, AT_EACCESS) != 0)
    return std::nullopt;
  staged.replaces = existed;
  staged.old_device = old.st_dev;
  staged.old_inode = old.st_ino;

  const int fd = CreateTemporary(staged);
  if (fd < 0) return std::nullopt;
  bool ok = (!existed || TakeOver(fd, old, staged.folder == folder->fd ? *folder : own)) &&
            WriteAll(fd, bytes) && (!sync || ::fsync(fd) == 0);
  ok = (::close(fd) == 0) && ok;
  if (!ok) {
    const int reason = errno;  // what the caller tells the user, not the clean-up's
    DiscardStagedFile(staged);
    errno = reason;
    return std::nullopt;
  }
  return staged;
}

bool CommitStagedFile(const TStagedFile& staged, TFileReleaser* releaser) {
  const char* target = NameIn(staged, staged.target);
  const int held = staged.replaces && releaser != nullptr
                       ? ::openat(staged.folder, target, O_PATH | O_NOFOLLOW | O_CLOEXEC)
                       : -1;
  const bool ok =
      ::renameat(staged.folder, NameIn(staged, staged.temp), staged.folder, target) == 0;
  if (!ok) {
    const int reason = errno;
    DiscardStagedFile(staged);
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

void DiscardStagedFile(const TStagedFile& staged) {
  ::unlinkat(staged.folder, NameIn(staged, staged.temp), 0);
}

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

void RemoveLeftoverStagedFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::string unread;
  if (!ListFolder(folder.empty() ? "." : folder, false, &names, &unread)) return;
  for (const std::string& name : names) {
    if (!name.starts_with(kStagedPrefix)) continue;
    const std::string_view rest = std::string_view(name).substr(kStagedPrefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || rest.size() - dash - 1 != 8 ||
        rest.substr(0, dash).find_first_not_of("0123456789") != std::string_view::npos) {
      continue;
    }
    long pid = 0;
    std::from_chars(rest.data(), rest.data() + dash, pid);
    if (pid <= 0 || pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
      continue;
    const std::string path = folder + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
      ::unlink(path.c_str());
  }
}

}  // namespace zorvik
