#include "batch/batch_run.h"

#include "batch/batch_messages.h"
#include "engine/engine_session.h"
#include "engine/generation_run.h"
#include "engine/messages.h"
#include "text/file_names.h"
#include "text/replace_text.h"

namespace zorvik {
namespace {

std::string PathMessage(std::string_view text, std::string_view path) {
  std::string message(text);
  message.append("(").append(path).append(")");
  return message;
}

// Clears the batch flag however the loop ends.
struct TBatchFlag {
  explicit TBatchFlag(GenerationState& state) : state_(state) { state_.BatchMode = true; }
  ~TBatchFlag() { state_.BatchMode = false; }
  GenerationState& state_;
};

}  // namespace

TBatchOutcome RunBatch(TEngineContext& context, const std::vector<std::string>& entries,
                       TBatchHost& host) {
  TBatchOutcome outcome;
  {
    TBatchFlag batch(context.state);
    ResetGeneration(context.state);
    // Pages are written without waiting for the disk each time; the one sync at the end makes
    // the whole batch durable before it reports completion.
    context.files.DeferSyncing();
    const std::size_t count = entries.size();
    for (std::size_t i = 0; i < count; ++i) {
      host.Progress(i, count);
      std::string path = entries[i];
      ReplaceEvery(path, "{$RunningFolder}", context.running_folder, std::string::npos,
                   DetectEncoding(path));
      if (host.StopRequested()) {
        context.log.AddLog(PathMessage(batch_message::kStopped, path));
        outcome.stopped_at = i;
        break;
      }
      // Looked for before loading, or (when loading says nothing of a missing file) after
      // loading failed: one look-up less for every page there is.
      const bool quiet = host.LoadsMissingQuietly();
      bool missing = !quiet && !context.files.FileExists(path);
      const std::optional<std::string> page = missing ? std::nullopt : host.LoadPageSource(path);
      if (!page) {
        // Skipping it without a word would report the batch as complete.
        if (quiet) missing = !context.files.FileExists(path);
        context.log.AddLog(PathMessage(
            missing ? batch_message::kFileMissing : batch_message::kFileUnreadable, path));
        outcome.file_missing = true;
        continue;
      }
      context.source_file = path;
      RunGeneration(context, *page);
      host.ShowResult(context.state.WorkingText);
      if (WriteHtmlFile(context, context.state.WorkingText) == TWriteOutcome::kWritten)
        ++outcome.written;
      if (context.state.ErrorCount > 0 && !outcome.first_error_at) outcome.first_error_at = i;
    }
    if (!context.files.SyncDeferred()) {
      context.log.AddLog(engine_message::kHtmlSaveFailed);
      ++context.state.ErrorCount;
    }
    outcome.errors = context.state.ErrorCount;
    host.Progress(outcome.stopped_at.value_or(count), count);
  }
  if (outcome.file_missing || outcome.stopped_at) {
    context.log.AddLog("");
    context.log.AddLog("");
  }
  return outcome;
}

std::optional<std::string> TDiskBatchHost::LoadPageSource(const std::string& path) {
  std::optional<std::string> page = LoadPageSourceText(session_.Files(), path);
  if (page) session_.State().DataFolder = ExtractFolder(path);
  return page;
}

std::optional<std::string> TCheckBatchHost::LoadPageSource(const std::string& path) {
  errors_before_ = session_.State().ErrorCount;
  return TDiskBatchHost::LoadPageSource(path);
}

void TCheckBatchHost::ShowResult(const std::string& working_text) {
  const GenerationState& state = session_.State();
  if (state.ErrorCount == 0 || state.ErrorCount != errors_before_ || state.WriteFile.empty())
    return;
  session_.Files().SaveText(FileFor(session_.Context(), state.WriteFile),
                            RemovePreviewMarker(working_text, state.PageEncoding));
}

}  // namespace zorvik
