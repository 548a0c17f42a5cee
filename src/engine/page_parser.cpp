#include "engine/page_parser.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/messages.h"
#include "engine/system_commands.h"
#include "engine/tag_fill.h"
#include "text/cut_trim.h"
#include "text/replace_text.h"
#include "text/sjis.h"

namespace zorvik {
namespace {

// Hands out the lines of a text without copying it: a line ends at the first CR that is not the
// second byte of a double-byte character; the LF right after that CR goes with it.
class TLineCursor {
 public:
  TLineCursor(std::string_view text, TEncoding encoding) : text_(text), encoding_(encoding) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  // What is left after the lines handed out.
  std::string_view Rest() const { return text_.substr(std::min(pos_, text_.size())); }
  std::string_view Next() {
    // A CR found by bytes ends the line unless a lead byte before it takes it as its second byte.
    const char* data = text_.data();
    std::size_t i = pos_;
    std::size_t boundary = pos_;
    for (;;) {
      const void* cr = i < text_.size() ? std::memchr(data + i, '\r', text_.size() - i) : nullptr;
      i = cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data)
                        : text_.size();
      if (i == text_.size() || IsCharStartFrom(text_, boundary, i, encoding_)) break;
      boundary = ++i;
    }
    const std::string_view line = text_.substr(pos_, i - pos_);
    if (i < text_.size()) ++i;  // the CR
    if (i < text_.size() && text_[i] == '\n') ++i;
    pos_ = i;
    return line;
  }

 private:
  std::string_view text_;
  TEncoding encoding_;
  std::size_t pos_ = 0;
};

// Text of `line` from `from` up to the first byte of `stop` that is not a trail byte (or the end).
std::string_view UpTo(std::string_view line, std::size_t from, char stop, TEncoding encoding) {
  std::size_t i = from;
  while (i < line.size() && line[i] != stop) i += CharBytesAt(line, i, encoding);
  return line.substr(from, i - from);
}

// "@" name [" " argument]
void ApplyCommandLine(TEngineContext& context, std::string_view line, int number) {
  const std::string_view name = UpTo(line, 1, ' ', context.state.PageEncoding);
  const std::size_t after = 1 + name.size();
  const std::string_view argument =
      after < line.size() ? line.substr(after + 1) : std::string_view();
  ExecuteSystemCommand(context, AsciiLowerCase(name), argument, number);
}

// "$" name [" " value]
TFillLine ConversionLine(std::string_view line, int number, TEncoding encoding) {
  const std::string_view raw_name = UpTo(line, 1, ' ', encoding);
  const std::size_t after = 1 + raw_name.size();
  const std::string_view value = after < line.size() ? line.substr(after + 1) : std::string_view();
  return {TrimSpaces(raw_name, encoding), std::string(value), number, {}};
}

TFillLine ErrorLine(std::string message, int number) {
  return {{}, {}, number, std::move(message)};
}

// Fills a run of value lines and logs its errors, in their order.
void FillRun(TEngineContext& context, std::vector<TFillLine>& run) {
  if (run.empty()) return;
  const bool one_pass =
      WorthOnePass(run.size(), context.state.WorkingText.size()) && FillTagsInOnePass(context, run);
  if (!one_pass) {
    for (const TFillLine& line : run) {
      if (line.error.empty()) {
        FillTag(context, line.name, line.value, line.line);
      } else {
        LogError(context, line.error, line.line);
      }
    }
  }
  run.clear();
}

}  // namespace

void FillTag(TEngineContext& context, std::string_view name, std::string_view value, int line) {
  std::string tag = "{$";
  tag.append(name).append("}");
  if (ReplaceEvery(context.state.WorkingText, tag, value, context.max_working_text,
                   context.state.PageEncoding) < 0) {
    LogError(context, LineMessage(engine_message::kValueTooLarge, line, ForLog(context, name)),
             line);
  }
}

void ParsePageSource(TEngineContext& context, std::string_view text) {
  // Value lines are gathered until a command line, which may change the working text, or the end.
  // The text is in the page's encoding; a template in the other one changes it, and the lines
  // after its command are converted into it.
  TEncoding encoding = context.state.PageEncoding;
  std::string converted;
  std::vector<TFillLine> run;
  TLineCursor lines(text, encoding);
  for (int number = 0; !lines.AtEnd(); ++number) {
    const std::string_view raw = lines.Next();
    const std::string_view line = TrimSpacesView(raw, encoding);
    if (line.empty() || line.compare(0, 2, "//") == 0) continue;
    switch (line[0]) {
      case '@':
        FillRun(context, run);
        ApplyCommandLine(context, line, number);
        if (context.state.PageEncoding != encoding) {
          converted = IntoPageEncoding(context, lines.Rest(), encoding, number + 1);
          encoding = context.state.PageEncoding;
          lines = TLineCursor(converted, encoding);
        }
        break;
      case '$':
        run.push_back(ConversionLine(line, number, encoding));
        break;
      case '[': {
        const std::string name = TrimSpaces(UpTo(line, 1, ']', encoding), encoding);
        const std::string end = "/" + name;
        const int opening = number;
        std::string value;
        bool closed = false;
        while (!lines.AtEnd()) {
          const std::string_view content = lines.Next();
          ++number;
          if (!content.empty() && content[0] == '[' && UpTo(content, 1, ']', encoding) == end) {
            closed = true;
            break;
          }
          value.append(content).append("\r\n");
        }
        if (!closed) {
          run.push_back(ErrorLine(
              LineMessage(engine_message::kBlockNotClosed, opening, ForLog(context, name), true),
              opening));
          FillRun(context, run);
          return;
        }
        run.push_back({name, TrimBlankLines(value, encoding), opening, {}});
        break;
      }
      default:
        run.push_back(ErrorLine(
            LineMessage(engine_message::kSyntaxError, number, ForLog(context, line), true),
            number));
        break;
    }
  }
  FillRun(context, run);
}

void ParseImportList(TEngineContext& context, TImportList GenerationState::*list) {
  const std::size_t count = (context.state.*list).size();
  for (std::size_t i = 0; i < count; ++i) {
    // Copied: lines of the imported text may add records to the same list.
    const TZQImportFile record = (context.state.*list)[i];
    const std::string& file = record.FileName;
    context.import_file = &file;
    ParsePageSource(context, IntoPageEncoding(context, record.Text, record.Encoding, 0));
    context.import_file = nullptr;
  }
}

}  // namespace zorvik
