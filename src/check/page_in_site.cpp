#include "check/page_in_site.h"

#include <sys/stat.h>
#include <unistd.h>

#include "site/web_root.h"

namespace zorvik {

bool ReadSiteFile(const TSiteAccess& site, const std::string& path, std::string& bytes) {
  const int fd = OpenServedFile(site, path);
  if (fd < 0) return false;
  bytes.clear();
  char buffer[65536];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > kMaxServedFileBytes) break;
  }
  ::close(fd);
  return true;
}

bool IsFolderPath(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TSiteCheck SiteCheckOnDisk(const TSiteOfPages& where) {
  const TSiteAccess& site = where.site;
  return TSiteCheck(
      where.root,
      [&site](const std::string& file, std::string& read) {
        return ReadSiteFile(site, file, read);
      },
      IsFolderPath);
}

std::vector<TFinding> CheckPageInSite(const std::string& output_file, std::string_view bytes,
                                      const std::string& home) {
  const std::string output = ResolvedPath(output_file);
  TSiteAccess site;  // known once the page's links are
  TSiteCheck check(
      "",
      [&site](const std::string& file, std::string& read) {
        return ReadSiteFile(site, file, read);
      },
      IsFolderPath);
  check.AddPage(output, bytes, false);
  const TSiteOfPages where = SiteOfPages(check.PageLinks(), output, home);
  if (where.site.roots.empty()) return {};
  site = where.site;
  check.SetRoot(where.root);
  return check.Finish();
}

}  // namespace zorvik
