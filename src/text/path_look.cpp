#include "text/path_look.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "text/system_reason.h"

namespace zorvik {

bool IsMissingError(int error) { return error == ENOENT || error == ENOTDIR; }

std::optional<TPathKind> LookAtPath(const std::string& path, bool follow_links, std::string* err) {
  struct stat st {};
  if ((follow_links ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
    if (IsMissingError(errno)) return TPathKind::kMissing;
    *err = SystemReason(errno);
    return std::nullopt;
  }
  if (S_ISREG(st.st_mode)) return TPathKind::kFile;
  if (S_ISDIR(st.st_mode)) return TPathKind::kFolder;
  if (S_ISLNK(st.st_mode)) return TPathKind::kLink;
  return TPathKind::kOther;
}

bool ListFolder(const std::string& folder, bool follow_links, std::vector<std::string>* names,
                std::string* err) {
  // A trailing "/" would make the open follow a link in the folder's place.
  const std::string path =
      folder.size() > 1 && folder.ends_with('/') ? folder.substr(0, folder.size() - 1) : folder;
  const int fd =
      ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow_links ? 0 : O_NOFOLLOW));
  DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
  if (dir == nullptr) {
    *err = SystemReason(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  names->clear();
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names->emplace_back(name);
  }
  const int error = errno;
  ::closedir(dir);
  if (error != 0) {
    *err = SystemReason(error);
    return false;
  }
  return true;
}

}  // namespace zorvik
