#include "publish/known_hosts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "text/system_reason.h"

namespace zorvik {

bool IsRevokedKey(const std::string& path, const std::string& key) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string marker, hosts, type, blob;
    if (!(fields >> marker >> hosts >> type >> blob) || marker != "@revoked") continue;
    if (blob == key) return true;
  }
  return false;
}

std::string AppendKnownHost(const std::string& path, const std::string& entry) {
  const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return SystemReason(errno);
  std::string text;
  struct stat info {};
  char last = '\n';
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return "not a regular file";
  }
  if (info.st_size > 0 && ::pread(fd, &last, 1, info.st_size - 1) != 1) last = '\n';
  if (last != '\n') text += '\n';
  text += entry;
  if (!text.ends_with('\n')) text += '\n';
  const ssize_t wrote = ::write(fd, text.data(), text.size());
  const int error = errno;
  const bool closed = ::close(fd) == 0;
  if (wrote != static_cast<ssize_t>(text.size()))
    return wrote < 0 ? SystemReason(error) : "the disk is full";
  return closed ? "" : SystemReason(errno);
}

}  // namespace zorvik
