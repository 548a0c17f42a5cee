#include "publish/site_to_publish.h"

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
  std::optional<TSiteFiles> files =
      ListSiteFiles(result.root, site.pages_folder, leave_out, site.linked, err);
  if (!files) return std::nullopt;
  result.files = std::move(*files);
  return result;
}

}  // namespace zorvik
