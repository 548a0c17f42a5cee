#include "workbench/workspace.h"

#include <filesystem>
#include <system_error>

#include "text/text_file.h"

namespace zorvik {

bool MakeWorkspace(const std::string& folder, const std::string& example_site) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (folder.empty() || fs::exists(folder, ec)) return !folder.empty();
  if (!fs::create_directories(fs::path(folder) / "Templates", ec)) return false;
  if (!SaveTextFile(folder + "Templates/page.tmpl", kStarterTemplate)) return false;
  if (!example_site.empty() && fs::is_directory(example_site, ec)) {
    // A copy the user may change; one that fails leaves the rest of the folder usable.
    fs::copy(example_site, fs::path(folder) / "example", fs::copy_options::recursive, ec);
  }
  return true;
}

}  // namespace zorvik
