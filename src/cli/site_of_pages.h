// The site that a group's pages make: the deepest folder holding their sources and outputs, as
// the preview takes it, and the folder that addresses starting with "/" are taken from.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "preview/preview_site.h"

namespace zorvik::cli {

struct TSiteOfPages {
  TPreviewSite site;
  std::string root;  // one of site.roots: the one holding the first page's output
};

// Paths resolved (links followed) as far as they exist.
std::string ResolvedPath(const std::string& path);

// Nothing when the pages lie in a folder that holds more than a site (said on stderr, under
// verb).
std::optional<TSiteOfPages> SiteOfPages(const std::vector<std::string>& sources,
                                        const std::vector<std::string>& outputs,
                                        const std::string& first_output, const char* verb);

}  // namespace zorvik::cli
