#include "engine/engine_context.h"

namespace zorvik {

void LogError(TEngineContext& context, std::string_view message) {
  context.log.AddLog(message);
  ++context.state.ErrorCount;
}

void LogWarning(TEngineContext& context, std::string_view message) {
  context.log.AddLog(message);
  ++context.state.WarningCount;
}

std::string LineMessage(std::string_view prefix, int line, std::string_view detail,
                        bool blank_after) {
  std::string message(prefix);
  message.append(std::to_string(line)).append(blank_after ? "): " : "):").append(detail);
  return message;
}

}  // namespace zorvik
