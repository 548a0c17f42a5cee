#include "engine/engine_context.h"

#include <algorithm>
#include <cstdio>

#include "engine/messages.h"
#include "text/encoding.h"
#include "text/file_names.h"

namespace zorvik {

namespace msg = engine_message;

std::string FileFor(const TEngineContext& context, std::string_view path) {
  const std::string folder = context.import_file != nullptr ? ExtractFolder(*context.import_file)
                             : !context.state.DataFolder.empty() ? context.state.DataFolder
                                                                 : context.running_folder;
  return PathFromFolder(folder, path);
}
namespace {

TLogPlace PlaceOf(const TEngineContext& context, int line, bool warning) {
  if (context.import_file != nullptr) return {*context.import_file, line, true, warning};
  return {context.source_file, line, false, warning};
}

int LineAt(std::string_view bytes, std::size_t offset) {
  return static_cast<int>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
}

std::string HexBytes(std::string_view bytes) {
  std::string hex;
  for (const char c : bytes.substr(0, 8)) {
    char code[8];
    std::snprintf(code, sizeof code, hex.empty() ? "0x%02X" : " 0x%02X",
                  static_cast<unsigned>(static_cast<unsigned char>(c)));
    hex += code;
  }
  if (bytes.size() > 8) hex += " ...";
  return hex;
}

}  // namespace

void LogError(TEngineContext& context, std::string_view message) {
  context.log.AddLog(message);
  ++context.state.ErrorCount;
}

void LogWarning(TEngineContext& context, std::string_view message) {
  context.log.AddLog(message);
  ++context.state.WarningCount;
}

void LogError(TEngineContext& context, std::string_view message, int line) {
  context.log.AddLog(message, PlaceOf(context, line, false));
  ++context.state.ErrorCount;
}

void LogWarning(TEngineContext& context, std::string_view message, int line) {
  context.log.AddLog(message, PlaceOf(context, line, true));
  ++context.state.WarningCount;
}

std::string LineMessage(std::string_view prefix, int line, std::string_view detail,
                        bool blank_after) {
  std::string message(prefix);
  message.append(std::to_string(line)).append(blank_after ? "): " : "):").append(detail);
  return message;
}

TEncoding ReadEncoding(TEngineContext& context, std::string_view bytes, std::string_view file,
                       bool imported) {
  const TEncodingChoice choice =
      ChooseEncoding(bytes, context.forced_encoding ? &*context.forced_encoding : nullptr);
  if (!choice.doubtful) return choice.encoding;
  const std::vector<TStrayRun> strays = StrayUtf8Runs(bytes);
  const auto warn = [&](std::string_view prefix, std::size_t offset, std::string_view detail) {
    const int line = LineAt(bytes, offset);
    context.log.AddLog(LineMessage(prefix, line, detail),
                       {std::string(file), line, imported, true});
    ++context.state.WarningCount;
  };
  const bool utf8 = choice.encoding == TEncoding::kUtf8;
  std::string why(msg::kUtf8Characters);
  why.append(std::to_string(choice.utf8_characters))
      .append(msg::kStrayBytes)
      .append(std::to_string(choice.stray_bytes))
      .append(msg::kCountEnd);
  warn(utf8 ? msg::kReadAsUtf8 : msg::kReadAsShiftJis, strays.front().offset, why);
  if (utf8) {
    for (const TStrayRun& run : strays) {
      warn(msg::kStrayUtf8, run.offset, HexBytes(bytes.substr(run.offset, run.length)));
    }
  }
  return choice.encoding;
}

namespace {

// text in the page's encoding, each place that did not convert a warning at its line of the
// file `at` names (at.line: the line text starts on).
std::string ConvertForPage(TEngineContext& context, std::string_view text, TEncoding from,
                           TLogPlace at) {
  const TEncoding to = context.state.PageEncoding;
  if (from == to) return std::string(text);
  std::vector<TUnmappable> unmappable;
  std::string converted = ConvertText(text, from, to, &unmappable);
  std::size_t counted = 0;
  for (const TUnmappable& place : unmappable) {
    for (; counted < place.offset; ++counted) {
      if (text[counted] == '\r') ++at.line;
    }
    char code[24];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(place.code));
    context.log.AddLog(
        LineMessage(to == TEncoding::kCp932 ? msg::kCharacterReference : msg::kNotACharacter,
                    at.line, code),
        at);
    ++context.state.WarningCount;
  }
  return converted;
}

}  // namespace

std::string IntoPageEncoding(TEngineContext& context, std::string_view text, TEncoding from,
                             int first_line) {
  return ConvertForPage(context, text, from, PlaceOf(context, first_line, true));
}

std::string IntoPageEncoding(TEngineContext& context, std::string_view text, TEncoding from,
                             std::string_view file) {
  return ConvertForPage(context, text, from, {std::string(file), 0, true, true});
}

std::string ForLog(const TEngineContext& context, std::string_view text) {
  return ConvertText(text, context.state.PageEncoding, TEncoding::kCp932);
}

}  // namespace zorvik
