// The generation log: a list of lines that is only ever appended to. A listener (the terminal,
// the log pane) takes each entry as it is added; without one, the log keeps them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/clock.h"

namespace zorvik {

// Where a log entry points: a line of a file. file is the page source's path as its owner gave
// it (empty for a text never saved) or an imported file's path; line counts from 0 as the
// messages do, -1 when the entry names no line.
struct TLogPlace {
  std::string file;
  int line = -1;
  bool imported = false;  // file is an imported file, not the page source
  bool warning = false;   // the entry is a warning, not an error
  bool Known() const { return line >= 0; }
};

// An entry's message: its text without the time stamp "[YYYY/MM/DD hh:mm:ss] : ".
std::string_view LogMessageOf(std::string_view entry);

class TGenerationLog {
 public:
  using TListener = std::function<void(const std::string& entry, const TLogPlace& place)>;

  explicit TGenerationLog(const TClock& clock) : clock_(clock) {}

  // Appends "[YYYY/MM/DD hh:mm:ss] : " message; an empty message appends an empty line. A
  // message may hold CR LF pairs, which end lines within the entry.
  // place is recorded beside the entry and handed to the listener; the text does not change.
  void AddLog(std::string_view message, const TLogPlace& place = {});
  // Adds an entry another log stamped (a run on a thread of its own), as it stands.
  void AddEntry(std::string entry, const TLogPlace& place);

  // The entries added while no listener was set: a listener takes them instead, so that a
  // long-lived log does not grow with every run.
  const std::vector<std::string>& Entries() const { return entries_; }
  void SetListener(TListener listener) { listener_ = std::move(listener); }

 private:
  const TClock& clock_;
  std::vector<std::string> entries_;
  TListener listener_;
  // The stamp of the last entry and the second it stands for: a batch logs many a second.
  std::tm stamped_{};
  std::string stamp_;
};

}  // namespace zorvik
