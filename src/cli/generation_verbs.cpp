// zorvik build / show / batch: generation runs from the command line, on the same engine code
// as the workbench's buttons.
#include <cstdio>
#include <iostream>
#include <optional>

#include "batch/batch_messages.h"
#include "batch/group_file.h"
#include "cli/cli_engine.h"
#include "cli/verb_options.h"
#include "cli/verbs.h"
#include "engine/generation_run.h"
#include "engine/messages.h"
#include "text/encoding.h"

namespace zorvik::cli {
namespace {

// Runs the page of a build or show; nothing when the call or the file was wrong.
std::optional<int> RunPageVerb(TCommandLineEngine& engine, const TVerbArgs& args,
                               const char* verb) {
  const std::optional<std::string> path = OnlyOperand(args, verb, "PAGE");
  if (!path || !RunPageFile(engine, *path, args.operands[0])) return std::nullopt;
  return ExitStatus(engine.State());
}

}  // namespace

int RunBuild(const TArgs& arguments) {
  const auto args = ParseVerbArgs("build", arguments, {"--locations", "--encoding="});
  std::optional<TEncoding> encoding;
  if (!args || !TakeEncoding(*args, "build", encoding)) return kUsageError;
  TCommandLineEngine engine({.locations = args->Has("--locations"), .encoding = encoding});
  if (!RunPageVerb(engine, *args, "build")) return kUsageError;
  WriteBuiltPage(engine);
  return ExitStatus(engine.State());
}

int RunShow(const TArgs& arguments) {
  const auto args = ParseVerbArgs("show", arguments, {"--locations", "--encoding="});
  std::optional<TEncoding> encoding;
  if (!args || !TakeEncoding(*args, "show", encoding)) return kUsageError;
  TCommandLineEngine engine({.locations = args->Has("--locations"), .encoding = encoding});
  const std::optional<int> status = RunPageVerb(engine, *args, "show");
  if (!status) return kUsageError;
  if (!WriteStandardOutput(engine.State().WorkingText)) return kUsageError;
  return *status;
}

int RunBatchVerb(const TArgs& arguments) {
  BufferStandardError();
  const auto args =
      ParseVerbArgs("batch", arguments, {"--locations", "--check", "--changed", "--encoding="});
  std::optional<TEncoding> encoding;
  if (!args || !TakeEncoding(*args, "batch", encoding)) return kUsageError;
  if (args->Has("--check") && args->Has("--changed")) {
    return UsageError("batch: --check and --changed cannot go together");
  }
  const std::optional<std::string> path = OnlyOperand(*args, "batch", "GROUP");
  if (!path) return kUsageError;
  const TSaveMode mode = args->Has("--check")     ? TSaveMode::kCheck
                         : args->Has("--changed") ? TSaveMode::kChanged
                                                  : TSaveMode::kWrite;
  TCommandLineEngine engine(
      {.locations = args->Has("--locations"), .save_mode = mode, .encoding = encoding});
  const std::optional<std::vector<std::string>> entries =
      ReadGroupEntries(engine, *path, args->operands[0]);
  if (!entries) return kUsageError;
  if (entries->empty()) {
    std::cerr << Cp932ToUtf8(batch_message::kFileMissing) << '\n';
    return kUsageError;
  }
  TFileBatchHost host(engine);
  const TBatchOutcome outcome = RunBatch(engine.Context(), *entries, host);
  const int status = outcome.file_missing ? 1 : ExitStatus(engine.State());
  if (mode != TSaveMode::kCheck) return status;
  // The pages that are not what a batch would write, one path a line.
  std::string listing;
  for (const std::string& differing : engine.Files().Differing())
    listing += QuotedPath(differing) + "\n";
  std::fflush(stderr);
  if (!WriteStandardOutput(listing)) return kUsageError;
  return engine.Files().Differing().empty() ? status : 1;
}

}  // namespace zorvik::cli
