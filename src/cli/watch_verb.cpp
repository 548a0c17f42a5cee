// zorvik watch GROUP|PAGE: generates once, then follows the files each page read (its source,
// template, imports, and the group file) and generates again exactly the pages a change
// touched. SIGINT, SIGTERM and SIGHUP end it with status 0, between pages, never in the middle
// of a write.
#include "cli/cli_engine.h"
#include "cli/site_watcher.h"
#include "cli/verbs.h"

namespace zorvik::cli {

int RunWatch(const TArgs& arguments) {
  const auto args = ParseVerbArgs("watch", arguments, {"--locations", "--encoding="});
  std::optional<TEncoding> encoding;
  if (!args || !TakeEncoding(*args, "watch", encoding)) return kUsageError;
  const std::optional<std::string> path = OnlyOperand(*args, "watch", "GROUP or PAGE");
  if (!path) return kUsageError;
  BufferStandardError();
  TCommandLineEngine engine({.locations = args->Has("--locations"), .encoding = encoding});
  TSiteWatcher watcher(engine, *path, IsGroupFile(*path));
  if (!watcher.Start()) return kUsageError;
  watcher.Run();
}

}  // namespace zorvik::cli
