#include "engine/generation_log.h"

#include <cstdio>

namespace zorvik {

std::string_view LogMessageOf(std::string_view entry) {
  const std::size_t stamp_end = entry.find("] : ");
  return stamp_end == std::string_view::npos ? entry : entry.substr(stamp_end + 4);
}

void TGenerationLog::AddLog(std::string_view message, const TLogPlace& place) {
  std::string entry;
  if (!message.empty()) {
    const std::tm now = clock_.Now();
    if (stamp_.empty() || now.tm_sec != stamped_.tm_sec || now.tm_min != stamped_.tm_min ||
        now.tm_hour != stamped_.tm_hour || now.tm_mday != stamped_.tm_mday ||
        now.tm_mon != stamped_.tm_mon || now.tm_year != stamped_.tm_year) {
      char stamp[96];
      std::snprintf(stamp, sizeof stamp, "[%04d/%02d/%02d %02d:%02d:%02d] : ", now.tm_year + 1900,
                    now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
      stamp_ = stamp;
      stamped_ = now;
    }
    entry.reserve(stamp_.size() + message.size());
    entry.append(stamp_).append(message);
  }
  AddEntry(std::move(entry), place);
}

void TGenerationLog::AddEntry(std::string entry, const TLogPlace& place) {
  if (listener_) {
    listener_(entry, place);
  } else {
    entries_.push_back(std::move(entry));
  }
}

}  // namespace zorvik
