#include "engine/engine_context.h"

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

}  // namespace zorvik
