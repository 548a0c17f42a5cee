#include "engine/generation_log.h"

#include <cstdio>

namespace zorvik {

void TGenerationLog::AddLog(std::string_view message, const TLogPlace& place) {
  std::string entry;
  if (!message.empty()) {
    const std::tm now = clock_.Now();
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "[%04d/%02d/%02d %02d:%02d:%02d] : ", now.tm_year + 1900,
                  now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
    entry.append(stamp).append(message);
  }
  entries_.push_back(std::move(entry));
  if (listener_) listener_(entries_.back(), place);
}

}  // namespace zorvik
