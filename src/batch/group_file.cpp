#include "batch/group_file.h"

#include "text/file_names.h"
#include "text/replace_text.h"
#include "text/text_file.h"
#include "text/utf8.h"

namespace zorvik {

std::vector<std::string> GroupEntriesFromText(std::string text, std::string_view group_folder,
                                              std::string_view running_folder) {
  // Macros are found by the group file's own character rule; an editor's byte-order mark is no
  // part of the first entry.
  const TEncoding encoding = DetectEncoding(text);
  if (std::string_view(text).starts_with(kUtf8Bom)) text.erase(0, kUtf8Bom.size());
  ReplaceEvery(text, "{$GRODataFolder}", group_folder, std::string::npos, encoding);
  ReplaceEvery(text, "{$RunningFolder}", running_folder, std::string::npos, encoding);
  // The text comes from LoadTextFile: every line, the last one too, ends with CR LF.
  std::vector<std::string> entries;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find("\r\n", from);
    if (end == std::string::npos) end = text.size();
    // A relative entry is taken against the group file's folder (the text of a file that could
    // not be read stays as it is, to be reported).
    const std::string_view entry = std::string_view(text).substr(from, end - from);
    entries.push_back(entry == kFileLoadError ? std::string(entry)
                                              : PathFromFolder(group_folder, entry));
    from = end + 2;
  }
  return entries;
}

std::string GroupTextFromEntries(const std::vector<std::string>& entries,
                                 std::string_view group_folder, std::string_view running_folder) {
  std::string text;
  for (const std::string& entry : entries) text.append(entry).append("\r\n");
  const TEncoding encoding = DetectEncoding(text);
  if (!group_folder.empty()) {
    ReplaceEvery(text, group_folder, "{$GRODataFolder}", std::string::npos, encoding);
  }
  if (!running_folder.empty()) {
    ReplaceEvery(text, running_folder, "{$RunningFolder}", std::string::npos, encoding);
  }
  return text;
}

std::vector<std::string> ReadGroupFile(std::string_view path, std::string_view running_folder) {
  return GroupEntriesFromText(LoadTextFile(path), ExtractFolder(path), running_folder);
}

bool SaveGroupFile(std::string_view path, const std::vector<std::string>& entries,
                   std::string_view running_folder) {
  return SaveTextFile(path, GroupTextFromEntries(entries, ExtractFolder(path), running_folder));
}

}  // namespace zorvik
