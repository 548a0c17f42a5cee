// zorvik new FOLDER: a starter site that builds at once. zorvik new --page PAGE: a new page
// source beside the first page of the site's group, made like it, and added to the group.
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "batch/group_file.h"
#include "batch/new_page.h"
#include "cli/cli_engine.h"
#include "cli/starter_site.h"
#include "cli/verb_options.h"
#include "cli/verbs.h"
#include "convert/site_conversion.h"
#include "text/atomic_file.h"
#include "text/encoding.h"
#include "text/file_names.h"
#include "text/path_look.h"
#include "text/system_reason.h"
#include "text/text_file.h"

namespace zorvik::cli {

namespace fs = std::filesystem;

namespace {

// The group file of the site a new page goes to: the one group file (.gro) of the nearest
// folder at or above folder that holds any; "" when there is none, or more than one there.
std::string GroupAbove(fs::path folder) {
  std::error_code error;
  for (;; folder = folder.parent_path()) {
    std::vector<fs::path> groups;
    std::vector<std::string> names;
    std::string unread;
    if (ListFolder(folder.string(), true, &names, &unread)) {
      for (const std::string& name : names) {
        const fs::path entry = folder / name;
        if (entry.extension() == ".gro" && fs::is_regular_file(entry, error))
          groups.push_back(entry);
      }
    }
    if (!groups.empty()) return groups.size() == 1 ? groups.front().string() : std::string();
    if (folder == folder.root_path() || folder.parent_path() == folder) return {};
  }
}

int NewPage(const std::string& page_arg) {
  const std::optional<std::string> page = AbsolutePath(page_arg);
  if (!page || !page->ends_with(".dat")) return UsageError("new --page: PAGE must be a .dat file");
  std::error_code error;
  if (fs::exists(fs::symlink_status(*page, error))) {
    std::cerr << "zorvik: new: " << QuotedPath(*page) << " exists; nothing was written\n";
    return kUsageError;
  }
  const fs::path folder = fs::path(*page).parent_path();
  const std::string group = GroupAbove(folder);
  if (group.empty()) {
    std::cerr << "zorvik: new: no single group file (.gro) in " << QuotedPath(folder.string())
              << " or a folder above it; nothing was written\n";
    return kUsageError;
  }
  const std::string running_folder = WorkspaceFolder();
  std::vector<std::string> entries = ReadGroupFile(group, running_folder);
  const std::string model = entries.empty() ? std::string() : entries.front();
  // The model's paths are written against its folder: the new page stands beside it.
  if (model.empty() || fs::path(model).parent_path() != folder) {
    std::cerr << "zorvik: new: a new page goes beside the first page of " << QuotedPath(group)
              << (model.empty() ? "" : " (" + QuotedPath(model) + ")")
              << ", whose paths it takes; nothing was written\n";
    return kUsageError;
  }
  const std::optional<std::string> model_text = AsEditorText(LoadTextFile(model));
  if (!model_text) {
    std::cerr << "zorvik: new: cannot read " << QuotedPath(model) << "; nothing was written\n";
    return 1;
  }
  const std::string stem = fs::path(*page).stem().string();
  const std::string title = DetectEncoding(*model_text) == TEncoding::kUtf8
                                ? stem
                                : ConvertText(stem, TEncoding::kUtf8, TEncoding::kCp932);
  const std::string text = PageFromModel(*model_text, title + ".html", title);
  entries.push_back(*page);
  if (!WriteFileAtomically(*page, text, TLinkPolicy::kReplace) ||
      !SaveGroupFile(group, entries, running_folder)) {
    std::cerr << "zorvik: new: cannot write " << QuotedPath(*page) << " or " << QuotedPath(group)
              << ": " << SystemReason(errno) << '\n';
    return 1;
  }
  std::cerr << "zorvik: new: " << QuotedPath(*page) << " is made like " << QuotedPath(model)
            << " and added to " << QuotedPath(group) << "; write it with: zorvik build "
            << QuotedPath(*page) << '\n';
  return 0;
}

}  // namespace

int RunNew(const TArgs& arguments) {
  const auto args = ParseVerbArgs("new", arguments, {"--encoding=", "--page="});
  if (args && args->Value("--page") != nullptr) {
    if (!args->operands.empty()) return UsageError("new --page PAGE takes no FOLDER");
    return NewPage(*args->Value("--page"));
  }
  std::optional<TEncoding> encoding;
  if (!args || !TakeEncoding(*args, "new", encoding)) return kUsageError;
  if (args->operands.size() != 1 || args->operands[0].empty())
    return UsageError("new needs one FOLDER");
  const fs::path folder(args->operands[0]);
  std::error_code error;
  const bool exists = fs::exists(fs::symlink_status(folder, error));
  if (exists && !(fs::is_directory(folder, error) && fs::is_empty(folder, error))) {
    std::cerr << "zorvik: " << QuotedPath(folder.string())
              << " exists and is not an empty folder; nothing was written\n";
    return kUsageError;
  }
  for (const TStarterFile& file : StarterFiles()) {
    const fs::path target = folder / file.path;
    fs::create_directories(target.parent_path(), error);
    // The site's own new files: a link found in their place is replaced, not followed.
    // The starter is kept in Shift-JIS; a UTF-8 site gets it converted, charsets renamed.
    const std::string bytes = encoding == TEncoding::kUtf8
                                  ? ConvertedFileBytes(file.bytes, file.path, TEncoding::kUtf8)
                                  : file.bytes;
    if (error || !WriteFileAtomically(target.string(), bytes, TLinkPolicy::kReplace)) {
      std::cerr << "zorvik: cannot write " << QuotedPath(target.string()) << ": "
                << (error ? error : std::error_code(errno, std::generic_category())).message()
                << '\n';
      return 1;
    }
  }
  std::cerr << "zorvik: a starter site is in " << QuotedPath(folder.string())
            << "; build it with: zorvik batch " << QuotedPath((folder / "site.gro").string())
            << '\n';
  return 0;
}

}  // namespace zorvik::cli
