#include "settings/property_access.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace zorvik {
namespace {

// Only a sign and digits (with a fraction and an exponent when real), beginning with a digit
// after the sign, so that strtod's "inf", "nan" and "0x" forms and leading blanks are refused.
bool IsDecimal(const std::string& text, bool real) {
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (std::isdigit(static_cast<unsigned char>(c))) continue;
    if (!real || (c != '.' && c != 'e' && c != 'E' && c != '-' && c != '+')) return false;
  }
  return true;
}

}  // namespace

std::string GetPropText(const TPropertyHost& host, std::string_view property) {
  const std::optional<TPropValue> value = host.GetProperty(property);
  if (!value) return {};
  switch (value->kind) {
    case TPropKind::kInteger:
      return std::to_string(value->integer);
    case TPropKind::kEnumeration:
    case TPropKind::kString:
      return value->text;
    case TPropKind::kFloat: {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.15g", value->real);
      return buffer;
    }
    case TPropKind::kStrings: {
      std::string text;
      for (const std::string& line : value->lines) text.append(line).append("\r\n");
      return text;
    }
    case TPropKind::kOther:
      break;
  }
  return {};
}

void SetPropText(TPropertyHost& host, std::string_view property, std::string_view text) {
  std::optional<TPropValue> value = host.GetProperty(property);
  if (!value) return;
  const std::string copy(text);
  char* end = nullptr;
  switch (value->kind) {
    case TPropKind::kInteger: {
      // Integer properties are 32 bits wide; text out of that range is no number for them.
      errno = 0;
      const long long number = std::strtoll(copy.c_str(), &end, 10);
      const bool ok = !copy.empty() && *end == '\0' && errno == 0 && IsDecimal(copy, false) &&
                      number >= INT32_MIN && number <= INT32_MAX;
      value->integer = ok ? number : 0;
      break;
    }
    case TPropKind::kFloat: {
      // Decimal notation only: not "inf", "nan" or a hexadecimal float.
      errno = 0;
      const double number = std::strtod(copy.c_str(), &end);
      const bool ok = !copy.empty() && *end == '\0' && errno == 0 && IsDecimal(copy, true) &&
                      std::isfinite(number);
      value->real = ok ? number : 0;
      break;
    }
    case TPropKind::kEnumeration:
    case TPropKind::kString:
      value->text = copy;
      break;
    case TPropKind::kStrings: {
      value->lines.clear();
      std::size_t from = 0;
      while (from < copy.size()) {
        std::size_t end_of_line = copy.find_first_of("\r\n", from);
        if (end_of_line == std::string::npos) end_of_line = copy.size();
        value->lines.push_back(copy.substr(from, end_of_line - from));
        from = end_of_line;
        if (from < copy.size() && copy[from] == '\r') ++from;
        if (from < copy.size() && copy[from] == '\n') ++from;
      }
      break;
    }
    case TPropKind::kOther:
      return;
  }
  host.SetProperty(property, *value);
}

}  // namespace zorvik
