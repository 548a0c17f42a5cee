// Checking a whole group from the workbench: every page generated in memory (nothing is
// written), then the site checked as `zorvik check` does.
#pragma once

#include <string>
#include <vector>

#include "check/site_check.h"
#include "check/source_lines.h"
#include "engine/engine_session.h"

namespace zorvik {

struct TGroupCheck {
  std::vector<TSourceFinding> findings;  // at the lines of the files the pages were made from
  std::size_t pages = 0;
  std::size_t external = 0;  // external addresses, counted, not fetched
  int generation_errors = 0;
};

// entries: the group's page sources (absolute); settings: those of the session that starts
// the check; site_folder: the group file's folder.
TGroupCheck CheckGroup(const std::vector<std::string>& entries, const TRunSettings& settings,
                       const std::string& home, const std::string& site_folder);

}  // namespace zorvik
