// The local clock and the regional day and month names, for the log's time stamps and the date
// tags.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace zorvik {

class TClock {
 public:
  virtual ~TClock() = default;
  // The local date and time now (fields as std::tm: tm_year since 1900, tm_mon from 0, tm_wday
  // from Sunday).
  virtual std::tm Now() const = 0;
  // Day and month names in CP932: abbreviated or full.
  virtual std::string DayName(int wday, bool full) const = 0;
  virtual std::string MonthName(int mon, bool full) const = 0;
};

// The system's clock and the LC_TIME locale's names (converted to CP932). With a fixed instant
// (seconds since the epoch) the clock stands still there, for reproducible output.
class TSystemClock : public TClock {
 public:
  explicit TSystemClock(std::optional<std::time_t> fixed = std::nullopt) : fixed_(fixed) {}
  std::tm Now() const override;
  std::string DayName(int wday, bool full) const override;
  std::string MonthName(int mon, bool full) const override;

 private:
  std::optional<std::time_t> fixed_;
};

// The instant that SOURCE_DATE_EPOCH fixes: nothing when it is unset or empty. A value that is
// not a whole number of seconds whose local date the clock can show (years 0 to 9999) is
// refused: nothing, and *err says why, for the caller to report.
std::optional<std::time_t> FixedInstantFromEnvironment(std::string* err);
std::optional<std::time_t> FixedInstantFromText(const char* value, std::string* err);

}  // namespace zorvik
