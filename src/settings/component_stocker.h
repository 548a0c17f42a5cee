// The store of control properties in the settings file: each registered property is saved as a
// block "<!--" key "\t_Props_\t-->" value "<!--/" key "\t_Props_\t-->", or in a file of its own.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/property_access.h"
#include "text/encoding.h"

namespace zorvik {

enum TStorageKind : unsigned char {
  skPlain = 0,
  skScrambled = 1,       // scrambled on save, unscrambled on load
  skFolderRelative = 6,  // the program folder written as "\t{$RunningFolder}\t"
  skOwnFile = 7,         // kept in a file of its own
};

// The key every entry scrambles with.
inline constexpr std::string_view kScrambleKey = "pmxdrwfoltcaubv#";
// The settings file is CP932, the system's own encoding.
inline constexpr TEncoding kSettingsEncoding = TEncoding::kCp932;

struct TZQCompStockData {
  TPropertyHost* Component = nullptr;  // not owned
  std::string PropName;
  std::string ItemName;
  unsigned char Kind = skPlain;
  std::string ScrambleKey{kScrambleKey};
  std::string StoreKey;
};

class TZQComponentStocker {
 public:
  // program_folder: the folder that "\t{$RunningFolder}\t" stands for, without a trailing
  // separator. value_file_folder: where kind-7 values are kept, with its trailing separator;
  // created when missing.
  TZQComponentStocker(std::string program_folder, std::string value_file_folder);

  // Registers a property and returns its index. An empty key asks for the default key:
  // name "." property ["[" item "]"], or name "-" property ... ".prop" for kind 7.
  int Register(TPropertyHost& component, std::string_view prop_name, std::string_view item_name,
               unsigned char kind, std::string_view key);

  std::string GetStoredValue(int index) const;
  void SetStoredValue(int index, std::string_view text);
  std::string SaveToText() const;
  void LoadFromText(std::string_view text);

  const std::vector<std::unique_ptr<TZQCompStockData>>& Entries() const { return entries_; }
  std::string ValueFilePath(const TZQCompStockData& entry) const;

 private:
  std::vector<std::unique_ptr<TZQCompStockData>> entries_;
  std::string program_folder_;
  std::string value_file_folder_;
};

// The name of a component block: store key + "\t_Props_\t".
std::string PropsBlockName(std::string_view store_key);

}  // namespace zorvik
