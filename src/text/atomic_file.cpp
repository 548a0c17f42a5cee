#include "text/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

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

// The file that a write to path must replace: the target of a symbolic link when links are
// followed, else path itself.
std::string ResolveTarget(const std::string& path, TLinkPolicy links) {
  struct stat st {};
  if (links == TLinkPolicy::kFollow && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  }
  return path;
}

// Creates a new, empty temporary file in folder (with its trailing "/"). Its name does not grow
// with the target's, so that targets with names of the longest length can be written; the mode
// asked for is that of any new file, so the kernel applies the process's umask.
int CreateTemporary(const std::string& folder, std::string& name) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = folder + ".zorvik-";
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
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

bool WriteFileAtomically(const std::string& path, std::string_view bytes, TLinkPolicy links) {
  if (path.empty() || path.back() == '/') return false;
  const std::string target = ResolveTarget(path, links);
  struct stat old {};
  const bool existed = ::lstat(target.c_str(), &old) == 0 && !S_ISLNK(old.st_mode);
  if (existed && !S_ISREG(old.st_mode)) return false;
  // A file its owner made read-only stays as it is.
  if (existed && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string temp_name;
  const int fd = CreateTemporary(folder, temp_name);
  if (fd < 0) return false;
  bool ok = (!existed || TakeOver(fd, old)) && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp_name.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp_name.c_str());
  return ok;
}

}  // namespace zorvik
