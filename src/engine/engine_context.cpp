#include "engine/engine_context.h"

#include <cstdio>

#include "engine/messages.h"
#include "text/encoding.h"
#include "text/file_names.h"

namespace zorvik {

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

TEncoding EncodingOf(const TEngineContext& context, std::string_view bytes) {
  return DetectEncoding(bytes, context.forced_encoding ? &*context.forced_encoding : nullptr);
}

std::string IntoPageEncoding(TEngineContext& context, std::string_view text, TEncoding from,
                             int first_line) {
  const TEncoding to = context.state.PageEncoding;
  if (from == to) return std::string(text);
  std::vector<TUnmappable> unmappable;
  std::string converted = ConvertText(text, from, to, &unmappable);
  int line = first_line;
  std::size_t counted = 0;
  for (const TUnmappable& place : unmappable) {
    for (; counted < place.offset; ++counted) {
      if (text[counted] == '\r') ++line;
    }
    char code[24];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(place.code));
    LogWarning(context,
               LineMessage(to == TEncoding::kCp932 ? engine_message::kCharacterReference
                                                   : engine_message::kNotACharacter,
                           line, code),
               line);
  }
  return converted;
}

std::string ForLog(const TEngineContext& context, std::string_view text) {
  return ConvertText(text, context.state.PageEncoding, TEncoding::kCp932);
}

}  // namespace zorvik
