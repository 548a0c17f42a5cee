#include "engine/loop_expansion.h"

#include <string>

#include "engine/messages.h"
#include "engine/system_commands.h"
#include "text/blocks.h"
#include "text/char_functions.h"
#include "text/cut_trim.h"
#include "text/replace_text.h"

namespace zorvik {
namespace {

// Cuts the first block of the given tags out of text, leaving the loop marker; true when the
// text then holds a loop marker.
bool CutLoopBlock(std::string& text, std::string_view name, std::string_view inner,
                  TEncoding encoding, std::string& body) {
  const std::string start = "{#" + std::string(name) + std::string(inner) + "}";
  const std::string end = "{/#" + std::string(name) + std::string(inner) + "}";
  body = ExtractBlock(text, start, end, kLoopMarker, encoding);
  return FindAtCharStart(text, kLoopMarker, encoding) != std::string::npos;
}

std::string BuildExpansion(std::string_view body, std::string_view name, std::int32_t count,
                           TEncoding encoding) {
  const std::string named_count = "{$Count:" + std::string(name) + "}";
  const bool numbered = FindIgnoringCase(body, "{$Count", 0, encoding) != std::string::npos;
  std::string expansion;
  if (count > 0) expansion.reserve((body.size() + 2) * static_cast<std::size_t>(count));
  std::string copy;
  for (std::int32_t i = 1; i <= count; ++i) {
    copy.assign(body);
    if (numbered) {
      const std::string number = std::to_string(i);
      ReplaceEvery(copy, "{$Count}", number, std::string::npos, encoding);
      ReplaceEvery(copy, named_count, number, std::string::npos, encoding);
    }
    expansion.append(copy).append("\r\n");
  }
  return TrimBlankLines(expansion, encoding);
}

}  // namespace

void ExpandLoop(TEngineContext& context, std::string_view name, std::string_view count_text,
                int line) {
  const auto count = ParseInteger32(count_text);
  if (!count) {
    LogError(context,
             LineMessage(engine_message::kLoopCountInvalid, line, ForLog(context, count_text)),
             line);
    return;
  }
  // Worked on a copy, so that a refused expansion leaves the working text as it was.
  std::string text = context.state.WorkingText;
  std::string body;
  const TEncoding encoding = context.state.PageEncoding;
  if (!CutLoopBlock(text, name, "", encoding, body) &&
      !CutLoopBlock(text, name, "{$Count:" + std::string(name) + "}", encoding, body)) {
    LogError(context, LineMessage(engine_message::kLoopTagMissing, line, ForLog(context, name)),
             line);
    return;
  }
  const std::size_t copies = *count > 0 ? static_cast<std::size_t>(*count) : 0;
  // A number is at most two bytes longer than the eight of "{$Count}", so a copy grows by at
  // most a quarter; the estimate errs on the large side.
  const std::size_t per_copy = body.size() + body.size() / 4 + 2;
  const std::size_t limit = context.max_working_text;
  if (copies > 0 && (per_copy > limit / copies || text.size() + per_copy * copies > limit)) {
    LogError(context, LineMessage(engine_message::kLoopTooLarge, line, ForLog(context, name)),
             line);
    return;
  }
  ReplaceEvery(text, kLoopMarker, BuildExpansion(body, name, *count, encoding), std::string::npos,
               encoding);
  context.state.WorkingText.swap(text);
}

}  // namespace zorvik
