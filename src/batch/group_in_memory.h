// A group generated in memory: every page made, nothing written, and every file read kept.
// The check of a whole group and the proof of a conversion both build a site so.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/clock.h"

namespace zorvik {

struct TGroupInMemory {
  std::vector<std::pair<std::string, std::string>> pages;  // output (normalised path), bytes
  std::set<std::string> inputs;                            // every file read or looked for
  int errors = 0;
};

// entries: the group's page sources (absolute); running_folder as the engine takes it;
// replaced: files (by normalised path) read with these bytes instead of theirs.
TGroupInMemory GenerateGroupInMemory(const std::vector<std::string>& entries, const TClock& clock,
                                     const std::string& running_folder,
                                     const std::map<std::string, std::string>& replaced = {});

}  // namespace zorvik
