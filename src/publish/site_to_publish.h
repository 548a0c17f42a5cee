// What a publish sends: the group's pages generated first (those whose bytes changed written,
// as a batch run writes them), then the files of the site they make, as `serve` takes the
// site, without the files Zorvik read to make them.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/clock.h"
#include "publish/site_files.h"

namespace zorvik {

struct TGroupBuild {
  std::vector<std::string> outputs;  // the pages written or kept, in order
  std::set<std::string> inputs;      // every file the generation read or looked for
  int errors = 0;
  std::vector<std::string> log;  // the generation's log lines (CP932)
};

// entries: the group's page sources (absolute); running_folder as the engine takes it.
TGroupBuild BuildGroup(const std::vector<std::string>& entries, const TClock& clock,
                       const std::string& running_folder);

struct TSiteToPublish {
  std::string root;  // the site's folder; empty when the pages lie in a folder holding more
  TSiteFiles files;
};

TSiteToPublish SiteToPublish(const std::vector<std::string>& entries,
                             const std::vector<std::string>& outputs, std::set<std::string> inputs,
                             const std::string& group_file, const std::string& home);

}  // namespace zorvik
