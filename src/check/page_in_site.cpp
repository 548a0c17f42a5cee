#include "check/page_in_site.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace zorvik {

bool ReadSiteFile(const TPreviewSite& site, const std::string& path, std::string& bytes) {
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

std::vector<TFinding> CheckPageInSite(const std::string& page_source,
                                      const std::string& output_file, std::string_view bytes,
                                      const std::string& home) {
  std::error_code ec;
  std::string output = std::filesystem::weakly_canonical(output_file, ec).string();
  if (ec) output = output_file;
  const TPreviewSite site = PreviewSiteFor(page_source, output, "", home);
  if (site.roots.empty()) return {};
  std::string root = site.roots.front();
  for (const std::string& candidate : site.roots) {
    if (output.starts_with(candidate)) root = candidate;
  }
  TSiteCheck check(
      root,
      [&site](const std::string& file, std::string& read) {
        return ReadSiteFile(site, file, read);
      },
      IsFolderPath);
  check.AddPage(output, bytes, false);
  return check.Finish();
}

std::string FindingLine(const TFinding& finding) {
  static constexpr const char* kKinds[] = {"error", "warning", "note"};
  return finding.file + ":" + std::to_string(finding.line) + ": " +
         kKinds[static_cast<int>(finding.kind)] + ": " + finding.message;
}

}  // namespace zorvik
