// Group files: lists of page sources, one path per line, with the group file's folder written
// "{$GRODataFolder}" and the program's folder "{$RunningFolder}" so that a list moves with its
// pages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

// The entries of a group file's text, macros expanded (letter case ignored): group_folder and
// running_folder end with their separator.
std::vector<std::string> GroupEntriesFromText(std::string text, std::string_view group_folder,
                                              std::string_view running_folder);

// The text of a group file for entries: each followed by CR LF, the group folder and then the
// program folder replaced by their macros.
std::string GroupTextFromEntries(const std::vector<std::string>& entries,
                                 std::string_view group_folder, std::string_view running_folder);

// Reads a group file; one that cannot be read gives the single entry "#FileLoadError#".
std::vector<std::string> ReadGroupFile(std::string_view path, std::string_view running_folder);

// Saves a group file; false when the file could not be written.
bool SaveGroupFile(std::string_view path, const std::vector<std::string>& entries,
                   std::string_view running_folder);

}  // namespace zorvik
