// Which pages a change calls for generating again.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace zorvik::cli {

// Whether a page's files include a changed one.
bool Touches(const std::set<std::string>& deps, const std::set<std::string>& changed);

// The entries of a group to generate again, in the group's order: those not among
// old_entries, and those whose files (deps) include a changed file. Linear in the entries and
// their files, so that a change touching ten thousand pages starts at once.
std::vector<std::string> PagesToRedo(const std::vector<std::string>& entries,
                                     const std::vector<std::string>& old_entries,
                                     const std::map<std::string, std::set<std::string>>& deps,
                                     const std::set<std::string>& changed);

}  // namespace zorvik::cli
