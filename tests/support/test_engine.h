// Test helper: an engine context over an in-memory file system and a clock that stands still.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "engine/engine_session.h"
#include "support/sjis.h"
#include "text/file_names.h"
#include "text/text_file.h"

namespace zorvik::testing {

// 2026-12-07 (a Monday) 09:05:30; names in English.
class TFakeClock : public TClock {
 public:
  std::tm Now() const override {
    ++calls;
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 30;
    t.tm_wday = 1;
    return t;
  }
  std::string DayName(int wday, bool full) const override {
    static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    std::string name = kDays[wday];
    return full ? name : name.substr(0, 3);
  }
  std::string MonthName(int mon, bool full) const override {
    static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    std::string name = kMonths[mon];
    return full ? name : name.substr(0, 3);
  }
  mutable int calls = 0;
};

// Files as texts in memory. Saved texts are stored as SaveTextFile would write them.
class TMemoryFileSystem : public TFileSystem {
 public:
  bool FileExists(std::string_view path) const override {
    return files.count(ToFileSystemPath(path)) > 0;
  }
  bool FolderExists(std::string_view path) const override {
    return folders.count(ToFileSystemPath(path)) > 0;
  }
  bool CreateFolders(std::string_view path) override {
    if (refuse_folders) return false;
    folders.insert(ToFileSystemPath(path));
    return true;
  }
  std::string LoadText(std::string_view path) const override {
    auto it = files.find(ToFileSystemPath(path));
    if (it == files.end() || unreadable.count(it->first)) return std::string(kFileLoadError);
    return NormalizeLineEnds(it->second);
  }
  bool SaveText(std::string_view path, std::string_view text) override {
    const std::string key = ToFileSystemPath(path);
    if (refuse_writes.count(key)) return false;
    files[key] = NormalizeLineEnds(text);
    return true;
  }
  // Adds a file, its text given in UTF-8 with LF line ends and stored as CP932 with CR LF.
  void Add(const std::string& path, const std::string& utf8) {
    std::string crlf;
    for (char c : utf8) {
      if (c == '\n') crlf += '\r';
      crlf += c;
    }
    files[path] = Sjis(crlf);
    folders.insert(ExtractFolder(path));
  }

  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::set<std::string> unreadable;
  std::set<std::string> refuse_writes;
  bool refuse_folders = false;
};

class TTestEngine {
 public:
  TTestEngine()
      : session(std::make_unique<TFakeClock>(), std::make_unique<TMemoryFileSystem>(),
                "/opt/zorvik/"),
        clock(static_cast<const TFakeClock&>(session.Clock())),
        log(session.Log()),
        pattern(session.Pattern()),
        files(static_cast<TMemoryFileSystem&>(session.Files())),
        state(session.State()),
        context(session.Context()) {}

  // The log, converted to UTF-8, one entry per line, time stamps kept.
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    for (const std::string& entry : log.Entries()) lines.push_back(Utf8(entry));
    return lines;
  }
  // The working text in UTF-8, CR LF shown as LF.
  std::string Text() const {
    std::string text;
    for (char c : Utf8(state.WorkingText)) {
      if (c == '\n' && !text.empty() && text.back() == '\r') text.pop_back();
      text += c;
    }
    return text;
  }

  TEngineSession session;
  // The session's parts, by name.
  const TFakeClock& clock;
  TGenerationLog& log;
  TSecondAWKStr& pattern;
  TMemoryFileSystem& files;
  GenerationState& state;
  TEngineContext& context;
};

// "[2026/12/07 09:05:30] : " + message: a log line of the fake clock.
inline std::string Stamped(const std::string& message) {
  return "[2026/12/07 09:05:30] : " + message;
}

// A UTF-8 text with LF line ends as the CP932 CR LF text the engine works on.
inline std::string Page(const std::string& utf8) {
  std::string crlf;
  for (char c : utf8) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return Sjis(crlf);
}

}  // namespace zorvik::testing
