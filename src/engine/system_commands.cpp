#include "engine/system_commands.h"

#include <cstdint>

#include "engine/loop_expansion.h"
#include "engine/messages.h"
#include "text/cut_trim.h"
#include "text/file_names.h"
#include "text/replace_text.h"
#include "text/text_file.h"

namespace zorvik {
namespace {

namespace msg = engine_message;

void ImportFile(TEngineContext& context, TImportList& list, std::string_view argument, int line) {
  const std::string path = ExpandPathMacros(context, argument);
  const std::string file = FileFor(context, path);
  for (const TZQImportFile& record : list) {
    if (record.FileName == file) return;  // named before: read once per list
  }
  if (!context.files.FileExists(file)) {
    LogError(context, LineMessage(msg::kImportMissing, line, path), line);
    return;
  }
  std::string text = context.files.LoadText(file);
  if (text == kFileLoadError) {
    // Not registered, so that a later line naming it reports it again.
    LogError(context, LineMessage(msg::kImportUnreadable, line, path), line);
    return;
  }
  list.push_back({file, std::move(text)});
}

void LoadTemplate(TEngineContext& context, std::string_view argument, int line) {
  GenerationState& state = context.state;
  const std::string path = ExpandPathMacros(context, argument);
  const std::string file = FileFor(context, path);
  if (!context.files.FileExists(file)) {
    LogError(context, LineMessage(msg::kTemplateMissing, line, path), line);
  } else if (path == state.TemplateFile) {
    // The same template again: nothing to do.
  } else if (!state.TemplateFile.empty()) {
    LogWarning(context, LineMessage(msg::kTemplateOverwrite, line, path), line);
  } else {
    std::string text = context.files.LoadText(file);
    if (text == kFileLoadError) {
      // Written out, the marker text would replace the good page.
      LogError(context, LineMessage(msg::kTemplateUnreadable, line, path), line);
      return;
    }
    state.TemplateFile = path;
    state.WorkingText = std::move(text);
  }
}

void SetLoop(TEngineContext& context, std::string_view argument, int line) {
  std::string rest(argument);
  const std::string name = TrimSpaces(CutToken(rest, " "));
  ExpandLoop(context, name, TrimSpaces(rest), line);
}

void SetCsvCounter(TEngineContext& context, std::string_view argument, int line) {
  if (context.state.CsvCounter != 0) return;
  std::string_view digits = argument;
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  if (const auto value = ParseInteger32(digits)) {
    context.state.CsvCounter = *value;
  } else {
    LogError(context, LineMessage(msg::kCsvCounterInvalid, line, argument), line);
  }
}

void SetItemMode(TEngineContext& context, std::string_view argument, int line) {
  const std::string mode = AsciiLowerCase(argument);
  if (mode == "none" || mode == "tag") {
    context.state.ItemCRLFMode = mode;
  } else {
    LogError(context, LineMessage(msg::kItemModeInvalid, line, argument), line);
  }
}

void SetHtmlMode(TEngineContext& context, std::string_view argument, int line) {
  const std::string mode = AsciiLowerCase(argument);
  if (mode == "yes" || mode == "no") {
    context.state.HTMLCRLFMode = mode == "yes";
  } else {
    LogError(context, LineMessage(msg::kHtmlModeInvalid, line, argument), line);
  }
}

void SetPreviewCss(TEngineContext& context, std::string_view argument, int line) {
  const std::string path = ExpandPathMacros(context, argument);
  const std::string file = FileFor(context, path);
  if (context.files.FileExists(file)) {
    context.state.PreviewCss = file;
  } else {
    LogWarning(context, LineMessage(msg::kPreviewCssMissing, line, path), line);
  }
}

}  // namespace

void ExecuteSystemCommand(TEngineContext& context, std::string_view name, std::string_view argument,
                          int line) {
  GenerationState& state = context.state;
  if (name == "import") {
    ImportFile(context, state.Imports, argument, line);
  } else if (name == "lastimport") {
    ImportFile(context, state.LastImports, argument, line);
  } else if (name == "writefile") {
    // As written: a bare file name has no folder, which the run reports; the file itself is
    // found with FileFor when it is written.
    state.WriteFile = ExpandPathMacros(context, argument);
    state.WriteFolder = ExtractFolder(state.WriteFile);
  } else if (name == "template") {
    LoadTemplate(context, argument, line);
  } else if (name == "looptag") {
    SetLoop(context, argument, line);
  } else if (name == "csvcounter") {
    SetCsvCounter(context, argument, line);
  } else if (name == "itemcrlfmode") {
    SetItemMode(context, argument, line);
  } else if (name == "htmlcrlfmode") {
    SetHtmlMode(context, argument, line);
  } else if (name == "previewcss") {
    SetPreviewCss(context, argument, line);
  } else {
    LogError(context, LineMessage(msg::kUndefinedCommand, line, name), line);
  }
}

std::string ExpandPathMacros(const TEngineContext& context, std::string_view text) {
  const GenerationState& state = context.state;
  std::string result(text);
  ReplaceEvery(result, "{$RunningFolder}", context.running_folder);
  ReplaceEvery(result, "{$WriteFolder}", state.WriteFolder);
  ReplaceEvery(result, "{$DataFolder}", state.DataFolder);
  ReplaceEvery(result, "{$TemplateFolder}", ExtractFolder(state.TemplateFile));
  ReplaceEvery(result, "{$TemplateFile}", state.TemplateFile);
  ReplaceEvery(result, "{$WriteFileName}", state.WriteFile);
  return result;
}

std::optional<std::int32_t> ParseInteger32(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > std::int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace zorvik
