// What a publish sends: the files of the site that the group's pages make (generated first,
// with GenerateGroupOnDisk or as `batch --changed`), as `serve` takes the site, without the
// files Zorvik read to make them.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "site/site_files.h"

namespace zorvik {

struct TSiteToPublish {
  std::string root;  // the site's folder; empty when the pages lie in a folder holding more
  TSiteFiles files;
};

// outputs: the pages on disk; inputs: the files their generation read. Nothing, with *err saying
// why, when the site's files could not all be listed.
std::optional<TSiteToPublish> SiteToPublish(const std::vector<std::string>& outputs,
                                            std::set<std::string> inputs,
                                            const std::string& group_file, const std::string& home,
                                            std::string* err);

}  // namespace zorvik
