// What a publish sends: the files of the site that the group's pages make (generated first,
// with GenerateGroupOnDisk or as `batch --changed`), as `serve` takes the site, without the
// files Zorvik read to make them.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "site/site_files.h"

namespace zorvik {

struct TSiteToPublish {
  std::string root;  // the site's folder; empty when the pages lie in a folder holding more
  TSiteFiles files;
};

// outputs: the pages on disk; inputs: the files their generation read.
TSiteToPublish SiteToPublish(const std::vector<std::string>& outputs, std::set<std::string> inputs,
                             const std::string& group_file, const std::string& home);

}  // namespace zorvik
