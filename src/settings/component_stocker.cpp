#include "settings/component_stocker.h"

#include <filesystem>
#include <system_error>

#include "settings/scramble.h"
#include "text/blocks.h"
#include "text/file_names.h"
#include "text/replace_text.h"
#include "text/text_file.h"

namespace zorvik {
namespace {

constexpr std::string_view kFolderMarker = "\t{$RunningFolder}\t";

}  // namespace

std::string PropsBlockName(std::string_view store_key) {
  return std::string(store_key) + "\t_Props_\t";
}

TZQComponentStocker::TZQComponentStocker(std::string program_folder, std::string value_file_folder)
    : program_folder_(std::move(program_folder)), value_file_folder_(std::move(value_file_folder)) {
  std::error_code ec;
  if (!value_file_folder_.empty()) {
    std::filesystem::create_directories(ToFileSystemPath(value_file_folder_), ec);
  }
}

int TZQComponentStocker::Register(TPropertyHost& component, std::string_view prop_name,
                                  std::string_view item_name, unsigned char kind,
                                  std::string_view key) {
  auto entry = std::make_unique<TZQCompStockData>();
  entry->Component = &component;
  entry->PropName = prop_name;
  entry->ItemName = item_name;
  entry->Kind = kind;
  if (!key.empty()) {
    entry->StoreKey = key;
  } else {
    const bool own_file = kind == skOwnFile;
    entry->StoreKey = component.Name() + (own_file ? "-" : ".") + std::string(prop_name);
    if (!item_name.empty()) entry->StoreKey += "[" + std::string(item_name) + "]";
    if (own_file) entry->StoreKey += ".prop";
  }
  entries_.push_back(std::move(entry));
  return static_cast<int>(entries_.size()) - 1;
}

std::string TZQComponentStocker::GetStoredValue(int index) const {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return {};
  const TZQCompStockData& entry = *entries_[static_cast<std::size_t>(index)];
  std::string text = GetPropText(*entry.Component, entry.PropName);
  if (entry.Kind == skScrambled) text = ScrambleValue(text, entry.ScrambleKey, smEncode);
  if (entry.Kind == skFolderRelative && !program_folder_.empty()) {
    ReplaceFirst(text, program_folder_, kFolderMarker, kSettingsEncoding);
  }
  return text;
}

void TZQComponentStocker::SetStoredValue(int index, std::string_view value) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  TZQCompStockData& entry = *entries_[static_cast<std::size_t>(index)];
  std::string text(value);
  if (entry.Kind == skScrambled) text = ScrambleValue(text, entry.ScrambleKey, smDecode);
  if (entry.Kind == skFolderRelative)
    ReplaceFirst(text, kFolderMarker, program_folder_, kSettingsEncoding);
  SetPropText(*entry.Component, entry.PropName, text);
}

std::string TZQComponentStocker::ValueFilePath(const TZQCompStockData& entry) const {
  // A key that is a path of its own (absolute) is used as it stands.
  if (!entry.StoreKey.empty() && entry.StoreKey[0] == '/') return entry.StoreKey;
  return value_file_folder_ + entry.StoreKey;
}

std::string TZQComponentStocker::SaveToText() const {
  std::string text;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TZQCompStockData& entry = *entries_[i];
    const std::string value = GetStoredValue(static_cast<int>(i));
    if (entry.Kind == skOwnFile) {
      if (!SaveTextFile(ValueFilePath(entry), value, TLinkPolicy::kReplace)) break;
      continue;
    }
    text.append(WrapCommentBlock(PropsBlockName(entry.StoreKey), value)).append("\r\n");
  }
  return text;
}

void TZQComponentStocker::LoadFromText(std::string_view text) {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TZQCompStockData& entry = *entries_[i];
    const int index = static_cast<int>(i);
    if (entry.Kind == skOwnFile) {
      const std::string path = ValueFilePath(entry);
      std::error_code ec;
      if (std::filesystem::is_regular_file(ToFileSystemPath(path), ec)) {
        SetStoredValue(index, LoadTextFile(path));
      }
      continue;
    }
    if (text.find(entry.StoreKey) == std::string_view::npos) continue;
    std::string copy(text);
    SetStoredValue(
        index, ExtractCommentBlock(copy, PropsBlockName(entry.StoreKey), false, kSettingsEncoding));
  }
}

}  // namespace zorvik
