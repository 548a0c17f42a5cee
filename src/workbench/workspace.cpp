#include "workbench/workspace.h"

#include <filesystem>
#include <system_error>

#include "text/text_file.h"

namespace zorvik {

TWorkspace MakeWorkspace(const std::string& folder, const std::string& example_site) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (folder.empty()) return TWorkspace::kFailed;
  if (fs::exists(folder, ec)) return TWorkspace::kThere;
  if (!fs::create_directories(fs::path(folder) / "Templates", ec) ||
      !SaveTextFile(folder + "Templates/page.tmpl", kStarterTemplate)) {
    return TWorkspace::kFailed;
  }
  if (!example_site.empty() && fs::is_directory(example_site, ec)) {
    // A copy the user may change; one that fails leaves the rest of the folder usable.
    fs::copy(example_site, fs::path(folder) / "example", fs::copy_options::recursive, ec);
  }
  return TWorkspace::kMade;
}

}  // namespace zorvik
