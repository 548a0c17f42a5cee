#include "site/site_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace zorvik {
namespace {

// Page sources and group files by their names, also those that no group names at present,
// and the settings of a publish.
bool IsZorvikFile(std::string_view name) {
  return name.ends_with(".dat") || name.ends_with(".gro") || name.ends_with(".publish");
}

// What editors leave beside a file they save: "index.dat~", "site.css.bak", "page.html.orig",
// Vim's swap files and Emacs's lock and auto-save files.
bool IsEditorBackup(std::string_view name) {
  return name.ends_with('~') || name.ends_with(".bak") || name.ends_with(".orig") ||
         name.ends_with(".swp") || name.ends_with(".swo") || name.starts_with(".#") ||
         (name.size() > 2 && name.starts_with('#') && name.ends_with('#'));
}

}  // namespace

bool IsLeftOutByName(std::string_view name) {
  return name.starts_with('.') || IsZorvikFile(name) || IsEditorBackup(name);
}

TSiteFiles ListSiteFiles(const std::string& root, const std::set<std::string>& leave_out) {
  namespace fs = std::filesystem;
  TSiteFiles result;
  std::error_code ec;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    const std::string path = entry.path().string();
    const std::string relative = path.substr(root.size());
    if (entry.path().filename().string().starts_with('.')) {
      if (entry.is_directory(ec) && !entry.is_symlink(ec)) it.disable_recursion_pending();
      continue;
    }
    if (entry.is_symlink(ec)) {
      result.skipped.push_back(path);
      continue;
    }
    if (entry.is_directory(ec)) continue;
    if (!entry.is_regular_file(ec)) {
      result.skipped.push_back(path);
      continue;
    }
    if (leave_out.contains(path) || IsLeftOutByName(entry.path().filename().string())) continue;
    // A line end cannot cross FTP, and a backslash is a folder separator on some servers.
    if (relative.find_first_of("\r\n\\") != std::string::npos) {
      result.skipped.push_back(path);
      continue;
    }
    result.files.push_back({relative, path});
  }
  std::sort(result.files.begin(), result.files.end(),
            [](const TSiteFile& a, const TSiteFile& b) { return a.relative < b.relative; });
  return result;
}

std::optional<std::string> ReadSiteFileBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<std::string> bytes;
  errno = 0;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    bytes.emplace();
    char buffer[65536];
    for (;;) {
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got < 0) {
        bytes.reset();
        break;
      }
      if (got == 0) break;
      bytes->append(buffer, static_cast<std::size_t>(got));
    }
  }
  const int error = errno;
  ::close(fd);
  errno = error;
  return bytes;
}

}  // namespace zorvik
