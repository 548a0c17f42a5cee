#include "engine/clock.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <ctime>

#include "text/encoding.h"

namespace zorvik {
namespace {

// strftime of one field of a date in the LC_TIME locale, converted from that locale's own
// character set (not LC_CTYPE's, which the command line leaves at "C") to CP932; a character
// that CP932 lacks becomes one "?".
std::string LocaleName(const char* format, const std::tm& date) {
  // Only read: the locale is set once, at start-up.
  const char* time_locale = std::setlocale(LC_TIME, nullptr);  // NOLINT(concurrency-mt-unsafe)
  locale_t locale = ::newlocale(LC_ALL_MASK, time_locale != nullptr ? time_locale : "C", nullptr);
  if (locale == nullptr) locale = ::newlocale(LC_ALL_MASK, "C", nullptr);
  char buffer[256];
  const std::size_t n = ::strftime_l(buffer, sizeof buffer, format, &date, locale);
  const std::string codeset = ::nl_langinfo_l(CODESET, locale);
  ::freelocale(locale);
  return ConvertEncoding(std::string_view(buffer, n), "CP932", codeset.c_str(), "?");
}

}  // namespace

std::optional<std::time_t> FixedInstantFromText(const char* value, std::string* err) {
  if (value == nullptr || *value == '\0') return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long seconds = std::strtoll(value, &end, 10);
  std::tm local{};
  const auto instant = static_cast<std::time_t>(seconds);
  const bool whole =
      *end == '\0' && errno == 0 && std::isdigit(static_cast<unsigned char>(value[*value == '-']));
  if (!whole || ::localtime_r(&instant, &local) == nullptr || local.tm_year + 1900 < 0 ||
      local.tm_year + 1900 > 9999) {
    *err = "SOURCE_DATE_EPOCH is not a whole number of seconds from 0000 to 9999 (" +
           std::string(value) + "); the current time is used";
    return std::nullopt;
  }
  return instant;
}

std::optional<std::time_t> FixedInstantFromEnvironment(std::string* err) {
  return FixedInstantFromText(std::getenv("SOURCE_DATE_EPOCH"), err);
}

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
