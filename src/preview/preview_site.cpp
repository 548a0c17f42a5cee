#include "preview/preview_site.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

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

}  // namespace

TPreviewSite PreviewSiteFor(std::string_view page_source, std::string_view output_file,
                            std::string_view style_sheet, std::string_view home) {
  TPreviewSite site;
  std::vector<std::string> folders;
  for (std::string_view file : {page_source, output_file}) {
    if (!file.empty() && file.front() == '/') folders.push_back(ResolvedFolder(file));
  }
  if (!style_sheet.empty() && style_sheet.front() == '/') site.style_sheet = ResolvedFile(style_sheet);
  if (folders.empty()) return site;
  std::string home_folder = home.empty() ? std::string() : ResolvedFile(home);
  if (!home_folder.empty() && home_folder.back() != '/') home_folder += '/';
  const std::string common = folders.size() == 2 ? CommonFolder(folders[0], folders[1]) : folders[0];
  if (folders.size() == 1 || (common != "/" && common != home_folder)) {
    site.roots.push_back(common);
  } else {
    site.roots = folders;
    if (folders[0] == folders[1]) site.roots.pop_back();
  }
  // The whole file system is never a site, whatever the files' places.
  site.roots.erase(std::remove(site.roots.begin(), site.roots.end(), "/"), site.roots.end());
  return site;
}

bool MayServe(const TPreviewSite& site, std::string_view path) {
  for (std::string_view system : {"/proc/", "/dev/", "/sys/"}) {
    if (StartsWith(path, system)) return false;
  }
  if (!site.style_sheet.empty() && path == site.style_sheet) return true;
  for (const std::string& root : site.roots) {
    if (!StartsWith(path, root) || path.size() == root.size()) continue;
    const std::string_view below = path.substr(root.size());
    bool hidden = below.front() == '.';
    for (std::size_t slash = below.find('/'); !hidden && slash != std::string_view::npos;
         slash = below.find('/', slash + 1)) {
      hidden = slash + 1 < below.size() && below[slash + 1] == '.';
    }
    if (!hidden) return true;
  }
  return false;
}

int OpenServedFile(const TPreviewSite& site, const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr || !MayServe(site, resolved)) return -1;
  // Non-blocking, so that a FIFO planted under the name cannot hold the caller; not following
  // a link, so that the file checked is the file opened.
  const int fd = ::open(resolved, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uintmax_t>(st.st_size) > kMaxServedFileBytes) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace zorvik
