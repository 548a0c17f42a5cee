#include "batch/new_page.h"

#include <vector>

#include "text/file_names.h"

namespace zorvik {
namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// The name at the start of a "$name value" line or a "[name]" line, with its mark.
std::string_view NameOf(std::string_view line) { return line.substr(0, line.find_first_of(" \t")); }

}  // namespace

std::string PageFromModel(std::string_view model, std::string_view output_name,
                          std::string_view title) {
  constexpr std::string_view kWriteFile = "@WriteFile ";
  std::string page;
  std::string_view open_block;  // the block of the model being passed over
  for (const std::string_view line : Lines(model)) {
    if (!open_block.empty()) {
      if (line.starts_with("[/") && line.substr(2).starts_with(open_block)) open_block = {};
      continue;
    }
    if (line.starts_with(kWriteFile)) {
      const std::string_view path = line.substr(kWriteFile.size());
      page.append(kWriteFile).append(ExtractFolder(path)).append(output_name);
    } else if (line.starts_with('@')) {
      page.append(line);
    } else if (line.starts_with('$')) {
      const std::string_view name = NameOf(line);
      page.append(name);
      if (name == "$Title") page.append(" ").append(title);
    } else if (line.starts_with('[') && !line.starts_with("[/") && line.find(']') > 1 &&
               line.find(']') != std::string_view::npos) {
      const std::string_view name = line.substr(1, line.find(']') - 1);
      page.append("[").append(name).append("]\r\n[/").append(name).append("]");
      open_block = name;
    } else {
      continue;  // comments and blank lines
    }
    page.append("\r\n");
  }
  return page;
}

}  // namespace zorvik
