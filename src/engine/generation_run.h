// A generation run from the page source to the written file, and the resets between runs.
// The run knows nothing of windows: it takes the page source text and leaves the result in
// GenerationState::WorkingText; the caller shows it, writes it or previews it.
#pragma once

#include <string_view>
#include <vector>

#include "engine/engine_context.h"

namespace zorvik {

// Empties both import lists, zeroes the counts and sets the modes to "tag" and off.
void ResetGeneration(GenerationState& state);

// One run over page_source (its lines joined by CR LF). Afterwards WorkingText holds the page
// and WarningCount / ErrorCount tell how it went (since the last reset).
void RunGeneration(TEngineContext& context, std::string_view page_source);

// The end-of-run checks: write folder, write file, unfilled tags.
void CheckGenerationResult(TEngineContext& context);

enum class TWriteOutcome { kSkipped, kWritten, kFailed };

// Writes html (the written-HTML pane's text) to WriteFile unless the run had errors, with the
// preview marker removed and missing folders created. A failure counts as an error; in a
// batch it is logged as well, otherwise the caller reports it.
TWriteOutcome WriteHtmlFile(TEngineContext& context, std::string_view html);

enum class TResultPage { kLogs, kHtml };

// Which page to bring to the front after a run: the log when anything was reported.
TResultPage SelectResultPage(const GenerationState& state);

// The files the page of the last run was made from, as paths the file system takes: its page
// source, the files it imported, then its template.
std::vector<std::string> FilesOfPage(const TEngineContext& context);

// "<!--PREVIEWCSS-->" removed, together with a CR LF right after it (letter case ignored), in
// a text of the page's encoding.
std::string RemovePreviewMarker(std::string html, TEncoding encoding);

}  // namespace zorvik
