#include "engine/clock.h"

#include <langinfo.h>

#include <clocale>

#include "text/encoding.h"

namespace zorvik {
namespace {

// strftime of one field of a date, converted from the locale's character set to CP932.
std::string LocaleName(const char* format, const std::tm& date) {
  char buffer[128];
  const std::size_t n = std::strftime(buffer, sizeof buffer, format, &date);
  const char* codeset = ::nl_langinfo(CODESET);
  return ConvertEncoding(std::string_view(buffer, n), "CP932", codeset, "?");
}

}  // namespace

std::tm TSystemClock::Now() const {
  const std::time_t now = fixed_ ? *fixed_ : std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return local;
}

std::string TSystemClock::DayName(int wday, bool full) const {
  std::tm date{};
  date.tm_wday = wday;
  return LocaleName(full ? "%A" : "%a", date);
}

std::string TSystemClock::MonthName(int mon, bool full) const {
  std::tm date{};
  date.tm_mon = mon;
  return LocaleName(full ? "%B" : "%b", date);
}

}  // namespace zorvik
