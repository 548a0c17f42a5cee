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
                                        const std::set<std::string>& leave_out,
                                        const std::set<std::string>& also, std::string* err) {
  TSiteFiles result;
  std::string why;
  // What stands at path, for a walk that must see all: nothing on a failed look.
  const auto look = [&why, err](const std::string& path) -> std::optional<TPathKind> {
    const std::optional<TPathKind> kind = LookAtPath(path, false, &why);
    if (!kind) (*err = "cannot look at ").append(path).append(": ").append(why);
    return kind;
  };
  // A file found (a regular file, or something that is not one) under a name without a dot part.
  const auto take = [&](const std::string& path, std::string_view name, TPathKind kind) {
    if (kind != TPathKind::kFile) {
      result.skipped.push_back(path);  // links, which could lead out of the site, and FIFOs
      return;
    }
    if (leave_out.contains(path) || IsLeftOutByName(name)) return;
    // A line end cannot cross FTP, and a backslash is a folder separator on some servers.
    std::string relative = path.substr(root.size());
    if (relative.find_first_of("\r\n\\") != std::string::npos) {
      result.skipped.push_back(path);
      return;
    }
    result.files.push_back({std::move(relative), path});
  };
  const std::string& start = from.starts_with(root) ? from : root;
  std::vector<std::string> folders = {start};  // each with its "/"
  std::vector<std::string> names;
  while (!folders.empty()) {
    const std::string folder = std::move(folders.back());
    folders.pop_back();
    if (!ListFolder(folder, false, &names, &why)) {
      (*err = "cannot list the folder ").append(folder).append(": ").append(why);
      return std::nullopt;
    }
    for (const std::string& name : names) {
      if (name.starts_with('.')) continue;  // dot files and dot folders, and all they hold
      const std::string path = folder + name;
      const std::optional<TPathKind> kind = look(path);
      if (!kind) return std::nullopt;
      if (kind == TPathKind::kMissing) {
        (*err = "cannot look at ").append(path).append(": it went away during the listing");
        return std::nullopt;
      }
      if (kind == TPathKind::kFolder) {
        folders.push_back(path + "/");
      } else {
        take(path, name, *kind);
      }
    }
  }
  // Above the walk's folder, only what the pages link, by the same rules.
  for (const std::string& path : also) {
    if (path.starts_with(start) || !path.starts_with(root)) continue;
    const std::string_view relative = std::string_view(path).substr(root.size());
    if (relative.starts_with('.') || relative.find("/.") != std::string_view::npos) continue;
    const std::optional<TPathKind> kind = look(path);
    if (!kind) return std::nullopt;
    if (kind != TPathKind::kMissing) take(path, relative.substr(relative.rfind('/') + 1), *kind);
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
