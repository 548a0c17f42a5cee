// zorvik new FOLDER: a starter site that builds at once.
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/cli_engine.h"
#include "cli/starter_site.h"
#include "cli/verb_options.h"
#include "cli/verbs.h"
#include "convert/site_conversion.h"
#include "text/atomic_file.h"

namespace zorvik::cli {

namespace fs = std::filesystem;

int RunNew(const TArgs& arguments) {
  const auto args = ParseVerbArgs("new", arguments, {"--encoding="});
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
