#include "engine/system_commands.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/loop_expansion.h"
#include "engine/messages.h"
#include "text/charset_declarations.h"
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
    LogError(context, LineMessage(msg::kImportMissing, line, ForLog(context, path)), line);
    return;
  }
  std::string text = context.files.LoadText(file);
  if (text == kFileLoadError) {
    // Not registered, so that a later line naming it reports it again.
    LogError(context, LineMessage(msg::kImportUnreadable, line, ForLog(context, path)), line);
    return;
  }
  const TEncoding encoding = ReadEncoding(context, text, file, true);
  if (text.starts_with(kUtf8Bom)) text.erase(0, kUtf8Bom.size());
  list.push_back({file, std::move(text), encoding});
}

// The page's encoding is the charset its template declares; without a declaration, the
// template's own when it holds a byte above 0x7F, else the page source's. The template comes
// into that encoding, so the page holds what it says it holds.
std::string TemplateInPageEncoding(TEngineContext& context, std::string text,
                                   std::string_view file) {
  const TEncoding own = ReadEncoding(context, text, file, true);
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  const TEncoding page = DeclaredEncoding(text).value_or(ascii ? context.state.PageEncoding : own);
  context.state.PageEncoding = page;
  if (ascii || own == page) return text;  // a byte-order mark it starts with stays
  const std::string_view body =
      std::string_view(text).substr(text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
  return IntoPageEncoding(context, body, own, file);
}

void LoadTemplate(TEngineContext& context, std::string_view argument, int line) {
  GenerationState& state = context.state;
  const std::string path = ExpandPathMacros(context, argument);
  const std::string file = FileFor(context, path);
  if (!context.files.FileExists(file)) {
    LogError(context, LineMessage(msg::kTemplateMissing, line, ForLog(context, path)), line);
  } else if (path == state.TemplateFile) {
    // The same template again: nothing to do.
  } else if (!state.TemplateFile.empty()) {
    LogWarning(context, LineMessage(msg::kTemplateOverwrite, line, ForLog(context, path)), line);
  } else {
    std::string text = context.files.LoadText(file);
    if (text == kFileLoadError) {
      // Written out, the marker text would replace the good page.
      LogError(context, LineMessage(msg::kTemplateUnreadable, line, ForLog(context, path)), line);
      return;
    }
    state.TemplateFile = path;
    state.WorkingText = TemplateInPageEncoding(context, std::move(text), file);
  }
}

void SetLoop(TEngineContext& context, std::string_view argument, int line) {
  const TEncoding encoding = context.state.PageEncoding;
  std::string rest(argument);
  const std::string name = TrimSpaces(CutToken(rest, " ", encoding), encoding);
  ExpandLoop(context, name, TrimSpaces(rest, encoding), line);
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
    LogWarning(context, LineMessage(msg::kPreviewCssMissing, line, ForLog(context, path)), line);
  }
}

void SetWriteFile(TEngineContext& context, std::string_view argument, int /*line*/) {
  // As written: a bare file name has no folder, which the run reports; the file itself is
  // found with FileFor when it is written.
  GenerationState& state = context.state;
  state.WriteFile = ExpandPathMacros(context, argument);
  state.WriteFolder = ExtractFolder(state.WriteFile);
}

void AddImport(TEngineContext& context, std::string_view argument, int line) {
  ImportFile(context, context.state.Imports, argument, line);
}

void AddLastImport(TEngineContext& context, std::string_view argument, int line) {
  ImportFile(context, context.state.LastImports, argument, line);
}

struct TSystemCommand {
  std::string_view name;
  void (*run)(TEngineContext&, std::string_view, int);
};

// Compared in this order; the names are lower case.
constexpr TSystemCommand kSystemCommands[] = {
    {"import", AddImport},         {"lastimport", AddLastImport}, {"writefile", SetWriteFile},
    {"template", LoadTemplate},    {"looptag", SetLoop},          {"csvcounter", SetCsvCounter},
    {"itemcrlfmode", SetItemMode}, {"htmlcrlfmode", SetHtmlMode}, {"previewcss", SetPreviewCss},
};

struct TPathMacro {
  std::string_view macro;
  std::string (*value)(const TEngineContext&);
};

// Replaced in this order.
const TPathMacro kPathMacros[] = {
    {"{$RunningFolder}", [](const TEngineContext& c) { return c.running_folder; }},
    {"{$WriteFolder}", [](const TEngineContext& c) { return c.state.WriteFolder; }},
    {"{$DataFolder}", [](const TEngineContext& c) { return c.state.DataFolder; }},
    {"{$TemplateFolder}",
     [](const TEngineContext& c) { return ExtractFolder(c.state.TemplateFile); }},
    {"{$TemplateFile}", [](const TEngineContext& c) { return c.state.TemplateFile; }},
    {"{$WriteFileName}", [](const TEngineContext& c) { return c.state.WriteFile; }},
};

}  // namespace

void ExecuteSystemCommand(TEngineContext& context, std::string_view name, std::string_view argument,
                          int line) {
  for (const TSystemCommand& command : kSystemCommands) {
    if (command.name == name) {
      command.run(context, argument, line);
      return;
    }
  }
  LogError(context, LineMessage(msg::kUndefinedCommand, line, ForLog(context, name)), line);
}

std::vector<std::string_view> SystemCommandNames() {
  std::vector<std::string_view> names;
  for (const TSystemCommand& command : kSystemCommands) names.push_back(command.name);
  return names;
}

std::string ExpandPathMacros(const TEngineContext& context, std::string_view text) {
  std::string result(text);
  for (const TPathMacro& macro : kPathMacros) {
    // Every macro begins with "{$": once none is left, the rest cannot match.
    if (result.find("{$") == std::string::npos) break;
    ReplaceEvery(result, macro.macro, macro.value(context), std::string::npos,
                 context.state.PageEncoding);
  }
  return result;
}

std::vector<std::string_view> PathMacroNames() {
  std::vector<std::string_view> names;
  for (const TPathMacro& macro : kPathMacros) names.push_back(macro.macro);
  return names;
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
