#include "site/web_root.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "site/page_scan.h"
#include "site/site_urls.h"
#include "text/on_every_core.h"
#include "text/path_look.h"

namespace zorvik {
namespace {

// Style sheets larger than this are not read for their addresses.
constexpr std::uintmax_t kMaxSheetBytes = 16u << 20;

// The deepest folder (with its "/") holding every path, or "" for none.
std::string CommonFolder(const std::vector<std::string>& paths) {
  std::string common;
  bool first = true;
  for (const std::string& path : paths) {
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    if (first) {
      common = folder;
      first = false;
      continue;
    }
    std::size_t end = 0;
    for (std::size_t i = 0; i < common.size() && i < folder.size() && common[i] == folder[i]; ++i) {
      if (common[i] == '/') end = i + 1;
    }
    common.resize(end);
  }
  return common;
}

// folder, or where it is not made yet (pages checked before their first write), the nearest
// folder above it that is.
std::string ExistingFolder(std::string folder) {
  std::error_code ec;
  while (folder.size() > 1 && !std::filesystem::is_directory(folder, ec)) {
    folder.pop_back();
    folder.resize(folder.rfind('/') + 1);
  }
  return folder;
}

bool IsStyleSheet(std::string_view path) {
  return path.size() > 4 && (path.ends_with(".css") || path.ends_with(".CSS"));
}

std::optional<std::string> ReadRegular(const std::string& path, std::uintmax_t limit) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) > limit)
    return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return in ? std::optional<std::string>(bytes.str()) : std::nullopt;
}

// Collects the local files that addresses name from the file at from: relative addresses only
// (one starting with "/" depends on the root it is to decide; a scheme names no file here).
class TLinkCollector {
 public:
  void Add(const std::string& from, std::string_view address) {
    address = address.substr(0, address.find('#'));
    address = address.substr(0, address.find('?'));
    if (address.empty() || address.front() == '/' || address.front() == '\\' ||
        !SchemeOf(address).empty()) {
      return;
    }
    const std::string decoded = PercentDecoded(address);
    if (decoded.find('\0') != std::string::npos) return;
    std::string target = from.substr(0, from.rfind('/') + 1) + decoded;
    target = std::filesystem::path(target).lexically_normal().string();
    std::string unreachable;
    if (!bound.empty() && !target.starts_with(bound)) {
      const std::optional<TPathKind> kind = LookAtPath(target, true, &unreachable);
      if (kind && kind != TPathKind::kMissing) outside.insert(target);
      return;
    }
    // A path that cannot be looked at (a name too long, a loop of links, a folder that may
    // not be read) names no file of the site; `check` reports it at its line.
    if (decoded.back() == '/' || LookAtPath(target, true, &unreachable) == TPathKind::kFolder) {
      target = (target.ends_with('/') ? target : target + "/") + "index.html";
    }
    // Taken as written, from the page's resolved folder: a link planted in the site that
    // leads out of it never draws the root up (the files of the site are opened without
    // following links anyway).
    if (LookAtPath(target, false, &unreachable) != TPathKind::kFile) return;
    if (linked.insert(target).second && IsStyleSheet(target)) sheets_.push_back(target);
  }
  // The addresses of the style sheets found so far, and of those they name.
  void FollowStyleSheets() {
    while (!sheets_.empty()) {
      const std::string sheet = sheets_.back();
      sheets_.pop_back();
      if (const std::optional<std::string> css = ReadRegular(sheet, kMaxSheetBytes)) {
        for (const TPageRef& ref : ScanCss(*css)) Add(sheet, ref.url);
      }
    }
  }

  std::string bound;  // the folder (with its "/") linked files must lie in; "" for anywhere
  std::set<std::string> linked;
  std::set<std::string> outside;

 private:
  std::vector<std::string> sheets_;
};

}  // namespace

std::string ResolvedPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

std::vector<std::string> PageAddresses(std::string_view html) {
  std::vector<std::string> addresses;
  for (TPageRef& ref : ScanHtmlPage(html).refs) addresses.push_back(std::move(ref.url));
  return addresses;
}

TSiteOfPages SiteOfPages(const std::vector<TPageLinks>& pages, const std::string& first_page,
                         const std::string& home, const std::string& site_folder) {
  TSiteOfPages result;
  std::vector<std::string> held;
  held.reserve(pages.size());
  for (const TPageLinks& page : pages) held.push_back(ResolvedPath(page.page));
  const std::string pages_folder = ExistingFolder(CommonFolder(held));
  TLinkCollector collector;
  if (!site_folder.empty()) {
    // A name in each folder stands for it: the deepest folder that holds both.
    collector.bound = CommonFolder({ResolvedPath(site_folder + "/-"), pages_folder + "-"});
  }
  for (std::size_t i = 0; i < pages.size(); ++i) {
    for (const std::string& address : pages[i].addresses) collector.Add(held[i], address);
  }
  collector.FollowStyleSheets();
  held.insert(held.end(), collector.linked.begin(), collector.linked.end());
  const std::string whole_folder = ExistingFolder(CommonFolder(held));
  result.linked = std::move(collector.linked);
  result.outside = std::move(collector.outside);
  result.pages_folder = pages_folder;
  if (pages.empty()) return result;
  // PreviewSiteFor takes two files; a name in each folder stands for them all. Where the whole
  // folder holds more than a site, the pages' own folder is all that is left.
  result.site = PreviewSiteFor(whole_folder + "-", pages_folder + "-", "", home);
  if (result.site.roots.empty()) return result;
  const std::string first = ResolvedPath(first_page);
  result.root = result.site.roots.front();
  for (const std::string& candidate : result.site.roots) {
    if (!first_page.empty() && first.starts_with(candidate)) result.root = candidate;
  }
  return result;
}

TPageLinks PageLinksOnDisk(const std::string& page) {
  const std::optional<std::string> html = ReadRegular(page, kMaxServedFileBytes);
  return {page, html ? PageAddresses(*html) : std::vector<std::string>{}};
}

TSiteOfPages SiteOfPagesOnDisk(const std::vector<std::string>& pages, const std::string& first_page,
                               const std::string& home, const std::string& site_folder) {
  // Each page is read and parsed on its own: the cores share them.
  std::vector<TPageLinks> links(pages.size());
  OnEveryCore(pages.size(), 64, [&](std::size_t i) { links[i] = PageLinksOnDisk(pages[i]); });
  return SiteOfPages(links, first_page, home, site_folder);
}

}  // namespace zorvik
