#include "engine/generation_run.h"

#include <algorithm>

#include "engine/date_tags.h"
#include "engine/messages.h"
#include "engine/page_parser.h"
#include "engine/paragraphs.h"
#include "engine/tracked_file_system.h"
#include "text/byte_validity.h"
#include "text/charset_declarations.h"
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

  // The page source in its own encoding, without a byte-order mark; the page takes that
  // encoding until a template gives its own.
  state.PageEncoding = ReadEncoding(context, page_source, context.source_file, false);
  if (page_source.starts_with(kUtf8Bom)) page_source.remove_prefix(kUtf8Bom.size());
  state.WorkingText = page_source;
  ParsePageSource(context, page_source);
  ParseImportList(context, &GenerationState::Imports);
  const TEncoding encoding = state.PageEncoding;
  ReplaceDateTags(state.WorkingText, context.clock, encoding);
  if (state.ItemCRLFMode == "tag") {
    state.WorkingText = ConvertBodyLines(std::move(state.WorkingText), encoding);
  }
  if (state.HTMLCRLFMode) {
    state.WorkingText = CollapseBlankLines(std::move(state.WorkingText), context.pattern, encoding);
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

namespace {

// A page that declares a charset holds only its bytes; else a warning names the page's line of
// the first byte that is not. The declaration is looked for where a browser looks for it, in
// the first 1024 bytes.
void CheckDeclaredCharset(TEngineContext& context) {
  const std::string& text = context.state.WorkingText;
  for (const TCharsetName& name : CharsetNames(std::string_view(text).substr(0, 1024))) {
    const std::string_view declared = std::string_view(text).substr(name.offset, name.length);
    const std::optional<TEncoding> encoding = EncodingOfName(declared);
    if (!encoding) continue;
    if (const auto bad = FirstInvalidByte(text, *encoding)) {
      const auto line = std::count(text.data(), text.data() + *bad, '\n') + 1;
      LogWarning(context, std::string(msg::kNotTheDeclaredCharset)
                              .append(declared)
                              .append("):")
                              .append(NormalPath(FileFor(context, context.state.WriteFile)))
                              .append(":")
                              .append(std::to_string(line)));
    }
    return;
  }
}

}  // namespace

void CheckGenerationResult(TEngineContext& context) {
  const GenerationState& state = context.state;
  if (TrimSpaces(state.WriteFolder, state.PageEncoding).empty()) {
    LogError(context, msg::kNoWriteFolder);
  }
  if (TrimSpaces(state.WriteFile, state.PageEncoding).empty()) LogError(context, msg::kNoWriteFile);
  CheckDeclaredCharset(context);
  if (state.PageEncoding == TEncoding::kUtf8) {
    // "{$" with a "}" after it on its line, found by bytes: no UTF-8 character holds them.
    const std::string& text = state.WorkingText;
    for (std::size_t open = text.find("{$"); open != std::string::npos;
         open = text.find("{$", open + 2)) {
      const std::size_t end = text.find_first_of("}\r\n", open + 2);
      if (end != std::string::npos && text[end] == '}') {
        LogWarning(context, msg::kUnfilledTags);
        break;
      }
    }
    return;
  }
  context.pattern.SetRegExp("{\\$[^}]*}");
  if (context.pattern.Match(state.WorkingText).position > 0) {
    LogWarning(context, msg::kUnfilledTags);
  }
}

std::string RemovePreviewMarker(std::string html, TEncoding encoding) {
  // Without the marker itself, its line with CR LF is not there either: one look instead of two.
  if (FindIgnoringCase(html, "<!--PREVIEWCSS-->", 0, encoding) == std::string::npos) return html;
  ReplaceEvery(html, "<!--PREVIEWCSS-->\r\n", "", std::string::npos, encoding);
  ReplaceEvery(html, "<!--PREVIEWCSS-->", "", std::string::npos, encoding);
  return html;
}

TWriteOutcome WriteHtmlFile(TEngineContext& context, std::string_view html) {
  GenerationState& state = context.state;
  if (state.ErrorCount > 0) return TWriteOutcome::kSkipped;
  const std::string text = RemovePreviewMarker(std::string(html), state.PageEncoding);
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

std::vector<std::string> FilesOfPage(const TEngineContext& context) {
  const GenerationState& state = context.state;
  std::vector<std::string> files;
  if (!context.source_file.empty()) files.push_back(context.source_file);
  for (const TImportList* list : {&state.Imports, &state.LastImports}) {
    for (const TZQImportFile& import : *list) files.push_back(import.FileName);
  }
  if (!state.TemplateFile.empty()) files.push_back(FileFor(context, state.TemplateFile));
  return files;
}

TResultPage SelectResultPage(const GenerationState& state) {
  return state.WarningCount + state.ErrorCount > 0 ? TResultPage::kLogs : TResultPage::kHtml;
}

}  // namespace zorvik
