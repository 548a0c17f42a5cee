// The system settings dialog's block of page-source lines, composed from its fields.
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

// path with every occurrence of the program's folder (with its trailing separator) replaced by
// "{$RunningFolder}", letter case ignored.
std::string FolderMacroConversion(std::string_view path, std::string_view program_folder);

struct TSystemSettingsFields {
  std::string template_file;
  std::string write_file;
  std::string preview_css;
  bool item_crlf_tag = false;  // article line-break mode "Tag", else "None"
  bool html_crlf_yes = false;  // HTML line-break mode "Yes", else "No"
};

// The nine lines of the block, each ended by CR LF: the heading, the five commands with the
// trimmed and converted paths, and an empty line.
std::string ComposeSystemSettingsBlock(const TSystemSettingsFields& fields,
                                       std::string_view program_folder);

}  // namespace zorvik
