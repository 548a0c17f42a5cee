#include "workbench/document_rules.h"

#include <filesystem>

#include "text/replace_text.h"

namespace zorvik {

std::string DocumentCaption(std::string_view title, std::string_view path,
                            std::string_view running_folder) {
  std::string caption(title);
  if (path.empty()) return caption;
  const std::filesystem::path file =
      std::filesystem::absolute(std::filesystem::path(path)).lexically_normal();
  std::string folder = file.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  if (!running_folder.empty() && folder.starts_with(running_folder)) {
    folder = "<RunningFolder>/" + folder.substr(running_folder.size());
  }
  return caption + "  [" + file.filename().string() + "] - " + folder;
}

TDropCheck CheckDrop(const std::vector<std::string>& paths,
                     std::initializer_list<std::string_view> suffixes) {
  if (paths.size() != 1) return TDropCheck::kNotOne;
  const std::string name = std::filesystem::path(paths.front()).filename().string();
  const std::size_t dot = name.rfind('.');
  const std::string suffix = AsciiLowerCase(
      dot == std::string::npos ? std::string_view() : std::string_view(name).substr(dot + 1));
  for (std::string_view wanted : suffixes) {
    if (suffix == wanted) return TDropCheck::kTaken;
  }
  return TDropCheck::kWrongSuffix;
}

}  // namespace zorvik
