// zorvik build / show / batch: generation runs from the command line, on the same engine code
// as the workbench's buttons.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

#include "batch/batch_messages.h"
#include "batch/batch_run.h"
#include "batch/group_file.h"
#include "cli/verbs.h"
#include "engine/generation_run.h"
#include "engine/messages.h"
#include "text/encoding.h"
#include "text/file_names.h"
#include "text/text_file.h"

namespace zorvik::cli {
namespace {

// SOURCE_DATE_EPOCH, when it holds a decimal number of seconds, fixes the clock.
std::optional<std::time_t> EpochFromEnvironment() {
  const char* value = std::getenv("SOURCE_DATE_EPOCH");
  if (value == nullptr || *value == '\0') return std::nullopt;
  char* end = nullptr;
  const long long seconds = std::strtoll(value, &end, 10);
  if (*end != '\0') return std::nullopt;
  return static_cast<std::time_t>(seconds);
}

// Each log entry on stderr in UTF-8, CR LF turned into LF, ended by LF.
void PrintLogEntry(const std::string& entry) {
  std::string line = Cp932ToUtf8(entry);
  std::string out;
  out.reserve(line.size() + 1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n') continue;
    out += line[i];
  }
  out += '\n';
  std::fwrite(out.data(), 1, out.size(), stderr);
}

// Everything a run needs, as the main window owns it.
class TCommandLineEngine {
 public:
  TCommandLineEngine()
      : clock_(EpochFromEnvironment()),
        log_(clock_),
        context_{state_, log_, pattern_, files_, clock_, ProgramFolder()} {
    std::setlocale(LC_TIME, "");
    log_.SetListener(PrintLogEntry);
  }
  TEngineContext& Context() { return context_; }
  GenerationState& State() { return state_; }
  const TFileSystem& Files() const { return files_; }

 private:
  TSystemClock clock_;
  TGenerationLog log_;
  TSecondAWKStr pattern_;
  TDiskFileSystem files_;
  GenerationState state_;
  TEngineContext context_;
};

// PAGE and GROUP are taken against the current directory, as a file dialog would hand them.
std::string AbsolutePath(const std::string& path) {
  return std::filesystem::absolute(ToFileSystemPath(path)).lexically_normal().string();
}

int ExitStatus(const GenerationState& state) { return state.ErrorCount > 0 ? 1 : 0; }

// Runs the page at args[0]; nothing when it cannot be read (reported, exit status 2).
std::optional<int> RunPage(TCommandLineEngine& engine, const TArgs& args, const char* verb) {
  if (args.size() != 1) {
    UsageError(std::string(verb) + " takes one argument: PAGE");
    return std::nullopt;
  }
  const std::string path = AbsolutePath(args[0]);
  const std::optional<std::string> page = LoadPageSourceText(engine.Files(), path);
  if (!page) {
    std::cerr << "zorvik: cannot read " << args[0] << '\n';
    return std::nullopt;
  }
  engine.State().DataFolder = ExtractFolder(path);
  RunGeneration(engine.Context(), *page);
  return ExitStatus(engine.State());
}

class TFileBatchHost : public TBatchHost {
 public:
  explicit TFileBatchHost(TCommandLineEngine& engine) : engine_(engine) {}
  std::optional<std::string> LoadPageSource(const std::string& path) override {
    std::optional<std::string> page = LoadPageSourceText(engine_.Files(), path);
    if (page) engine_.State().DataFolder = ExtractFolder(path);
    return page;
  }

 private:
  TCommandLineEngine& engine_;
};

}  // namespace

int RunBuild(const TArgs& args) {
  TCommandLineEngine engine;
  if (!RunPage(engine, args, "build")) return kUsageError;
  // Without a window to show the failure in, it goes to the log as in a batch.
  if (WriteHtmlFile(engine.Context(), engine.State().WorkingText) == TWriteOutcome::kFailed) {
    engine.Context().log.AddLog(engine_message::kHtmlSaveFailed);
  }
  return ExitStatus(engine.State());
}

int RunShow(const TArgs& args) {
  TCommandLineEngine engine;
  const std::optional<int> status = RunPage(engine, args, "show");
  if (!status) return kUsageError;
  const std::string& html = engine.State().WorkingText;
  std::fwrite(html.data(), 1, html.size(), stdout);
  std::fflush(stdout);
  return *status;
}

int RunBatchVerb(const TArgs& args) {
  if (args.size() != 1) return UsageError("batch takes one argument: GROUP");
  TCommandLineEngine engine;
  const std::string path = AbsolutePath(args[0]);
  const std::string text = LoadTextFile(path);
  if (text == kFileLoadError) {
    std::cerr << "zorvik: cannot read " << args[0] << '\n';
    return kUsageError;
  }
  const std::vector<std::string> entries =
      GroupEntriesFromText(text, ExtractFolder(path), engine.Context().running_folder);
  if (entries.empty()) {
    std::cerr << Cp932ToUtf8(batch_message::kFileMissing) << '\n';
    return kUsageError;
  }
  TFileBatchHost host(engine);
  const TBatchOutcome outcome = RunBatch(engine.Context(), entries, host);
  return outcome.file_missing ? 1 : ExitStatus(engine.State());
}

}  // namespace zorvik::cli
