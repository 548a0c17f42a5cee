#include "workbench/system_settings_block.h"

#include "text/cut_trim.h"
#include "text/replace_text.h"

namespace zorvik {
namespace {

// The block is composed in CP932, the editor's text of a Shift-JIS page.
constexpr TEncoding kBlockEncoding = TEncoding::kCp932;

}  // namespace

std::string FolderMacroConversion(std::string_view path, std::string_view program_folder) {
  std::string result(path);
  if (!program_folder.empty())
    ReplaceEvery(result, program_folder, "{$RunningFolder}", std::string::npos, kBlockEncoding);
  return result;
}

std::string ComposeSystemSettingsBlock(const TSystemSettingsFields& fields,
                                       std::string_view program_folder) {
  const std::string rule = "//" + std::string(49, '-');
  auto path = [&](const std::string& field) {
    return FolderMacroConversion(TrimSpaces(field, kBlockEncoding), program_folder);
  };
  std::string block;
  block.append(rule).append("\r\n");
  // // システム設定
  block
      .append(
          "// \x83V\x83X\x83"
          "e\x83\x80\x90\xDD\x92\xE8")
      .append("\r\n");
  block.append(rule).append("\r\n");
  block.append("@Template ").append(path(fields.template_file)).append("\r\n");
  block.append("@WriteFile ").append(path(fields.write_file)).append("\r\n");
  block.append("@PreviewCSS ").append(path(fields.preview_css)).append("\r\n");
  block.append("@ItemCRLFMode ").append(fields.item_crlf_tag ? "Tag" : "None").append("\r\n");
  block.append("@HTMLCRLFMode ").append(fields.html_crlf_yes ? "Yes" : "No").append("\r\n");
  block.append("\r\n");
  return block;
}

}  // namespace zorvik
