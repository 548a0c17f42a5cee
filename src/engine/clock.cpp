#include "engine/clock.h"

#include <langinfo.h>
#include <locale.h>

#include <clocale>
#include <ctime>

#include "text/encoding.h"

namespace zorvik {
namespace {

// strftime of one field of a date in the LC_TIME locale, converted from that locale's own
// character set (not LC_CTYPE's, which the command line leaves at "C") to CP932; a character
// that CP932 lacks becomes one "?".
std::string LocaleName(const char* format, const std::tm& date) {
  const char* time_locale = std::setlocale(LC_TIME, nullptr);
  locale_t locale = ::newlocale(LC_ALL_MASK, time_locale != nullptr ? time_locale : "C", nullptr);
  if (locale == nullptr) locale = ::newlocale(LC_ALL_MASK, "C", nullptr);
  char buffer[256];
  const std::size_t n = ::strftime_l(buffer, sizeof buffer, format, &date, locale);
  const std::string codeset = ::nl_langinfo_l(CODESET, locale);
  ::freelocale(locale);
  return ConvertEncoding(std::string_view(buffer, n), "CP932", codeset.c_str(), "?");
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
