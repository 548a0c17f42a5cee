#include "cli/watch_plan.h"

#include <algorithm>
#include <unordered_set>

namespace zorvik::cli {

bool Touches(const std::set<std::string>& deps, const std::set<std::string>& changed) {
  // Looked up from the smaller set: a page has a few files, an overflow changes them all.
  const auto& small = deps.size() <= changed.size() ? deps : changed;
  const auto& large = deps.size() <= changed.size() ? changed : deps;
  return std::any_of(small.begin(), small.end(),
                     [&](const std::string& s) { return large.count(s) > 0; });
}

std::vector<std::string> PagesToRedo(const std::vector<std::string>& entries,
                                     const std::vector<std::string>& old_entries,
                                     const std::map<std::string, std::set<std::string>>& deps,
                                     const std::set<std::string>& changed) {
  const std::unordered_set<std::string> known(old_entries.begin(), old_entries.end());
  std::vector<std::string> due;
  for (const std::string& entry : entries) {
    const auto files = deps.find(entry);
    if (known.count(entry) == 0 || (files != deps.end() && Touches(files->second, changed))) {
      due.push_back(entry);
    }
  }
  return due;
}

}  // namespace zorvik::cli
