// The site that pages make: the deepest folder holding their sources and outputs, as the
// preview takes it, and the folder that addresses starting with "/" are taken from. `serve`,
// `check` and the workbench's checks all take the site so.
#pragma once

#include <string>
#include <vector>

#include "site/site_access.h"

namespace zorvik {

struct TSiteOfPages {
  TSiteAccess site;  // no roots when the pages lie in a folder that holds more than a site
  std::string root;  // one of site.roots: the one holding the first page's output
};

// path with its links followed as far as it exists.
std::string ResolvedPath(const std::string& path);

TSiteOfPages SiteOfPages(const std::vector<std::string>& sources,
                         const std::vector<std::string>& outputs, const std::string& first_output,
                         const std::string& home);

}  // namespace zorvik
