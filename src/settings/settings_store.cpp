#include "settings/settings_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "text/blocks.h"
#include "text/char_functions.h"
#include "text/cut_trim.h"
#include "text/file_names.h"
#include "text/sjis.h"
#include "text/text_file.h"

namespace zorvik {
namespace {

std::string TagsBlockName(std::string_view key) { return std::string(key) + "\t_ZQTags_\t"; }

int TokenOr(std::string& rest, int fallback) {
  const std::string token = CutToken(rest, "\t", kSettingsEncoding);
  if (token.empty()) return fallback;
  char* end = nullptr;
  const long value = std::strtol(token.c_str(), &end, 10);
  return *end == '\0' && value >= INT32_MIN && value <= INT32_MAX ? static_cast<int>(value)
                                                                  : fallback;
}

// A divider inside a section would end that section early when the text is loaded again. A
// damaged file can bring one in, and erasing a mark can join its neighbours into one; a line
// break before its closing tab keeps it from reading as a divider.
std::string WithoutDividers(std::string section) {
  for (const std::string_view divider : {kKeyValuesEnd, kMultiLineEnd, kComponentEnd}) {
    for (std::size_t at = section.find(divider); at != std::string::npos;
         at = section.find(divider, at)) {
      section.insert(at + divider.size() - 1, "\r\n");
    }
  }
  return section;
}

}  // namespace

std::string CutBefore(std::string& source, std::string_view marker) {
  const std::size_t at = FindAtCharStart(source, marker, kSettingsEncoding);
  if (at == std::string::npos) return {};
  std::string before = source.substr(0, at);
  source.erase(0, at + marker.size());
  return before;
}

TZQIniFile::TZQIniFile(std::string settings_file_name, std::string program_folder)
    : stocker_(std::make_unique<TZQComponentStocker>(std::move(program_folder),
                                                     ExtractFolder(settings_file_name))),
      settings_file_name_(std::move(settings_file_name)) {}

int TZQIniFile::RegisterComponent(TPropertyHost& component, std::string_view prop_name,
                                  unsigned char kind, std::string_view key) {
  return stocker_->Register(component, prop_name, "", kind, key);
}

bool TZQIniFile::Load() {
  std::error_code ec;
  if (!std::filesystem::exists(ToFileSystemPath(settings_file_name_), ec)) return false;
  LoadFromText(LoadTextFile(settings_file_name_));
  return true;
}

void TZQIniFile::LoadFromText(std::string_view text) {
  loaded_text_ = text;
  std::string rest = loaded_text_;
  key_values_.Clear();
  const std::string key_values = CutBefore(rest, kKeyValuesEnd);
  if (!key_values.empty()) key_values_.SetText(key_values);
  multi_line_section_ = CutBefore(rest, kMultiLineEnd);
  // The component blocks are looked for in the whole text, all three sections.
  std::string whole = loaded_text_;
  stocker_->LoadFromText(CutBefore(whole, kComponentEnd));
}

std::string TZQIniFile::SaveToText() const {
  std::string text = WithoutDividers(TrimBlankLines(key_values_.GetText(), kSettingsEncoding));
  text.append(kKeyValuesEnd);
  text.append(WithoutDividers(TrimBlankLines(multi_line_section_, kSettingsEncoding)))
      .append(kMultiLineEnd);
  text.append(WithoutDividers(TrimBlankLines(stocker_->SaveToText(), kSettingsEncoding)))
      .append(kComponentEnd);
  return text;
}

bool TZQIniFile::Save() const {
  const std::string folder = ExtractFolder(settings_file_name_);
  std::error_code ec;
  if (!folder.empty()) std::filesystem::create_directories(ToFileSystemPath(folder), ec);
  // The settings file is the program's own: a link planted in its place is replaced, not followed.
  return SaveTextFile(settings_file_name_, SaveToText(), TLinkPolicy::kReplace);
}

void TZQIniFile::WriteString(std::string_view key, std::string_view value) {
  // A damaged file may hold the key more than once; a copy left behind would be read instead.
  for (int index = key_values_.IndexOfName(key); index >= 0; index = key_values_.IndexOfName(key)) {
    key_values_.Delete(index);
  }
  if (value.find("\r\n") != std::string_view::npos) {
    const std::string name = TagsBlockName(key);
    // Every block of the key goes, and in a damaged file also a mark without its partner,
    // which would otherwise hide the new block or swallow it when the value is read back.
    for (std::size_t size = 0; size != multi_line_section_.size();) {
      size = multi_line_section_.size();
      ExtractCommentBlock(multi_line_section_, name, true, kSettingsEncoding);
    }
    // Erasing a mark may join its neighbours into another one, so this goes on until none is left.
    const std::string marks[] = {"<!--" + name + "-->", "<!--/" + name + "-->"};
    for (bool erased = true; erased;) {
      erased = false;
      for (const std::string& mark : marks) {
        const std::size_t at = multi_line_section_.find(mark);
        if (at == std::string::npos) continue;
        multi_line_section_.erase(at, mark.size());
        erased = true;
      }
    }
    // A damaged text may end in a lone lead byte, which would take the block's "<" as its
    // second byte and hide the block.
    const std::string_view section = multi_line_section_;
    std::size_t last_start = 0;
    for (std::size_t i = 0; i < section.size(); i += CharBytesAt(section, i)) last_start = i;
    if (!section.empty() && last_start == section.size() - 1 &&
        IsLeadByte(static_cast<unsigned char>(section.back()))) {
      multi_line_section_ += "\r\n";
    }
    multi_line_section_ += WrapCommentBlock(name, value);
  } else {
    key_values_.SetValue(key, value);  // a line of its own at the end: the key was just removed
  }
}

std::string TZQIniFile::ReadString(std::string_view key) const {
  if (key_values_.IndexOfName(key) >= 0) return key_values_.ValueOf(key);
  std::string copy = multi_line_section_;
  return ExtractCommentBlock(copy, TagsBlockName(key), false, kSettingsEncoding);
}

void TZQIniFile::SaveFormBounds(const TBoundsTarget& form) {
  const TBoundsTarget::TBounds b = form.NormalBounds();
  WriteString(form.FormName() + ".Pos", std::to_string(b.left) + "\t" + std::to_string(b.top) +
                                            "\t" + std::to_string(b.width) + "\t" +
                                            std::to_string(b.height));
}

void TZQIniFile::RestoreFormBounds(TBoundsTarget& form, bool keep_size) const {
  const TBoundsTarget::TBounds current = form.NormalBounds();
  std::string rest = ReadString(form.FormName() + ".Pos");
  TBoundsTarget::TBounds b;
  b.left = TokenOr(rest, current.left);
  b.top = TokenOr(rest, current.top);
  b.width = TokenOr(rest, current.width);
  b.height = TokenOr(rest, current.height);
  if (keep_size) {
    b.width = current.width;
    b.height = current.height;
  }
  form.SetBounds(b);
}

std::string SettingsFilePathFor(std::string_view executable_path, bool beside_private,
                                const char* xdg_config_home, const char* home) {
  std::string beside = std::string(executable_path) + ".ini";
  if (beside_private) return beside;
  // Never a shared folder such as /tmp, where others could plant the file.
  const std::string config = UserFolder(xdg_config_home, home, "/.config");
  if (config.empty()) return {};
  return config + "/zorvik/" + ExtractFileNamePart(beside);
}

bool FolderIsPrivate(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (st.st_uid != ::geteuid() && st.st_uid != 0) return false;
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return false;
  return ::access(folder.c_str(), W_OK) == 0;
}

std::string SettingsFilePath(std::string_view executable_path) {
  const std::string folder = ExtractFolder(executable_path);
  const bool beside =
      !IsSystemProgramFolder(folder) && FolderIsPrivate(folder.empty() ? "." : folder);
  return SettingsFilePathFor(executable_path, beside, std::getenv("XDG_CONFIG_HOME"), HomeFolder());
}

}  // namespace zorvik
