// The settings file: three sections, each followed by its TAB-framed end marker.
//
//   key=value lines                       "\t#_ZQDivKeyValues_#\t"
//   multi-line blocks "<!--" key "\t_ZQTags_\t-->" value "<!--/" key "\t_ZQTags_\t-->"
//                                         "\t#_ZQDivMultiLine_#\t"
//   component blocks (TZQComponentStocker) "\t#_ZQDivComponent_#\t"
//
// Loaded once at start-up and saved once at close; held in memory in between.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "settings/component_stocker.h"
#include "text/file_names.h"
#include "text/light_strings.h"

namespace zorvik {

inline constexpr std::string_view kKeyValuesEnd = "\t#_ZQDivKeyValues_#\t";
inline constexpr std::string_view kMultiLineEnd = "\t#_ZQDivMultiLine_#\t";
inline constexpr std::string_view kComponentEnd = "\t#_ZQDivComponent_#\t";

// A window whose normal (restored) rectangle the store keeps under its name + ".Pos".
class TBoundsTarget {
 public:
  struct TBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
  };
  virtual ~TBoundsTarget() = default;
  virtual std::string FormName() const = 0;
  virtual TBounds NormalBounds() const = 0;
  virtual void SetBounds(const TBounds& bounds) = 0;
};

// Cuts source at the first occurrence of marker: returns the text before it and removes that
// text and the marker from source. Without the marker returns empty text, source unchanged.
std::string CutBefore(std::string& source, std::string_view marker);

class TZQIniFile {
 public:
  // settings_file_name: full path of the settings file; program_folder: the program's folder
  // without a trailing separator (for kind-6 values).
  TZQIniFile(std::string settings_file_name, std::string program_folder);

  int RegisterComponent(TPropertyHost& component, std::string_view prop_name, unsigned char kind,
                        std::string_view key);

  // False when the file does not exist; a file that cannot be read leaves everything empty.
  bool Load();
  // Applies a settings text as Load does with the file's text.
  void LoadFromText(std::string_view text);
  // Writes the file atomically; false when that failed.
  bool Save() const;
  std::string SaveToText() const;

  void WriteString(std::string_view key, std::string_view value);
  std::string ReadString(std::string_view key) const;

  void SaveFormBounds(const TBoundsTarget& form);
  void RestoreFormBounds(TBoundsTarget& form, bool keep_size) const;

  const std::string& SettingsFileName() const { return settings_file_name_; }
  const TLightStrings& KeyValues() const { return key_values_; }
  const std::string& MultiLineSection() const { return multi_line_section_; }
  const std::string& LoadedText() const { return loaded_text_; }
  TZQComponentStocker& Stocker() { return *stocker_; }

 private:
  TLightStrings key_values_{"="};
  std::string multi_line_section_;
  std::unique_ptr<TZQComponentStocker> stocker_;
  std::string settings_file_name_;
  std::string loaded_text_;
};

// Where the settings file lives: the executable's path + ".ini" when its folder is private to
// the user, else $XDG_CONFIG_HOME/zorvik/ (default ~/.config/zorvik/, the home taken from the
// password database when HOME is unset) with the same file name; empty when there is no such
// place, and then no settings file is kept.
std::string SettingsFilePath(std::string_view executable_path);
// The same rule with its inputs given: whether the executable's folder is private, and the
// values of XDG_CONFIG_HOME and the home folder (null when unknown).
std::string SettingsFilePathFor(std::string_view executable_path, bool beside_private,
                                const char* xdg_config_home, const char* home);
// A folder that the user (or root) owns, that only its owner may write, and that we can write:
// nobody else can plant a file in it.
bool FolderIsPrivate(const std::string& folder);

}  // namespace zorvik
