#include "cli/site_for_verb.h"

#include <iostream>

#include "text/file_names.h"

namespace zorvik::cli {

std::optional<TSiteOfPages> SiteForVerb(const std::vector<TPageLinks>& pages,
                                        const std::string& first_output, const std::string& given,
                                        const char* verb) {
  if (pages.empty()) {
    std::cerr << "zorvik: " << verb
              << ": no page is written (the group names none, or no page has @WriteFile)\n";
    return std::nullopt;
  }
  const char* home = HomeFolder();
  TSiteOfPages result = SiteOfPages(pages, first_output, home != nullptr ? home : "/",
                                    ExtractFolder(ToFileSystemPath(given)));
  if (result.site.roots.empty()) {
    std::cerr << "zorvik: " << verb
              << ": the pages lie in a folder that holds more than a site (the home folder, "
                 "/tmp, ...); make a folder for the site\n";
    return std::nullopt;
  }
  if (result.site.narrowed) {
    std::cerr << "zorvik: " << verb
              << ": only the pages' own folders are taken: the site lies in a folder that holds "
                 "more than a site\n";
  }
  return result;
}

}  // namespace zorvik::cli
