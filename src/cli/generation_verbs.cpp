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

// SOURCE_DATE_EPOCH, when it holds a usable number of seconds, fixes the clock.
std::optional<std::time_t> EpochFromEnvironment() {
  std::string refusal;
  const std::optional<std::time_t> instant = FixedInstantFromEnvironment(refusal);
  if (!refusal.empty()) std::cerr << "zorvik: " << refusal << '\n';
  return instant;
}

// Each log entry on stderr in UTF-8, CR LF turned into LF, ended by LF.
void PrintLogEntry(const std::string& entry, const TLogPlace& /*place*/) {
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

// A notice outside the log: the text of a file ended at a NUL byte.
void PrintNulNotice(std::string_view path, std::size_t offset) {
  std::cerr << "zorvik: " << ToFileSystemPath(path) << ": NUL byte at offset " << offset
            << "; the rest of the file is ignored\n";
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
    files_.on_nul = PrintNulNotice;
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

// PAGE and GROUP are taken against the current directory, as a file dialog would hand them;
// nothing for an empty path or when the current directory is gone.
std::optional<std::string> AbsolutePath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(ToFileSystemPath(path), ec);
  if (ec) return std::nullopt;
  return absolute.lexically_normal().string();
}

int ExitStatus(const GenerationState& state) { return state.ErrorCount > 0 ? 1 : 0; }

// Runs the page at args[0]; nothing when it cannot be read (reported, exit status 2).
std::optional<int> RunPage(TCommandLineEngine& engine, const TArgs& args, const char* verb) {
  if (args.size() != 1) {
    UsageError(std::string(verb) + " takes one argument: PAGE");
    return std::nullopt;
  }
  const std::optional<std::string> absolute = AbsolutePath(args[0]);
  if (!absolute) {
    UsageError(std::string(verb) + ": PAGE must name a file" + (args[0].empty() ? "" : " (the current folder is gone)"));
    return std::nullopt;
  }
  const std::string& path = *absolute;
  const std::optional<std::string> page = LoadPageSourceText(engine.Files(), path);
  if (!page) {
    std::cerr << "zorvik: cannot read " << args[0] << '\n';
    return std::nullopt;
  }
  engine.State().DataFolder = ExtractFolder(path);
  engine.Context().source_file = path;
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
  if (!WriteStandardOutput(engine.State().WorkingText)) return kUsageError;
  return *status;
}

int RunBatchVerb(const TArgs& args) {
  // Thousands of log lines: written in blocks rather than one system call each; everything on
  // stderr goes through this one buffer, so the order stays, and it is flushed at exit.
  static char log_buffer[1 << 16];
  std::setvbuf(stderr, log_buffer, _IOFBF, sizeof log_buffer);
  if (args.size() != 1) return UsageError("batch takes one argument: GROUP");
  const std::optional<std::string> absolute = AbsolutePath(args[0]);
  if (!absolute) {
    return UsageError(std::string("batch: GROUP must name a file") +
                      (args[0].empty() ? "" : " (the current folder is gone)"));
  }
  TCommandLineEngine engine;
  const std::string& path = *absolute;
  std::size_t nul = std::string::npos;
  const std::string text = LoadTextFile(path, &nul);
  if (nul != std::string::npos) PrintNulNotice(path, nul);
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
