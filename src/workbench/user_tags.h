// The user-tag store: groups of ten snippets kept as comment blocks in one text, with an index
// block listing the group names. Saved in the settings file under "_USERTAGS_".
//
//   group block   "<!--\t__" name "__\t-->" ten snippets, each followed by a TAB "<!--/...-->"
//   index block   "<!--\t_UserTagIndex_\t-->" names, each followed by CR LF "<!--/...-->"
//
// Names are looked up in the group list without regard to case; block names match exactly.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf8.h"

namespace zorvik {

inline constexpr std::string_view kUserTagsSettingsKey = "_USERTAGS_";
inline constexpr std::string_view kUserTagIndexName = "\t_UserTagIndex_\t";
inline constexpr std::string_view kSelectionPlaceholder = "_Seltext_";

using TUserTagFields = std::array<std::string, 10>;

// "\t__" + group + "__\t"
std::string UserTagGroupKey(std::string_view group);

// The ten snippets of a group; all empty for a group that is not registered.
TUserTagFields ShowGroup(std::string_view store, std::string_view group);

// The group names of the index block.
std::vector<std::string> UserTagGroupList(std::string_view store);

// Index of name in list, compared without case; nothing when it is not there.
std::optional<std::size_t> FindGroupInList(const std::vector<std::string>& list,
                                           std::string_view name);

// Stores fields as group: the group's old block goes, the new one and a fresh index block are
// appended; the name joins the list unless it is there already (in any letter case).
void RegisterGroup(std::string& store, std::vector<std::string>& list, std::string_view group,
                   const TUserTagFields& fields);

// Removes the group at index in list (named `group`) from the store and the list.
void DeleteGroup(std::string& store, std::vector<std::string>& list, std::string_view group,
                 std::size_t index);

// The snippet with every "_Seltext_" (any letter case) replaced by the selection, both in
// encoding (the page's).
std::string ExpandUserTag(std::string_view snippet, std::string_view selection, TEncoding encoding);

}  // namespace zorvik
