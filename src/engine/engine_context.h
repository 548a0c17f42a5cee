// What every step of a generation run works with. The owner (the main window, the command line)
// creates the parts and keeps them for the life of the program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/clock.h"
#include "engine/file_system.h"
#include "engine/generation_log.h"
#include "engine/generation_state.h"
#include "pattern/pattern_component.h"

namespace zorvik {

// The working text never grows beyond this: a loop or a value that would make it larger is
// refused with an error, so that no page source can exhaust memory.
inline constexpr std::size_t kMaxWorkingTextBytes = 256u << 20;

struct TEngineContext {
  GenerationState& state;
  TGenerationLog& log;
  TSecondAWKStr& pattern;  // the owner's pattern component, line separator CR LF
  TFileSystem& files;
  const TClock& clock;
  std::string running_folder;  // folder of the program, with its trailing "/"
  std::size_t max_working_text = kMaxWorkingTextBytes;
  // The page source's path as the owner names it (empty for an unsaved text), and the imported
  // file whose lines are being parsed (none while the page source's are): where messages point.
  std::string source_file{};
  const std::string* import_file = nullptr;
  // The encoding of every file read that has no byte-order mark, when the owner forces one;
  // otherwise each file's is found from its bytes.
  std::optional<TEncoding> forced_encoding{};
};

// The encoding of the bytes of file as this context takes it. When the bytes left the choice
// in doubt, a warning at the file's first stray byte says which encoding it took and why; in
// UTF-8, each run of stray bytes is a warning at its line. imported: file is not the page
// source.
TEncoding ReadEncoding(TEngineContext& context, std::string_view bytes, std::string_view file,
                       bool imported);

// text (in from) in the page's encoding; each character it cannot hold, or byte that is no
// character, is logged as a warning at its line, counted from first_line of the file being
// parsed.
std::string IntoPageEncoding(TEngineContext& context, std::string_view text, TEncoding from,
                             int first_line);
// The same for the whole text of file, another file than the one being parsed (a template).
std::string IntoPageEncoding(TEngineContext& context, std::string_view text, TEncoding from,
                             std::string_view file);

// text of the page as the log (CP932) shows it.
std::string ForLog(const TEngineContext& context, std::string_view text);

// The file a path written in the file being parsed names: a relative path is taken against
// that file's folder (an imported file's, or the page source's), and for a page never saved
// against the program's folder. Messages and macros keep the path as written.
std::string FileFor(const TEngineContext& context, std::string_view path);

// Logs message and counts one error / one warning; with a line, the entry points at that line
// of the file being parsed.
void LogError(TEngineContext& context, std::string_view message);
void LogWarning(TEngineContext& context, std::string_view message);
void LogError(TEngineContext& context, std::string_view message, int line);
void LogWarning(TEngineContext& context, std::string_view message, int line);

// prefix, the line number, "):" and the detail; the parser's own messages put a blank after
// "):", the commands' do not.
std::string LineMessage(std::string_view prefix, int line, std::string_view detail,
                        bool blank_after = false);

}  // namespace zorvik
