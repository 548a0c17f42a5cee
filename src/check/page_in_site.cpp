#include "check/page_in_site.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "site/web_root.h"
#include "text/path_look.h"
#include "text/system_reason.h"

namespace zorvik {

bool ReadSiteFile(const TSiteAccess& site, const std::string& path, std::string& bytes,
                  std::string* unreachable) {
  const int fd = OpenServedFile(site, path);
  if (fd < 0) {
    if (!IsMissingError(errno)) *unreachable = SystemReason(errno);
    return false;
  }
  bytes.clear();
  char buffer[65536];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *unreachable = SystemReason(errno);
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > kMaxServedFileBytes) break;
  }
  ::close(fd);
  return n >= 0;
}

bool IsFolderPath(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TReadFile SiteFileReader(const TSiteAccess& site) {
  return [&site](const std::string& file, std::string& bytes, std::string* unreachable) {
    return ReadSiteFile(site, file, bytes, unreachable);
  };
}

TSiteCheck SiteCheckOnDisk(const TSiteOfPages& where) {
  const TSiteAccess& site = where.site;
  TSiteCheck check("", SiteFileReader(site), IsFolderPath);
  check.SetSite(where);
  return check;
}

std::vector<TFinding> CheckPageInSite(const std::string& output_file, std::string_view bytes,
                                      const std::string& home, const std::string& site_folder) {
  const std::string output = ResolvedPath(output_file);
  TSiteAccess site;  // known once the page's links are
  TSiteCheck check("", SiteFileReader(site), IsFolderPath);
  check.AddPage(output, bytes, false);
  const TSiteOfPages where = SiteOfPages(check.PageLinks(), output, home, site_folder);
  if (where.site.roots.empty()) return {};
  site = where.site;
  check.SetSite(where);
  return check.Finish();
}

}  // namespace zorvik
