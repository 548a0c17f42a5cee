#include "check/site_check.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "site/site_urls.h"
#include "text/replace_text.h"

namespace zorvik {
namespace {

bool IsHtmlFile(std::string_view path) {
  std::string lower(
      path.substr(path.rfind('.') == std::string_view::npos ? path.size() : path.rfind('.')));
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == ".html" || lower == ".htm";
}

bool IsCssFile(std::string_view path) {
  return path.size() > 4 && (path.ends_with(".css") || path.ends_with(".CSS"));
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

}  // namespace

void TSiteCheck::SetSite(const TSiteOfPages& where) {
  root_ = where.root;
  outside_ = where.outside;
}

TSiteCheck::TSiteCheck(std::string root, TReadFile read_file,
                       std::function<bool(const std::string&)> is_folder)
    : root_(std::move(root)), read_file_(std::move(read_file)), is_folder_(std::move(is_folder)) {}

void TSiteCheck::AddPage(const std::string& path, std::string_view bytes, bool group_page) {
  TPageScan scan = ScanHtmlPage(bytes);
  for (const TPageProblem& problem : scan.problems) {
    findings_.push_back({path, problem.line,
                         problem.error ? TFindingKind::kError : TFindingKind::kWarning,
                         problem.message, problem.text});
  }
  TPage page{path, std::move(scan.refs), {}, group_page, false};
  for (const TPageRef& id : scan.ids) page.ids.insert(id.url);
  page_index_[path] = pages_.size();
  pages_.push_back(std::move(page));
}

std::vector<TPageLinks> TSiteCheck::PageLinks() const {
  std::vector<TPageLinks> links;
  links.reserve(pages_.size());
  for (const TPage& page : pages_) {
    TPageLinks& added = links.emplace_back(TPageLinks{page.path, {}});
    added.addresses.reserve(page.refs.size());
    for (const TPageRef& ref : page.refs) added.addresses.push_back(ref.url);
  }
  return links;
}

std::string TSiteCheck::CaseTwin(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string_view name = std::string_view(target).substr(folder.size());
  if (name.empty()) return {};
  const auto [names, fresh] = folder_names_.try_emplace(folder);
  if (fresh) {
    // The folder's names, looked at once however many addresses miss in it: the pages first,
    // then what is on the disk.
    for (const TPage& page : pages_) {
      if (!page.path.starts_with(folder)) continue;
      const std::string_view other = std::string_view(page.path).substr(folder.size());
      if (other.find('/') == std::string_view::npos)
        names->second.emplace(AsciiLowerCase(other), other);
    }
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
      std::string other = it->path().filename().string();
      names->second.emplace(AsciiLowerCase(other), std::move(other));
    }
  }
  const auto twin = names->second.find(AsciiLowerCase(name));
  return twin == names->second.end() ? std::string() : twin->second;
}

std::string TSiteCheck::Target(const std::string& from, std::string_view url) const {
  url = url.substr(0, url.find('#'));
  url = url.substr(0, url.find('?'));
  if (url.empty()) return from;
  std::string decoded = PercentDecoded(url);
  std::string path = decoded.front() == '/' ? root_ + decoded.substr(1) : FolderOf(from) + decoded;
  // ".." and "." resolved by text, as a browser does before it asks.
  std::string normal = std::filesystem::path(path).lexically_normal().string();
  if (decoded.back() == '/' && !normal.ends_with("/")) normal += '/';
  return normal;
}

const TSiteCheck::TOnDisk& TSiteCheck::Lookup(const std::string& target) {
  const std::string folder = target.ends_with("/") ? target : target + "/";
  // Files on disk are looked at once, however many addresses name them.
  auto [known, fresh] = on_disk_.try_emplace(target);
  if (!fresh) return known->second;
  TOnDisk& found = known->second;
  for (const std::string& candidate : {target, folder + "index.html"}) {
    if (!candidate.ends_with("/") && page_index_.count(candidate) > 0) {
      found.answering = candidate;
      return found;
    }
  }
  std::string ignored;
  if (!target.ends_with("/") && read_file_(target, ignored, &found.unreachable)) {
    found.answering = target;
  } else if (found.unreachable.empty() && is_folder_(folder) &&
             read_file_(folder + "index.html", ignored, &found.unreachable)) {
    found.answering = folder + "index.html";
  }
  return found;
}

const std::set<std::string>* TSiteCheck::IdsOf(const std::string& file) {
  if (const auto page = page_index_.find(file); page != page_index_.end()) {
    return &pages_[page->second].ids;
  }
  if (!IsHtmlFile(file)) return nullptr;
  auto [it, fresh] = other_ids_.emplace(file, std::set<std::string>{});
  if (fresh) {
    std::string bytes;
    if (std::string unreachable; read_file_(file, bytes, &unreachable)) {
      for (const TPageRef& id : ScanHtmlPage(bytes).ids) it->second.insert(id.url);
    }
  }
  return &it->second;
}

void TSiteCheck::CheckStyleSheet(const std::string& file) {
  if (!checked_sheets_.insert(file).second) return;
  std::string bytes;
  if (std::string unreachable; read_file_(file, bytes, &unreachable))
    CheckRefs(file, ScanCss(bytes));
}

void TSiteCheck::CheckRefs(const std::string& file, const std::vector<TPageRef>& refs) {
  for (const TPageRef& ref : refs) {
    const std::string_view url = ref.url;
    if (url.empty()) continue;
    const std::string scheme = SchemeOf(url);
    if (scheme == "http" || scheme == "https" || url.starts_with("//")) {
      external_[url.starts_with("//") ? "https:" + ref.url : ref.url].push_back({file, ref.line});
      continue;
    }
    if (!scheme.empty()) continue;  // mailto:, tel:, data:, javascript: ...
    if (url.find('\0') != std::string_view::npos || std::any_of(url.begin(), url.end(), [](char c) {
          return static_cast<unsigned char>(c) < 0x20 && c != '\t';
        })) {
      findings_.push_back({file, ref.line, TFindingKind::kError,
                           "an address with control characters: no browser asks for it as written",
                           ref.url});
      continue;
    }
    std::string target = Target(file, url);
    if (outside_.contains(target)) {
      findings_.push_back(
          {file, ref.line, TFindingKind::kError, "outside the site: not published", ref.url});
      continue;
    }
    if (!target.starts_with(root_)) target.clear();
    const TOnDisk* on_disk = target.empty() ? nullptr : &Lookup(target);
    if (on_disk != nullptr && !on_disk->unreachable.empty()) {
      findings_.push_back({file, ref.line, TFindingKind::kError,
                           "cannot be reached: " + on_disk->unreachable, ref.url});
      continue;
    }
    if (on_disk == nullptr || on_disk->answering.empty()) {
      const std::string twin = target.empty() ? std::string() : CaseTwin(target);
      findings_.push_back({file, ref.line, TFindingKind::kError,
                           "no such file: " + ref.url +
                               (target.empty() ? " (above the site)"
                                : twin.empty() ? ""
                                               : " (" + twin + " is there: letter case counts)"),
                           ref.url});
      continue;
    }
    const std::string& answering = on_disk->answering;
    if (const auto page = page_index_.find(answering);
        page != page_index_.end() && answering != file) {
      pages_[page->second].linked = true;
    }
    if (IsCssFile(answering)) CheckStyleSheet(answering);
    const std::size_t hash = url.find('#');
    if (hash == std::string_view::npos || hash + 1 == url.size()) continue;
    const std::string fragment = PercentDecoded(url.substr(hash + 1));
    const std::set<std::string>* ids = IdsOf(answering);
    if (ids != nullptr && ids->count(fragment) == 0 && fragment != "top") {
      findings_.push_back(
          {file, ref.line, TFindingKind::kError,
           "no id \"" + fragment + "\" in " + answering.substr(answering.rfind('/') + 1), ref.url});
    }
  }
}

std::vector<TFinding> TSiteCheck::Finish() {
  for (const TPage& page : pages_) CheckRefs(page.path, page.refs);
  for (const TPage& page : pages_) {
    if (page.group_page && !page.linked && pages_.size() > 1) {
      findings_.push_back({page.path, 1, TFindingKind::kNote, "no other page links here"});
    }
  }
  std::map<std::string, std::size_t> order;
  for (std::size_t i = 0; i < pages_.size(); ++i) order.emplace(pages_[i].path, i);
  std::stable_sort(
      findings_.begin(), findings_.end(), [&order](const TFinding& a, const TFinding& b) {
        const auto rank = [&order](const std::string& file) {
          const auto it = order.find(file);
          return it == order.end() ? order.size() : it->second;
        };
        return std::make_pair(rank(a.file), a.line) < std::make_pair(rank(b.file), b.line);
      });
  return std::move(findings_);
}

}  // namespace zorvik
