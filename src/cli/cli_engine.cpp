#include "cli/cli_engine.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "batch/group_file.h"
#include "engine/generation_run.h"
#include "engine/messages.h"
#include "text/encoding.h"
#include "text/file_names.h"
#include "text/path_look.h"
#include "text/replace_text.h"
#include "text/text_file.h"

namespace zorvik::cli {
namespace {

// SOURCE_DATE_EPOCH, when it holds a usable number of seconds, fixes the clock.
std::optional<std::time_t> EpochFromEnvironment() {
  std::string refusal;
  const std::optional<std::time_t> instant = FixedInstantFromEnvironment(&refusal);
  if (!refusal.empty()) std::cerr << "zorvik: " << refusal << '\n';
  return instant;
}

// Whether text holds ":" digits ":".
bool HoldsLineNumber(std::string_view text) {
  for (std::size_t colon = text.find(':'); colon != std::string_view::npos;
       colon = text.find(':', colon + 1)) {
    std::size_t end = colon + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end > colon + 1 && end < text.size() && text[end] == ':') return true;
  }
  return false;
}

// Whether a log entry reports an error or a warning.
bool IsProblem(std::string_view entry) {
  return entry.find(engine_message::kErrorPrefix) != std::string_view::npos ||
         entry.find(engine_message::kWarningPrefix) != std::string_view::npos ||
         entry.find(engine_message::kHtmlSaveFailed) != std::string_view::npos;
}

}  // namespace

std::string QuotedPath(std::string_view path) {
  if (path.find_first_of("\r\n") == std::string_view::npos &&
      (path.empty() || path.front() != '"') && !HoldsLineNumber(path)) {
    return std::string(path);
  }
  std::string quoted = "\"";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                                static_cast<char>('0' + ((byte >> 3) & 7)),
                                static_cast<char>('0' + (byte & 7)), '\0'};
          quoted += octal;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

void PrintNulNotice(std::string_view path, std::size_t offset) {
  std::cerr << "zorvik: " << ToFileSystemPath(path) << ": NUL byte at offset " << offset
            << "; the rest of the file is ignored\n";
}

std::string LocationLine(const std::string& entry, const TLogPlace& place) {
  const std::string_view message = LogMessageOf(entry);
  std::string line =
      place.file.empty() ? std::string("-") : QuotedPath(Cp932ToUtf8(NormalPath(place.file)));
  line.append(":")
      .append(std::to_string(place.line + 1))
      .append(place.warning ? ": warning: " : ": error: ");
  line.append(TLogLineConverter().Utf8Lines(message)).append("\n");
  return line;
}

TCommandLineEngine::TCommandLineEngine(TEngineOptions options)
    : options_(std::move(options)),
      session_(std::make_unique<TSystemClock>(EpochFromEnvironment()),
               std::make_unique<TTrackedFileSystem>(disk_, options.save_mode), WorkspaceFolder()),
      files_(static_cast<TTrackedFileSystem&>(session_.Files())) {
  std::setlocale(LC_TIME, "");  // NOLINT(concurrency-mt-unsafe): at start-up, before any thread
  session_.Log().SetListener(
      [this](const std::string& entry, const TLogPlace& place) { PrintEntry(entry, place); });
  disk_.on_nul = PrintNulNotice;
  session_.Context().forced_encoding = options_.encoding;
}

void TCommandLineEngine::PrintEntry(const std::string& entry, const TLogPlace& place) const {
  // Each log entry on stderr in UTF-8, CR LF turned into LF, ended by LF.
  // A check saves nothing, so it does not say that it saved.
  if (options_.save_mode == TSaveMode::kCheck &&
      entry.find(engine_message::kHtmlSaved) != std::string::npos) {
    return;
  }
  if (!options_.quiet) {
    // The saved file as the file system has it: absolute and without ".." parts, wherever the
    // run was started from and however @WriteFile named it.
    std::string shown;
    if (const std::size_t saved = entry.find(engine_message::kHtmlSaved);
        saved != std::string::npos) {
      const TEngineContext& context = session_.Context();
      shown = entry.substr(0, saved + engine_message::kHtmlSaved.size()) +
              NormalPath(FileFor(context, context.state.WriteFile)) + "\r\n\r\n";
    }
    std::string out = log_lines_.Utf8Lines(shown.empty() ? entry : shown);
    out += '\n';
    if (options_.locations && place.Known()) out += LocationLine(entry, place);
    std::fwrite(out.data(), 1, out.size(), stderr);
  }
  if (options_.on_problem) {
    if (place.Known()) {
      std::string line = LocationLine(entry, place);
      line.pop_back();  // its LF
      options_.on_problem(line);
    } else if (IsProblem(entry)) {
      // One that names no line of its own names the page source it came from.
      const std::string message = log_lines_.Utf8Lines(LogMessageOf(entry));
      const std::string& source = session_.Context().source_file;
      const bool warning = entry.find(engine_message::kWarningPrefix) != std::string::npos;
      options_.on_problem(source.empty() ? message
                                         : QuotedPath(NormalPath(source)) +
                                               (warning ? ": warning: " : ": error: ") + message);
    }
  }
}

