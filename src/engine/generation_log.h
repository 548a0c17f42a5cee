// The generation log: a list of lines that is only ever appended to. A listener (the terminal,
// the log pane) can follow it as it grows.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/clock.h"

namespace zorvik {

class TGenerationLog {
 public:
  using TListener = std::function<void(const std::string& entry)>;

  explicit TGenerationLog(const TClock& clock) : clock_(clock) {}

  // Appends "[YYYY/MM/DD hh:mm:ss] : " message; an empty message appends an empty line. A
  // message may hold CR LF pairs, which end lines within the entry.
  void AddLog(std::string_view message);

  const std::vector<std::string>& Entries() const { return entries_; }
  void SetListener(TListener listener) { listener_ = std::move(listener); }

 private:
  const TClock& clock_;
  std::vector<std::string> entries_;
  TListener listener_;
};

}  // namespace zorvik
