// Everything a generation run on the command line needs, as the main window owns it: the
// engine's parts, the log printed on stderr (with editor locations when asked) and the file
// system of the verb's choice.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "cli/log_lines.h"
#include "cli/verb_options.h"
#include "cli/verbs.h"
#include "engine/engine_context.h"
#include "engine/engine_session.h"
#include "engine/tracked_file_system.h"

namespace zorvik::cli {

struct TEngineOptions {
  bool locations = false;  // print FILE:LINE: lines for log entries that name a line
  TSaveMode save_mode = TSaveMode::kWrite;
  // Gets each error and warning of the log as one UTF-8 line: the FILE:LINE: form where the
  // entry names a line, else "SOURCE: error: MESSAGE" (or warning), SOURCE the page source
  // that was running.
  std::function<void(const std::string&)> on_problem = nullptr;
  bool quiet = false;  // the log is not printed (on_problem still gets its problems)
  // The encoding of every file without a byte-order mark (--encoding); else found by its bytes.
  std::optional<TEncoding> encoding = std::nullopt;
};

class TCommandLineEngine {
 public:
  explicit TCommandLineEngine(TEngineOptions options = {});
  TEngineContext& Context() { return session_.Context(); }
  GenerationState& State() { return session_.State(); }
  TTrackedFileSystem& Files() { return files_; }
  TEngineSession& Session() { return session_; }

 private:
  void PrintEntry(const std::string& entry, const TLogPlace& place) const;

  TEngineOptions options_;
  TDiskFileSystem disk_;
  TEngineSession session_;
  TTrackedFileSystem& files_;  // the session's, over disk_
  mutable TLogLineConverter log_lines_;
};

// A notice outside the log: the text of a file ended at a NUL byte.
void PrintNulNotice(std::string_view path, std::size_t offset);

// path as one line of output that editors and scripts can read back: as it is, unless it holds
// a line end, a "\"" at its start or a ":LINE:" that would read as a location; then in double
// quotes with C escapes, as `ls --quoting-style=c` writes it.
std::string QuotedPath(std::string_view path);

// The location line of a log entry that names a line, as editors read compiler output:
// "FILE:LINE: error: MESSAGE" (LINE counted from 1), UTF-8 and ended by LF.
std::string LocationLine(const std::string& entry, const TLogPlace& place);

// PAGE and GROUP are taken against the current directory, as a file dialog would hand them;
// nothing for an empty path or when the current directory is gone.
std::optional<std::string> AbsolutePath(const std::string& path);

int ExitStatus(const GenerationState& state);

// The one operand of a verb (named name in messages), made absolute; nothing after a usage
// message.
std::optional<std::string> OnlyOperand(const TVerbArgs& args, const char* verb, const char* name);

// Whether path names a group file: its name ends in ".gro", in any letter case.
bool IsGroupFile(const std::string& path);

// Says that the file at path (shown as shown_name) cannot be read; for a folder, the group
// files in it, one of which the user most likely meant.
void PrintCannotRead(const std::string& path, const std::string& shown_name);

// The entries of the group file at path (absolute); nothing when it cannot be read (said on
// stderr under shown_name). The group file counts as looked at.
std::optional<std::vector<std::string>> ReadGroupEntries(TCommandLineEngine& engine,
                                                         const std::string& path,
                                                         const std::string& shown_name);

// Writes the page of a build run, reporting a failed write in the log.
void WriteBuiltPage(TCommandLineEngine& engine);

// Lets stderr collect a batch's log lines in blocks.
void BufferStandardError();

// Runs the page at path (already absolute) once; false when it cannot be read (reported).
bool RunPageFile(TCommandLineEngine& engine, const std::string& path,
                 const std::string& shown_name);

// The batch's host on the command line: each page source read from its file.
class TFileBatchHost : public TDiskBatchHost {
 public:
  explicit TFileBatchHost(TCommandLineEngine& engine)
      : TDiskBatchHost(engine.Session()), engine_(engine) {}

 protected:
  TCommandLineEngine& engine_;
};

}  // namespace zorvik::cli