std::optional<std::string> AbsolutePath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(ToFileSystemPath(path), ec);
  if (ec) return std::nullopt;
  return absolute.lexically_normal().string();
}

std::optional<std::string> OnlyOperand(const TVerbArgs& args, const char* verb, const char* name) {
  if (args.operands.size() != 1) {
    UsageError(std::string(verb) + " takes one argument: " + name);
    return std::nullopt;
  }
  const std::string& operand = args.operands[0];
  std::optional<std::string> absolute = AbsolutePath(operand);
  if (!absolute) {
    UsageError(std::string(verb) + ": " + name + " must name a file" +
               (operand.empty() ? "" : " (the current folder is gone)"));
  }
  return absolute;
}

int ExitStatus(const GenerationState& state) { return state.ErrorCount > 0 ? 1 : 0; }

bool IsGroupFile(const std::string& path) {
  const std::string name = path.substr(path.rfind('/') + 1);
  return name.size() > 4 && AsciiLowerCase(name.substr(name.size() - 4)) == ".gro";
}

void PrintCannotRead(const std::string& path, const std::string& shown_name) {
  std::error_code error;
  if (!std::filesystem::is_directory(ToFileSystemPath(path), error)) {
    std::cerr << "zorvik: cannot read " << shown_name << '\n';
    return;
  }
  std::vector<std::string> groups;
  std::vector<std::string> names;
  std::string unread;
  const std::string folder = ToFileSystemPath(path);
  if (ListFolder(folder, true, &names, &unread)) {
    for (const std::string& name : names) {
      if (IsGroupFile(name)) groups.push_back((std::filesystem::path(folder) / name).string());
    }
  }
  std::sort(groups.begin(), groups.end());
  std::cerr << "zorvik: " << shown_name << " is a folder; ";
  if (groups.empty()) {
    std::cerr << "it holds no group file (.gro): name a group file or a page source\n";
    return;
  }
  std::cerr << "name a group file, as " << QuotedPath(groups.front());
  if (groups.size() > 1) {
    std::cerr << " (" << groups.size() - 1 << (groups.size() == 2 ? " other: " : " others: ");
    for (std::size_t i = 1; i < groups.size(); ++i) {
      std::cerr << (i > 1 ? ", " : "") << QuotedPath(groups[i]);
    }
    std::cerr << ')';
  }
  std::cerr << '\n';
}

std::optional<std::vector<std::string>> ReadGroupEntries(TCommandLineEngine& engine,
                                                         const std::string& path,
                                                         const std::string& shown_name) {
  std::size_t nul = std::string::npos;
  engine.Files().FileExists(path);  // recorded, so that watch follows it
  const std::string text = LoadTextFile(path, &nul);
  if (nul != std::string::npos) PrintNulNotice(path, nul);
  if (text == kFileLoadError) {
    PrintCannotRead(path, shown_name);
    return std::nullopt;
  }
  return GroupEntriesFromText(text, ExtractFolder(path), engine.Context().running_folder);
}

void WriteBuiltPage(TCommandLineEngine& engine) {
  // Without a window to show the failure in, it goes to the log as in a batch.
  if (WriteHtmlFile(engine.Context(), engine.State().WorkingText) == TWriteOutcome::kFailed) {
    engine.Context().log.AddLog(engine_message::kHtmlSaveFailed);
  }
}

void BufferStandardError() {
  // Thousands of log lines: written in blocks rather than one system call each; everything on
  // stderr goes through this one buffer, so the order stays, and it is flushed at exit.
  static char log_buffer[1 << 16];
  std::setvbuf(stderr, log_buffer, _IOFBF, sizeof log_buffer);
}

bool RunPageFile(TCommandLineEngine& engine, const std::string& path,
                 const std::string& shown_name) {
  const std::optional<std::string> page = LoadPageSourceText(engine.Files(), path);
  if (!page) {
    PrintCannotRead(path, shown_name);
    return false;
  }
  engine.State().DataFolder = ExtractFolder(path);
  engine.Context().source_file = path;
  RunGeneration(engine.Context(), *page);
  return true;
}

}  // namespace zorvik::cli
