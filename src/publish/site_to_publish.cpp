#include "publish/site_to_publish.h"

#include <algorithm>

#include "publish/publish_settings.h"
#include "site/web_root.h"
#include "text/file_names.h"

namespace zorvik {
std::optional<TSiteToPublish> SiteToPublish(const std::vector<std::string>& outputs,
                                            std::set<std::string> inputs,
                                            const std::string& group_file, const std::string& home,
                                            std::string* err) {
  TSiteToPublish result;
  const TSiteOfPages site = SiteOfPagesOnDisk(
      outputs, outputs.empty() ? std::string() : outputs.front(), home, ExtractFolder(group_file));
  if (site.site.roots.empty() || outputs.empty()) return result;
  result.root = site.root;
  inputs.insert(group_file);
  inputs.insert(PublishSettingsPath(group_file));
  std::set<std::string> leave_out;
  for (const std::string& input : inputs) leave_out.insert(ResolvedPath(input));
  // The pages, and every file they link, are sent whatever else read them (a page may read
  // another's output; the style sheet the pages link may be the preview's too).
  for (const std::string& output : outputs) leave_out.erase(ResolvedPath(output));
  for (const std::string& linked : site.linked) leave_out.erase(linked);
  // Files no page links are sent only from the pages' own folder; above it, only what they link.
  const std::string& from = site.pages_folder;
  std::optional<TSiteFiles> files = ListSiteFiles(result.root, from, leave_out, err);
  if (!files) return std::nullopt;
  result.files = std::move(*files);
  if (from.starts_with(result.root) && from != result.root) {
    for (const std::string& linked : site.linked) {
      if (linked.starts_with(from) || !linked.starts_with(result.root)) continue;
      std::string relative = linked.substr(result.root.size());
      if (relative.starts_with('.') || relative.find("/.") != std::string::npos ||
          relative.find_first_of("\r\n\\") != std::string::npos) {
        continue;
      }
      result.files.files.push_back({std::move(relative), linked});
    }
    std::sort(result.files.files.begin(), result.files.files.end(),
              [](const TSiteFile& a, const TSiteFile& b) { return a.relative < b.relative; });
  }
  return result;
}

}  // namespace zorvik
