#include "workbench/user_tags.h"

#include "text/blocks.h"
#include "text/char_functions.h"
#include "text/cut_trim.h"
#include "text/replace_text.h"

namespace zorvik {
namespace {

// The user-tag store is CP932, the system's own encoding.
constexpr TEncoding kStoreEncoding = TEncoding::kCp932;

std::string IndexBlockText(const std::vector<std::string>& list) {
  std::string names;
  for (const std::string& name : list) names.append(name).append("\r\n");
  return WrapCommentBlock(kUserTagIndexName, TrimBlankLines(names, kStoreEncoding));
}

// Replaces the index block of store by one built from list and trims the whole text.
void RebuildIndex(std::string& store, const std::vector<std::string>& list) {
  ExtractCommentBlock(store, kUserTagIndexName, true, kStoreEncoding);
  store += IndexBlockText(list);
  store = TrimBlankLines(store, kStoreEncoding);
}

}  // namespace

std::string UserTagGroupKey(std::string_view group) { return "\t__" + std::string(group) + "__\t"; }

TUserTagFields ShowGroup(std::string_view store, std::string_view group) {
  std::string text(store);
  std::string content = ExtractCommentBlock(text, UserTagGroupKey(group), false, kStoreEncoding);
  TUserTagFields fields;
  for (std::string& field : fields) field = CutToken(content, "\t", kStoreEncoding);
  return fields;
}

std::vector<std::string> UserTagGroupList(std::string_view store) {
  std::string text(store);
  std::string content = ExtractCommentBlock(text, kUserTagIndexName, false, kStoreEncoding);
  std::vector<std::string> list;
  while (!content.empty()) list.push_back(CutLine(content, kStoreEncoding));
  return list;
}

std::optional<std::size_t> FindGroupInList(const std::vector<std::string>& list,
                                           std::string_view name) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (SameTextIgnoringCase(list[i], name)) return i;
  }
  return std::nullopt;
}

void RegisterGroup(std::string& store, std::vector<std::string>& list, std::string_view group,
                   const TUserTagFields& fields) {
  ExtractCommentBlock(store, UserTagGroupKey(group), true, kStoreEncoding);
  std::string content;
  for (const std::string& field : fields) {
    std::string snippet = field;
    std::erase(snippet, '\t');
    content.append(snippet).append("\t");
  }
  store += WrapCommentBlock(UserTagGroupKey(group), content);
  if (!FindGroupInList(list, group)) list.emplace_back(group);
  RebuildIndex(store, list);
}

void DeleteGroup(std::string& store, std::vector<std::string>& list, std::string_view group,
                 std::size_t index) {
  ExtractCommentBlock(store, UserTagGroupKey(group), true, kStoreEncoding);
  if (index < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
  RebuildIndex(store, list);
}

std::string ExpandUserTag(std::string_view snippet, std::string_view selection,
                          TEncoding encoding) {
  std::string text(snippet);
  ReplaceEvery(text, kSelectionPlaceholder, selection, std::string::npos, encoding);
  return text;
}

}  // namespace zorvik
