#include "engine/generation_run.h"

#include "engine/date_tags.h"
#include "engine/messages.h"
#include "engine/page_parser.h"
#include "engine/paragraphs.h"
#include "text/cut_trim.h"
#include "text/file_names.h"
#include "text/replace_text.h"

namespace zorvik {

namespace msg = engine_message;

void ResetGeneration(GenerationState& state) {
  state.Imports.clear();
  state.LastImports.clear();
  state.WarningCount = 0;
  state.ErrorCount = 0;
  state.ItemCRLFMode = "tag";
  state.HTMLCRLFMode = false;
}

void RunGeneration(TEngineContext& context, std::string_view page_source) {
  GenerationState& state = context.state;
  if (!state.BatchMode) ResetGeneration(state);
  state.TemplateFile.clear();
  state.WorkingText.clear();
  state.WriteFolder.clear();
  state.WriteFile.clear();
  state.PreviewCss.clear();
  state.CsvCounter = 0;
  context.log.AddLog(msg::kRunStart);

  state.WorkingText = page_source;
  ParsePageSource(context, page_source);
  ParseImportList(context, &GenerationState::Imports);
  ReplaceDateTags(state.WorkingText, context.clock);
  if (state.ItemCRLFMode == "tag") {
    state.WorkingText = ConvertBodyLines(std::move(state.WorkingText));
  }
  if (state.HTMLCRLFMode) {
    state.WorkingText = CollapseBlankLines(std::move(state.WorkingText), context.pattern);
  }
  ParseImportList(context, &GenerationState::LastImports);
  CheckGenerationResult(context);

  const bool reported = state.WarningCount + state.ErrorCount > 0;
  if (reported) context.log.AddLog("");
  if (state.WarningCount > 0) {
    context.log.AddLog(std::string(msg::kWarningCountLabel) + std::to_string(state.WarningCount));
  }
  if (state.ErrorCount > 0) {
    context.log.AddLog(std::string(msg::kErrorCountLabel) + std::to_string(state.ErrorCount));
  }
  if (reported) context.log.AddLog("");
  context.log.AddLog(std::string(msg::kRunEnd) + "\r\n\r\n");
}

void CheckGenerationResult(TEngineContext& context) {
  const GenerationState& state = context.state;
  if (TrimSpaces(state.WriteFolder).empty()) LogError(context, msg::kNoWriteFolder);
  if (TrimSpaces(state.WriteFile).empty()) LogError(context, msg::kNoWriteFile);
  context.pattern.SetRegExp("{\\$[^}]*}");
  if (context.pattern.Match(state.WorkingText).position > 0) {
    LogWarning(context, msg::kUnfilledTags);
  }
}

std::string RemovePreviewMarker(std::string html) {
  ReplaceEvery(html, "<!--PREVIEWCSS-->\r\n", "");
  ReplaceEvery(html, "<!--PREVIEWCSS-->", "");
  return html;
}

TWriteOutcome WriteHtmlFile(TEngineContext& context, std::string_view html) {
  GenerationState& state = context.state;
  if (state.ErrorCount > 0) return TWriteOutcome::kSkipped;
  const std::string text = RemovePreviewMarker(std::string(html));
  const std::string file = FileFor(context, state.WriteFile);
  const std::string folder = ExtractFolder(file);
  bool ok =
      folder.empty() || context.files.FolderExists(folder) || context.files.CreateFolders(folder);
  ok = ok && context.files.SaveText(file, text);
  if (ok) {
    context.log.AddLog(std::string(msg::kHtmlSaved) + state.WriteFile + "\r\n\r\n");
    return TWriteOutcome::kWritten;
  }
  if (state.BatchMode) context.log.AddLog(msg::kHtmlSaveFailed);
  ++state.ErrorCount;
  return TWriteOutcome::kFailed;
}

TResultPage SelectResultPage(const GenerationState& state) {
  return state.WarningCount + state.ErrorCount > 0 ? TResultPage::kLogs : TResultPage::kHtml;
}

}  // namespace zorvik
