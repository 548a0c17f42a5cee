#include "check/group_check.h"

#include "batch/group_generation.h"
#include "check/page_in_site.h"
#include "site/web_root.h"
#include "text/text_file.h"

namespace zorvik {
TGroupCheck CheckGroup(const std::vector<std::string>& entries, const TRunSettings& settings,
                       const std::string& home, const std::string& site_folder) {
  TGroupCheck result;
  TGroupGeneration group = GenerateGroupInMemory(entries, settings);
  result.generation_errors = group.errors;
  std::vector<std::pair<std::string, std::string>>& pages = group.pages;  // output, bytes
  TSourceLines sources([](const std::string& file, std::string& bytes) {
    bytes = LoadTextFile(file);
    return bytes != kFileLoadError;
  });
  for (std::size_t i = 0; i < pages.size(); ++i) {
    pages[i].first = ResolvedPath(pages[i].first);
    sources.AddPage(pages[i].first, group.made_from[i]);
  }
  if (pages.empty()) return result;
  TSiteAccess site;  // known once the pages' links are
  TSiteCheck check("", SiteFileReader(site), IsFolderPath);
  for (const auto& [output, bytes] : pages) check.AddPage(output, bytes, true);
  const TSiteOfPages where = SiteOfPages(check.PageLinks(), pages.front().first, home, site_folder);
  if (where.site.roots.empty()) return result;
  site = where.site;
  check.SetSite(where);
  result.findings = FindingsAtSource(check.Finish(), sources);
  result.pages = check.PageCount();
  result.external = check.External().size();
  return result;
}

}  // namespace zorvik
