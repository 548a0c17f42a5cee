#include "site/site_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "text/path_look.h"

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

std::optional<TSiteFiles> ListSiteFiles(const std::string& root, const std::string& from,
                                        const std::set<std::string>& leave_out, std::string* err) {
  TSiteFiles result;
  std::vector<std::string> folders = {from.starts_with(root) ? from : root};  // each with its "/"
  std::vector<std::string> names;
  while (!folders.empty()) {
    const std::string folder = std::move(folders.back());
    folders.pop_back();
    std::string why;
    if (!ListFolder(folder, false, &names, &why)) {
      (*err = "cannot list the folder ").append(folder).append(": ").append(why);
      return std::nullopt;
    }
    for (const std::string& name : names) {
      const std::string path = folder + name;
      const std::optional<TPathKind> kind = LookAtPath(path, false, &why);
      if (!kind || kind == TPathKind::kMissing) {
        *err = "cannot look at " + path + ": " + (kind ? "it went away during the listing" : why);
        return std::nullopt;
      }
      if (name.starts_with('.')) continue;  // dot files and dot folders, and all they hold
      if (kind == TPathKind::kFolder) {
        folders.push_back(path + "/");
        continue;
      }
      if (kind != TPathKind::kFile) {
        result.skipped.push_back(path);  // links, which could lead out of the site, and FIFOs
        continue;
      }
      if (leave_out.contains(path) || IsLeftOutByName(name)) continue;
      // A line end cannot cross FTP, and a backslash is a folder separator on some servers.
      std::string relative = path.substr(root.size());
      if (relative.find_first_of("\r\n\\") != std::string::npos) {
        result.skipped.push_back(path);
        continue;
      }
      result.files.push_back({std::move(relative), path});
    }
  }
  std::sort(result.files.begin(), result.files.end(),
            [](const TSiteFile& a, const TSiteFile& b) { return a.relative < b.relative; });
  std::sort(result.skipped.begin(), result.skipped.end());
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
