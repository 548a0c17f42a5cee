// The engine's state: one record, owned by whoever runs generations (the main window, the
// command line), kept from run to run. Texts are in the page's encoding (PageEncoding).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/utf8.h"

namespace zorvik {

// One imported file: its path as the command gave it (macros expanded) and its whole text, read
// when the command line was parsed.
struct TZQImportFile {
  std::string FileName;
  std::string Text;  // in its own encoding, without a byte-order mark
  TEncoding Encoding = TEncoding::kCp932;
};

using TImportList = std::vector<TZQImportFile>;

struct GenerationState {
  TImportList Imports;
  TImportList LastImports;
  std::int32_t WarningCount = 0;
  std::int32_t ErrorCount = 0;
  bool HTMLCRLFMode = false;
  std::string ItemCRLFMode = "tag";  // "tag" or "none"
  std::int32_t CsvCounter = 0;
  std::string WorkingText;
  std::string TemplateFile;
  std::string WriteFolder;
  std::string WriteFile;
  std::string DataFolder;
  std::string PreviewCss;
  bool BatchMode = false;
  // The page's encoding: its template's, or its page source's while it has none. Text from a
  // file in the other encoding is converted into it.
  TEncoding PageEncoding = TEncoding::kCp932;
};

}  // namespace zorvik
