#include "site/site_access.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "site/site_files.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;

// The folder of a file path, resolved as far as it exists, with its trailing "/".
std::string ResolvedFolder(std::string_view file) {
  std::error_code ec;
  fs::path folder = fs::weakly_canonical(fs::path(file).parent_path(), ec);
  if (ec) folder = fs::path(file).parent_path().lexically_normal();
  std::string text = folder.string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

std::string ResolvedFile(std::string_view file) {
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(fs::path(file), ec);
  return ec ? std::string() : resolved.string();
}

// The deepest folder that holds both (both end with "/").
std::string CommonFolder(const std::string& a, const std::string& b) {
  std::size_t common = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size() && a[i] == b[i]; ++i) {
    if (a[i] == '/') common = i + 1;
  }
  return a.substr(0, common);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Whether a resolved folder (with its trailing "/") may be the whole of a site.
bool MayBeSite(const std::string& folder, const std::string& home_folder) {
  if (folder == "/" || StartsWith(home_folder, folder)) return false;  // home and above
  for (std::string_view system : {"/proc/", "/sys/"}) {
    if (StartsWith(folder, system)) return false;
  }
  if (StartsWith(folder, "/dev/") && !StartsWith(folder, "/dev/shm/")) return false;
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         (st.st_mode & (S_IWOTH | S_ISVTX)) == 0;
}

// The part of path below one of the roots, when it has no dot-file or dot-folder; the root in
// root.
std::optional<std::string_view> BelowRoot(const TSiteAccess& site, std::string_view path,
                                          std::string_view& root) {
  for (const std::string& candidate : site.roots) {
    if (!StartsWith(path, candidate) || path.size() == candidate.size()) continue;
    const std::string_view below = path.substr(candidate.size());
    bool hidden = below.front() == '.';
    for (std::size_t slash = below.find('/'); !hidden && slash != std::string_view::npos;
         slash = below.find('/', slash + 1)) {
      hidden = slash + 1 < below.size() && below[slash + 1] == '.';
    }
    if (hidden || site.left_out.contains(std::string(path)) ||
        IsLeftOutByName(below.substr(below.rfind('/') + 1))) {
      continue;
    }
    root = candidate;
    return below;
  }
  return std::nullopt;
}

// openat2: path resolved from folder without following any link; with beneath, also never
// leaving folder.
int OpenWithoutLinks(int folder, const std::string& path, std::uint64_t flags, bool beneath) {
  open_how how{};
  how.flags = flags | O_CLOEXEC;
  how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | (beneath ? RESOLVE_BENEATH : 0);
  for (;;) {
    const long fd = ::syscall(SYS_openat2, folder, path.c_str(), &how, sizeof how);
    if (fd >= 0 || errno != EINTR) return static_cast<int>(fd);
  }
}

}  // namespace

TSiteAccess PreviewSiteFor(std::string_view page_source, std::string_view output_file,
                           std::string_view style_sheet, std::string_view home) {
  TSiteAccess site;
  std::vector<std::string> folders;
  for (std::string_view file : {page_source, output_file}) {
    if (!file.empty() && file.front() == '/') folders.push_back(ResolvedFolder(file));
  }
  if (!style_sheet.empty() && style_sheet.front() == '/')
    site.style_sheet = ResolvedFile(style_sheet);
  if (folders.empty()) return site;
  std::string home_folder = home.empty() ? std::string() : ResolvedFile(home);
  if (!home_folder.empty() && home_folder.back() != '/') home_folder += '/';
  const std::string common =
      folders.size() == 2 ? CommonFolder(folders[0], folders[1]) : folders[0];
  if (MayBeSite(common, home_folder)) {
    site.roots.push_back(common);
    return site;
  }
  site.narrowed = true;
  for (const std::string& folder : folders) {
    if (MayBeSite(folder, home_folder) &&
        std::find(site.roots.begin(), site.roots.end(), folder) == site.roots.end()) {
      site.roots.push_back(folder);
    }
  }
  return site;
}

bool MayServe(const TSiteAccess& site, std::string_view path) {
  if (!site.style_sheet.empty() && path == site.style_sheet) return true;
  std::string_view root;
  return BelowRoot(site, path, root).has_value();
}

int OpenServedFile(const TSiteAccess& site, const std::string& path) {
  // The resolved path only picks the root and the part below it; the open itself follows no
  // link, so a folder swapped meanwhile is refused.
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return -1;
  constexpr std::uint64_t kRead = O_RDONLY | O_NONBLOCK;  // a FIFO must not hold the caller
  int fd = -1;
  std::string_view root;
  if (!site.style_sheet.empty() && site.style_sheet == resolved) {
    fd = OpenWithoutLinks(AT_FDCWD, site.style_sheet, kRead, false);
  } else if (const auto below = BelowRoot(site, resolved, root)) {
    const int folder = OpenWithoutLinks(AT_FDCWD, std::string(root), O_PATH | O_DIRECTORY, false);
    if (folder < 0) return -1;
    fd = OpenWithoutLinks(folder, std::string(*below), kRead, true);
    const int error = errno;
    ::close(folder);
    errno = error;
  } else {
    errno = ENOENT;  // not the site's: as if it were not there
  }
  if (fd < 0) return -1;
  struct stat st {};
  int error = 0;
  if (::fstat(fd, &st) != 0) {
    error = errno;
  } else if (!S_ISREG(st.st_mode)) {
    error = ENOENT;
  } else if (static_cast<std::uintmax_t>(st.st_size) > kMaxServedFileBytes) {
    error = EFBIG;
  }
  if (error != 0) {
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

}  // namespace zorvik
